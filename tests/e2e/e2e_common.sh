# Helpers shared by the end-to-end scripts: each script runs the real demo binary on its own
# Xvfb screen, whose size it chooses, and drives it with xdotool like a user at the keyboard.
# Environment: QUORVEX (the binary), X11_PROBE (the helper), E2E_EXIT_LIMIT_MS.

: "${QUORVEX:?}" "${X11_PROBE:?}"
exit_limit_ms=${E2E_EXIT_LIMIT_MS:-1000}
demo_pid=
demo_log=$(mktemp /tmp/quorvex-e2e-XXXXXX)

# Re-runs the calling script inside a fresh X server of the given size (e.g. 640x480); any
# further arguments go to the server. xvfb-run starts the script once the server takes
# connections, and the server does not reset when its last client leaves: a demo started
# again at that moment would be refused, and report that it found no display.
on_screen() {
  if [ -z "${E2E_UNDER_XVFB:-}" ]; then
    local size=$1; shift
    E2E_UNDER_XVFB=1 exec xvfb-run -a -s "-screen 0 ${size}x24 -nolisten tcp -noreset $*" bash "$0"
  fi
}

fail() {
  echo "FAIL: $*"
  if [ -n "$demo_pid" ] && ! kill -0 "$demo_pid" 2>/dev/null; then
    wait "$demo_pid"; echo "(the demo had ended with status $?)"; demo_pid=
  fi
  echo "--- demo output:"; grep -v '^ALSA' "$demo_log" | tail -20
  # What the screen showed, should a window of another title (a message box) stand in the way.
  echo "--- windows on the screen:"; xwininfo -root -children 2>/dev/null | grep '^ *0x.*"' | head -20
  # And where a demo that still runs is, when a debugger is at hand.
  if [ -n "$demo_pid" ] && command -v gdb >/dev/null; then
    echo "--- the demo's threads:"
    timeout 60 gdb -p "$demo_pid" -batch -ex "info threads" -ex "thread apply 1 bt 25" 2>/dev/null |
      grep -v "^\\[\\|^Using\\|^warning" | head -60
  fi
  [ -n "$demo_pid" ] && kill -9 "$demo_pid" 2>/dev/null
  rm -f "$demo_log"
  exit 1
}

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

start_demo() {
  "$QUORVEX" "$@" >"$demo_log" 2>&1 &
  demo_pid=$!
}

# Ids of the mapped top-level windows titled exactly $1 (xdotool misses some, such as
# message boxes, so the window tree is read directly).
windows_named() {
  local id
  for id in $(xwininfo -root -children 2>/dev/null | awk -v t="\"$1\":" '$2 == t || index($0, " " t " ") {print $1}'); do
    xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable' && echo "$id"
  done
}

# Prints the id of the visible window titled exactly $1, waiting up to $2 seconds (default 40).
wait_window() {
  local deadline=$(( $(now_ms) + ${2:-40} * 1000 )) id
  while [ "$(now_ms)" -lt "$deadline" ]; do
    id=$(windows_named "$1" | tail -1)
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    kill -0 "$demo_pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

# Waits until no visible window is titled $1, up to $2 seconds.
wait_window_gone() {
  local deadline=$(( $(now_ms) + ${2:-10} * 1000 ))
  while [ "$(now_ms)" -lt "$deadline" ]; do
    [ -z "$(windows_named "$1")" ] && return 0
    sleep 0.1
  done
  return 1
}

# Waits up to $1 ms for the demo to end; sets demo_status. Returns 1 on timeout.
wait_exit() {
  local deadline=$(( $(now_ms) + $1 ))
  while kill -0 "$demo_pid" 2>/dev/null; do
    [ "$(now_ms)" -ge "$deadline" ] && return 1
    sleep 0.02
  done
  wait "$demo_pid"
  demo_status=$?
  demo_pid=
  return 0
}

# Waits up to $1 ms for the demo to end with status $2; $3 says after what.
expect_exit() {
  wait_exit "$1" || fail "demo still running $(( $1 / 1000 )) s after $3"
  [ "$demo_status" -eq "$2" ] || fail "exit status $demo_status after $3, expected $2"
}

# A copy of the media in a fresh directory, $work, removed when the script ends.
copy_media() { work=$(mktemp -d /tmp/quorvex-e2e-data-XXXXXX) && trap 'rm -rf "$work"' EXIT && cp -r data "$work/"; }

# Client size and position of a window: "X Y W H".
geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF}
    /^ *Width:/{w=$NF} /^ *Height:/{h=$NF} END{print x, y, w, h}'
}

expect_window_640x480_at_origin() {
  local g; g=$(geometry "$1")
  [ "$g" = "0 0 640 480" ] || fail "window $1 has geometry '$g', expected '0 0 640 480'"
}

expect_cursor() {
  # The server picks the cursor for the window under the pointer when the pointer moves.
  xdotool mousemove 300 220 && sleep 0.1 && xdotool mousemove 320 240 && sleep 0.2
  local seen; seen=$("$X11_PROBE" cursor)
  [ "$seen" = "$1" ] || fail "cursor is $seen, expected $1"
}

# Lets the demo settle into its frames, then presses a key on the focused window and holds
# it for a fifth of a second, as a hand would.
press() {
  sleep "${2:-1}"
  xdotool keydown "$1"
  sleep 0.2
  xdotool keyup "$1"
}

# Fails with the reason when the demo wrote the box titled $1 to standard error ("CAPTION: text")
# because none could be shown at all.
fail_if_box_fell_back() {
  grep -q "^$1: " "$demo_log" || return 0
  local why; why=$("$X11_PROBE" box-font) && why="the cause is not a missing font"
  fail "the demo could not show the message box '$1' at all and wrote it to standard error instead ($why)"
}

# Sets box to the id of the message box titled $1, once it shows.
find_box() {
  box=$(wait_window "$1") && return
  fail_if_box_fell_back "$1"
  fail "no message box titled '$1'"
}

# Answers a message box titled $1 with key $2 (Return: the default button, Escape: the other).
answer_box() {
  local box
  find_box "$1"
  sleep 0.3
  xdotool windowfocus "$box" 2>/dev/null
  xdotool key --window "$box" "$2" 2>/dev/null || xdotool key "$2"
  wait_window_gone "$1" || xdotool key "$2"
}

# Escape must end the demo with status 0 within the limit, tapped: press and release arrive
# together, as a remote desktop or a script sends them, or a hand during a long frame.
escape_ends_demo() {
  sleep 0.5
  local t0; t0=$(now_ms)
  xdotool key Escape
  wait_exit $(( exit_limit_ms - ($(now_ms) - t0) )) || fail "demo still running $exit_limit_ms ms after Escape"
  [ "$demo_status" -eq 0 ] || fail "exit status $demo_status after Escape"
  echo "Escape: ended with status 0 after $(( $(now_ms) - t0 )) ms"
}

finish() {
  rm -f "$demo_log"
  echo PASS
  exit 0
}
