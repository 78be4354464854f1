#!/usr/bin/env bash
# Runs bench_title_battle and bench_fight of two builds by turns under one Xvfb of
# 1920 x 1080, at 1024 x 768 and 1920 x 1080, so that both sides meet the same load:
#   bench/compare_builds.sh BASE_BUILD_DIR NEW_BUILD_DIR [seconds] [rounds]
# Each line of output is prefixed with the side it measures.
set -u
base=$1 new=$2 seconds=${3:-10} rounds=${4:-1}
here=$(cd "$(dirname "$0")/.." && pwd)
run() {
  for round in $(seq 1 "$rounds"); do
    for size in 1024x768 1920x1080; do
      for bench in bench_title_battle bench_fight; do
        for side in base new; do
          dir=$base; [ "$side" = new ] && dir=$new
          "$dir/bench/$bench" "$seconds" "$size" 2>&1 | grep -v '^\s*$' | sed "s/^/$side round$round: /"
        done
      done
    done
  done
}
export -f run
export base new seconds rounds
"$here/tests/e2e/with-xvfb.sh" -s 1920x1080x24 bash -c run
