#!/usr/bin/env bash
# tunewarden-cli.exe under Wine, spoken to with Linux paths, for the checks
# that run the Linux tool (tests/golden/check_golden.py): an argument that is
# an absolute Linux path goes in as its Z: path, and every Z: path in the
# output comes back as the Linux path, so that the bytes compare as they are.
#
#   TW_WIN_BUILD   the Windows build folder (default: build-win)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${TW_WIN_BUILD:-$top/build-win}
export WINEPREFIX=${TW_WINEPREFIX:-$top/.wine-ci} WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

args=()
for a in "$@"; do
    if [[ "$a" == /* ]]; then
        w="Z:${a//\//\\}"
        args+=("$w")
    else
        args+=("$a")
    fi
done
set +e
wine "$build/tunewarden-cli.exe" "${args[@]}" </dev/null 2>/dev/null | python3 -c '
import re, sys
out = sys.stdin.buffer.read()
# A path runs up to two blanks, a tab, a quote or the end of its line.
out = re.sub(rb"Z:(\\[^\t\n\"]*?)(?=  |\t|\n|\"|$)", lambda m: m.group(1).replace(b"\\", b"/"), out)
sys.stdout.buffer.write(out)
'
# The tool's own exit status, not the filter's.
codes=("${PIPESTATUS[@]}")
exit "${codes[0]}"
