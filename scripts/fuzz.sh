#!/usr/bin/env bash
# Builds one libFuzzer target with clang in build-fuzz and runs it for a while.
# Usage: scripts/fuzz.sh TARGET SECONDS [extra libFuzzer flags...]
#   e.g. scripts/fuzz.sh fuzz_png 300
# The corpus lives in build-fuzz/corpus/TARGET and grows from run to run; crashes are
# written to build-fuzz/crashes/TARGET. A target may put seed files into the folder
# named by TAVRIK_FUZZ_SEEDS when it starts, and the smallest generated game pictures
# are added as seeds when build/game/gfx exists.
set -euo pipefail
if [ $# -lt 2 ]; then
  echo "usage: $0 TARGET SECONDS [libFuzzer flags...]" >&2
  exit 2
fi
target=$1
seconds=$2
shift 2
cd "$(dirname "$0")/.."
root=$PWD
jobs="${JOBS:-2}"
scripts/deps.sh fuzz

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVRIK_FUZZ=ON >/dev/null
cmake --build build-fuzz -j"$jobs" --target "$target"

corpus="$root/build-fuzz/corpus/$target"
crashes="$root/build-fuzz/crashes/$target"
mkdir -p "$corpus" "$crashes"
if [ "$target" = fuzz_png ] && [ -d "$root/build/game/gfx" ]; then
  find "$root/build/game/gfx" -maxdepth 1 -iname '*.png' -size -8k -print0 |
    xargs -0 -r ls -S | tail -n 5 | while read -r f; do cp -n "$f" "$corpus/" ; done
fi

binary=$(find build-fuzz -type f -name "$target" -perm -u+x | head -n 1)
if [ -z "$binary" ]; then echo "no binary for $target" >&2; exit 1; fi
# Leak checking stays on; allocations above the limit count as failures.
TAVRIK_FUZZ_SEEDS="$corpus" "$binary" \
  -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$crashes/" "$@" "$corpus"
