#!/usr/bin/env bash
# Writes tests/tag-samples/: small files whose tags were written by lame,
# eyeD3, mutagen and id3v2 (id3lib) in Latin, Cyrillic, Greek, Hebrew and
# Japanese script, with an emoji and a character outside the BMP, in every
# ID3v2 text encoding and in ISO-8859-1 ID3v1 tags. The side-by-side test
# (tests/check_side_by_side.py) reads them with this tool, ffprobe and mutagen.
# Every run gives the same bytes (lame 3.100, eyeD3 0.9.7, mutagen 1.46,
# id3v2 0.1.12).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/lib.sh
. "$top/scripts/lib.sh"
ensure_packages lame eyed3 id3v2 python3 python3-mutagen
out=$top/tests/tag-samples
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$out"
rm -f "$out"/*.mp3
export LC_ALL=C.UTF-8

# 0.5 s of a 440 Hz tone, 22,050 Hz mono, computed here so that no tool's
# dither or version changes the audio.
/usr/bin/python3 - "$tmp/tone.wav" <<'PY'
import math, struct, sys, wave
rate = 22050
with wave.open(sys.argv[1], "wb") as w:
    w.setnchannels(1)
    w.setsampwidth(2)
    w.setframerate(rate)
    w.writeframes(b"".join(struct.pack("<h", int(8000 * math.sin(2 * math.pi * 440 * i / rate)))
                           for i in range(int(rate * 0.5))))
PY
encode() { lame --quiet --nohist -m m -b 64 "$@"; }
encode -t "$tmp/tone.wav" "$tmp/plain.mp3"  # no Info tag: the tag writers' input

# lame: ID3v2.3 in UTF-16 with a byte-order mark (encoding 1), and ID3v1 in
# ISO-8859-1 (what it can't hold becomes "?").
encode --id3v2-utf16 --tt "Привет, мир" --ta "Ελληνική χορωδία" --tl "Café" --ty 2001 --tn 4/9 \
    --tg Rock --tc "שלום עולם" "$tmp/tone.wav" "$out/lame-utf16-cyrillic-greek-hebrew.mp3"
# lame: ID3v2.3 in ISO-8859-1 (encoding 0) and ID3v1.
encode --id3v2-latin1 --tt "Café Müller Straße" --ta "Ærø Ångström" --tl "À la carte" --ty 1999 \
    --tn 12 --tg Jazz --tc "Déjà vu" "$tmp/tone.wav" "$out/lame-latin1.mp3"

# eyeD3: ID3v2.4 in UTF-8 (encoding 3) and in UTF-16BE (encoding 2).
cp "$tmp/plain.mp3" "$out/eyed3-v24-utf8-japanese-emoji.mp3"
eyeD3 --quiet --to-v2.4 --encoding utf8 -t "音楽の時間 🎵" -a "𝄞 Clef Ensemble" -A "日本語アルバム" \
    --recording-date 2020 -n 2 -N 5 -d 1 -D 2 -G Jazz -c "コメント" \
    "$out/eyed3-v24-utf8-japanese-emoji.mp3" >/dev/null
cp "$tmp/plain.mp3" "$out/eyed3-v24-utf16be-hebrew-greek.mp3"
eyeD3 --quiet --to-v2.4 --encoding utf16-be -t "שיר ערש" -a "Μίκης" -A "Ωδές" --recording-date 1975 \
    -n 3 -N 10 -c "σχόλιο" "$out/eyed3-v24-utf16be-hebrew-greek.mp3" >/dev/null

# mutagen: ID3v2.4 in UTF-8 with several values in a frame and a full date;
# ID3v2.3 in UTF-16, whose texts mutagen ends with a terminator, and an
# ID3v1 tag.
cp "$tmp/plain.mp3" "$out/mutagen-v24-utf8-multi.mp3"
cp "$tmp/plain.mp3" "$out/mutagen-v23-utf16-id3v1.mp3"
/usr/bin/python3 - "$out" <<'PY'
import sys
from mutagen.id3 import ID3, COMM, TALB, TCON, TDRC, TIT2, TPE1, TPOS, TRCK

out = sys.argv[1]
tag = ID3()
tag.add(TIT2(encoding=3, text=["Ночной поезд 🚂"]))
tag.add(TPE1(encoding=3, text=["Анна", "Bob"]))
tag.add(TALB(encoding=3, text=["Σ \U0001F3B5 𝄞"]))
tag.add(TRCK(encoding=3, text=["4/10"]))
tag.add(TPOS(encoding=3, text=["1/2"]))
tag.add(TDRC(encoding=3, text=["1999-05-03"]))
tag.add(TCON(encoding=3, text=["17", "Jazz"]))
tag.add(COMM(encoding=3, lang="eng", desc="", text=["多くの値"]))
tag.save(f"{out}/mutagen-v24-utf8-multi.mp3", v2_version=4)

tag = ID3()
tag.add(TIT2(encoding=1, text=["Γειά σου κόσμε"]))
tag.add(TPE1(encoding=1, text=["Ελένη", "Νίκος"]))
tag.add(TALB(encoding=1, text=["Caf\u00e9 del Mar"]))
tag.add(TRCK(encoding=1, text=["7/12"]))
tag.add(TDRC(encoding=1, text=["1999"]))
tag.add(COMM(encoding=1, lang="ell", desc="", text=["σχόλιο"]))
tag.save(f"{out}/mutagen-v23-utf16-id3v1.mp3", v2_version=3, v1=2)
PY

# id3v2 (id3lib): ID3v2.3 and ID3v1, both ISO-8859-1, from Latin-1 bytes.
cp "$tmp/plain.mp3" "$out/id3v2-latin1.mp3"
/usr/bin/python3 - "$out/id3v2-latin1.mp3" <<'PY'
import subprocess, sys
latin = lambda s: s.encode("latin-1")
subprocess.run(["id3v2", "-t", latin("Déjà vu"), "-a", latin("Björk Æsir"), "-A", latin("À la carte"),
                "-y", "1997", "-T", "7/11", "-g", "17", "-c", latin("© fin"), sys.argv[1]], check=True)
PY
ls -l "$out"
