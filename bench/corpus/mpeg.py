"""Just enough MPEG audio parsing for the corpus scripts: frame headers, the
frame chain, trailing tags, the Xing/Info/VBRI record and its LAME extension,
and CRC-16/ARC. Independent of Tunewarden on purpose: it is the yardstick.

    python3 mpeg.py records FILE...   # one line per file: the encoder records
                                      # and which byte ranges give the tag CRC
    python3 mpeg.py headerdiff A B    # which fields of the header frame differ
    python3 mpeg.py framecrc FILE     # how many protected frames fail their CRC
"""
import json
import struct
import sys

L3_V1 = [0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320]
L2_V1 = [0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384]
L1_V1 = [0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448]
L1_V2 = [0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256]
L23_V2 = [0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160]
RATES = {3: [44100, 48000, 32000], 2: [22050, 24000, 16000], 0: [11025, 12000, 8000]}


def crc16(data, crc=0):
    """CRC-16/ARC (poly 0x8005 reflected, init 0), as the LAME tag uses."""
    for b in data:
        crc ^= b
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


def crc16_frame(data, crc=0xFFFF):
    """The frame CRC of ISO 11172-3: poly 0x8005, MSB first, init 0xFFFF."""
    for b in data:
        for i in range(7, -1, -1):
            bit = ((crc >> 15) ^ (b >> i)) & 1
            crc = ((crc << 1) & 0xFFFF) ^ (0x8005 if bit else 0)
    return crc


def header(d, p):
    """The frame header at p as a dict, or None when there is none."""
    if p + 4 > len(d) or d[p] != 0xFF or (d[p + 1] & 0xE0) != 0xE0:
        return None
    ver, layer = (d[p + 1] >> 3) & 3, 4 - ((d[p + 1] >> 1) & 3)
    bri, sri = d[p + 2] >> 4, (d[p + 2] >> 2) & 3
    if ver == 1 or layer == 4 or bri in (0, 15) or sri == 3:
        return None
    table = {1: L1_V1, 2: L2_V1, 3: L3_V1}[layer] if ver == 3 else (L1_V2 if layer == 1 else L23_V2)
    kbps, sr, pad = table[bri], RATES[ver][sri], (d[p + 2] >> 1) & 1
    if layer == 1:
        length, spf = (12000 * kbps // sr + pad) * 4, 384
    elif layer == 3 and ver != 3:
        length, spf = 72000 * kbps // sr + pad, 576
    else:
        length, spf = 144000 * kbps // sr + pad, 1152
    mode = d[p + 3] >> 6
    side = (32 if mode != 3 else 17) if ver == 3 else (17 if mode != 3 else 9)
    return dict(pos=p, ver={3: "1", 2: "2", 0: "2.5"}[ver], layer=layer, kbps=kbps, rate=sr,
                pad=pad, mode=mode, modeext=(d[p + 3] >> 4) & 3, crc=not d[p + 1] & 1,
                private=d[p + 2] & 1, length=length, spf=spf, side=side)


def same_stream(a, b):
    # Not the channel mode: twolame -m j switches stereo/joint stereo frame by
    # frame, and ffmpeg marks its Xing frame stereo in a joint-stereo stream.
    return (a["ver"], a["layer"], a["rate"]) == (b["ver"], b["layer"], b["rate"])


def id3v2_size(d, p=0):
    if d[p:p + 3] != b"ID3" or p + 10 > len(d):
        return 0
    s = d[p + 6:p + 10]
    return 10 + (s[0] << 21 | s[1] << 14 | s[2] << 7 | s[3]) + (10 if d[p + 5] & 0x10 else 0)


def tail_tags(d):
    """(start of the trailing tags, their names from the end of the file)."""
    end, names = len(d), []
    while True:
        if end >= 128 and d[end - 128:end - 125] == b"TAG":
            end -= 128; names.append("ID3v1"); continue
        if end >= 32 and d[end - 32:end - 24] == b"APETAGEX":
            size, flags = struct.unpack("<I", d[end - 20:end - 16])[0], struct.unpack("<I", d[end - 12:end - 8])[0]
            end -= size + (32 if flags & 0x80000000 else 0); names.append("APE"); continue
        if end >= 15 and d[end - 9:end] == b"LYRICS200":
            end -= int(d[end - 15:end - 9]) + 15; names.append("Lyrics3v2"); continue
        if end >= 10 and d[end - 10:end - 7] == b"3DI":
            end -= id3v2_size(b"ID3" + d[end - 7:end]); names.append("ID3v2-footer"); continue
        return end, names


def walk(d):
    """Frame headers from the first confirmed frame to the end of the audio."""
    start, end = id3v2_size(d), tail_tags(d)[0]
    p = start
    while p < end:
        h = header(d, p)
        if h and (p + h["length"] >= end or ((n := header(d, p + h["length"])) and same_stream(h, n))):
            break
        p += 1
    out = []
    while p < end and (h := header(d, p)) and p + h["length"] <= end:
        out.append(h)
        p += h["length"]
    return out


def records(d, frames):
    """The Xing/Info or VBRI record of the first frame, with its LAME extension."""
    if not frames:
        return None
    f = frames[0]
    p, fb = f["pos"], d[f["pos"]:f["pos"] + f["length"]]
    for x in range(4, 4 + 2 + 32 + 4):
        if fb[x:x + 4] in (b"Xing", b"Info"):
            break
    else:
        if fb[36:40] == b"VBRI":
            return dict(kind="VBRI", offset=36, bytes=struct.unpack(">I", fb[46:50])[0],
                        frames=struct.unpack(">I", fb[50:54])[0])
        return None
    r = dict(kind=fb[x:x + 4].decode(), offset=x)
    flags, q = struct.unpack(">I", fb[x + 4:x + 8])[0], x + 8
    for bit, name, size in ((1, "frames", 4), (2, "bytes", 4), (4, "toc", 100), (8, "quality", 4)):
        if flags & bit:
            raw = fb[q:q + size]
            r[name] = raw.hex() if name == "toc" else struct.unpack(">I", raw)[0]
            q += size
    if "toc" in r:
        r["toc"] = r["toc"][:16] + "..."
    ext = d[p + q:p + q + 36]
    if len(ext) == 36 and ext[:4].isalnum() and ext[:4] not in (b"\0\0\0\0",):
        crc_at = q + 34
        r["lame"] = dict(version=ext[:9].decode("latin-1").rstrip("\0 "), ext_offset=q,
                         music_length=struct.unpack(">I", ext[28:32])[0],
                         music_crc=ext[32] << 8 | ext[33], tag_crc=ext[34] << 8 | ext[35],
                         tag_crc_offset=crc_at, gain_byte=ext[25])
    return r


def facts(path):
    d = open(path, "rb").read()
    fr = walk(d)
    r = records(d, fr)
    out = dict(file=path, frames=len(fr))
    if fr:
        f0 = fr[0]
        out.update(first=f0["pos"], header_frame_length=f0["length"], version=f0["ver"], layer=f0["layer"],
                   rate=f0["rate"], mode=f0["mode"], crc=f0["crc"],
                   audio_bytes=fr[-1]["pos"] + fr[-1]["length"] - f0["pos"], tail=tail_tags(d)[1])
    out["record"] = r
    if r and "lame" in r:
        lm, p, n = r["lame"], fr[0]["pos"], fr[0]["length"]
        c = lm["tag_crc_offset"]

        def ffmpeg_rule(past_end):
            # ffmpeg: 190 bytes from the frame start, computed while the CRC
            # field (inside them when the Xing record is not at 36) was zero.
            b = bytearray((d[p:p + n] + past_end)[:190])
            b[c:c + 2] = b"\0\0"
            return crc16(bytes(b[:190]))
        rules = {"lame:bytes-before-crc": crc16(d[p:p + c]),
                 "ffmpeg:190-bytes,crc-field-zero,zeros-past-frame": ffmpeg_rule(bytes(190)),
                 "ffmpeg:190-bytes,crc-field-zero,next-frame-past-frame": ffmpeg_rule(d[p + n:p + n + 190]),
                 "190-file-bytes-as-they-are": crc16(d[p:p + 190])}
        out["tag_crc_rules"] = sorted(k for k, v in rules.items() if v == lm["tag_crc"])
        out["frame_shorter_than_190"] = n < 190
        end = fr[-1]["pos"] + fr[-1]["length"]
        out["music_crc_ok"] = crc16(d[p + n:end]) == lm["music_crc"]
        out["music_length_vs_file"] = [lm["music_length"], end - p]
    return out


def field_names(r):
    """Byte offset in the header frame -> field name, for the record r."""
    x, names = r["offset"], {}
    for i in range(4):
        names[i] = "frame header"
    for i in range(x, x + 8):
        names[i] = "Xing id/flags"
    for i, n in enumerate(["frames"] * 4 + ["bytes"] * 4 + ["toc"] * 100 + ["quality"] * 4):
        names[x + 8 + i] = n
    if "lame" in r:
        e = r["lame"]["ext_offset"]
        spans = [("version", 9), ("revision/vbr method", 1), ("lowpass", 1), ("peak", 4), ("radio gain", 2),
                 ("audiophile gain", 2), ("flags/ath", 1), ("bitrate", 1), ("delay/padding", 3), ("misc", 1),
                 ("mp3gain", 1), ("preset/surround", 2), ("music length", 4), ("music crc", 2), ("tag crc", 2)]
        for n, size in spans:
            for i in range(size):
                names[e] = n
                e += 1
    return names


def headerdiff(a, b):
    da, db = open(a, "rb").read(), open(b, "rb").read()
    fa, fb = walk(da), walk(db)
    ra = records(da, fa)
    ha, hb = da[fa[0]["pos"]:fa[0]["pos"] + fa[0]["length"]], db[fb[0]["pos"]:fb[0]["pos"] + fb[0]["length"]]
    names = field_names(ra) if ra else {}
    diff = sorted({names.get(i, "other") for i in range(min(len(ha), len(hb))) if ha[i] != hb[i]})
    return dict(a=a, b=b, lengths=[len(ha), len(hb)], changed=diff)


def framecrc(path):
    """Layer III and Layer II frame CRCs; Layer II needs the allocation tables,
    so only Layer III is checked here (header bytes 2-3 and the side info)."""
    d = open(path, "rb").read()
    bad = checked = 0
    for h in walk(d):
        if not h["crc"] or h["layer"] != 3:
            continue
        p = h["pos"]
        checked += 1
        want = d[p + 4] << 8 | d[p + 5]
        if crc16_frame(d[p + 2:p + 4] + d[p + 6:p + 6 + h["side"]]) != want:
            bad += 1
    return dict(file=path, protected_frames=checked, crc_mismatches=bad)


if __name__ == "__main__":
    cmd, args = (sys.argv[1], sys.argv[2:]) if len(sys.argv) > 2 else (None, [])
    if cmd == "records":
        for f in args:
            print(json.dumps(facts(f)))
    elif cmd == "headerdiff" and len(args) == 2:
        print(json.dumps(headerdiff(*args)))
    elif cmd == "framecrc":
        for f in args:
            print(json.dumps(framecrc(f)))
    else:
        sys.exit(__doc__)
