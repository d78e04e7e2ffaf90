#!/usr/bin/env bash
# Declining windowed mode at the very start: "Program Will Now Close." and status 0,
# without a demo window ever appearing.
set -u
source "$(dirname "$0")/e2e_common.sh"
on_screen 1024x768

start_demo
answer_box "Tavo GL" Escape
answer_box "ERROR" Return
wait_exit 5000 || fail "demo still running after declining windowed mode"
[ "$demo_status" -eq 0 ] || fail "exit status $demo_status"
[ -z "$(windows_named "Quorvex Dalmera")" ] || fail "a demo window appeared"
finish
