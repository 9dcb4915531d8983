#!/usr/bin/env bash
# Cross-builds the Windows programs (Tunewarden.exe, tunewarden-cli.exe and
# the test programs) with MinGW-w64 and runs their tests under Wine, the
# window tests on a virtual X server. Debian 12; installs what is missing
# (as root, or through sudo). Exits non-zero when anything fails.
#
#   TW_WIN_BUILD     build folder        (default: build-win)
#   TW_WINEPREFIX    Wine prefix folder  (default: .wine-ci)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/lib.sh
. "$top/scripts/lib.sh"

build=${TW_WIN_BUILD:-$top/build-win}
export WINEPREFIX=${TW_WINEPREFIX:-$top/.wine-ci}
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

ensure_packages cmake ninja-build googletest g++-mingw-w64-x86-64-posix \
    wine wine64 fonts-wine xvfb xauth xdotool imagemagick

echo "== Windows build in $build"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTW_WERROR=ON >/dev/null
cmake --build "$build" -j "$(jobs)"

trap stop_wine_display EXIT
start_wine_display

echo "== Tests under Wine"
ctest --test-dir "$build" --output-on-failure -j "$(jobs)"

# The hidden promise of the Windows tool: byte for byte the Linux tool's
# output over the sample library (paths aside).
echo "== Golden outputs of tunewarden-cli.exe"
TW_WIN_BUILD="$build" python3 "$top/tests/golden/check_golden.py" "$top/scripts/wine-cli.sh" "$top/samples"

# A Ctrl-C at many moments of a run of tunewarden-cli.exe: its own cancel
# lines and status 130, or its whole output.
echo "== Ctrl-C under Wine"
python3 "$top/tests/check_cancel.py" "$build/tunewarden-cli.exe" --wine
