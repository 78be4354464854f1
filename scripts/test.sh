#!/usr/bin/env bash
# Set up, build and run every test: unit and end-to-end on the normal build,
# then the unit tests again built with AddressSanitizer and UndefinedBehaviorSanitizer,
# then every fuzz target built with clang and run for a few seconds.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
jobs="$(nproc)"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs")
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DTAVRIK_SANITIZE=ON >/dev/null
cmake --build build-sanitize -j"$jobs" --target unit_tests
(cd build-sanitize && ctest --output-on-failure -j"$jobs" -L unit)
# The threads that share the sound voices, under ThreadSanitizer.
JOBS="$jobs" scripts/tsan.sh
# The fuzz targets: a clang build of the tree, and a short run of each on its corpus.
fuzz_seconds=5
for source in tests/fuzz/fuzz_*.cpp; do
  JOBS="$jobs" scripts/fuzz.sh "$(basename "$source" .cpp)" "$fuzz_seconds"
done
