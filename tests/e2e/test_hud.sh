#!/usr/bin/env bash
# Enter starts a game whose heads-up readouts show in white at the top left; left Alt in
# play saves a screenshot of the world alone, without those readouts.
source "$(dirname "$0")/lib.sh"
run() {
  options 640 480 0
  start_game
  wait_window "Tavrik 0.91" >/dev/null || fail "no window; output: $(cat "$WORK/out.txt" "$WORK/err.txt")"
  wait_for_title || fail "no title screen; output: $(cat "$WORK/out.txt" "$WORK/err.txt")"
  # The readouts' area: Speed, HP, Kills, Points, auto-selection and time lines.
  area="5 55 220 120"
  title=$("$XSHOT" white $area)
  press Return
  wait_for_play
  sleep 0.3
  play=$("$XSHOT" white $area)
  [ "$play" -gt $((title + 150)) ] || fail "no readouts at the top left: $title white pixels on the title screen, $play in play"
  press Alt_L
  for _ in $(seq 1 50); do
    shot=$(ls "$GAME"/screenshots/*.png 2>/dev/null | head -n 1)
    [ -n "$shot" ] && break
    sleep 0.1
  done
  [ -n "$shot" ] || fail "left Alt wrote no screenshot"
  sleep 0.5
  saved=$("$XSHOT" white $area "$shot") || fail "screenshot $shot unreadable"
  [ $((saved * 4)) -lt "$play" ] || fail "the screenshot holds the readouts: $saved white pixels, the screen $play"
  quit_game
  echo "PASS hud: readouts ($title -> $play white pixels), screenshot without them ($saved)"
}
run_under_xvfb
