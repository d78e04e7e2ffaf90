#!/usr/bin/env bash
# --windowed: a window titled "Quorvex Dalmera" with a 640 x 480 client area at the top-left
# corner and a visible cursor; Escape ends the demo with status 0 within a second.
set -u
source "$(dirname "$0")/e2e_common.sh"
on_screen 1024x768

start_demo --windowed
win=$(wait_window "Quorvex Dalmera") || fail "no demo window"
expect_window_640x480_at_origin "$win"
expect_cursor visible
escape_ends_demo
finish
