#!/usr/bin/env bash
# Builds the benchmarks in release mode (build-bench), runs the paired ones and prints, for each
# pair, our time against the reference's:   bench.sh [filter regex] [extra benchmark options...]
#
# Pairing: a benchmark named "<Name>/ours[/args]" is compared with every "<Name>/ref[/args]"
# and "<Name>/ref_<label>[/args]" of the same arguments. Times are CPU times, the median of the
# repetitions, all measured in one run (a benchmark that times a child process reports the
# child's CPU time as its manual time, "/manual_time"). When both sides of a pair report a
# "packed" counter (a compressed size), the ratio of the sizes is printed as well.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
dir=$root/build-bench
filter=${1:-'/(ours|ref)'}
shift || true
"$root/scripts/build.sh" "$dir" -DCMAKE_BUILD_TYPE=Release -DPORTABILITY_BUILD_BENCH=ON \
  -DPORTABILITY_BUILD_TESTS=OFF -DPORTABILITY_BUILD_EXAMPLES=OFF >/dev/null
json=$(mktemp)
trap 'rm -f "$json"' EXIT
echo "machine: $(nproc) cores, $(uname -m), load $(cut -d' ' -f1-3 /proc/loadavg) before the run" >&2
QUELMO=${QUELMO:-$root/install} "$dir/bench/port_bench" --benchmark_filter="$filter" \
  --benchmark_min_time=0.2 --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_format=json --benchmark_out="$json" --benchmark_out_format=json "$@" >/dev/null
echo "load $(cut -d' ' -f1-3 /proc/loadavg) after the run" >&2
python3 - "$json" <<'PY'
import json, re, sys
runs = json.load(open(sys.argv[1]))["benchmarks"]
median = {}
packed = {}
for r in runs:
    if r.get("aggregate_name") == "median":
        unit = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[r.get("time_unit", "ns")]
        manual = r["run_name"].endswith("/manual_time")
        median.setdefault(r["run_name"], r["real_time" if manual else "cpu_time"] * unit)
        if "packed" in r:
            packed.setdefault(r["run_name"], r["packed"])
rows = []
for name, ref in median.items():
    m = re.match(r"^(.*)/ref(?:_([^/]+))?(/.*)?$", name)
    if not m:
        continue
    ours = median.get(f"{m.group(1)}/ours{m.group(3) or ''}")
    if ours is None:
        continue
    label = m.group(1) + (m.group(3) or "") + (f" vs {m.group(2)}" if m.group(2) else "")
    ours_name = f"{m.group(1)}/ours{m.group(3) or ''}"
    size = None
    if packed.get(ours_name) and packed.get(name):
        size = packed[ours_name] / packed[name]
    rows.append((label, ours, ref, size))
def fmt(ns):
    for unit, scale in (("s", 1e9), ("ms", 1e6), ("us", 1e3)):
        if ns >= scale:
            return f"{ns / scale:.3g} {unit}"
    return f"{ns:.3g} ns"
w = max([len(r[0]) for r in rows] + [10])
print(f"| {'benchmark':<{w}} | {'ours':>10} | {'reference':>10} | {'ratio':>6} | {'size':>6} |")
print(f"|{'-' * (w + 2)}|{'-' * 12}|{'-' * 12}|{'-' * 8}|{'-' * 8}|")
for label, ours, ref, size in rows:
    sz = f"{size:6.3f}" if size is not None else " " * 6
    print(f"| {label:<{w}} | {fmt(ours):>10} | {fmt(ref):>10} | {ours / ref:6.2f} | {sz} |")
PY
