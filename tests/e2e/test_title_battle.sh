#!/usr/bin/env bash
# The first title screen shows the battle of the title stage behind its panel: the camera
# follows one of its ships, so the picture changes from one second to the next.
source "$(dirname "$0")/lib.sh"
run() {
  options 640 480 0
  start_game
  wait_window "Tavrik 0.91" >/dev/null || fail "no window: $(cat "$WORK/out.txt" "$WORK/err.txt")"
  wait_for_title || fail "no title screen within 15 s"
  sleep 1
  "$XSHOT" png "$WORK/first.png" || fail "could not grab the screen"
  sleep 1
  "$XSHOT" png "$WORK/second.png" || fail "could not grab the screen"
  cmp -s "$WORK/first.png" "$WORK/second.png" && fail "the first title screen stood still for a second"
  quit_game
  echo "PASS the first title screen moves"
}
run_under_xvfb
