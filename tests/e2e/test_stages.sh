#!/usr/bin/env bash
# Enter starts a game: "Start Game" and "First Stage" are announced in amber at the screen
# centre and fade away; enemies of the first stage fly in from far away one at a time.
source "$(dirname "$0")/lib.sh"
run() {
  options 640 480 0
  export TAVRIK_DEBUG=1
  start_game
  wait_window "Tavrik 0.91" >/dev/null || fail "no window; output: $(cat "$WORK/out.txt" "$WORK/err.txt")"
  wait_for_title || fail "no title screen; output: $(cat "$WORK/out.txt" "$WORK/err.txt")"
  sleep 0.5
  idle=$("$XSHOT" amber 120 180 400 120)
  # The title screen's own battle has its enemies too: count the lines after Enter.
  before=$(wc -l <"$WORK/err.txt")
  press Return
  wait_for_play || fail "no game after Enter"
  sleep 0.7
  shown=$("$XSHOT" amber 120 180 400 120)
  [ "$shown" -gt $((idle + 200)) ] || fail "no announcement at the centre: $idle amber pixels before Enter, $shown after"
  after() { tail -n +"$((before + 1))" "$WORK/err.txt"; }
  after | grep -q "stage started: First Stage" || fail "first stage not started: $(after)"
  for _ in $(seq 1 50); do
    after | grep -q "enemy arrives" && break
    sleep 0.1
  done
  after | grep -q "enemy arrives" || fail "no enemy arrived: $(after)"
  sleep 5
  gone=$("$XSHOT" amber 120 180 400 120)
  [ "$gone" -lt "$shown" ] || fail "announcement did not fade: $shown then $gone amber pixels"
  quit_game
  echo "PASS stages: announcement ($idle -> $shown -> $gone amber pixels), $(after | grep -c 'enemy arrives') enemies arrived in play"
}
run_under_xvfb
