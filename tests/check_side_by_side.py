#!/usr/bin/env python3
"""tunewarden-cli's JSON Lines beside ffprobe and mutagen: over the sample
library and the tag samples, title, artist, album, year, track, duration
(within one frame) and bit rate agree wherever both sides have a value.

Where the sides measure different things, that is left out:
 - a file that the deep check finds damaged: the other tools believe its
   headers (a file cut short keeps its recorded length), so only its tags;
 - mutagen's length of a file with a LAME tag, which leaves out the
   encoder's delay and padding (the gapless playing time), and the average
   bit rate it derives from that length for such a VBR file;
 - ffprobe's format bit rate, which counts the tags too: its stream's is
   taken.

    check_side_by_side.py CLI FOLDER...

Needs ffprobe and python3-mutagen; exits 77 (skipped) without them."""
import json
import os
import shutil
import subprocess
import sys

try:
    import mutagen.mp3
    from mutagen.id3 import ID3NoHeaderError  # noqa: F401  (the ID3 support is there)
except ImportError:
    print("skipped: python3-mutagen is not installed")
    sys.exit(77)
if shutil.which("ffprobe") is None:
    print("skipped: ffprobe is not installed")
    sys.exit(77)

TEXTS = ("title", "artist", "album")


def records(cli, command, folder, *options):
    out = subprocess.run([cli, command, "--recurse", "--format", "jsonl", *options, folder],
                         stdout=subprocess.PIPE).stdout
    return [r for r in map(json.loads, out.decode("utf-8").splitlines()) if r["type"] == "file"]


def ours(record):
    """The fields to compare: the leading ID3v2 tag's, else the ID3v1 tag's."""
    tag = "id3v2" if record["id3v2"] else "id3v1" if record["id3v1"] else None
    got = {"duration": record["duration_seconds"], "bitrate": record["average_bitrate_bps"]}
    if tag:
        for name in TEXTS:
            got[name] = record[tag + "_" + name] or None
        got["year"] = (record[tag + "_year"] or "")[:4] or None
        track = record[tag + "_track"]
        got["track"] = track and (track["position"], track["total"])
    return got


def position(text):
    head, _, tail = (text or "").partition("/")
    number = lambda s: int(s) if s.strip().isdigit() else None  # noqa: E731
    return (number(head), number(tail)) if number(head) is not None else None


def ffprobe(path):
    out = subprocess.run(["ffprobe", "-v", "error", "-print_format", "json", "-show_format", "-show_streams", path],
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout
    probed = json.loads(out or b"{}")
    fmt = probed.get("format", {})
    streams = [s for s in probed.get("streams", []) if s.get("codec_type") == "audio"]
    tags = {k.lower(): v for k, v in fmt.get("tags", {}).items()}
    got = {name: tags.get(name) or None for name in TEXTS}
    got["year"] = (tags.get("date") or "")[:4] or None
    got["track"] = position(tags.get("track"))
    got["duration"] = float(fmt["duration"]) if "duration" in fmt else None
    got["bitrate"] = int(streams[0]["bit_rate"]) if streams and "bit_rate" in streams[0] else None
    return got


def mutagen_view(path):
    try:
        audio = mutagen.mp3.MP3(path)
    except Exception:  # mutagen gives up on some damaged files: nothing to compare then
        return {}
    tags = audio.tags or {}

    def text(frame_id):
        frame = tags.get(frame_id)
        return "/".join(str(t) for t in frame.text) if frame is not None and frame.text else None

    year = text("TYER") or text("TDRC")
    gapless = audio.info.encoder_info.startswith("LAME")
    vbr = audio.info.bitrate_mode != mutagen.mp3.BitrateMode.CBR
    # mutagen leaves a VBR file's header frame out of its bytes; ffprobe and
    # the records count it, so its VBR averages are compared with ffprobe only.
    return {"title": text("TIT2"), "artist": text("TPE1"), "album": text("TALB"), "year": (year or "")[:4] or None,
            "track": position(text("TRCK")), "duration": None if gapless else audio.info.length,
            "bitrate": None if vbr else audio.info.bitrate}


def agree(field, mine, theirs, frame_seconds, vbr, seconds):
    if field == "duration":
        return abs(mine - theirs) <= frame_seconds + 1e-6
    if field == "bitrate":
        # An average differs by what each side counts as the audio's bytes
        # and length (the header frame, the encoder's delay): 1 %, or one
        # frame's share of a short file.
        share = frame_seconds / seconds if seconds else 0.0
        return abs(mine - theirs) <= max(0.01 if vbr else 0.001, share) * theirs
    if isinstance(mine, str) and isinstance(theirs, str):
        # ffprobe keeps only the first of several values of a frame.
        return mine == theirs or mine.startswith(theirs + "/")
    return mine == theirs


def main():
    cli, folders = sys.argv[1], [os.path.abspath(f) for f in sys.argv[2:]]
    compared = failures = 0
    for folder in folders:
        damaged = {r["path"] for r in records(cli, "test-dir", folder, "--deep") if r["verdict"] != "ok"}
        for record in records(cli, "catalog", folder):
            if record["error"] is not None:
                continue
            path = record["path"]
            mine = ours(record)
            if path in damaged:
                del mine["duration"], mine["bitrate"]
            frame_seconds = 1152.0 / (record["sample_rate_hz"] or 44100)
            for tool, theirs in (("ffprobe", ffprobe(path)), ("mutagen", mutagen_view(path))):
                for field, value in mine.items():
                    other = theirs.get(field)
                    if value is None or other is None:
                        continue
                    compared += 1
                    if not agree(field, value, other, frame_seconds, record["vbr"] is not None,
                                 record.get("duration_seconds")):
                        failures += 1
                        print("DIFFER %s %s: ours %r, %s %r" % (os.path.relpath(path), field, value, tool, other))
    print("%d values compared with ffprobe and mutagen, %d differ" % (compared, failures))
    return 1 if failures or compared == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
