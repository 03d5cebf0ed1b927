#!/usr/bin/env bash
# Quick start, part two: installs what is missing, checks the format of the C and C++ files,
# builds and runs the whole test suite, then
# builds it once more with clang under AddressSanitizer and UndefinedBehaviorSanitizer, with the
# fuzzer's coverage instrumentation, and runs the suite and every fuzz target for a few seconds
# from that one build; last, the suites that exercise threads (messages, thread library, runtime
# services) run under ThreadSanitizer.
# PORTABILITY_SANITIZERS=0 skips the address/undefined run, PORTABILITY_FUZZ=0 the fuzz run,
# PORTABILITY_TSAN=0 the thread run; PORTABILITY_FUZZ_SECONDS sets the time per target (5).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/deps.sh"
export QUELMO=${QUELMO:-$root/install}
jobs=$(nproc)
started=$SECONDS
stage() { echo "== $1 ($((SECONDS - started)) s)"; }

# The tree is formatted with .clang-format; a file changed without it fails here, at once.
stage "format"
"$root/scripts/format.sh" --check

stage "build"
"$root/scripts/build.sh" "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
stage "tests"
ctest --test-dir "$root/build" --output-on-failure -j "$jobs"

# The tests and the fuzz targets share one sanitized clang build: the coverage instrumentation
# the fuzz targets need costs the tests little, and the library is compiled once for both.
sanitized=$root/build-asan
want_asan=${PORTABILITY_SANITIZERS:-1}
want_fuzz=${PORTABILITY_FUZZ:-1}
if [ "$want_fuzz" != 0 ] && ! command -v clang++ >/dev/null; then
  echo "clang++ not found: fuzz targets not run" >&2
  want_fuzz=0
fi
if [ "$want_asan" != 0 ] || [ "$want_fuzz" != 0 ]; then
  export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:allocator_may_return_null=1}
  export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
  options=(-DCMAKE_BUILD_TYPE=Debug -DPORTABILITY_SANITIZE=address,undefined
           -DPORTABILITY_BUILD_BENCH=OFF)
  if [ "$want_fuzz" != 0 ]; then
    options+=(-DPORTABILITY_BUILD_FUZZ=ON)
    export CC=clang CXX=clang++
  fi
  [ "$want_asan" != 0 ] || options+=(-DPORTABILITY_BUILD_TESTS=OFF -DPORTABILITY_BUILD_EXAMPLES=OFF)
  stage "address/undefined build"
  "$root/scripts/build.sh" "$sanitized" "${options[@]}"
  unset CC CXX
  if [ "$want_asan" != 0 ]; then
    stage "address/undefined tests"
    ctest --test-dir "$sanitized" --output-on-failure -j "$jobs"
  fi
  if [ "$want_fuzz" != 0 ]; then
    stage "fuzz targets"
    PORTABILITY_FUZZ_BUILD=$sanitized "$root/fuzz/smoke.sh" "${PORTABILITY_FUZZ_SECONDS:-5}"
  fi
fi

if [ "${PORTABILITY_TSAN:-1}" != 0 ]; then
  stage "thread build"
  "$root/scripts/build.sh" "$root/build-tsan" -DCMAKE_BUILD_TYPE=Debug \
    -DPORTABILITY_SANITIZE=thread -DPORTABILITY_BUILD_BENCH=OFF -DPORTABILITY_BUILD_EXAMPLES=OFF
  # ThreadSanitizer runs a signal handler only at points of its own choosing, so whether an
  # interrupt is seen at the next check cannot be tested under it: the interrupt tests run in
  # the two passes above.
  stage "thread tests"
  TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1} \
    ctest --test-dir "$root/build-tsan" --output-on-failure -j "$jobs" \
    -R 'Concurrency|Dispatcher|Thr|Qelform|Halt|ProcessFaults' -E 'HaltInterrupt'
fi
stage "done"
