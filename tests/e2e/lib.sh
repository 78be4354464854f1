# Shared helpers of the end-to-end tests: a private copy of the game folder, settings,
# starting the real binary, finding its window and pressing keys through XTest.
set -u

GAME_SRC=${1:?usage: test_x.sh BUILD_GAME_DIR}
E2E_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
XSHOT="$(dirname "$GAME_SRC")/tests/xshot"
WORK=$(mktemp -d /tmp/tavrik-e2e.XXXXXX)
GAME="$WORK/game"
cp -r "$GAME_SRC" "$GAME"
trap 'rm -rf "$WORK"' EXIT

fail() { echo "FAIL: $*"; exit 1; }

# The game's developer notes go to its standard error (err.txt), to read when a test fails.
export TAVRIK_DEBUG=1

# options WIDTH HEIGHT FULL: writes the game's Options.ini.
options() {
  printf 'GFX X=%s\r\nGFX Y=%s\r\nGFX Full=%s\r\nGFX Camera Delay=0\r\nSoundEffectVolume=70\r\nMusicVolume=100\r\nOnlineHighscore=0\r\nPlayer=Tester\r\n' \
    "$1" "$2" "$3" >"$GAME/Options.ini"
}

# start_game [cwd]: starts the binary in the background (from cwd, default its folder);
# its output goes to $WORK/out.txt, its pid to GAME_PID.
start_game() {
  local cwd=${1:-$GAME}
  (cd "$cwd" && exec "$GAME/tavrik") >"$WORK/out.txt" 2>"$WORK/err.txt" &
  GAME_PID=$!
}

# wait_window NAME [seconds]: prints the id of the first window of that name.
wait_window() {
  local name=$1 limit=${2:-10} id=""
  for _ in $(seq 1 $((limit * 20))); do
    id=$(xdotool search --name "^${name}\$" 2>/dev/null | head -n 1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    kill -0 "$GAME_PID" 2>/dev/null || return 1
    sleep 0.05
  done
  return 1
}

# press KEY: moves the pointer into the game's window and presses the key through XTest.
press() {
  xdotool mousemove 20 20 2>/dev/null
  xdotool key "$1"
}

# wait_exit SECONDS: waits for the game to end; sets rc to its exit code, or "timeout".
# (Not to be called in $( ): a subshell cannot wait for the game.)
wait_exit() {
  local limit=$1
  rc=timeout
  for _ in $(seq 1 $((limit * 100))); do
    if ! kill -0 "$GAME_PID" 2>/dev/null; then
      wait "$GAME_PID"
      rc=$?
      return 0
    fi
    sleep 0.01
  done
  kill -9 "$GAME_PID" 2>/dev/null
  wait "$GAME_PID" 2>/dev/null
}

# quit_game: presses Escape and fails unless the game ends with code 0 within two seconds.
quit_game() {
  press Escape
  wait_exit 2
  [ "$rc" = "0" ] || fail "exit code $rc after Escape"
}

# wait_file PATH: waits up to 15 s for a non-empty file.
wait_file() {
  for _ in $(seq 1 150); do
    [ -s "$1" ] && return 0
    sleep 0.1
  done
  return 1
}

# wait_for_title: waits (up to 15 s) until start-up is over and the first title screen has
# shown, which saves Highscore.txt.
wait_for_title() { wait_file "$GAME/Highscore.txt"; }

# wait_for_play: waits (up to 10 s) until a game's heads-up readouts show at the top left.
wait_for_play() {
  for _ in $(seq 1 100); do
    [ "$("$XSHOT" white 5 55 220 120)" -gt 150 ] && return 0
    sleep 0.1
  done
  return 1
}

# play_until_shot_down FILE: starts games with real keys and mouse moves until the ship is shot
# down, which the game records as a second line in FILE (Highscore.txt). An idle ship is shot
# down within about a minute when the first enemy is a Silverhawk, an X1 or an Ironfighter
# (kinds 2, 3, 4); an X-Fighter, Turtle or Guan Tarque (1, 5, 6) alone often leaves it alive for
# minutes. So a game whose first enemy is of those kinds is left at once and the game started
# again (a new random seed), and a game with a deadly first enemy gets two minutes. Sets attempt
# (games started), kinds (their first enemies), kind and waited (of the last game).
play_until_shot_down() {
  local file=$1 deadly=0
  attempt=1
  kinds=""
  while :; do
    press Return
    # Real keys and mouse moves in the first seconds (the replay records them), then idle.
    xdotool mousemove 400 150; xdotool keydown d; sleep 0.3; xdotool keyup d
    xdotool mousemove 200 300; xdotool click 1; xdotool mousemove 320 100
    kind=""
    waited=0
    while [ "$(wc -l <"$file")" -lt 2 ] && [ "$waited" -lt 120 ]; do
      kill -0 "$GAME_PID" 2>/dev/null || fail "the game ended; output: $(cat "$WORK/out.txt" "$WORK/err.txt")"
      [ -n "$kind" ] || kind=$(awk '/^stage started: First Stage/ { on = 1; next }
                                     on && /^enemy arrives: kind/ { print $4; exit }' "$WORK/err.txt")
      # No enemy after 10 s, or a slow one: start again.
      [ -z "$kind" ] && [ "$waited" -ge 10 ] && break
      case "$kind" in 2|3|4) ;; ?*) break ;; esac
      sleep 1
      waited=$((waited + 1))
    done
    kinds="$kinds ${kind:-?}"
    [ "$(wc -l <"$file")" -lt 2 ] || break
    case "$kind" in 2|3|4) deadly=$((deadly + 1)) ;; esac
    [ "$attempt" -lt 20 ] && [ "$deadly" -lt 4 ] || break
    press Escape
    wait_exit 5
    [ "$rc" = "0" ] || fail "exit code $rc when leaving game $attempt"
    attempt=$((attempt + 1))
    start_game
    wait_window "Tavrik 0.91" >/dev/null || fail "no window in game $attempt; output: $(cat "$WORK/out.txt" "$WORK/err.txt")"
    sleep 1
  done
}

# use_score_server: for a test against the highscore server in server/: skips the test (exit 77)
# where PHP with SQLite is missing, and sets SERVER_DIR and a free loopback PORT other than 80.
use_score_server() {
  SERVER_DIR=$(cd "$E2E_DIR/../../server" && pwd)
  command -v php >/dev/null && php -m 2>/dev/null | grep -q pdo_sqlite || { echo "SKIP: no php with pdo_sqlite"; exit 77; }
  PORT=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
  export SERVER_DIR PORT
}

# start_score_server: runs that server under PHP's built-in web server on PORT with a new SQLite
# database ($TAVRIK_DB_PATH), its log in $WORK/server.txt, until the test ends.
start_score_server() {
  export TAVRIK_DB_PATH="$WORK/scores.sqlite"
  php "$SERVER_DIR/admin.php" init >/dev/null || fail "admin.php init failed"
  php -S "127.0.0.1:$PORT" -t "$SERVER_DIR" "$SERVER_DIR/router.php" >"$WORK/server.txt" 2>&1 &
  SERVER_PID=$!
  trap 'kill $SERVER_PID 2>/dev/null; wait $SERVER_PID 2>/dev/null; rm -rf "$WORK"' EXIT
  for _ in $(seq 1 50); do (exec 3<>/dev/tcp/127.0.0.1/$PORT) 2>/dev/null && break; sleep 0.1; done
}

# get PATH: one HTTP/1.0 request to that server; prints the reply.
get() {
  exec 3<>/dev/tcp/127.0.0.1/$PORT || return 1
  printf 'GET %s HTTP/1.0\r\nHost: 127.0.0.1:%s\r\n\r\n' "$1" "$PORT" >&3
  cat <&3
  exec 3<&-
}

# run_under_xvfb [-s WxHxD] [FUNCTION]: runs the script's run function (or the one named) under
# an X server of its own, of the size given.
run_under_xvfb() {
  local size=()
  if [ "${1:-}" = "-s" ]; then size=(-s "$2"); shift 2; fi
  export -f run options start_game wait_window press wait_exit fail quit_game wait_file wait_for_title wait_for_play \
    play_until_shot_down start_score_server get
  export GAME WORK XSHOT
  "$E2E_DIR/with-xvfb.sh" "${size[@]}" bash -c "${1:-run}"
}

# with_openbox: starts openbox, waits until it runs, calls run, and stops openbox again.
with_openbox() {
  openbox --sm-disable >"$WORK/openbox.txt" 2>&1 &
  local wm=$! state
  for _ in $(seq 1 300); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    kill -0 "$wm" 2>/dev/null || break
    sleep 0.1
  done
  if ! xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; then
    kill -0 "$wm" 2>/dev/null && state="still starting after 30 s" || state="ended"
    fail "openbox did not start ($state): $(cat "$WORK/openbox.txt")"
  fi
  run
  local status=$?
  kill "$wm" 2>/dev/null
  wait "$wm" 2>/dev/null
  return $status
}

# run_under_openbox: runs the script's run function under an X server of its own with openbox
# managing the windows.
run_under_openbox() {
  command -v openbox >/dev/null || fail "openbox is not installed (scripts/deps.sh test installs it)"
  export -f with_openbox
  run_under_xvfb with_openbox
}
