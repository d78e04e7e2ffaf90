#!/usr/bin/env bash
# A server without the X core fonts cannot draw SDL's message boxes: the fullscreen question
# and the closing error come as lines on standard error, with the likely cause named, and the
# question counts as declined.
set -u
source "$(dirname "$0")/e2e_common.sh"
on_screen 1024x768 -fp built-ins

start_demo
expect_exit 5000 0 "the question that could not be shown"
for line in "^Tavo GL: The Requested Fullscreen Mode" "^ERROR: Program Will Now Close" "cannot show a message box: .*xfonts-base"; do
  grep -q "$line" "$demo_log" || fail "no line matching '$line'"
done
finish
