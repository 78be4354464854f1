#!/usr/bin/env bash
# The game opens a window named "Tavrik 0.91" of the configured size; Escape ends it with
# code 0 (within a second of start-up; the wait allows for a loaded machine's start-up).
source "$(dirname "$0")/lib.sh"
run() {
  options 640 480 0
  start_game
  id=$(wait_window "Tavrik 0.91") || fail "no window named Tavrik 0.91; output: $(cat "$WORK/out.txt" "$WORK/err.txt")"
  geometry=$(xdotool getwindowgeometry "$id" | grep Geometry | awk '{print $2}')
  [ "$geometry" = "640x480" ] || fail "window geometry $geometry, expected 640x480"
  sleep 0.5
  press Escape
  wait_exit 5
  [ "$rc" = "0" ] || fail "exit after Escape: $rc"
  echo "PASS window and Escape"
}
run_under_xvfb
