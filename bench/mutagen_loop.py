#!/usr/bin/python3
"""The tag-reader baseline of the library benchmark: one process that loads
every .mp3 file of a folder with mutagen.mp3.MP3 (the MPEG facts, with the
Xing/Info header, and the ID3v2 tag merged with the ID3v1 tag) and reads the
usual fields, as a library tagger or player does when it indexes files.

usage: mutagen_loop.py DIR   (run it with Debian's /usr/bin/python3, which
has python3-mutagen)
"""
import os
import sys

from mutagen.mp3 import MP3

FIELDS = ("TIT2", "TPE1", "TALB", "TDRC", "TRCK", "TCON")


def main():
    folder = sys.argv[1]
    names = sorted(n for n in os.listdir(folder) if n.lower().endswith(".mp3"))
    seen = 0
    for name in names:
        audio = MP3(os.path.join(folder, name))
        facts = (audio.info.length, audio.info.bitrate, audio.info.sample_rate, audio.info.bitrate_mode)
        tags = audio.tags or {}
        texts = [str(tags[key]) for key in FIELDS if key in tags]
        seen += bool(facts) + len(texts)
    if not names or seen == 0:
        sys.exit("mutagen_loop: nothing read in " + folder)


if __name__ == "__main__":
    main()
