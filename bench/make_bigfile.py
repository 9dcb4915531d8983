#!/usr/bin/env python3
"""Builds the big single file of the library benchmark from one CBR encode:
its ID3v2 tag, then its audio frames (without the encoder's Info frame, whose
frame count would no longer hold) repeated until the file reaches the wanted
size, then its ID3v1 tag. Every frame is a whole frame of the encode, and the
first frame of an encode borrows nothing from a bit reservoir, so each join is
a valid frame boundary: the result is one valid, longer CBR stream.

usage: make_bigfile.py SOURCE.mp3 OUT.mp3 MIN_BYTES
"""
import sys

# MPEG-1 Layer III bit rates in kbit/s by index; the source is such a file.
KBPS = (0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0)
# MPEG-1 sample rates by index
RATES = (44100, 48000, 32000, 0)


def frame_length(data, pos):
    h = data[pos:pos + 4]
    if len(h) < 4 or h[0] != 0xFF or (h[1] & 0xFE) != 0xFA:  # sync, MPEG-1, Layer III
        return 0
    kbps = KBPS[h[2] >> 4]
    rate = RATES[(h[2] >> 2) & 3]
    if kbps == 0 or rate == 0:
        return 0
    return 144000 * kbps // rate + ((h[2] >> 1) & 1)


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    source, out, min_bytes = sys.argv[1], sys.argv[2], int(sys.argv[3])
    data = open(source, "rb").read()
    if data[:3] != b"ID3" or data[-128:-125] != b"TAG":
        sys.exit("make_bigfile: the source needs an ID3v2 tag and an ID3v1 tag")
    size = data[6] << 21 | data[7] << 14 | data[8] << 7 | data[9]
    head = 10 + size
    v1 = data[-128:]
    pos = head + frame_length(data, head)  # past the Info frame
    start = pos
    end = len(data) - 128
    while pos < end:
        n = frame_length(data, pos)
        if n == 0 or pos + n > end:
            sys.exit("make_bigfile: no whole frame at byte %d of %s" % (pos, source))
        pos += n
    body = data[start:end]
    copies = -(-(min_bytes - head - 128) // len(body))
    with open(out, "wb") as f:
        f.write(data[:head])
        for _ in range(copies):
            f.write(body)
        f.write(v1)


if __name__ == "__main__":
    main()
