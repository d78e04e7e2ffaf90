#!/usr/bin/env bash
# --windowed --size: the client area takes the requested size at the top-left corner. A 4:3
# size is filled by the demo; a wide one shows it in the centred 4:3 area between black bars
# until the window is resized by hand, which gives the whole area to the picture again.
set -u
source "$(dirname "$0")/e2e_common.sh"
on_screen 1600x1200

# Non-black pixels of a rectangle of window $1 (x y w h from its top-left); -1 when unreadable.
lit() { "$X11_PROBE" lit "$@" || echo -1; }
# Waits up to 20 s until more than $6 pixels of the rectangle are lit; a loaded machine may
# take seconds over the first frames of a large window.
wait_lit() {
  local deadline=$(( $(now_ms) + 20000 ))
  while [ "$(now_ms)" -lt "$deadline" ]; do
    [ "$(lit "$1" "$2" "$3" "$4" "$5")" -gt "$6" ] && return 0
    sleep 0.2
  done
  return 1
}
# A software renderer draws these larger windows more slowly than 640 x 480, so the frame in
# flight when Escape arrives takes longer to finish.
exit_limit_ms=$(( exit_limit_ms * 4 ))

# Starts the demo in a window of the given size and checks its client area at 0, 0.
start_sized() {
  start_demo --windowed --size "$1x$2"
  win=$(wait_window "Quorvex Dalmera") || fail "no demo window"
  local g
  g=$(geometry "$win")
  [ "$g" = "0 0 $1 $2" ] || fail "window has geometry '$g', expected '0 0 $1 $2'"
}

start_sized 1280 960
# The intro's backdrop reaches every edge of the 4:3 area.
wait_lit "$win" 0 0 2 960 480 || fail "left edge of a 4:3 window is dark"
wait_lit "$win" 1278 0 2 960 480 || fail "right edge of a 4:3 window is dark"
escape_ends_demo

start_sized 960 480
wait_lit "$win" 160 0 2 480 240 || fail "the picture does not reach the left bar"
wait_lit "$win" 798 0 2 480 240 || fail "the picture does not reach the right bar"
[ "$(lit "$win" 0 0 160 480)" -eq 0 ] || fail "left bar is not black"
[ "$(lit "$win" 800 0 160 480)" -eq 0 ] || fail "right bar is not black"
xdotool windowsize "$win" 800 600
wait_lit "$win" 0 0 2 600 300 || fail "a window resized by hand still has bars"
echo "sized windows: 1280x960 filled, 960x480 framed, resized by hand filled"
escape_ends_demo
finish
