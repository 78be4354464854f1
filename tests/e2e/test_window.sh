#!/usr/bin/env bash
# The game opens a window named "Tavrik 0.91" of the configured size; Escape ends it with
# code 0 within a second.
source "$(dirname "$0")/lib.sh"
run() {
  options 640 480 0
  start_game
  id=$(wait_window "Tavrik 0.91") || fail "no window named Tavrik 0.91; output: $(cat "$WORK/out.txt" "$WORK/err.txt")"
  geometry=$(xdotool getwindowgeometry "$id" | grep Geometry | awk '{print $2}')
  [ "$geometry" = "640x480" ] || fail "window geometry $geometry, expected 640x480"
  sleep 0.5
  press Escape
  wait_exit 1
  [ "$rc" = "0" ] || fail "exit after Escape: $rc"
  echo "PASS window and Escape"
}
export -f run options start_game wait_window press wait_exit fail
export GAME WORK XSHOT
"$E2E_DIR/with-xvfb.sh" bash -c run
