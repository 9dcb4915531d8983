#!/usr/bin/env bash
# Writes samples/deep/: small files for the deep check, clean and damaged,
# from Debian's lame, twolame and mp3gain and a few byte edits:
#   clean-*.mp3/.mp2   encoder output that must pass (LAME Info tag, ffmpeg-style
#                      Info frame, CRC-protected Layer II/III, no tag at all,
#                      Layer II switching between stereo and joint stereo)
#   gain-changed*.mp3  mp3gain -g 2: the audio changed on purpose, undo recorded
#                      (in an APE tag, or with -s i in ID3v2 TXXX frames)
#   cut-*.mp3          cut at a frame boundary (the walk finds nothing)
#   flipped-*.mp3      one bit changed in the audio or the header frame
#   joined.mp3         two files joined
#   zeroed-tail.mp3, flipped-last-header.mp3, gain-changed-then-flipped.mp3:
#                      damage that only the records reveal
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/lib.sh
. "$top/scripts/lib.sh"
ensure_packages lame twolame mp3gain sox python3 ffmpeg mp3splt gstreamer1.0-tools gstreamer1.0-plugins-good \
    gstreamer1.0-plugins-ugly
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
# mp3gain -s i keeps its undo record in ID3v2 TXXX frames, not in an APE tag.
cp "$out/clean-lame-cbr.mp3" "$out/gain-changed-id3v2.mp3"
mp3gain -q -s i -g 2 -c "$out/gain-changed-id3v2.mp3" >/dev/null
# ffmpeg's tag CRC covers the first 190 bytes of its header frame, here a
# short mono MPEG-2 frame with the Xing header at 13.
ffmpeg -v error -i "$tmp/s.wav" -ac 1 -ar 22050 -c:a libmp3lame -q:a 6 -fflags +bitexact -flags:a +bitexact \
    -map_metadata -1 "$out/clean-ffmpeg-mono-22k.mp3"
# gstreamer's xingmux counts the header frame in its frame count.
gst-launch-1.0 -q filesrc location="$tmp/s.wav" ! wavparse ! audioconvert ! lamemp3enc target=quality quality=4 ! \
    xingmux ! filesink location="$out/clean-gstreamer-xingmux.mp3" >/dev/null
# A part cut out by mp3splt: new Xing counts, the LAME extension of the whole.
sox -R -n -r 44100 -c 2 -b 16 "$tmp/long.wav" synth 4 sine 330 sine 495 vol 0.4
lame --quiet --nohist -V 4 "$tmp/long.wav" "$tmp/long.mp3"
mp3splt -q -d "$tmp" -o part "$tmp/long.mp3" 0.01.00 0.02.50 >/dev/null
cp "$tmp/part.mp3" "$out/clean-mp3splt-part.mp3"

python3 - "$out" "$tmp" <<'PY'
import sys
out, tmp = sys.argv[1], sys.argv[2]

def frames(d, p=0):
    """Header positions of a clean MPEG-1 Layer III/II stream at 44.1 kHz."""
    rates = {1: [0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320],
             2: [0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384]}
    pos = []
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

# Tags after the audio in the orders taggers leave them.
def id3v1(title):
    return b"TAG" + title.ljust(30, b"\0") + bytes(30 + 30 + 4 + 28) + b"\0\x01\x0c"
def ape(items):
    body = b"".join(len(v).to_bytes(4, "little") + bytes(4) + k + b"\0" + v for k, v in items)
    def block(flags):
        return b"APETAGEX" + (2000).to_bytes(4, "little") + (len(body) + 32).to_bytes(4, "little") + \
            len(items).to_bytes(4, "little") + flags.to_bytes(4, "little") + bytes(8)
    return block(0xA0000000) + body + block(0x80000000)
def id3v24_with_footer(title):
    frame = b"TIT2" + (len(title) + 1).to_bytes(4, "big") + b"\0\0" + b"\3" + title
    size = len(frame).to_bytes(4, "big")  # under 128: syncsafe as it is
    return b"ID3\4\0\x10" + size + frame + b"3DI\4\0\x10" + size
# mutagen writes its APE tag after an existing ID3v1 tag.
write("clean-ape-after-id3v1.mp3", cbr + id3v1(b"Tagged twice") + ape([(b"Title", b"Tagged twice")]))
write("clean-id3v2-appended.mp3", cbr + id3v24_with_footer(b"Appended") + id3v1(b"Appended"))

# Damage in the last 1 % that the walk alone lets pass in a folder test:
# an interrupted copy that zeroed the end of the audio but kept the ID3v1
# tag, and a flipped bit in the last frame's header.
vbr = open(f"{tmp}/long.mp3", "rb").read()
b = bytearray(vbr + id3v1(b"Zeroed tail")); b[len(vbr) - 300:len(vbr)] = bytes(300); write("zeroed-tail.mp3", b)
last = frames(vbr, vbr.index(b"\xff\xfb"))[-1]
b = bytearray(vbr); b[last + 2] ^= 0x08; write("flipped-last-header.mp3", b)
at = frames(cbr)
# Gain changed (the undo is exact), then one bit of the audio flipped.
gained = open(f"{out}/gain-changed.mp3", "rb").read()
b = bytearray(gained); b[at[20] + 200] ^= 0x10; write("gain-changed-then-flipped.mp3", b)
PY
ls -l "$out"
