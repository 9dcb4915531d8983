#!/bin/sh
# Builds the walk benchmark (Release, in build-bench) and runs it: prints
# Google Benchmark's table, then each timing as a multiple of the raw read of
# the same file. Extra arguments go to the benchmark, e.g.
#   bench/run.sh --benchmark_filter=cbr
set -eu

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD="$ROOT/build-bench"
JSON="$BUILD/walk-bench.json"

cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTW_WERROR=ON \
  -DTW_BUILD_BENCH=ON -DTW_BUILD_TESTS=OFF >/dev/null
ninja -C "$BUILD" -j2 tw_walk_bench >/dev/null

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg 2>/dev/null || echo unknown)"
"$BUILD/bench/tw_walk_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_out="$JSON" --benchmark_out_format=json "$@"

python3 - "$JSON" <<'EOF'
import json
import sys

with open(sys.argv[1]) as f:
    runs = json.load(f)["benchmarks"]
median = {}
for r in runs:
    if r.get("aggregate_name") == "median":
        median[r["run_name"]] = r
print()
print("Ratios to the raw read of the same file (median of the repetitions):")
print("%-16s %12s %12s %10s %10s" % ("benchmark", "real us", "cpu us", "real x", "cpu x"))
for name, r in median.items():
    kind = name.split("/", 1)[1]
    base = median.get("BM_RawRead/" + kind)
    if base is None:
        continue
    print("%-16s %12.1f %12.1f %10.2f %10.2f" % (
        name, r["real_time"], r["cpu_time"],
        r["real_time"] / base["real_time"], r["cpu_time"] / base["cpu_time"]))
EOF
