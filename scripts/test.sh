#!/usr/bin/env bash
# Quick start, part two: installs what is missing, builds and runs the whole test suite, then
# builds it again with AddressSanitizer and UndefinedBehaviorSanitizer and runs it once more,
# runs the suites that exercise threads (messages, thread library, runtime services) under
# ThreadSanitizer, and runs every fuzz target for a few seconds on its seed corpus.
# PORTABILITY_SANITIZERS=0 skips the address/undefined run, PORTABILITY_TSAN=0 the thread run,
# PORTABILITY_FUZZ=0 the fuzz run; PORTABILITY_FUZZ_SECONDS sets the time per target (5).
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

if [ "${PORTABILITY_TSAN:-1}" != 0 ]; then
  "$root/scripts/build.sh" "$root/build-tsan" -DCMAKE_BUILD_TYPE=Debug \
    -DPORTABILITY_SANITIZE=thread -DPORTABILITY_BUILD_BENCH=OFF -DPORTABILITY_BUILD_EXAMPLES=OFF
  # ThreadSanitizer runs a signal handler only at points of its own choosing, so whether an
  # interrupt is seen at the next check cannot be tested under it: the interrupt tests run in
  # the two passes above.
  TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1} \
    ctest --test-dir "$root/build-tsan" --output-on-failure -j "$jobs" \
    -R 'Concurrency|Dispatcher|Thr|Qelform|Halt' -E 'HaltInterrupt'
fi

if [ "${PORTABILITY_FUZZ:-1}" != 0 ]; then
  if command -v clang++ >/dev/null; then
    "$root/fuzz/smoke.sh" "${PORTABILITY_FUZZ_SECONDS:-5}"
  else
    echo "clang++ not found: fuzz targets not run" >&2
  fi
fi
