#!/usr/bin/env bash
# The game against the highscore server we ship, run by PHP's built-in web server on a free
# loopback port that Options.ini names with "Highscore Server=127.0.0.1:PORT": with
# OnlineHighscore=1 the start-up version check goes there and passes, and O on the title screen
# sends the unsent score of the table, fetches the server's top list into it, and saves
# Highscore.txt with both marked sent.
source "$(dirname "$0")/lib.sh"
use_score_server

VERSION="Tavrik 0.91"
md5() { printf '%s' "$1" | md5sum | cut -d' ' -f1; }

run() {
  # Every score listed as it arrives: this is about the requests, not the verification of games.
  export TAVRIK_REQUIRE_VERIFIED=0
  start_score_server

  # Another player's score already on the server.
  date_ace="06 Dec 2026/20:11:02"
  reply=$(get "/tavrik/submit.php?name=Ace&points=3100&time=06%20Dec%202026/20:11:02&md5sum=$(md5 "Ace3100$date_ace$VERSION")&vexpodbuffer=0")
  [[ "$reply" == *"[OK]"* ]] || fail "the server refused the seeded score: $reply; $(cat "$WORK/server.txt")"

  # The game's own table holds one score the server has not seen yet (sent 0).
  date_me="07 Dec 2026/14:03:59"
  printf 'Version: %s\r\nTester Two=4200=%s=0=%s\r\n' "$VERSION" "$date_me" \
    "$(md5 "Tester Two4200${date_me}0$VERSION")" >"$GAME/Highscore.txt"
  options 640 480 0
  sed -i 's/^OnlineHighscore=0/OnlineHighscore=1/; s/^Player=.*/Player=Tester Two\r/' "$GAME/Options.ini"
  printf 'Highscore Server=127.0.0.1:%s\r\n' "$PORT" >>"$GAME/Options.ini"
  start_game
  wait_window "$VERSION" >/dev/null || fail "no window; output: $(cat "$WORK/out.txt" "$WORK/err.txt")"
  grep -q 'GET /tavrik/checkversion.php' "$WORK/server.txt" || fail "no version check at start-up: $(cat "$WORK/server.txt")"
  # The title screen is up once its battle's first enemy has arrived.
  for _ in $(seq 1 150); do grep -q '^enemy arrives' "$WORK/err.txt" && break; sleep 0.1; done
  grep -q '^enemy arrives' "$WORK/err.txt" || fail "no title screen: $(cat "$WORK/err.txt")"

  press o
  for _ in $(seq 1 100); do grep -q '^Ace=' "$GAME/Highscore.txt" && break; sleep 0.1; done
  kill -0 "$GAME_PID" 2>/dev/null || fail "the game ended; output: $(cat "$WORK/out.txt" "$WORK/err.txt")"
  table=$(tr -d '\r' <"$GAME/Highscore.txt")
  grep -qx "Tester Two=4200=$date_me=1=$(md5 "Tester Two4200${date_me}1$VERSION")" <<<"$table" ||
    fail "the own score is not marked sent: $table; server: $(cat "$WORK/server.txt")"
  grep -qx "Ace=3100=$date_ace=1=$(md5 "Ace3100${date_ace}1$VERSION")" <<<"$table" ||
    fail "the fetched score is not in the table: $table"
  [ "$(grep -c . <<<"$table")" -eq 3 ] || fail "the table should hold the version line and two scores: $table"
  top=$(get "/tavrik/get.php?limit=10&vexpodbuffer=0" | tr -d '\r' | grep '\[start\]')
  [ "$top" = "[start][Tester Two|4200|$date_me][Ace|3100|$date_ace][end]" ] || fail "the server's top list: $top"
  quit_game
  echo "PASS online highscore: version checked at start-up on port $PORT, O sent the score and fetched the top list"
}
export -f md5
export VERSION
run_under_xvfb
