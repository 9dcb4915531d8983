"""damage.py OUTDIR BASE...: damaged copies of OUTDIR/BASE.mp3 (or .mp2) in
OUTDIR/damaged/, damaged as disks, copies and downloads do; prints one
manifest row per copy, with what can reveal the damage:
  walk       the frame walk (a sync error, a short or long frame)
  walk-tail  the frame walk, but only in the last 1 % of the audio
  xing-count the Xing/Info/VBRI frame or byte count
  music-crc  the LAME music CRC     tag-crc  the LAME tag CRC
  frame-crc  the CRC-16 of protected frames
"""
import os
import sys

import mpeg


def base_facts(d):
    fr = mpeg.walk(d)
    rec = mpeg.records(d, fr)
    f = dict(frames=fr, start=fr[0]["pos"], end=fr[-1]["pos"] + fr[-1]["length"],
             counts=bool(rec and ("frames" in rec or "bytes" in rec)),
             lame=bool(rec and "lame" in rec), prot=fr[0]["crc"] and fr[-1]["crc"],
             tags=mpeg.id3v2_size(d) > 0 or bool(mpeg.tail_tags(d)[1]), rec=rec)
    f["audio"] = fr[1:] if rec else fr  # frames that carry music
    return f


def damages(d, f):
    """Yields (name, bytes, methods, recipe). methods: the set of ways that reveal it."""
    fr, audio, start, end = f["frames"], f["audio"], f["start"], f["end"]
    tail = d[end:]
    at = lambda frac: audio[int(len(audio) * frac)]
    walkpos = lambda pos: {"walk" if (pos - start) / (end - start) < 0.99 else "walk-tail"}
    cnt = {"xing-count"} if f["counts"] else set()
    mcrc = {"music-crc"} if f["lame"] else set()
    fcrc = {"frame-crc"} if f["prot"] else set()

    def flip(pos, mask):
        b = bytearray(d)
        b[pos] ^= mask
        return bytes(b)

    h = at(0.5)
    yield "cut-boundary-keep-v1", d[:h["pos"]] + tail, cnt, "cut at a frame boundary (50 %), trailing tags kept"
    yield "cut-boundary", d[:h["pos"]], cnt, "cut at a frame boundary (50 %), trailing tags lost"
    cut = h["pos"] + h["length"] // 2
    yield "cut-inside-keep-v1", d[:cut] + tail, cnt | {"walk-tail"}, "cut inside a frame (50 %), trailing tags kept"
    yield "cut-inside", d[:cut], cnt | {"walk-tail"}, "cut inside a frame (50 %), trailing tags lost"
    n = len(d) * 37 // 100
    inside = any(x["pos"] < n < x["pos"] + x["length"] for x in fr)
    yield "partial-37pct", d[:n], cnt | ({"walk-tail"} if inside else set()), "first 37 % of the file (download)"
    h = at(0.4)
    yield "flip-main-data", flip(h["pos"] + h["length"] - 10, 0x08), mcrc, "bit flipped in main data (40 %)"
    yield "flip-header-bitrate", flip(h["pos"] + 2, 0x10), walkpos(h["pos"]) | mcrc | fcrc, \
        "bitrate bit flipped in a frame header (40 %)"
    yield "flip-header-private", flip(h["pos"] + 2, 0x01), mcrc | fcrc, "private bit flipped in a frame header (40 %)"
    side = h["pos"] + 4 + (2 if h["crc"] else 0) + (3 if h["layer"] == 3 else 0)
    yield "flip-side-info", flip(side, 0x04), mcrc | fcrc, \
        "bit flipped in side info / Layer II bit allocation (40 %)"
    if f["rec"]:
        toc = fr[0]["pos"] + f["rec"]["offset"] + 8 + 8 + 50
        yield "flip-header-frame", flip(toc, 0x01), ({"tag-crc"} if f["lame"] else set()), \
            "bit flipped in the Xing TOC of the header frame"
    z = start + (end - start) // 2
    b = bytearray(d)
    b[z:z + 4096] = bytes(4096)
    # Zeroed frames are no frames: their frame CRCs can't be checked.
    yield "zero-4k-middle", bytes(b), {"walk"} | mcrc, "4 KiB zeroed in the middle"
    b = bytearray(d)
    b[end - 1024:end] = bytes(1024)
    hit = min(x["pos"] for x in fr if x["pos"] + 4 > end - 1024)
    yield "zero-last-1k", bytes(b), walkpos(hit) | mcrc | cnt, "last 1 KiB of audio zeroed, trailing tags kept"
    last = fr[-1]
    yield "flip-last-header", flip(last["pos"] + 2, 0x10), {"walk-tail"} | mcrc | fcrc, \
        "bitrate bit flipped in the last frame's header"
    h = at(0.5)
    junk = b"\0JUNK\0" * 20
    yield "junk-between-frames", d[:h["pos"]] + junk + d[h["pos"]:], {"walk"} | cnt | mcrc, \
        "120 bytes of junk between two frames (50 %)"
    garbage = b"GARBAGE!" * 88
    yield "garbage-front", d[:start] + garbage + d[start:], set(), "704 bytes of garbage in front of the first frame"
    yield "joined", d + d, cnt | ({"walk"} if f["tags"] else set()), "two copies joined (cat a a), tags and all"


def main():
    out, bases = sys.argv[1], sys.argv[2:]
    for base in bases:
        ext = ".mp2" if os.path.exists(f"{out}/{base}.mp2") else ".mp3"
        d = open(f"{out}/{base}{ext}", "rb").read()
        f = base_facts(d)
        gain = base.startswith("gain/")
        for name, data, how, recipe in damages(d, f):
            if gain and name != "flip-main-data":
                continue  # the gain-changed files get the one damage the undo must not hide
            rel = f"damaged/{base.replace('/', '-')}-{name}{ext}"
            open(f"{out}/{rel}", "wb").write(data)
            det = "yes:" + "+".join(sorted(how)) if how else "no:nothing-records-it"
            family = base.split("/")[0] if not gain else "mp3gain"
            print(f"{rel}\t{family}\tdamaged\t{recipe} of {base}{ext}\t{det}")


if __name__ == "__main__":
    main()
