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

# A display of our own: the first number without an X server on it.
display=99
while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do
    display=$((display + 1))
done
export DISPLAY=":$display"

xvfb_pid=""
cleanup() {
    # The Wine server first: it talks to the X server until it goes.
    wineserver -k >/dev/null 2>&1 || true
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" >/dev/null 2>&1 || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
}
trap cleanup EXIT

echo "== Xvfb on $DISPLAY, Wine prefix $WINEPREFIX"
Xvfb "$DISPLAY" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -e "/tmp/.X11-unix/X$display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || { echo "Xvfb did not start" >&2; exit 1; }
    sleep 0.1
done
[ -e "/tmp/.X11-unix/X$display" ] || { echo "Xvfb did not come up on $DISPLAY" >&2; exit 1; }

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot --init >/dev/null 2>&1
    wineserver -w
fi
# One Wine server for every program of the run (each cold start costs seconds);
# -p fails when the prefix has a server already, which serves as well.
wineserver -p >/dev/null 2>&1 || true
# Debian's Wine doesn't look in its own font folder: without these links
# "MS Sans Serif" becomes another font and the dialogs change size.
mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
ln -sf /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
# No window manager on Xvfb: Wine draws its own frames (no 2 s stall on every
# hidden window), and a crash ends the program instead of waiting for a click.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
wine cmd /c exit 0 >/dev/null 2>&1

echo "== Tests under Wine"
ctest --test-dir "$build" --output-on-failure -j "$(jobs)"

# The hidden promise of the Windows tool: byte for byte the Linux tool's
# output over the sample library (paths aside).
echo "== Golden outputs of tunewarden-cli.exe"
TW_WIN_BUILD="$build" python3 "$top/tests/golden/check_golden.py" "$top/scripts/wine-cli.sh" "$top/samples"
