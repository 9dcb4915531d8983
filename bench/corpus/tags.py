"""tags.py OUTDIR PLAIN TAGGED VBR FFMONO: tagged copies written with mutagen
and, for the tags no common tool writes (an appended ID3v2.4 tag with footer,
Lyrics3 v2), by hand; prints one manifest row per file.
PLAIN has no tags, TAGGED has ID3v2.3 and ID3v1 (lame), VBR is a lame VBR
file, FFMONO an ffmpeg mono file (Xing at 21 or 13)."""
import shutil
import struct
import sys

from mutagen.apev2 import APEv2
from mutagen.id3 import APIC, COMM, ID3, TIT2, TPE1


out, plain, tagged, vbr, ffmono = sys.argv[1:6]


def synchsafe(n):
    return bytes([(n >> 21) & 127, (n >> 14) & 127, (n >> 7) & 127, n & 127])


def id3v24_with_footer(title):
    text = b"\x03" + title.encode() + b"\0"
    frames = b"TIT2" + synchsafe(len(text)) + b"\0\0" + text
    return b"ID3\x04\x00\x10" + synchsafe(len(frames)) + frames + b"3DI\x04\x00\x10" + synchsafe(len(frames))


def lyrics3v2(text):
    fields = b"IND00002" + b"10" + b"LYR%05d" % len(text) + text.encode() + b"ETT%05d" % 5 + b"Sweep"
    body = b"LYRICSBEGIN" + fields
    return body + b"%06d" % len(body) + b"LYRICS200"


def ape(version, items):
    """An APE tag: version 2000 with header and footer, 1000 with a footer only."""
    data = b"".join(struct.pack("<2I", len(v), 0) + k.encode() + b"\0" + v.encode() for k, v in items)
    foot = b"APETAGEX" + struct.pack("<4I", version, len(data) + 32, len(items), 0) + bytes(8)
    if version == 1000:
        return data + foot
    head = b"APETAGEX" + struct.pack("<4I", version, len(data) + 32, len(items), 0xA0000000) + bytes(8)
    return head + data + foot[:20] + struct.pack("<I", 0x80000000) + bytes(8)


def split(path):
    """(audio with any front tag, the ID3v1 tag or b"")."""
    d = open(path, "rb").read()
    return (d[:-128], d[-128:]) if d[-128:-125] == b"TAG" else (d, b"")


def emit(name, recipe, data=None, src=None):
    if data is not None:
        open(f"{out}/{name}.mp3", "wb").write(data)
    print(f"tags/{name}.mp3\ttagger\tclean\t{recipe}\t-")


def mutagen_copy(name, src, recipe, edit):
    shutil.copy(src, f"{out}/{name}.mp3")
    edit(f"{out}/{name}.mp3")
    emit(name, recipe)


def id3(version, big=False):
    def edit(p):
        t = ID3()
        t.add(TIT2(encoding=3, text="Sweep"))
        t.add(TPE1(encoding=3, text="Corpus"))
        if big:
            t.add(COMM(encoding=3, lang="eng", desc="", text="la " * 3000))
            t.add(APIC(encoding=3, mime="image/png", type=3, desc="Cover", data=b"\x89PNG" + bytes(20000)))
        t.save(p, v2_version=version)
    return edit


def shrink(p):
    t = ID3(p)
    t.delall("COMM")
    t.delall("APIC")
    t.save(p, padding=lambda info: 0)


def ape_save(p):
    a = APEv2()
    a["Title"], a["Artist"] = "Sweep", "Corpus"
    a.save(p)


def id3v1_save(p):
    ID3(p).save(p, v1=2)


mutagen_copy("mutagen-v24", plain, "mutagen ID3v2.4", id3(4))
mutagen_copy("mutagen-v23", plain, "mutagen ID3v2.3", id3(3))
mutagen_copy("mutagen-v23-grown", tagged, "mutagen: lame's v2.3 tag grown (comment, 20 KB picture)", id3(3, True))
mutagen_copy("mutagen-v23-shrunk", f"{out}/mutagen-v23-grown.mp3",
             "mutagen: the grown tag shrunk (padding 0, saved as ID3v2.4)", shrink)
mutagen_copy("mutagen-ape-after-id3v1", tagged, "mutagen APEv2 on a file with ID3v1 (APE after ID3v1)", ape_save)
mutagen_copy("mutagen-ape-after-id3v1-vbr", vbr, "mutagen ID3v1 then APEv2 on lame VBR (APE after ID3v1)",
             lambda p: (ID3().save(p, v1=2, v2_version=3), ape_save(p)))
mutagen_copy("mutagen-ape-after-id3v1-ffmono", ffmono, "mutagen ID3v1 then APEv2 on ffmpeg mono VBR",
             lambda p: (id3v1_save(p), ape_save(p)))
mutagen_copy("mutagen-ape-then-id3v1", plain, "mutagen APEv2, then ID3v1 (APE before ID3v1)",
             lambda p: (ape_save(p), ID3().save(p, v1=2)))
mutagen_copy("mutagen-ape-only", vbr, "mutagen APEv2 alone at the end", ape_save)

audio, v1 = split(tagged)
pa, _ = split(plain)
foot, lyr = id3v24_with_footer("Appended"), lyrics3v2("la la la\r\nla")
a2, a1 = ape(2000, [("Title", "Sweep")]), ape(1000, [("Title", "Sweep")])
emit("appended-v24-footer-before-id3v1", "hand-made: ID3v2.4 with footer appended, then ID3v1", audio + foot + v1)
emit("appended-v24-footer-at-end", "hand-made: ID3v2.4 with footer appended, no ID3v1", pa + foot)
emit("appended-v24-footer-after-id3v1", "hand-made: ID3v1, then ID3v2.4 with footer appended", audio + v1 + foot)
emit("lyrics3v2-before-id3v1", "hand-made: Lyrics3 v2 then ID3v1", audio + lyr + v1)
emit("apev1-before-id3v1", "hand-made: APEv1 (footer only) then ID3v1", audio + a1 + v1)
emit("ape-lyrics3-id3v1", "hand-made: APEv2, Lyrics3 v2, ID3v1", audio + a2 + lyr + v1)
emit("lyrics3-ape-id3v1", "hand-made: Lyrics3 v2, APEv2, ID3v1", audio + lyr + a2 + v1)
emit("v24footer-ape-id3v1", "hand-made: ID3v2 front, ID3v2.4 footer tag, APEv2, ID3v1", audio + foot + a2 + v1)
emit("id3v1-ape-v24footer", "hand-made: ID3v1, APEv2, ID3v2.4 footer tag (each after the other)", audio + v1 + a2 + foot)
