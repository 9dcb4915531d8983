#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer on) and runs each for a bounded time, starting
# from seed corpora made from samples/ and from files built in code.
#
# Any finding fails the script: a crash, a sanitizer report, a leak, an input
# that runs longer than the timeout, or a broken check of a target. The input
# that caused it stays in the build directory's findings/ folder and is also
# printed, so that a CI log is enough to reproduce it:
#   build-fuzz/fuzz/fuzz_scan build-fuzz/findings/fuzz_scan-crash-...
#
#   TW_FUZZ_SECONDS   seconds per target (default 60; 0 runs only the seeds)
#   TW_FUZZ_TARGETS   the targets to run, separated by blanks (default: all)
#   TW_FUZZ_BUILD_DIR the build directory (default: build-fuzz at the top)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/lib.sh
. "$top/scripts/lib.sh"

ensure_packages clang libclang-rt-14-dev cmake ninja-build

seconds=${TW_FUZZ_SECONDS:-60}
build=${TW_FUZZ_BUILD_DIR:-$top/build-fuzz}
all_targets="fuzz_frame_header fuzz_id3v1 fuzz_id3v2 fuzz_frame_text fuzz_scan fuzz_walk fuzz_first_problem fuzz_frame_crc fuzz_trailing_tags fuzz_settings fuzz_repair"
targets=${TW_FUZZ_TARGETS:-$all_targets}
case $seconds in
    '' | *[!0-9]*) echo "TW_FUZZ_SECONDS must be a whole number of seconds" >&2; exit 2 ;;
esac

# corpus_of TARGET: the seed folder of a target; the three audio targets
# share one, since they take the same input layout.
corpus_of() {
    case $1 in
        fuzz_frame_header) echo frame_header ;;
        fuzz_id3v1) echo id3v1 ;;
        fuzz_id3v2) echo id3v2 ;;
        fuzz_frame_text) echo frame_text ;;
        fuzz_frame_crc) echo frame_crc ;;
        fuzz_trailing_tags) echo trailing_tags ;;
        fuzz_settings) echo settings ;;
        *) echo audio ;;
    esac
}

# max_len_of TARGET: the largest input worth trying.
max_len_of() {
    case $1 in
        fuzz_frame_header) echo 8 ;;
        fuzz_id3v1) echo 128 ;;
        fuzz_frame_text) echo 414 ;;
        fuzz_id3v2) echo 4096 ;;
        fuzz_frame_crc) echo 64 ;;
        fuzz_trailing_tags) echo 8192 ;;
        fuzz_settings) echo 4096 ;;
        *) echo 16384 ;;
    esac
}

cmake -S "$top" -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTW_WERROR=ON -DTW_BUILD_FUZZ=ON -DTW_BUILD_TESTS=OFF >/dev/null
# shellcheck disable=SC2086
cmake --build "$build" -j "$(jobs)" --target tw_fuzz_seeds $targets

rm -rf "$build/seeds"
"$build/fuzz/tw_fuzz_seeds" "$top/samples" "$build/seeds"
mkdir -p "$build/findings" "$build/logs"

# count_findings: reproducers kept so far (slow units are only reported).
count_findings() {
    ls "$build/findings" | grep -vc '^slow-unit' || true
}

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:handle_abort=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

failed=()
for target in $targets; do
    corpus="$build/corpus/$target"
    mkdir -p "$corpus"
    log="$build/logs/$target.log"
    before=$(count_findings)
    if [ "$seconds" -eq 0 ]; then
        limit=(-runs=0)
    else
        limit=(-max_total_time="$seconds")
    fi
    status=0
    "$build/fuzz/$target" "${limit[@]}" -timeout=10 -rss_limit_mb=2048 -max_len="$(max_len_of "$target")" \
        -print_final_stats=1 -artifact_prefix="$build/findings/$target-" \
        "$corpus" "$build/seeds/$(corpus_of "$target")" >"$log" 2>&1 || status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    after=$(count_findings)
    if [ "$status" -ne 0 ] || [ -z "$runs" ] || [ "$after" -ne "$before" ]; then
        failed+=("$target")
        printf '%-20s FAILED (exit %s) after %s executions; log: %s\n' "$target" "$status" "${runs:-?}" "$log"
        grep -E 'ERROR|SUMMARY|check failed|runtime error|Test unit written|Base64' "$log" | head -20 || true
        for finding in $(ls -t "$build/findings" | grep -v '^slow-unit' | head -n $((after - before))); do
            echo "Reproducer $build/findings/$finding ($(wc -c <"$build/findings/$finding") bytes):"
            od -A d -t x1 "$build/findings/$finding" | head -64
        done
        continue
    fi
    printf '%-20s %12s executions in %s s, no findings\n' "$target" "$runs" "$seconds"
done

if [ ${#failed[@]} -ne 0 ]; then
    echo "Fuzzing found problems in: ${failed[*]}" >&2
    echo "Reproduce with: $build/fuzz/TARGET FILE (the findings are in $build/findings)" >&2
    exit 1
fi
echo "Fuzzing: no findings."
