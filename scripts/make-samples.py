#!/usr/bin/env python3
"""Builds the sample library under samples/ from nothing but synthetic sound.

Every audio file is made here: tones, chirps and noise computed in Python and
encoded with the Debian encoders (lame for Layer III, ffmpeg's mp2 encoder for
Layer II), or frames written byte by byte where no encoder makes the case
(Layer I, a VBRI tag, free format, damaged streams, hand-made ID3v2 tags).
Nothing is taken from elsewhere. The output is the same on every run with the
same encoder versions (lame 3.100, ffmpeg's bit-exact mode).

Standard library only, plus lame and ffmpeg on the PATH. Run from anywhere:
    python3 scripts/make-samples.py
It rewrites samples/ except samples/README.md, which is kept by hand.
"""

import array
import math
import os
import shutil
import struct
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT_DIR = os.path.join(ROOT, "samples")

# ------------------------------------------------------------ synthetic sound


def lcg(seed):
    """Deterministic pseudo-random numbers in [0, 1): the same on every Python."""
    state = seed & 0xFFFFFFFF
    while True:
        state = (state * 1664525 + 1013904223) & 0xFFFFFFFF
        yield state / 4294967296.0


def melody(rate, seconds, channels, seed=1, noise=0.0, base=220.0):
    """A few bars of sine notes with harmonics, a chirp and optional noise.

    Changing notes, a sweep and noise bursts give a VBR encoder something to
    vary its bit rate on. Gives interleaved 16-bit samples.
    """
    notes = [0, 4, 7, 12, 7, 4, 9, 5, 2, 11, 14, 7]  # semitones over `base`
    rnd = lcg(seed)
    n = int(rate * seconds)
    note_len = rate // 4
    out = array.array("h")
    phase = [0.0, 0.0, 0.0]
    for i in range(n):
        k = (i // note_len) % len(notes)
        f = base * 2.0 ** (notes[k] / 12.0)
        t_in_note = (i % note_len) / note_len
        env = min(1.0, t_in_note * 20.0) * (1.0 - 0.6 * t_in_note)
        # A slow sweep underneath, from 300 Hz up to a third of the rate.
        sweep = 300.0 + (rate / 3.0 - 300.0) * (i / n)
        phase[0] += 2.0 * math.pi * f / rate
        phase[1] += 2.0 * math.pi * 3.0 * f / rate
        phase[2] += 2.0 * math.pi * sweep / rate
        tone = env * (0.5 * math.sin(phase[0]) + 0.15 * math.sin(phase[1]))
        tone += 0.08 * math.sin(phase[2])
        # Noise in bursts on every third note.
        hiss = noise * (next(rnd) - 0.5) if k % 3 == 2 else 0.0
        left = tone + hiss
        right = 0.8 * tone - hiss
        for c in range(channels):
            v = left if c == 0 else right
            out.append(max(-32767, min(32767, int(v * 26000))))
    return out


def write_wav(path, rate, channels, samples):
    import wave

    with wave.open(path, "wb") as w:
        w.setnchannels(channels)
        w.setsampwidth(2)
        w.setframerate(rate)
        if sys.byteorder == "big":
            samples = array.array("h", samples)
            samples.byteswap()
        w.writeframes(samples.tobytes())


# ------------------------------------------------------------ encoders

WORK = None  # temp dir for WAV files


def wav(name, rate, channels, seconds, **kw):
    path = os.path.join(WORK, name + ".wav")
    if not os.path.exists(path):
        write_wav(path, rate, channels, melody(rate, seconds, channels, **kw))
    return path


def run(cmd):
    subprocess.run(cmd, check=True, stdin=subprocess.DEVNULL)


def lame(source, *options):
    """Encodes a WAV with lame; gives the bytes of the MP3."""
    target = os.path.join(WORK, "out.mp3")
    run(["lame", "--quiet", "--nohist", *options, source, target])
    with open(target, "rb") as f:
        return f.read()


def ffmpeg_mp2(source, bitrate):
    target = os.path.join(WORK, "out.mp2")
    run(["ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y",
         "-fflags", "+bitexact", "-i", source, "-map_metadata", "-1",
         "-c:a", "mp2", "-b:a", bitrate, "-flags", "+bitexact", "-f", "mp2", target])
    with open(target, "rb") as f:
        return f.read()


# ------------------------------------------------------------ MPEG frames

# Bit rates in kbit/s by [MPEG-1?][layer 1..3][index].
BITRATES = {
    (True, 1): [0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448],
    (True, 2): [0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384],
    (True, 3): [0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320],
    (False, 1): [0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256],
    (False, 2): [0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160],
    (False, 3): [0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160],
}
SAMPLE_RATES = {3: [44100, 48000, 32000], 2: [22050, 24000, 16000], 0: [11025, 12000, 8000]}


def frame_length(h):
    """Length of the frame whose four header bytes are `h`; 0 when not a frame."""
    if h[0] != 0xFF or (h[1] & 0xE0) != 0xE0:
        return 0
    version = (h[1] >> 3) & 3
    layer = 4 - ((h[1] >> 1) & 3)
    index = h[2] >> 4
    rate_index = (h[2] >> 2) & 3
    if version == 1 or layer == 4 or index in (0, 15) or rate_index == 3:
        return 0
    kbps = BITRATES[(version == 3, layer)][index]
    rate = SAMPLE_RATES[version][rate_index]
    pad = (h[2] >> 1) & 1
    if layer == 1:
        return (12 * kbps * 1000 // rate + pad) * 4
    if layer == 3 and version != 3:
        return 72 * kbps * 1000 // rate + pad
    return 144 * kbps * 1000 // rate + pad


def id3v2_length(data):
    if data[:3] != b"ID3":
        return 0
    size = 0
    for b in data[6:10]:
        size = (size << 7) | (b & 0x7F)
    return 10 + size + (10 if data[5] & 0x10 else 0)


def split(data):
    """Splits encoder output into (leading tag, frames, trailing ID3v1 tag)."""
    start = id3v2_length(data)
    end = len(data) - 128 if data[-128:-125] == b"TAG" else len(data)
    frames = []
    pos = start
    while pos < end:
        n = frame_length(data[pos:pos + 4])
        if n == 0 or pos + n > end:
            raise ValueError("encoder output does not walk at byte %d" % pos)
        frames.append(data[pos:pos + n])
        pos += n
    return data[:start], frames, data[end:]


def syncsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])


class BitWriter:
    def __init__(self):
        self.bits = []

    def put(self, value, width):
        for i in range(width - 1, -1, -1):
            self.bits.append((value >> i) & 1)

    def bytes(self, length):
        bits = self.bits + [0] * (length * 8 - len(self.bits))
        return bytes(int("".join(map(str, bits[i:i + 8])), 2) for i in range(0, length * 8, 8))


def layer1_frames(seconds):
    """MPEG-1 Layer I, 44.1 kHz mono, 128 kbit/s, written bit by bit.

    Two subbands carry 4-bit samples of a slow sine, the loudness follows a
    swell; padding slots are spread as an encoder spreads them, so the
    average rate is exact.
    """
    rate, kbps = 44100, 128
    frames = []
    remainder = 0
    count = int(seconds * rate / 384)
    for n in range(count):
        # 12 * 128000 / 44100 slots = 34 + 36/49: pad when the rest overflows.
        remainder += 12 * kbps * 1000 % rate
        pad = 1 if remainder >= rate else 0
        if pad:
            remainder -= rate
        header = bytes([0xFF, 0xFF, (4 << 4) | (pad << 1), 0xC4])  # mono, original
        w = BitWriter()
        alloc = [0] * 32
        alloc[1] = alloc[3] = 3  # 4-bit samples
        for a in alloc:
            w.put(a, 4)
        swell = int(20 + 10 * math.sin(2 * math.pi * n / 60))
        for sb in range(32):
            if alloc[sb]:
                w.put(swell if sb == 1 else swell + 6, 6)  # scalefactor index: larger is softer
        for s in range(12):
            for sb in range(32):
                if alloc[sb]:
                    v = math.sin(2 * math.pi * (n * 12 + s) / (7.0 if sb == 1 else 5.0))
                    w.put(int(round(7.5 + 7 * v)), 4)
        length = (12 * kbps * 1000 // rate + pad) * 4
        frames.append(header + w.bytes(length - 4))
    return frames


def free_format_frames(count, length=480):
    """MPEG-1 Layer III frames with bit-rate index 0 (free format), silent."""
    header = bytes([0xFF, 0xFB, 0x00, 0x64])
    return [header + bytes(length - 4)] * count


def vbri_frame(template, audio_frames):
    """A 128-kbit/s first frame carrying a VBRI tag for the frames that follow.

    The header copies the stream's fields (channel mode, CRC, original ...) so
    that it belongs to the stream; the table of contents gives the byte size
    of every block of 10 frames.
    """
    h = bytearray(template[:4])
    h[2] = (9 << 4) | (h[2] & 0x0F & ~0x02)  # index 9 = 128 kbit/s, no padding
    length = frame_length(h)
    per_entry = 10
    toc = []
    for i in range(0, len(audio_frames), per_entry):
        toc.append(sum(len(f) for f in audio_frames[i:i + per_entry]))
    total = length + sum(len(f) for f in audio_frames)
    # The frame count includes the VBRI frame itself, as mp3val expects.
    tag = b"VBRI" + struct.pack(">HHHII", 1, 1105, 75, total, len(audio_frames) + 1)
    tag += struct.pack(">HHHH", len(toc), 1, 2, per_entry)
    tag += b"".join(struct.pack(">H", min(t, 0xFFFF)) for t in toc)
    frame = bytes(h) + bytes(32) + tag  # 32 bytes of empty side information
    if len(frame) > length:
        raise ValueError("VBRI table does not fit in one frame")
    return frame + bytes(length - len(frame))


def xing_without_frame_count(frame):
    """Rewrites an encoder's Xing frame to carry only bytes and TOC (flags 6)."""
    at = 36  # MPEG-1 stereo
    assert frame[at:at + 4] == b"Xing"
    flags = struct.unpack(">I", frame[at + 4:at + 8])[0]
    assert flags & 7 == 7
    size_and_toc = frame[at + 12:at + 116]
    body = b"Xing" + struct.pack(">I", 6) + size_and_toc
    return frame[:at] + body + bytes(len(frame) - at - len(body))


# ------------------------------------------------------------ tags


def id3v1(title, artist, album, year, comment, genre, track=0):
    def field(text, n):
        raw = text.encode("latin-1")[:n]
        return raw + bytes(n - len(raw))

    block = b"TAG" + field(title, 30) + field(artist, 30) + field(album, 30) + field(year, 4)
    if track:
        block += field(comment, 28) + bytes([0, track])
    else:
        block += field(comment, 30)
    return block + bytes([genre])


def frame_v24(fid, payload):
    return fid.encode("ascii") + syncsafe(len(payload)) + b"\x00\x00" + payload


def frame_v23(fid, payload):
    return fid.encode("ascii") + struct.pack(">I", len(payload)) + b"\x00\x00" + payload


def latin1(text):
    return b"\x00" + text.encode("latin-1")


def utf8(text):
    return b"\x03" + text.encode("utf-8")


def utf16(text):
    return b"\x01" + b"\xff\xfe" + text.encode("utf-16-le")


def comm_utf16(description, text):
    return (b"\x01" + b"eng" + b"\xff\xfe" + description.encode("utf-16-le") + b"\x00\x00"
            + b"\xff\xfe" + text.encode("utf-16-le"))


def id3v2_tag(major, frames, padding=64, extended=None, footer=False):
    """A tag of version 2.`major`.0; `extended` is the raw extended header."""
    flags = 0
    body = b""
    if extended is not None:
        flags |= 0x40
        body += extended
    body += b"".join(frames) + bytes(padding)
    if footer:
        flags |= 0x10  # a tag with a footer carries no padding
    header = b"ID3" + bytes([major, 0, flags]) + syncsafe(len(body))
    tail = (b"3DI" + bytes([major, 0, flags]) + syncsafe(len(body))) if footer else b""
    return header + body + tail


# ------------------------------------------------------------ the library

TAGS_A = ["--tt", "Sine Study No. 1", "--ta", "Tunewarden Test Signals", "--tl",
          "Synthetic Samples", "--ty", "2024", "--tg", "Electronic"]


def junk(n, seed):
    """Bytes that never hold a sync byte (0xFF), so that no header hides in them."""
    rnd = lcg(seed)
    return bytes(min(0xFE, int(next(rnd) * 256)) for _ in range(n))


def build():
    """Gives {relative path: bytes} for the whole library."""
    out = {}
    st44 = lambda s, **kw: wav("st44-%g" % s, 44100, 2, s, **kw)  # noqa: E731

    # Clean files straight from the encoders.
    out["cbr128-id3v1-id3v2.mp3"] = lame(
        st44(4), "-b", "128", "--add-id3v2", *TAGS_A, "--tn", "3", "--tc", "440 Hz and friends")
    out["cbr192-id3v1.0-only.mp3"] = lame(
        wav("st44-3-noise", 44100, 2, 3, noise=0.2, seed=7), "-b", "192", "--id3v1-only",
        "--tt", "Chirps at 192", "--ta", "Tunewarden Test Signals", "--tl", "Synthetic Samples",
        "--ty", "2023", "--tg", "Ambient", "--tc", "a comment of thirty characters")
    vbr_source = wav("st44-6-noise", 44100, 2, 6, noise=0.6, seed=3)
    out["vbr-v2-xing-id3v2.mp3"] = lame(
        vbr_source, "-V2", "--id3v2-only", "--tt", "VBR Melody", "--ta", "Tunewarden Test Signals",
        "--tl", "Synthetic Samples", "--ty", "2024", "--tn", "5/12", "--tg", "Techno")
    out["mpeg2-layer3-22khz-64k.mp3"] = lame(wav("st22-4", 22050, 2, 4), "-b", "64")
    out["mpeg2-vbr-mono-xing.mp3"] = lame(
        wav("mo24-4", 24000, 1, 4, noise=0.5, seed=5), "-m", "m", "-V4")
    out["mpeg25-layer3-8khz-16k.mp3"] = lame(wav("mo8-4", 8000, 1, 4, base=330.0), "-m", "m", "-b", "16")
    out["layer2-192k.mp2"] = ffmpeg_mp2(st44(4), "192k")
    out["layer1-synthesised.mp1"] = b"".join(layer1_frames(3))

    # A VBRI first frame ahead of VBR frames that carry no tag of their own.
    _, vbr_frames, _ = split(lame(vbr_source, "-V2", "-t"))
    out["vbri-synthesised.mp3"] = vbri_frame(vbr_frames[0], vbr_frames) + b"".join(vbr_frames)

    # A Xing tag without frame count, and junk in the stream: the walk has no time index.
    _, xing_frames, _ = split(lame(vbr_source, "-V2"))
    xing_frames[0] = xing_without_frame_count(xing_frames[0])
    out["xing-without-frame-count-junk.mp3"] = (
        b"".join(xing_frames[:80]) + b"JUNK-JUNK!" + b"".join(xing_frames[80:]))

    # Damaged CBR streams, from one plain encoding without a LAME tag.
    _, cbr, _ = split(lame(st44(3), "-b", "128", "-t"))
    stream = b"".join(cbr)
    out["stray-bytes-after-last-frame.mp3"] = stream + b"\x00\x00"
    tag = id3v1("Cut Short", "Tunewarden Test Signals", "Synthetic Samples", "2024",
                "last frame cut at 200 bytes", 52, track=9)
    out["truncated-last-frame.mp3"] = b"".join(cbr[:-1]) + cbr[-1][:200] + tag
    _, cbr4, _ = split(lame(st44(4), "-b", "128", "-t"))
    out["junk-between-frames.mp3"] = b"".join(cbr4[:60]) + b"JUNK-JUNK!" + b"".join(cbr4[60:])
    short = cbr4[80][:200] + cbr4[80][250:]
    out["short-frame.mp3"] = b"".join(cbr4[:80]) + short + b"".join(cbr4[81:])
    out["garbage-appended.mp3"] = b"".join(cbr4) + junk(300, 11)

    # Two encodings joined: the mono half no longer matches the stereo first header.
    _, mono, _ = split(lame(wav("mo44-2", 44100, 1, 2), "-m", "m", "-b", "128", "-t"))
    out["stereo-then-mono-joined.mp3"] = b"".join(cbr[:38]) + b"".join(mono)

    # A first frame that runs into an ID3v1 tag: the next header the scan
    # confirms lies inside the tag's comment, so the audio ends inside frame 1.
    first = cbr[0][:300]
    next_header = cbr[1][:4]
    at = len(cbr[0]) - 300 - 97  # where the next header falls inside the comment
    comment = "x" * at
    tag = bytearray(id3v1("Frame Past End", "Tunewarden Test Signals", "Synthetic Samples", "2024",
                          comment, 52))
    tag[97 + at:97 + at + 4] = next_header
    out["first-frame-past-audio-end.mp3"] = first + bytes(tag)

    # Files that are no audio at all.
    out["no-frames-text.mp3"] = (
        b"This file has an .mp3 name but holds plain text and no MPEG audio frames.\n" * 8)
    out["too-short.mp3"] = b"not audio"  # nine bytes
    out["free-format.mp3"] = b"".join(free_format_frames(60))

    # Leading ID3v2 tags.
    lead, cbr2, _ = split(lame(wav("st44-2", 44100, 2, 2), "-b", "128", "-t", "--id3v2-only",
                               "--tt", "Junk After Tag", "--ta", "Tunewarden Test Signals"))
    out["id3v2-then-junk.mp3"] = lead + b"JUNK" * 9 + b"!" + b"".join(cbr2)  # 37 bytes

    _, mono2, _ = split(lame(wav("mo44-2", 44100, 1, 2), "-m", "m", "-b", "96", "-t"))
    v24 = id3v2_tag(4, [
        frame_v24("TIT2", utf16("Grüße in UTF-16")),
        frame_v24("TPE1", utf8("Tunewarden Café Ensemble")),
        frame_v24("TALB", latin1("Synthetic Samples")),
        frame_v24("TRCK", latin1("7/12")),
        frame_v24("TDRC", latin1("2024")),
        frame_v24("TCON", latin1("(52)Electronic")),
        frame_v24("COMM", comm_utf16("", "UTF-16 comment, empty description")),
    ])
    out["id3v24-utf16-comm-tit2.mp3"] = v24 + b"".join(mono2)

    ext24 = syncsafe(6) + b"\x01\x00"  # size counts itself; one flag byte, no flags
    tagged = id3v2_tag(4, [
        frame_v24("TIT2", latin1("Extended Header and Footer")),
        frame_v24("TPE1", latin1("Tunewarden Test Signals")),
        frame_v24("COMM", comm_utf16("note", "UTF-16 comment with a description")),
    ], padding=0, extended=ext24, footer=True)
    out["id3v24-footer-extended-header.mp3"] = tagged + b"".join(mono2)

    ext23 = struct.pack(">IHI", 6, 0, 0)  # size excludes itself; flags; padding size
    out["id3v23-extended-header.mp3"] = id3v2_tag(3, [
        frame_v23("TIT2", latin1("Version 2.3 Extended Header")),
        frame_v23("TPE1", latin1("Tunewarden Test Signals")),
        frame_v23("TYER", latin1("2024")),
    ], extended=ext23) + b"".join(mono2)

    out["notes.txt"] = (b"Not audio: the listing skips this file, since its name does not end in\n"
                        b".mp1, .mp2 or .mp3.\n")

    # A subfolder, so that recursion shows; one name in upper case.
    out["more/UPPER-CASE-EXTENSION.MP3"] = lame(
        wav("mo44-2", 44100, 1, 2), "-m", "m", "-b", "128", "--id3v1-only", "--tt", "Upper Case",
        "--ta", "Tunewarden Test Signals", "--tn", "1", "--tg", "Pop")
    out["more/mpeg1-mono-vbr-xing.mp3"] = lame(
        wav("mo44-3-noise", 44100, 1, 3, noise=0.5, seed=9), "-m", "m", "-V3")
    return out


def main():
    global WORK
    for tool in ("lame", "ffmpeg"):
        if shutil.which(tool) is None:
            sys.exit("make-samples: %s is not installed" % tool)
    with tempfile.TemporaryDirectory(prefix="tw-samples-") as WORK:
        files = build()
    # Clear what an earlier run made; the README stays.
    for dirpath, _, names in os.walk(OUT_DIR, topdown=False):
        for name in names:
            if not (dirpath == OUT_DIR and name == "README.md"):
                os.remove(os.path.join(dirpath, name))
        if dirpath != OUT_DIR:
            os.rmdir(dirpath)
    total = 0
    for rel, data in sorted(files.items()):
        path = os.path.join(OUT_DIR, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        total += len(data)
        print("%8d  %s" % (len(data), rel))
    print("%8d  in %d files" % (total, len(files)))


if __name__ == "__main__":
    main()
