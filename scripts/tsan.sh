#!/usr/bin/env bash
# Builds the unit tests with ThreadSanitizer and runs the tests whose threads share data.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs="${JOBS:-2}"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVRIK_TSAN=ON >/dev/null
cmake --build build-tsan -j"$jobs" --target unit_tests
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}" \
  build-tsan/tests/unit_tests --gtest_filter='AudioThreads.*:AudioDriver.*:ClockThreads.*'
