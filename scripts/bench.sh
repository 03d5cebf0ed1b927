#!/usr/bin/env bash
# Builds the benchmarks in release mode (build-bench), runs the paired ones and prints, for each
# pair, our time against the reference's:   bench.sh [filter regex] [repetitions]
#
# Pairing: a benchmark named "<Name>/ours[/args]" is compared with every "<Name>/ref[/args]"
# and "<Name>/ref_<label>[/args]" of the same arguments. A benchmark's time depends on what ran
# before it in the same process (the heap's state, the caches, the CPU's clock), so every side
# of every pair runs alone in a fresh process, the two sides taking turns, REPETITIONS times (5).
# Times are CPU times; the table shows the medians, the median of the per-turn ratios and their
# spread (lowest to highest); a benchmark that times a child process ("/manual_time") reports the
# child's CPU time as its manual time. When both sides report a "packed" counter (a compressed size), the
# ratio of the sizes is printed as well.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
dir=$root/build-bench
filter=${1:-'/(ours|ref)'}
reps=${2:-5}
"$root/scripts/build.sh" "$dir" -DCMAKE_BUILD_TYPE=Release -DPORTABILITY_BUILD_BENCH=ON \
  -DPORTABILITY_BUILD_TESTS=OFF -DPORTABILITY_BUILD_EXAMPLES=OFF >/dev/null
echo "machine: $(nproc) cores, $(uname -m), load $(cut -d' ' -f1-3 /proc/loadavg) before the run" >&2
QUELMO=${QUELMO:-$root/install} python3 - "$dir/bench/port_bench" "$filter" "$reps" <<'PY'
import json, re, statistics, subprocess, sys, tempfile, os
bench, pattern, reps = sys.argv[1], sys.argv[2], int(sys.argv[3])
names = subprocess.run([bench, f"--benchmark_filter={pattern}", "--benchmark_list_tests"],
                       check=True, capture_output=True, text=True).stdout.split()

def split(name):
    m = re.match(r"^(.*?)/(ours|ref(?:_([^/]+))?)(/.*)?$", name)
    return m and (m.group(1), m.group(2), m.group(3), m.group(4) or "")

instances = {split(n)[:2] + (split(n)[3],): n for n in names if split(n)}
pairs = []
for (base, side, args), ref in instances.items():
    if side == "ours":
        continue
    ours = instances.get((base, "ours", args))
    if ours:
        label = base + args + (f" vs {side[4:]}" if side != "ref" else "")
        label = re.sub(r"/(iterations:\d+|manual_time)", "", label)
        pairs.append((label, ours, ref))

def run(name):
    """CPU time in ns of one benchmark run alone in a fresh process, and its packed counter."""
    with tempfile.NamedTemporaryFile(suffix=".json") as out:
        subprocess.run([bench, f"--benchmark_filter=^{re.escape(name)}$", "--benchmark_min_time=0.2",
                        f"--benchmark_out={out.name}", "--benchmark_out_format=json"],
                       check=True, stdout=subprocess.DEVNULL)
        r = json.load(open(out.name))["benchmarks"][0]
    unit = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[r.get("time_unit", "ns")]
    # A benchmark that times a child process reports the child's CPU time as its manual time.
    key = "real_time" if "/manual_time" in name else "cpu_time"
    return r[key] * unit, r.get("packed")

def fmt(ns):
    for unit, scale in (("s", 1e9), ("ms", 1e6), ("us", 1e3)):
        if ns >= scale:
            return f"{ns / scale:.3g} {unit}"
    return f"{ns:.3g} ns"

rows = []
for label, ours_name, ref_name in pairs:
    ours, ref, packed = [], [], (None, None)
    for i in range(reps):
        order = [(ours_name, ours), (ref_name, ref)]
        for name, times in (order if i % 2 == 0 else order[::-1]):
            t, p = run(name)
            times.append(t)
            packed = (p, packed[1]) if name == ours_name else (packed[0], p)
    ratios = [o / r for o, r in zip(ours, ref)]
    size = packed[0] / packed[1] if packed[0] and packed[1] else None
    rows.append((label, statistics.median(ours), statistics.median(ref),
                 statistics.median(ratios), min(ratios), max(ratios), size))
    print(f"  {label}: {statistics.median(ratios):.2f}", file=sys.stderr)

w = max([len(r[0]) for r in rows] + [10])
print(f"{reps} fresh processes per side; ratio = median of the per-turn ratios, spread lowest-highest")
print(f"| {'benchmark':<{w}} | {'ours':>10} | {'reference':>10} | {'ratio':>6} | {'spread':>11} | {'size':>6} |")
print(f"|{'-' * (w + 2)}|{'-' * 12}|{'-' * 12}|{'-' * 8}|{'-' * 13}|{'-' * 8}|")
for label, o, r, ratio, lo, hi, size in rows:
    sz = f"{size:6.3f}" if size is not None else " " * 6
    print(f"| {label:<{w}} | {fmt(o):>10} | {fmt(r):>10} | {ratio:6.2f} | {lo:5.2f}-{hi:<5.2f} | {sz} |")
PY
echo "load $(cut -d' ' -f1-3 /proc/loadavg) after the run" >&2
