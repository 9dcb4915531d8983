#!/usr/bin/env bash
# Installs what the tests need, builds and runs every test:
#   the format check,
#   native build with the unit, golden and command-line tests,
#   the Debian package, unpacked into a scratch root and run from there,
#   the same tests under AddressSanitizer + UndefinedBehaviorSanitizer,
#   short fuzzing runs of every parser,
#   the Windows build (MinGW-w64) with its tests under Wine and Xvfb.
# Set TW_SKIP_WINDOWS=1 or TW_SKIP_FUZZ=1 to leave a stage out locally.
set -euo pipefail
top=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=scripts/lib.sh
. "$top/scripts/lib.sh"

ensure_packages g++ cmake ninja-build libgtest-dev libgmock-dev googletest clang libclang-rt-14-dev clang-format python3 \
    dpkg-dev man-db groff-base python3-jsonschema python3-mutagen ffmpeg lintian bash-completion
j=$(jobs)
stage() { printf '\n==== %s\n' "$*"; }

stage "Format check (clang-format)"
(
    cd "$top"
    if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
        git ls-files '*.cpp' '*.h'
    else
        find text common analysis tags reports shell platform cli tests fuzz bench -name '*.cpp' -o -name '*.h'
    fi | xargs clang-format --dry-run --Werror
)

stage "Native build and tests"
cmake -S "$top" -B "$top/build-test" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTW_WERROR=ON >/dev/null
cmake --build "$top/build-test" -j "$j"
ctest --test-dir "$top/build-test" -j "$j" --output-on-failure

stage "Debian package: lintian, install into a scratch root, run it, render its man page"
cmake -S "$top" -B "$top/build-pkg" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTW_BUILD_TESTS=OFF -DTW_WERROR=ON >/dev/null
cmake --build "$top/build-pkg" -j "$j"
(cd "$top/build-pkg" && rm -f ./*.deb && cpack -G DEB >/dev/null)
lintian --fail-on error "$top"/build-pkg/tunewarden-cli_*.deb
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dpkg -x "$top"/build-pkg/tunewarden-cli_*.deb "$scratch"
"$scratch/usr/bin/tunewarden-cli" --version
bash -n "$scratch/usr/share/bash-completion/completions/tunewarden-cli"
man_warnings=$(MANWIDTH=80 man --warnings -l "$scratch/usr/share/man/man1/tunewarden-cli.1.gz" 2>&1 >/dev/null)
if [ -n "$man_warnings" ]; then
    printf 'man page warnings:\n%s\n' "$man_warnings" >&2
    exit 1
fi
man_text=$(MANWIDTH=80 man -l "$scratch/usr/share/man/man1/tunewarden-cli.1.gz" 2>/dev/null)
case $man_text in *"--format F"*) ;; *) echo "the man page does not render" >&2; exit 1 ;; esac

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
