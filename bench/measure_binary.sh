#!/usr/bin/env bash
# Measures the real game from outside, as a player runs it, under the current DISPLAY:
#   bench/measure_binary.sh BUILD_GAME_DIR SCENE SIZE MODE [seconds]
#     SCENE  title (the title battle) or fight (a game started with Enter, the ship thrusting
#            and firing while the pointer circles it, a rocket at its target every 2 s, a new
#            game at once after being shot down)
#     SIZE   WIDTHxHEIGHT, e.g. 1920x1080
#     MODE   window ("GFX Full=0") or borderless ("GFX Full=2", full screen at the desktop size;
#            the X screen must be SIZE, e.g. tests/e2e/with-xvfb.sh -s 1920x1080x24)
# The game runs from a copy of its folder. After the first SKIP_SECONDS it is watched for the
# seconds given (default 10): buffer swaps per wall-clock second (median and worst second),
# the longest time between two swaps, the process's CPU time (user + system, all threads,
# llvmpipe's included) over wall time per second and over the whole run, and at the end its
# resident memory and threads. Swaps are counted by bench/swap_stamps.c, preloaded into the
# game: SWAP_STAMPS_LIB names it, else it is taken from BUILD/bench/libswap_stamps.so.
set -u

SKIP_SECONDS=2          # start-up and the first frames of a scene are not measured
WINDOW_WAIT_SECONDS=30  # longest wait for the window, and again for the title screen
CIRCLE_STEPS=40         # pointer moves per turn around the ship...
STEPS_PER_SECOND=10     # ...this many a second (a turn takes 4 s)
CIRCLE_RADIUS_PERCENT=30  # radius of the pointer's circle, in % of the window height
PRESS_EVERY_STEPS=20    # every 2 s: a rocket at the ship's target (the right button), and Enter,
                        # which starts a new game at once when the ship has been shot down
WINDOW_TITLE="Tavrik 0.91"

fail() { echo "measure_binary: $*" >&2; exit 1; }
usage() { fail "usage: $0 BUILD_GAME_DIR title|fight WIDTHxHEIGHT window|borderless [seconds]"; }

[ $# -ge 4 ] || usage
game_src=$1 scene=$2 size=$3 mode=$4 seconds=${5:-10}
case "$scene" in title|fight) ;; *) usage ;; esac
case "$mode" in window|borderless) ;; *) usage ;; esac
[[ "$size" =~ ^([0-9]+)x([0-9]+)$ ]] || usage
width=${BASH_REMATCH[1]} height=${BASH_REMATCH[2]}
[[ "$seconds" =~ ^[1-9][0-9]*$ ]] || usage
[ -x "$game_src/tavrik" ] || fail "no game binary in $game_src"
[ -d "$game_src/gfx" ] || fail "no pictures in $game_src: build the assets target too"
game_src=$(cd "$game_src" && pwd)
shim=${SWAP_STAMPS_LIB:-$(dirname "$game_src")/bench/libswap_stamps.so}
[ -f "$shim" ] || fail "no $shim: build the swap_stamps target or name it in SWAP_STAMPS_LIB"
shim=$(cd "$(dirname "$shim")" && pwd)/$(basename "$shim")
command -v xdotool >/dev/null || fail "xdotool is not installed (scripts/deps.sh test installs it)"
[ -n "${DISPLAY:-}" ] || fail "no DISPLAY: run under an X server, e.g. tests/e2e/with-xvfb.sh -s ${size}x24"
screen=$(xdotool getdisplaygeometry 2>/dev/null | tr ' ' x)
[ -n "$screen" ] || fail "the X display $DISPLAY does not answer"
if [ "$mode" = borderless ] && [ "$screen" != "$size" ]; then
  fail "borderless $size needs an X screen of $size; this one is $screen"
fi

name=real_${scene}_${size}_${mode}
work=$(mktemp -d /tmp/tavrik-measure.XXXXXX)
game_pid="" driver_pid="" held=0

# Leaves the X server as it was found for whatever runs next on it: the driver stopped, the
# held keys let go, the game ended (Escape, then a kill), the copy removed.
cleanup() {
  if [ -n "$driver_pid" ]; then kill "$driver_pid" 2>/dev/null; wait "$driver_pid" 2>/dev/null; fi
  [ "$held" = 1 ] && xdotool keyup w mouseup 1 2>/dev/null
  if [ -n "$game_pid" ] && kill -0 "$game_pid" 2>/dev/null; then
    xdotool key Escape 2>/dev/null
    for _ in $(seq 1 30); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$game_pid" 2>/dev/null
  fi
  [ -n "$game_pid" ] && wait "$game_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The game's own output, for a failure's message.
game_output() { sed 's/^/  game: /' "$work/out.txt" "$work/err.txt" 2>/dev/null | tail -n 20; }
died() { fail "the game ended ($name); its last output:
$(game_output)"; }

# A copy of the game folder without a player's files, so that every run starts alike.
cp -r "$game_src" "$work/game"
rm -rf "$work/game/screenshots"
rm -f "$work/game/"{Options.ini,Highscore.txt,Keys.ini,ReplayUploads.txt,InstallKey.txt}
full=0; [ "$mode" = borderless ] && full=2
printf 'GFX X=%s\r\nGFX Y=%s\r\nGFX Full=%s\r\nGFX Camera Delay=0\r\nSoundEffectVolume=70\r\nMusicVolume=100\r\nOnlineHighscore=0\r\nPlayer=Bench\r\n' \
  "$width" "$height" "$full" >"$work/game/Options.ini"

# The developers' notes (err.txt) name arriving enemies and destroyed ships.
stamps=$work/swaps.txt
(cd "$work/game" && TAVRIK_DEBUG=1 TAVRIK_SWAP_STAMPS="$stamps" LD_PRELOAD="$shim" exec ./tavrik) \
  >"$work/out.txt" 2>"$work/err.txt" &
game_pid=$!

window=""
for _ in $(seq 1 $((WINDOW_WAIT_SECONDS * 10))); do
  window=$(xdotool search --name "^${WINDOW_TITLE}\$" 2>/dev/null | head -n 1)
  [ -n "$window" ] && break
  kill -0 "$game_pid" 2>/dev/null || died
  sleep 0.1
done
[ -n "$window" ] || fail "no window within $WINDOW_WAIT_SECONDS s ($name); the game's output:
$(game_output)"
# The first title screen saves Highscore.txt: start-up is over.
for _ in $(seq 1 $((WINDOW_WAIT_SECONDS * 10))); do
  [ -s "$work/game/Highscore.txt" ] && break
  kill -0 "$game_pid" 2>/dev/null || died
  sleep 0.1
done
[ -s "$work/game/Highscore.txt" ] || fail "no title screen within $WINDOW_WAIT_SECONDS s ($name)"
[ -s "$stamps" ] || fail "no swaps counted: is $shim built for this machine? ($name)"
geometry=$(xdotool getwindowgeometry "$window" | awk '/Geometry/ { print $2 }')
want=$size; [ "$mode" = borderless ] && want=$screen
[ "$geometry" = "$want" ] || fail "the window is $geometry, not $want ($name)"

if [ "$scene" = fight ]; then
  # Enter starts the game; thrust and fire are held; one xdotool runs the pointer around the
  # window's centre and fires rockets and presses Enter now and then, for longer than the
  # measurement lasts.
  xdotool mousemove --window "$window" $((width / 2)) $((height / 4)) key Return
  xdotool keydown w mousedown 1
  held=1
  steps=$(( (SKIP_SECONDS + seconds + 5) * STEPS_PER_SECOND ))
  read -r -a chain < <(awk -v n="$steps" -v turn="$CIRCLE_STEPS" -v every="$PRESS_EVERY_STEPS" \
      -v w="$width" -v h="$height" -v r="$CIRCLE_RADIUS_PERCENT" -v win="$window" -v rate="$STEPS_PER_SECOND" 'BEGIN {
    for (i = 0; i < n; i++) {
      a = 2 * 3.14159265358979 * (i % turn) / turn
      printf "mousemove --window %s %d %d sleep %.3f ", win, w / 2 + r / 100 * h * cos(a), h / 2 + r / 100 * h * sin(a), 1 / rate
      if (i % every == every - 1) printf "click 3 key Return "
    }
    print ""
  }')
  xdotool "${chain[@]}" >/dev/null 2>&1 &
  driver_pid=$!
fi
sleep "$SKIP_SECONDS"
kill -0 "$game_pid" 2>/dev/null || died
if [ "$scene" = fight ] && ! grep -q '^stage started: First Stage$' "$work/err.txt"; then
  fail "Enter did not start a game within $SKIP_SECONDS s ($name)"
fi

# Now in microseconds; user + system CPU ticks of the whole process (all threads, the ended
# ones included); swaps so far.
now_us() { now=${EPOCHREALTIME/./}; }
read_ticks() {
  local stat
  read -r stat <"/proc/$game_pid/stat" || died
  # Fields after the command's closing parenthesis, from field 3 on: utime is 14, stime 15.
  local -a f
  read -r -a f <<<"${stat##*) }"
  ticks=$((f[11] + f[12]))
}
swap_count() { swaps=$(wc -l <"$stamps"); }

clk_tck=$(getconf CLK_TCK)
now_us; start=$now; last=$now
read_ticks; first_ticks=$ticks; last_ticks=$ticks
swap_count; first_swap=$swaps; last_swaps=$swaps
fps=() cpu=()
for s in $(seq 1 "$seconds"); do
  now_us
  wait_us=$((start + s * 1000000 - now))
  [ "$wait_us" -gt 0 ] && sleep "$(printf '%d.%06d' $((wait_us / 1000000)) $((wait_us % 1000000)))"
  kill -0 "$game_pid" 2>/dev/null || died
  read_ticks; swap_count; now_us
  elapsed=$((now - last))
  fps+=("$(awk -v n=$((swaps - last_swaps)) -v us="$elapsed" 'BEGIN { printf "%.1f", n * 1e6 / us }')")
  cpu+=("$(awk -v t=$((ticks - last_ticks)) -v hz="$clk_tck" -v us="$elapsed" 'BEGIN { printf "%.1f", 100 * t / hz * 1e6 / us }')")
  last=$now last_ticks=$ticks last_swaps=$swaps
done
whole_cpu=$(awk -v t=$((ticks - first_ticks)) -v hz="$clk_tck" -v us=$((now - start)) 'BEGIN { printf "%.1f", 100 * t / hz * 1e6 / us }')
# The longest gap between two swaps of the measured seconds.
longest=$(awk -v from="$first_swap" -v to="$swaps" 'NR >= from && NR <= to {
    if (NR > from && $1 - prev > max) max = $1 - prev
    prev = $1
  } END { printf "%.1f", max / 1e6 }' "$stamps")
rss=0 anon=0 threads=0
while read -r key value _; do
  case "$key" in
    VmRSS:) rss=$((value / 1024)) ;;
    RssAnon:) anon=$((value / 1024)) ;;
    Threads:) threads=$value ;;
  esac
done <"/proc/$game_pid/status"

# Median as the benches take it (the upper middle value) and the worst second.
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int(NR / 2) + 1] }'; }
lowest() { printf '%s\n' "$@" | sort -g | head -n 1; }
highest() { printf '%s\n' "$@" | sort -g | tail -n 1; }

# llvmpipe's threads are measured at their default number; a setting in the environment is named.
echo "workload $name seconds=$seconds screen=$screen${LP_NUM_THREADS:+ LP_NUM_THREADS=$LP_NUM_THREADS}"
echo "  drawn_frames_per_second  median $(median "${fps[@]}")  worst $(lowest "${fps[@]}")"
echo "  longest_frame_ms         $longest"
echo "  cpu_share_of_one_core    median $(median "${cpu[@]}")%  worst $(highest "${cpu[@]}")%  whole_run $whole_cpu%"
echo "  resident_mb              total $rss  anonymous $anon"
echo "  threads                  $threads"
# What happened in the world from the start (title) or from the first game's start (fight),
# as the developers' notes tell it.
awk -v scene="$scene" '
  scene == "title" || /^stage started: First Stage$/ { on = 1 }
  /^stage started: First Stage$/ { games++ }
  !on { next }
  /^enemy arrives/ { arrived++ }
  /^ship destroyed/ { destroyed++ }
  /^ship destroyed: .*\(the player.s\)$/ { shot_down++ }
  END {
    printf "  world_since_start        games %d  enemies_arrived %d  ships_destroyed %d  player_shot_down %d\n",
           games, arrived, destroyed, shot_down
  }' "$work/err.txt"
