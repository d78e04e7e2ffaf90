#!/usr/bin/env bash
# A screen without a 640 x 480 mode, and an interrupt while the Yes/No question is up: the
# question goes, the demo ends at once with 128 + the signal, and no box process outlives it.
set -u
source "$(dirname "$0")/e2e_common.sh"
on_screen 1024x768

for signal in TERM INT; do
  start_demo
  wait_window "Tavo GL" >/dev/null || fail "no question before SIG$signal"
  box_processes=$(cat /proc/"$demo_pid"/task/*/children 2>/dev/null)
  [ -n "$box_processes" ] || fail "the question has no process of its own to check"
  kill -"$signal" "$demo_pid"
  expect_exit 3000 $(( 128 + $(kill -l "$signal") )) "SIG$signal during the question"
  wait_window_gone "Tavo GL" 2 || fail "the question stayed on the screen after SIG$signal"
  for pid in $box_processes; do
    ! kill -0 "$pid" 2>/dev/null || fail "the question's process $pid outlived the demo (SIG$signal)"
  done
  echo "SIG$signal during the question: ended with $demo_status"
done
finish
