#!/usr/bin/env bash
# Builds dist/Tunewarden-<version>-win64.zip: Tunewarden.exe, tunewarden-cli.exe
# and a short README.txt. Cross-builds the two programs with MinGW-w64 in the
# Windows build folder first (Debian 12; installs what is missing, as root or
# through sudo).
#
#   TW_WIN_BUILD     build folder   (default: build-win)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/lib.sh
. "$top/scripts/lib.sh"

build=${TW_WIN_BUILD:-$top/build-win}
ensure_packages cmake ninja-build googletest g++-mingw-w64-x86-64-posix python3

version=$(sed -n 's/^project(Tunewarden VERSION \([0-9.]*\).*/\1/p' "$top/CMakeLists.txt")
[ -n "$version" ] || { echo "no version in CMakeLists.txt" >&2; exit 1; }

# The same configuration as scripts/windows-tests.sh, so that both share the folder.
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTW_WERROR=ON >/dev/null
cmake --build "$build" -j "$(jobs)" --target tunewarden-cli Tunewarden

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$build/shell/win32/Tunewarden.exe" "$build/tunewarden-cli.exe" "$stage/"
# The build keeps debug information; the zip needn't.
x86_64-w64-mingw32-strip "$stage"/*.exe
# Windows line ends: Notepad of older Windows shows LF-only text as one line.
sed 's/$/\r/' >"$stage/README.txt" <<TEXT
Tunewarden $version for Windows (64-bit)

Tunewarden checks and catalogues MPEG audio files (MP3, MP2, MP1). It only
reads audio files, never writes them.

Tunewarden.exe       the dialog application: Test File, Test Directory and
                     Catalog Directory in one window. It keeps its settings in
                     Tunewarden.INI beside itself.
tunewarden-cli.exe   the command-line tool; run "tunewarden-cli.exe --help".
                     --format jsonl writes JSON Lines, and
                     catalog --format csv writes the catalog as CSV.

Both programs are single files that need no installation and no DLLs: unpack
them into any folder and start them from there.
TEXT

mkdir -p "$top/dist"
zip="$top/dist/Tunewarden-$version-win64.zip"
rm -f "$zip"
(cd "$stage" && python3 -m zipfile -c "$zip" Tunewarden.exe tunewarden-cli.exe README.txt)
python3 -m zipfile -l "$zip"
echo "$zip"
