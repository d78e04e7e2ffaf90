#!/usr/bin/env bash
# The Windows program live under Wine: --windowed gives a window titled "Quorvex Dalmera" with
# a 640 x 480 client area (Wine's windows are X11 windows); Escape ends it with status 0
# (within 15 s: Wine takes seconds to tear a process down on a busy machine).
set -u
source "$E2E_DIR/e2e_common.sh"
on_screen 1024x768

start_demo() {
  "$WINE_RUN" "$QUORVEX" "$@" >"$demo_log" 2>&1 &
  demo_pid=$!
}

start_demo --windowed
# Wine starts its own services with the first program of a session: allow for that.
win=$(wait_window "Quorvex Dalmera" 90) || fail "no window titled 'Quorvex Dalmera'"
read -r x y w h <<<"$(geometry "$win")"
[ "$w $h" = "640 480" ] || fail "the window's client area is ${w}x$h, expected 640x480"
echo "window $win: client area ${w}x$h at $x,$y"
# There is no window manager on the test's screen to give the new window the keyboard.
xdotool windowfocus "$win"
escape_ends_demo
finish
