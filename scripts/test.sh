#!/usr/bin/env bash
# Quick start, part two: installs what is missing, builds and runs the whole test suite, then
# builds it again with AddressSanitizer and UndefinedBehaviorSanitizer and runs it once more.
# PORTABILITY_SANITIZERS=0 skips the second run; PORTABILITY_TSAN=1 adds a ThreadSanitizer run
# of the suites that exercise threads (messages, thread library, runtime services).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/deps.sh"
export QUELMO=${QUELMO:-$root/install}
jobs=$(nproc)

"$root/scripts/build.sh" "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
ctest --test-dir "$root/build" --output-on-failure -j "$jobs"

if [ "${PORTABILITY_SANITIZERS:-1}" != 0 ]; then
  export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
  export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
  "$root/scripts/build.sh" "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug \
    -DPORTABILITY_SANITIZE=address,undefined -DPORTABILITY_BUILD_BENCH=OFF
  ctest --test-dir "$root/build-asan" --output-on-failure -j "$jobs"
fi

if [ "${PORTABILITY_TSAN:-0}" = 1 ]; then
  "$root/scripts/build.sh" "$root/build-tsan" -DCMAKE_BUILD_TYPE=Debug \
    -DPORTABILITY_SANITIZE=thread -DPORTABILITY_BUILD_BENCH=OFF -DPORTABILITY_BUILD_EXAMPLES=OFF
  TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1} \
    ctest --test-dir "$root/build-tsan" --output-on-failure -j "$jobs" \
    -R 'Concurrency|Dispatcher|Thr|Qelform|Halt'
fi
