#!/usr/bin/env bash
# The first title screen saves an empty table; Enter starts a game and the idle ship is shot
# down by the first stage's enemies; the game-over screen then records the score at once:
# Highscore.txt holds the version line and the player's line with its MD5 checksum.
source "$(dirname "$0")/lib.sh"
run() {
  options 640 480 0
  export TAVRIK_DEBUG=1
  start_game
  wait_window "Tavrik 0.91" >/dev/null || fail "no window; output: $(cat "$WORK/out.txt" "$WORK/err.txt")"
  sleep 2
  file="$GAME/Highscore.txt"
  [ "$(cat "$file" 2>/dev/null)" = "$(printf 'Version: Tavrik 0.91\r')" ] ||
    fail "the first title screen did not save the empty table: $(od -c "$file" 2>&1 | head -n 5)"
  # An idle ship is soon shot down by the light fighters of the first stage (kinds 1, 2 and
  # 4), while a heavy first enemy (3, 5, 6) turns too slowly to hit it often and may circle
  # for minutes: the game is left and started again (a new random seed) until a light one
  # comes first.
  attempt=1
  while :; do
    before=$(wc -l <"$WORK/err.txt")
    press Return
    kind=""
    for _ in $(seq 1 100); do
      # The first enemy of the first stage (the title screen's battle has its own before).
      kind=$(tail -n +"$((before + 1))" "$WORK/err.txt" |
             awk '/^stage started: First Stage/ { on = 1; next } on && /^enemy arrives: kind/ { print $4; exit }')
      [ -n "$kind" ] && break
      sleep 0.1
    done
    [ -n "$kind" ] || fail "no enemy arrived after Enter: $(cat "$WORK/err.txt")"
    case "$kind" in 1|2|4) break ;; esac
    [ "$attempt" -lt 15 ] || fail "only heavy first enemies in $attempt games"
    press Escape
    wait_exit 5
    [ "$rc" = "0" ] || fail "exit code $rc when leaving game $attempt"
    attempt=$((attempt + 1))
    start_game
    wait_window "Tavrik 0.91" >/dev/null || fail "no window in game $attempt"
    sleep 1
  done
  waited=0
  while [ "$(wc -l <"$file")" -lt 2 ] && [ "$waited" -lt 200 ]; do
    kill -0 "$GAME_PID" 2>/dev/null || fail "the game ended; output: $(cat "$WORK/out.txt" "$WORK/err.txt")"
    sleep 1
    waited=$((waited + 1))
  done
  [ "$(wc -l <"$file")" -ge 2 ] || fail "no score recorded after ${waited} s: the ship was not shot down"
  [ "$(wc -l <"$file")" -eq 2 ] || fail "more than one score: $(cat "$file")"
  [ "$(head -n 1 "$file")" = "$(printf 'Version: Tavrik 0.91\r')" ] || fail "version line: $(head -n 1 "$file" | od -c)"
  line=$(sed -n 2p "$file")
  [ "${line: -1}" = $'\r' ] || fail "the line does not end with CR LF"
  line=${line%$'\r'}
  IFS='=' read -r name points date sent sum <<<"$line"
  [ "$name" = "Tester" ] || fail "name: $line"
  [[ "$points" =~ ^-?[0-9]+$ ]] || fail "points: $line"
  [[ "$date" =~ ^[0-9]{2}\ [A-Z][a-z]{2}\ [0-9]{4}/[0-9]{2}:[0-9]{2}:[0-9]{2}$ ]] || fail "date: $line"
  [ "$sent" = "0" ] || fail "sent: $line"
  want=$(printf '%s' "$name$points$date${sent}Tavrik 0.91" | md5sum | cut -d' ' -f1)
  [ "$sum" = "$want" ] || fail "checksum $sum, md5sum gives $want: $line"
  press Escape
  wait_exit 2
  [ "$rc" = "0" ] || fail "exit code $rc"
  echo "PASS highscore: game $attempt (first enemy of kind $kind) shot down after about ${waited} s, recorded $line"
}
export -f run options start_game wait_window press wait_exit fail
export GAME WORK XSHOT
"$E2E_DIR/with-xvfb.sh" bash -c run
