#!/usr/bin/env bash
# On a 640 x 480 screen the default start is fullscreen (no question, cursor hidden); F1
# re-creates the window in windowed mode and back; closing the window ends with status 0.
set -u
source "$(dirname "$0")/e2e_common.sh"
on_screen 640x480

start_demo
win=$(wait_window "Quorvex Dalmera") || fail "no demo window"
expect_window_640x480_at_origin "$win"
[ -z "$(windows_named "Tavo GL")" ] || fail "fullscreen question shown on a 640x480 screen"
sleep 0.5
expect_cursor hidden

press F1
sleep 1.5
win=$(wait_window "Quorvex Dalmera") || fail "no window after the first F1"
expect_window_640x480_at_origin "$win"
expect_cursor visible

press F1
sleep 1.5
win=$(wait_window "Quorvex Dalmera") || fail "no window after the second F1"
expect_cursor hidden

"$X11_PROBE" close "$win" || fail "could not ask the window to close"
expect_exit 5000 0 "closing the window"
finish
