#!/usr/bin/env bash
# The splash shows one of the earlier screenshots behind the logo; once the game runs, the
# three background layers fill the screen; no image of the catalogue is missing.
source "$(dirname "$0")/lib.sh"
run() {
  options 1024 768 0
  mkdir -p "$GAME/screenshots"
  "$XSHOT" solid "$GAME/screenshots/pic0.png" 1024 768 C81E1E || fail "could not write pic0"
  "$XSHOT" solid "$GAME/screenshots/pic1.png" 1024 768 1EC81E || fail "could not write pic1"
  "$XSHOT" solid "$GAME/screenshots/pic2.png" 1024 768 1E1EC8 || fail "could not write pic2"
  start_game
  seen=$("$XSHOT" watch 8 8 8000 C81E1E,1EC81E,1E1EC8)
  [ "$seen" != "none" ] || fail "no earlier screenshot seen behind the splash"
  wait_window "Tavrik 0.91" >/dev/null || fail "no window"
  # The splash stays while the game loads, which takes longer on a busy machine.
  gone=0
  for _ in $(seq 1 40); do
    "$XSHOT" watch 8 8 10 C81E1E,1EC81E,1E1EC8 | grep -q none && { gone=1; break; }
    sleep 0.5
  done
  [ "$gone" = 1 ] || fail "splash still showing after 20 s"
  sleep 1
  stats=$("$XSHOT" stats 0 0 1024 768)
  nonblack=$(echo "$stats" | sed 's/.*nonblack=\([0-9.]*\).*/\1/')
  distinct=$(echo "$stats" | sed 's/.*distinct=\([0-9]*\).*/\1/')
  awk -v f="$nonblack" 'BEGIN { exit !(f > 0.2) }' || fail "background mostly black: $stats"
  [ "$distinct" -gt 50 ] || fail "background is flat: $stats"
  quit_game
  if grep -q "Image not found" "$WORK/out.txt"; then fail "missing images: $(grep 'not found' "$WORK/out.txt")"; fi
  echo "PASS splash ($seen) and background ($stats)"
}
run_under_xvfb
