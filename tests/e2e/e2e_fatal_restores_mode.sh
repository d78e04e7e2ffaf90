#!/usr/bin/env bash
# A screen that also has a 640 x 480 mode: the demo starts fullscreen in that mode, then a
# picture in the archive that the JPEG library cannot read ends it with status 1. The screen
# must be back in its own mode afterwards.
set -u
source "$(dirname "$0")/e2e_common.sh"
on_screen 1024x768 -noreset  # -noreset: the added mode outlives the client that added it

"$X11_PROBE" add-mode || fail "the X server took no 640 x 480 mode"
before=$("$X11_PROBE" mode) || fail "the X server names no mode in use"

copy_media
printf 'this is not a picture' >"$work/3.jpg"
(cd "$work" && zip -q data/textures.zip 3.jpg) || fail "could not replace an archive entry"

cd "$work"
start_demo
expect_exit 60000 1 "start, with the JPEG library's fatal error"
after=$("$X11_PROBE" mode) || fail "the X server names no mode in use after the demo"
[ "$after" = "$before" ] || fail "the screen shows $after after the demo, $before before it"
echo "mode before: $before, after the fatal error: $after"
finish
