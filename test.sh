#!/usr/bin/env bash
# Installs what the tests need, builds and runs every test:
#   the format check,
#   native build with the unit, golden and command-line tests,
#   the same tests under AddressSanitizer + UndefinedBehaviorSanitizer,
#   short fuzzing runs of every parser,
#   the Windows build (MinGW-w64) with its tests under Wine and Xvfb.
# Set TW_SKIP_WINDOWS=1 or TW_SKIP_FUZZ=1 to leave a stage out locally.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=scripts/lib.sh
. "$top/scripts/lib.sh"

ensure_packages g++ cmake ninja-build libgtest-dev libgmock-dev googletest clang libclang-rt-14-dev clang-format python3
j=$(jobs)
stage() { printf '\n==== %s\n' "$*"; }

stage "Format check (clang-format)"
(
    cd "$top"
    if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        git ls-files '*.cpp' '*.h'
    else
        find common analysis tags reports shell platform cli tests fuzz bench -name '*.cpp' -o -name '*.h'
    fi | xargs clang-format --dry-run --Werror
)

stage "Native build and tests"
cmake -S "$top" -B "$top/build-test" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTW_WERROR=ON >/dev/null
cmake --build "$top/build-test" -j "$j"
ctest --test-dir "$top/build-test" -j "$j" --output-on-failure

stage "Sanitizer build and tests (ASan + UBSan)"
cmake -S "$top" -B "$top/build-asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTW_WERROR=ON -DTW_SANITIZE=ON >/dev/null
cmake --build "$top/build-asan" -j "$j"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir "$top/build-asan" -j "$j" --output-on-failure

if [ "${TW_SKIP_FUZZ:-0}" != 1 ] && [ -x "$top/scripts/fuzz.sh" ]; then
    stage "Fuzzing"
    "$top/scripts/fuzz.sh"
fi

if [ "${TW_SKIP_WINDOWS:-0}" != 1 ] && [ -x "$top/scripts/windows-tests.sh" ]; then
    stage "Windows build and tests under Wine"
    "$top/scripts/windows-tests.sh"
fi

stage "All tests passed"
