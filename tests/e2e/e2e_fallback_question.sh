#!/usr/bin/env bash
# A screen without a 640 x 480 mode: the Yes/No question appears; Yes gives the windowed
# window; F1 tries fullscreen again and asks again; No shows the closing box and exits 0.
set -u
source "$(dirname "$0")/e2e_common.sh"
on_screen 1024x768

start_demo
answer_box "Tavo GL" Return
win=$(wait_window "Quorvex Dalmera") || fail "no window after answering Yes"
expect_window_640x480_at_origin "$win"
expect_cursor visible

press F1
answer_box "Tavo GL" Escape
answer_box "ERROR" Return
expect_exit 5000 0 "declining windowed mode"
finish
