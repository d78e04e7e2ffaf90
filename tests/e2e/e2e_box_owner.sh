#!/usr/bin/env bash
# A message box shown while the demo window exists belongs to it (WM_TRANSIENT_FOR), so a
# window manager keeps it above even a fullscreen demo: a broken font.bmp's "Error" box.
set -u
source "$(dirname "$0")/e2e_common.sh"
on_screen 1024x768

copy_media
# A file header, then a picture header of 108 bytes: "Unknown DIB file format."
printf 'BM\0\0\0\0\0\0\0\0\066\0\0\0\154\0\0\0' >"$work/data/font.bmp"
head -c 120 /dev/zero >>"$work/data/font.bmp"
cd "$work"

start_demo --windowed
win=$(wait_window "Quorvex Dalmera") || fail "no demo window"
find_box "Error"
owner=$("$X11_PROBE" owner "$box") || fail "could not read the box's owner"
[ "$owner" != none ] || fail "the box has no owner"
[ $((owner)) -eq $((win)) ] || fail "the box belongs to $owner, not to the demo window $win"
answer_box "Error" Return
press Escape
expect_exit 10000 0 "Escape"
finish
