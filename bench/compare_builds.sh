#!/usr/bin/env bash
# Compares two builds on every frame-rate, CPU and memory figure the game is held to, running
# the two sides by turns, workload by workload, so that both meet the same load:
#   bench/compare_builds.sh BASE_BUILD_DIR NEW_BUILD_DIR [seconds] [rounds]
# Under an Xvfb of 1920 x 1080: bench_title_battle and bench_fight in windows of 1024 x 768 and
# 1920 x 1080, and the real game (BUILD/game, through bench/measure_binary.sh) on the title
# screen and in a fight, in a 1024 x 768 window and borderless at the desktop's 1920 x 1080
# (the fight in the window also gives the memory in a game). Under an Xvfb of 2560 x 1440: both
# benches in a window of that size, and the real game borderless at it. Each build needs the
# targets tavrik, assets, bench_title_battle and bench_fight; swap_stamps is taken from NEW
# (else BASE), as it only counts frames. Each line of output is prefixed with the side it
# measures; a summary table ends the run. The figures are printed, never judged here.
set -u
[ $# -ge 2 ] || { echo "usage: $0 BASE_BUILD_DIR NEW_BUILD_DIR [seconds] [rounds]" >&2; exit 2; }
here=$(cd "$(dirname "$0")/.." && pwd)
base=$(cd "$1" && pwd) new=$(cd "$2" && pwd) seconds=${3:-10} rounds=${4:-1}
for dir in "$base" "$new"; do
  for file in game/tavrik game/gfx bench/bench_title_battle bench/bench_fight; do
    [ -e "$dir/$file" ] || { echo "no $dir/$file: build tavrik, assets, bench_title_battle and bench_fight" >&2; exit 1; }
  done
done
SWAP_STAMPS_LIB=$new/bench/libswap_stamps.so
[ -f "$SWAP_STAMPS_LIB" ] || SWAP_STAMPS_LIB=$base/bench/libswap_stamps.so
[ -f "$SWAP_STAMPS_LIB" ] || { echo "neither build has bench/libswap_stamps.so: build the swap_stamps target" >&2; exit 1; }
log=$(mktemp /tmp/tavrik-compare.XXXXXX)
trap 'rm -f "$log"' EXIT

# both_sides round COMMAND...: runs the command for base, then for new ({} is the build folder),
# each line of its output prefixed with the side.
both_sides() {
  local round=$1 side dir
  shift
  for side in base new; do
    dir=$base; [ "$side" = new ] && dir=$new
    "${@//\{\}/$dir}" 2>&1 | grep -v '^\s*$' | sed "s/^/$side round$round: /"
  done
}

# The benches, then the real game, at the sizes of one X screen.
measure_screen() {
  local round=$1 bench_sizes=$2 real_runs=$3 size bench run scene
  for size in $bench_sizes; do
    for bench in bench_title_battle bench_fight; do
      both_sides "$round" "{}/bench/$bench" "$seconds" "$size"
    done
  done
  for run in $real_runs; do
    for scene in title fight; do
      both_sides "$round" "$here/bench/measure_binary.sh" "{}/game" "$scene" "${run%:*}" "${run#*:}" "$seconds"
    done
  done
}

# Both X screens, round by round.
measure_all() {
  local round
  for round in $(seq 1 "$rounds"); do
    "$here/tests/e2e/with-xvfb.sh" -s 1920x1080x24 \
      bash -c "measure_screen $round '1024x768 1920x1080' '1024x768:window 1920x1080:borderless'"
    "$here/tests/e2e/with-xvfb.sh" -s 2560x1440x24 \
      bash -c "measure_screen $round '2560x1440' '2560x1440:borderless'"
  done
}
export -f both_sides measure_screen
export base new seconds here SWAP_STAMPS_LIB

# The measuring runs as a job of its own process group, so that an interrupt stops all of it:
# the benches, the games and the X servers.
set -m
(measure_all | tee "$log") &
job=$!
trap 'kill -TERM -- -$job 2>/dev/null; wait $job 2>/dev/null; rm -f "$log"; exit 130' INT TERM
wait $job
trap - INT TERM

# The summary: per workload and side, the means over the rounds of the median and worst second
# of drawn frames, the CPU share of one core (the benches' median second; the real game's
# whole run, its CPU time over wall time) and the resident memory at the end.
echo
awk '
  { side = $1; sub(/^[^:]*: */, "") }
  $1 == "workload" { name = $2; if (!(name in seen)) { seen[name] = 1; order[++count] = name } next }
  $1 == "drawn_frames_per_second" { fps[name, side] += $3; worst[name, side] += $5; runs[name, side]++ }
  $1 == "cpu_share_of_one_core" {
    value = $3; for (i = 4; i < NF; i++) if ($i == "whole_run") value = $(i + 1)
    sub(/%/, "", value); cpu[name, side] += value
  }
  $1 == "resident_mb" { rss[name, side] += $3 }
  function cell(values, key,    n) { n = runs[key]; return n ? sprintf("%.1f", values[key] / n) : "-" }
  function frames(key,    n) {
    n = runs[key]; return n ? sprintf("%.1f/%.1f", fps[key] / n, worst[key] / n) : "-"
  }
  END {
    printf "%-34s %12s %12s %9s %9s %9s %8s %8s\n", "workload", "base fps", "new fps", "base cpu%", "new cpu%",
           "new/base", "base MB", "new MB"
    printf "%-34s %12s %12s\n", "", "median/worst", "median/worst"
    for (i = 1; i <= count; i++) {
      name = order[i]; b = name SUBSEP "base"; n = name SUBSEP "new"
      ratio = runs[b] && runs[n] && cpu[b] > 0 ? sprintf("%.2f", (cpu[n] / runs[n]) / (cpu[b] / runs[b])) : "-"
      printf "%-34s %12s %12s %9s %9s %9s %8s %8s\n", name, frames(b), frames(n), cell(cpu, b), cell(cpu, n),
             ratio, cell(rss, b), cell(rss, n)
    }
    print "cpu%: share of one core, user + system of all threads; benches: median second, real game: whole run"
    game = "real_fight_1024x768_window"
    printf "resident in a game at 1024x768 (%s): base %s MB, new %s MB\n", game,
           cell(rss, game SUBSEP "base"), cell(rss, game SUBSEP "new")
  }' "$log"
