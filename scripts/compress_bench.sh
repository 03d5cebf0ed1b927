#!/usr/bin/env bash
# Wall time of porttool compress and expand (record files) against pigz -6 -p2 and pigz -d, on
# deterministic netlist-like text. Each command runs three times; the medians and the ratios
# porttool / pigz are printed.
#
#   scripts/compress_bench.sh [BUILD_DIR] [MEGABYTES]    (defaults: build, 200)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
mb=${2:-200}
tool=$build/examples/porttool
[ -x "$tool" ] || { echo "no porttool in $build (build the porttool target)" >&2; exit 1; }

# pigz is needed only here, so it is checked here and not among the build's packages.
if ! command -v pigz >/dev/null; then
  if [ "$(id -u)" -eq 0 ]; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends pigz >/dev/null ||
      { apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends pigz >/dev/null; }
  else
    echo "pigz is missing: sudo apt-get install pigz" >&2
    exit 1
  fi
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QUELMO=${QUELMO:-$root/install}

python3 - "$work/netlist.txt" "$mb" <<'PY'
import random, sys
path, mb = sys.argv[1], int(sys.argv[2])
rng = random.Random(20261211)
kinds = ["nmos", "pmos", "res", "cap"]
target = mb * 1024 * 1024
with open(path, "w") as out:
    size, cell = 0, 0
    while size < target:
        lines = [".subckt cell%d a b y vdd vss\n" % cell]
        for i in range(rng.randint(20, 60)):
            k = rng.choice(kinds)
            lines.append("X%d n%d n%d n%d %s w=%.2fu l=%.2fu m=%d\n" % (
                i, rng.randint(0, 4999), rng.randint(0, 4999), rng.randint(0, 4999), k,
                rng.uniform(0.1, 9.9), rng.uniform(0.05, 0.5), rng.randint(1, 4)))
        lines.append(".ends cell%d\n" % cell)
        block = "".join(lines)
        out.write(block)
        size += len(block)
        cell += 1
PY

# Median wall time (seconds) of three runs of a command.
median3() {
  local times=()
  for _ in 1 2 3; do
    local t0 t1
    t0=$(date +%s.%N)
    "$@" >/dev/null || { echo "failed: $*" >&2; exit 1; }
    t1=$(date +%s.%N)
    times+=("$(echo "$t1 - $t0" | bc -l)")
  done
  printf '%s\n' "${times[@]}" | sort -g | sed -n 2p
}

in=$work/netlist.txt
ptc=$(median3 "$tool" compress -f "$in" "$work/p.qz")
pgc=$(median3 sh -c "pigz -6 -p2 -c '$in' > '$work/g.gz'")
pte=$(median3 "$tool" expand -f "$work/p.qz" "$work/p.out")
pge=$(median3 sh -c "pigz -d -c '$work/g.gz' > '$work/g.out'")
cmp -s "$in" "$work/p.out" || { echo "porttool expand did not give the input back" >&2; exit 1; }

printf 'input            %s MB (%s bytes)\n' "$mb" "$(stat -c %s "$in")"
printf 'porttool file    %s bytes   pigz file %s bytes\n' "$(stat -c %s "$work/p.qz")" "$(stat -c %s "$work/g.gz")"
printf 'compress  porttool %.3f s   pigz -6 -p2 %.3f s   ratio %.2f\n' "$ptc" "$pgc" "$(echo "$ptc / $pgc" | bc -l)"
printf 'expand    porttool %.3f s   pigz -d     %.3f s   ratio %.2f\n' "$pte" "$pge" "$(echo "$pte / $pge" | bc -l)"
