#!/usr/bin/env bash
# smoke.sh [SECONDS]: builds every fuzz target and runs each for SECONDS (default 5) on its seed
# corpus; fails at the first finding. CI runs this.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
seconds=${1:-5}
fuzz_build_targets fuzz
for src in "$root"/fuzz/*_fuzz.cpp; do
  name=$(basename "$src" _fuzz.cpp)
  log=$fuzz_build/smoke-$name.log
  if ! fuzz_run "$name" -max_total_time="$seconds" >"$log" 2>&1; then
    tail -n 60 "$log" >&2
    echo "fuzz target $name failed; the input is in $fuzz_build/artifacts/$name/" >&2
    exit 1
  fi
  echo "$name: $(grep -E '^#[0-9]+' "$log" | tail -n 1)"
done
