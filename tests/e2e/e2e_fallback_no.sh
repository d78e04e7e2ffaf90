#!/usr/bin/env bash
# Declining windowed mode at the very start: "Program Will Now Close." and status 0,
# without a demo window ever appearing.
set -u
source "$(dirname "$0")/e2e_common.sh"
on_screen 1024x768

start_demo
answer_box "Tavo GL" Escape
answer_box "ERROR" Return
expect_exit 5000 0 "declining windowed mode"
[ -z "$(windows_named "Quorvex Dalmera")" ] || fail "a demo window appeared"
finish
