#!/usr/bin/env bash
# Repair against copying: the library benchmark's 200 files (bench/library.sh
# makes them), each damaged once (1,000 bytes of junk in the middle of its
# audio), repaired one by one with `tunewarden-cli repair`, against `cp` of
# the same damaged files, one by one. Both write into fresh folders on the
# same file system; the table shows medians and the repair's share of cp's
# speed (the target: at least half).
#
#   bench/repair.sh [--data DIR] [--runs N]
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
DATA=${TW_BENCH_DATA:-$ROOT/bench/data}
RUNS=${TW_BENCH_RUNS:-5}
while [ $# -gt 0 ]; do
    case "$1" in
    --data) DATA=${2:?--data needs a folder}; shift 2 ;;
    --runs) RUNS=${2:?--runs needs a number}; shift 2 ;;
    *) echo "repair.sh: unknown argument '$1'" >&2; exit 2 ;;
    esac
done
[ -d "$DATA/lib200" ] || { echo "repair.sh: run bench/library.sh first (it makes $DATA/lib200)" >&2; exit 2; }

cd "$ROOT"
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTW_BUILD_TESTS=OFF >/dev/null
ninja -C build-release -j2 tunewarden-cli >/dev/null
CLI=$ROOT/build-release/tunewarden-cli

DAMAGED=$DATA/damaged200
if [ ! -f "$DAMAGED/complete" ]; then
    rm -rf "$DAMAGED"
    mkdir -p "$DAMAGED"
    python3 - "$DATA/lib200" "$DAMAGED" <<'PY'
import os, sys
src, dst = sys.argv[1:3]
for name in sorted(os.listdir(src)):
    data = open(os.path.join(src, name), "rb").read()
    middle = len(data) // 2
    open(os.path.join(dst, name), "wb").write(data[:middle] + bytes(range(200)) * 5 + data[middle:])
PY
    touch "$DAMAGED/complete"
fi

WORK=$(mktemp -d "$DATA/repair-run.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
bytes=$(du -sb "$DAMAGED" | cut -f1)

# time_runs NAME COMMAND...: the median of RUNS timed runs, into a fresh folder each.
median() { sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
time_runs() {
    shift
    for _ in $(seq "$RUNS"); do
        rm -rf "$WORK/out"
        mkdir "$WORK/out"
        sync
        /usr/bin/time -f %e -o "$WORK/time" "$@" >/dev/null 2>&1
        tail -n1 "$WORK/time"
    done | median
}

copy_all() {
    for f in "$DAMAGED"/*.mp3; do cp "$f" "$WORK/out/"; done
}
repair_all() {
    for f in "$DAMAGED"/*.mp3; do "$CLI" repair "$f" "$WORK/out/${f##*/}" >/dev/null || true; done
}
export -f copy_all repair_all
export DAMAGED WORK CLI

# Warm the page cache, so that both read from memory.
cat "$DAMAGED"/*.mp3 >/dev/null
cp_s=$(time_runs cp bash -c copy_all)
repair_s=$(time_runs repair bash -c repair_all)
repaired=$(find "$WORK/out" -name '*.mp3' | wc -l)

printf '%-32s %10s %10s\n' "command (200 files, $((bytes / 1000000)) MB)" "median s" "MB/s"
printf '%-32s %10s %10.0f\n' "cp, file by file" "$cp_s" "$(echo "$bytes / 1000000 / $cp_s" | bc -l)"
printf '%-32s %10s %10.0f\n' "tunewarden-cli repair" "$repair_s" "$(echo "$bytes / 1000000 / $repair_s" | bc -l)"
printf 'copies written by the last repair run: %s of 200\n' "$repaired"
printf 'repair speed / cp speed: %.2f (target: at least 0.50)\n' "$(echo "$cp_s / $repair_s" | bc -l)"
