#!/usr/bin/env bash
# Writes samples/deep/: small files for the deep check, clean and damaged,
# from Debian's lame, twolame and mp3gain and a few byte edits:
#   clean-*.mp3/.mp2   encoder output that must pass (LAME Info tag, ffmpeg-style
#                      Info frame, CRC-protected Layer II/III, no tag at all,
#                      Layer II switching between stereo and joint stereo)
#   gain-changed.mp3   mp3gain -g 2: the audio changed on purpose, undo recorded
#   cut-*.mp3          cut at a frame boundary (the walk finds nothing)
#   flipped-*.mp3      one bit changed in the audio or the header frame
#   joined.mp3         two files joined
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/lib.sh
. "$top/scripts/lib.sh"
ensure_packages lame twolame mp3gain sox python3
out=$top/samples/deep
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$out"
rm -f "$out"/*.mp3 "$out"/*.mp2

sox -R -n -r 44100 -c 2 -b 16 "$tmp/s.wav" synth 1.5 sine 330 sine 495 vol 0.4
lame --quiet --nohist --resample 44.1 -b 96 "$tmp/s.wav" "$out/clean-lame-cbr.mp3"
lame --quiet --nohist --resample 44.1 -p -b 96 "$tmp/s.wav" "$out/clean-lame-protected.mp3"
lame --quiet --nohist --resample 44.1 -t -b 96 "$tmp/s.wav" "$out/clean-lame-no-tag.mp3"
twolame --quiet --protect -b 128 "$tmp/s.wav" "$out/clean-twolame-protected.mp2"
# Joint stereo in the first and last frames, plain stereo between: one stream.
twolame --quiet -m j -b 192 "$tmp/s.wav" "$out/clean-twolame-joint-stereo.mp2"
cp "$out/clean-lame-cbr.mp3" "$out/gain-changed.mp3"
mp3gain -q -g 2 -c "$out/gain-changed.mp3" >/dev/null

python3 - "$out" <<'PY'
import sys
out = sys.argv[1]

def frames(d):
    """Header positions of a clean MPEG-1 Layer III/II stream at 44.1 kHz."""
    rates = {1: [0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320],
             2: [0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384]}
    pos, p = [], 0
    while p + 4 <= len(d) and d[p] == 0xFF:
        layer = (d[p + 1] >> 1) & 3
        kbps = rates[layer][d[p + 2] >> 4]
        pos.append(p)
        p += 144 * kbps * 1000 // 44100 + ((d[p + 2] >> 1) & 1)
    return pos

def write(name, data):
    open(f"{out}/{name}", "wb").write(data)

cbr = open(f"{out}/clean-lame-cbr.mp3", "rb").read()
at = frames(cbr)
write("cut-at-frame-boundary.mp3", cbr[:at[len(at) // 2]])
b = bytearray(cbr); b[at[20] + 200] ^= 0x10; write("flipped-audio-bit.mp3", b)
b = bytearray(cbr); b[100] ^= 0x01; write("flipped-header-frame.mp3", b)
write("joined.mp3", cbr + cbr[at[1]:])
prot = open(f"{out}/clean-lame-protected.mp3", "rb").read()
at = frames(prot)
b = bytearray(prot); b[at[10] + 12] ^= 0x04; write("flipped-side-info.mp3", b)
mp2 = open(f"{out}/clean-twolame-protected.mp2", "rb").read()
at = frames(mp2)
b = bytearray(mp2); b[at[10] + 7] ^= 0x20; write("flipped-bit-allocation.mp2", b)
PY
ls -l "$out"
