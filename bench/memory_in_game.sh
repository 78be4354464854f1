#!/usr/bin/env bash
# The real game's memory in a game: starts the binary in a private copy of the game folder
# under an X server of its own (1920 x 1080, like the other benches), presses Return on the
# title, waits and prints its resident memory and the largest anonymous mappings.
#   bench/memory_in_game.sh BUILD_GAME_DIR [WxH] [seconds in the game]
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
size=${2:-1024x768}
MEM_WAIT=${3:-8}
MEM_W=${size%x*} MEM_H=${size#*x}
source "$here/tests/e2e/lib.sh" "$1"
unset TAVRIK_DEBUG

run() {
  options "$MEM_W" "$MEM_H" 0
  start_game
  wait_window "Tavrik 0.91" >/dev/null || fail "no window; output: $(cat "$WORK/out.txt" "$WORK/err.txt")"
  wait_for_title || fail "no title screen"
  sleep 1
  press Return
  sleep "$MEM_WAIT"
  kill -0 "$GAME_PID" 2>/dev/null || fail "the game ended: $(cat "$WORK/out.txt" "$WORK/err.txt")"
  echo "in_game ${MEM_W}x${MEM_H} after ${MEM_WAIT} s"
  grep -E '^(VmHWM|VmRSS|RssAnon|RssFile|RssShmem):' "/proc/$GAME_PID/status" | tr -s ' \t' ' ' | sed 's/^/  /'
  # Each mapping's anonymous kB, named by its file or [heap], largest first.
  awk '/^[0-9a-f]+-[0-9a-f]+ / { name = NF >= 6 ? $6 : "(unnamed " $1 ")" }
       /^Anonymous:/ { if ($2 > 0) print $2, name }' "/proc/$GAME_PID/smaps" |
    sort -rn | head -n 10 | awk '{ printf "  anonymous_kb %8d  %s\n", $1, substr($0, index($0, $2)) }'
  quit_game
}
MEM_W=$MEM_W MEM_H=$MEM_H MEM_WAIT=$MEM_WAIT
export MEM_W MEM_H MEM_WAIT
run_under_xvfb -s 1920x1080x24
