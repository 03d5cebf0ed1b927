#!/usr/bin/env bash
# run.sh TARGET SECONDS [libFuzzer options...]: builds the fuzz target TARGET (fuzz/TARGET_fuzz.cpp)
# and runs it for SECONDS on its seed corpus. A crashing input lands in
# build-fuzz/artifacts/TARGET/; fix the library and add the input to fuzz/corpus/TARGET/.
set -euo pipefail
if [ $# -lt 2 ]; then
  echo "usage: $0 TARGET SECONDS [libFuzzer options...]" >&2
  exit 2
fi
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
name=${1%_fuzz}
seconds=$2
shift 2
fuzz_build_targets "${name}_fuzz"
fuzz_run "$name" -max_total_time="$seconds" -print_final_stats=1 "$@"
