#!/usr/bin/env bash
# The first title screen saves an empty table; Enter starts a game and the idle ship is shot
# down by the first stage's enemies; the game-over screen then records the score at once:
# Highscore.txt holds the version line and the player's line with its MD5 checksum, and the
# game's replay, played again by tavrik --verify, gives the same points.
source "$(dirname "$0")/lib.sh"
run() {
  options 640 480 0
  export TAVRIK_DEBUG=1
  start_game
  wait_window "Tavrik 0.91" >/dev/null || fail "no window; output: $(cat "$WORK/out.txt" "$WORK/err.txt")"
  # The first title screen comes once start-up has loaded everything.
  file="$GAME/Highscore.txt"
  wait_for_title
  [ "$(cat "$file" 2>/dev/null)" = "$(printf 'Version: Tavrik 0.91\r')" ] ||
    fail "the first title screen did not save the empty table: $(od -c "$file" 2>&1 | head -n 5)"
  play_until_shot_down "$file"
  [ "$(wc -l <"$file")" -ge 2 ] || fail "no score recorded in $attempt games: the ship was not shot down; $(grep -c "ship destroyed" "$WORK/err.txt") ships destroyed in the last; first enemies of the games:$kinds"
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
  # The game left a replay; played again headless it gives the points just recorded.
  replay=$(ls "$GAME/replays/" 2>/dev/null | sort | tail -n 1)
  [ -n "$replay" ] || fail "no replay in $GAME/replays"
  verified=$("$GAME/tavrik" --verify "$GAME/replays/$replay" 2>"$WORK/verify.txt") ||
    fail "tavrik --verify exited $?: $verified $(cat "$WORK/verify.txt")"
  [[ "$verified" =~ ^points\ ${points}\ kills\ [0-9]+\ stage\ [0-9]+\ time\ [0-9.]+\ end\ game-over$ ]] ||
    fail "the replay gives \"$verified\", Highscore.txt $points points"
  quit_game
  echo "PASS highscore: shot down in game $attempt (first enemy of kind $kind) after about ${waited} s, recorded $line, replay verified as \"$verified\"; first enemies of the games:$kinds"
}
run_under_xvfb
