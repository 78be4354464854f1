#!/usr/bin/env bash
# A verified online score from end to end: the highscore server we ship runs under PHP's
# built-in web server on a free loopback port, listing verified scores only. A game is played
# with real keys until the ship is shot down; O on the game-over screen sends the score and then
# its replay with the install key. The score is not listed until the verifier (admin.php verify,
# with this build's tavrik as its verifier) has played the replay again; then get.php lists it
# with the points the game recorded. Prints how long the score took from O to being listed.
source "$(dirname "$0")/lib.sh"
use_score_server
# The verifier runs the replay without network: in a namespace of its own where the machine has
# an interface besides loopback.
if ls /sys/class/net | grep -qv '^lo$' && ! unshare --net --map-root-user true 2>/dev/null \
    && ! unshare --net true 2>/dev/null; then
  echo "SKIP: no network namespace for the verifier's isolation"
  exit 77
fi
# The top list's line of get.php's reply.
top_list() { get "/tavrik/get.php?limit=10&vexpodbuffer=0" | tr -d '\r' | grep '\[start\]'; }
now() { date +%s.%N; }

run() {
  export TAVRIK_REQUIRE_VERIFIED=1 TAVRIK_VERIFIER="$GAME/tavrik"
  start_score_server

  options 640 480 0
  sed -i 's/^OnlineHighscore=0/OnlineHighscore=1/' "$GAME/Options.ini"
  printf 'Highscore Server=127.0.0.1:%s\r\n' "$PORT" >>"$GAME/Options.ini"
  start_game
  wait_window "Tavrik 0.91" >/dev/null || fail "no window; output: $(cat "$WORK/out.txt" "$WORK/err.txt")"
  file="$GAME/Highscore.txt"
  wait_for_title || fail "no title screen: $(cat "$WORK/err.txt")"
  play_until_shot_down "$file"
  [ "$(wc -l <"$file")" -eq 2 ] || fail "no single score recorded in $attempt games; first enemies:$kinds"
  IFS='=' read -r name points date _ <<<"$(sed -n 2p "$file" | tr -d '\r')"
  [ -f "$GAME/InstallKey.txt" ] && fail "the install key was made before the first online update"

  # The game-over screen is up: O sends the score, then its replay.
  sleep 1
  start=$(now)
  press o
  for _ in $(seq 1 100); do grep -q ' done ' "$GAME/ReplayUploads.txt" 2>/dev/null && break; sleep 0.05; done
  uploaded=$(now)
  grep -q ' done ' "$GAME/ReplayUploads.txt" 2>/dev/null ||
    fail "the replay was not taken: $(cat "$GAME/ReplayUploads.txt" "$WORK/server.txt" "$WORK/err.txt" 2>&1 | tail -n 20)"
  grep -q 'POST /tavrik/replay.php' "$WORK/server.txt" || fail "no replay request: $(cat "$WORK/server.txt")"
  [ "$(stat -c %a "$GAME/InstallKey.txt")" = 600 ] || fail "install key mode $(stat -c %a "$GAME/InstallKey.txt")"
  grep -qx '[0-9a-f]\{32\}' "$GAME/InstallKey.txt" || fail "install key: $(od -c "$GAME/InstallKey.txt" | head -n 3)"
  entry="[$name|$points|$date]"
  listed=$(top_list)
  [[ "$listed" == *"$entry"* ]] && fail "listed before it was verified: $listed"

  verified=$(php "$SERVER_DIR/admin.php" verify 2>&1) || fail "admin.php verify failed: $verified"
  listed=$(top_list)
  done_at=$(now)
  [[ "$verified" == *"verified $points $name"* ]] || fail "the verifier did not verify the score: $verified"
  [ "$listed" = "[start]$entry[end]" ] || fail "get.php lists \"$listed\", the game recorded $entry; verifier: $verified"
  quit_game
  timing=$(awk -v s="$start" -v u="$uploaded" -v d="$done_at" \
    'BEGIN { printf "%.2f s from O to listed (%.2f s to the replay stored, %.2f s verifying)", d - s, u - s, d - u }')
  echo "PASS verified online score: $points points shot down in game $attempt, listed after verification; $timing; verifier: $(tail -n 1 <<<"$verified")"
}
export -f top_list now
run_under_xvfb
