#!/usr/bin/env bash
# Test Directory and Catalog Directory in the window against tunewarden-cli.exe
# on the same folder of many small files, under Wine on a virtual X server:
# files per second of each, the window's share of the CLI's, and the longest
# the window went without handling its messages. Needs the Windows build
# (scripts/windows-tests.sh makes it).
#
#   bench/windows-directory.sh [--files N] [--runs N]
#
# N files (default 20001) are copies of one sample, made once in
# $TW_BENCH_DATA/many-N (default bench/data). Each figure is the median of
# --runs rounds (default 3). The CLI's time includes Wine's process start;
# the line "CLI start" shows what that costs.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
DATA=$(realpath -m "${TW_BENCH_DATA:-$ROOT/bench/data}")
BUILD=${TW_WIN_BUILD:-$ROOT/build-win}
FILES=20001
RUNS=3
while [ $# -gt 0 ]; do
    case "$1" in
    --files) FILES=${2:?--files needs a number}; shift 2 ;;
    --runs) RUNS=${2:?--runs needs a number}; shift 2 ;;
    -h | --help) sed -n '2,13s/^# \{0,1\}//p' "$0"; exit 0 ;;
    *) echo "windows-directory.sh: unknown argument '$1'" >&2; exit 2 ;;
    esac
done

CLI=$BUILD/tunewarden-cli.exe
GUI_TESTS=$BUILD/shell/win32/tw_gui_tests.exe
for f in "$CLI" "$GUI_TESTS"; do
    [ -f "$f" ] || { echo "windows-directory.sh: $f is missing; run scripts/windows-tests.sh first" >&2; exit 1; }
done

FOLDER=$DATA/many-$FILES
if [ "$(find "$FOLDER" -name '*.mp3' 2>/dev/null | wc -l)" != "$FILES" ]; then
    echo "making $FILES files in $FOLDER" >&2
    rm -rf "$FOLDER"
    mkdir -p "$FOLDER"
    for ((i = 0; i < FILES; i++)); do
        cp "$ROOT/samples/mpeg25-layer3-8khz-16k.mp3" "$(printf '%s/f%05d.mp3' "$FOLDER" "$i")"
    done
fi

# shellcheck source=scripts/lib.sh
. "$ROOT/scripts/lib.sh"
export WINEPREFIX=${TW_WINEPREFIX:-$ROOT/.wine-ci}
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap stop_wine_display EXIT
start_wine_display >&2

WINFOLDER="Z:$(echo "$FOLDER" | tr / '\\')"
seconds() {  # seconds that the command took
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s.%N)
    echo "$end - $start" | bc -l
}
median() { sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

results=$(mktemp)
for ((r = 1; r <= RUNS; r++)); do
    echo "round $r of $RUNS" >&2
    echo "start $(seconds wine "$CLI" --version)" >>"$results"
    echo "cli-test $(seconds wine "$CLI" test-dir "$WINFOLDER")" >>"$results"
    echo "cli-catalog $(seconds wine "$CLI" catalog "$WINFOLDER")" >>"$results"
    TW_TIMING_DIR=$WINFOLDER GTEST_ALSO_RUN_DISABLED_TESTS=1 wine "$GUI_TESTS" \
        --gtest_filter='DirectoryTimingTest.*' 2>/dev/null |
        sed -n 's/^\(Test\|Catalog\) Directory of [0-9]* files: \([0-9.]*\) s.*without messages \([0-9]*\) ms.*/\1 \2 \3/p' |
        while read -r kind secs gap; do
            echo "gui-${kind,,} $secs" >>"$results"
            echo "gap-${kind,,} $gap" >>"$results"
        done
done

m() { awk -v k="$1" '$1 == k {print $2}' "$results" | median; }
rate() { echo "$FILES / $1" | bc -l; }
printf '%-34s %8s %9s\n' "$FILES files, median of $RUNS" "s" "files/s"
printf '%-34s %8.2f\n' "CLI start (wine --version)" "$(m start)"
for kind in test catalog; do
    cli=$(m "cli-$kind")
    gui=$(m "gui-$kind")
    name=$([ $kind = test ] && echo "Test Directory" || echo "Catalog Directory")
    printf '%-34s %8.2f %9.0f\n' "$name, CLI" "$cli" "$(rate "$cli")"
    printf '%-34s %8.2f %9.0f   %.0f %% of the CLI; longest without messages %s ms\n' "$name, window" "$gui" \
        "$(rate "$gui")" "$(echo "100 * $cli / $gui" | bc -l)" "$(m "gap-$kind")"
done
rm -f "$results"
