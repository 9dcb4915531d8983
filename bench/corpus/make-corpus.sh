#!/usr/bin/env bash
# make-corpus.sh OUTDIR: a wide corpus of real MPEG audio files from Debian's
# encoders, taggers, splitters and gain tools, plus damaged copies, with
# OUTDIR/manifest.tsv saying what each file is and what its truth is:
#   path  family  category(clean|gain|damaged)  recipe  detectable
# "detectable" is "-" for clean and gain files; for damaged ones "yes:HOW"
# (HOW: walk, walk-tail, xing-count, music-crc, tag-crc, frame-crc, joined by +)
# or "no:WHY". Sources are sox synths without dither, so a rerun with the same
# tool versions rebuilds the same bytes (tool versions go to OUTDIR/versions.txt).
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 OUTDIR" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
# shellcheck source=scripts/lib.sh
. "$top/scripts/lib.sh"
ensure_packages lame twolame mp3gain ffmpeg sox libsox-fmt-mp3 mpg123 mp3val mp3check eyed3 \
    python3-mutagen id3v2 mp3splt gstreamer1.0-tools gstreamer1.0-plugins-good \
    gstreamer1.0-plugins-ugly gstreamer1.0-plugins-base
py=/usr/bin/python3   # Debian's, with python3-mutagen
out=$(mkdir -p "$1" && cd "$1" && pwd)
rm -rf "${out:?}"/{lame,ffmpeg,sox,gst,twolame,tags,split,gain,synth,damaged,.src} "$out/manifest.tsv"
mkdir -p "$out"/{lame,ffmpeg,sox,gst,twolame,tags,split,gain,synth,damaged,.src}
src=$out/.src
man=$out/manifest.tsv
printf 'path\tfamily\tcategory\trecipe\tdetectable\n' >"$man"
row() { printf '%s\t%s\t%s\t%s\t-\n' "$1" "$2" "$3" "$4" >>"$man"; }
{ lame --version | head -1; ffmpeg -version | head -1; twolame --help 2>&1 | grep -m1 -i version
  sox --version; mp3gain -v 2>&1 | head -1; mp3splt -v 2>&1 | head -1; eyeD3 --version 2>&1 | head -1
  gst-launch-1.0 --version | head -1; $py -c 'import mutagen; print("mutagen", mutagen.version_string)'
} >"$out/versions.txt" 2>&1 || true

# Sources: a sweep with a tone over modulated pink noise (so VBR frames vary),
# two plain tones (twolame -m j flips between stereo and joint stereo on them).
synth() { sox -D -R -n -r 44100 -c 2 -b 16 "$src/$1.wav" synth "$2" sine 200-2000 sine 330 \
    synth "$2" pinknoise amod 0.5 0.5 vol 0.5; }
synth s4 4; synth s8 8; synth s40 40
sox -D -R -n -r 44100 -c 2 -b 16 "$src/tones.wav" synth 4 sine 330 sine 495 vol 0.4
ffmpeg -v error -f lavfi -i color=c=red:s=64x64 -frames:v 1 -y "$src/cover.png"
$py -c 'print("la " * 2000)' >"$src/lyrics.txt"

# --- lame -------------------------------------------------------------------
L() { # L NAME SOURCE LAME-OPTIONS...
    local name=$1 s=$2; shift 2
    lame --quiet --nohist "$@" "$src/$s.wav" "$out/lame/$name.mp3"
    row "lame/$name.mp3" lame clean "lame $*"
}
for m in s j d m; do L "cbr128-mode-$m" s4 -b 128 -m $m; done
L abr128 s4 --abr 128
L vbr-new-v2 s4 -V 2
L vbr-new-v6-mono s4 -V 6 -m m
L vbr-old-v4 s4 --vbr-old -V 4
L crc-cbr128 s4 -p -b 128
L crc-vbr-v4 s4 -p -V 4
L crc-mono-22k s4 -p -m m --resample 22.05 -b 48
L notag-cbr128 s4 -t -b 128
L notag-vbr-v4 s4 -t -V 4
L nores-cbr128 s4 --nores -b 128
L freeformat-400 s4 --freeformat -b 400
L cbr8-8k-mono s4 --resample 8 -m m -b 8
L tags-v1v2 s4 -b 128 --tt "Sweep" --ta "Corpus" --tl "Album" --ty 2024 --tn 3 --tg Electronic --add-id3v2
L tags-v2-pad s4 -V 4 --tt "Sweep" --id3v2-only --pad-id3v2-size 4096
L tags-v1-only s4 -b 128 --tt "Sweep" --id3v1-only
for r in 8 11.025 12 16 22.05 24 32 44.1 48; do
    L "resample-$r-vbr-stereo" s4 --resample $r -V 5
    L "resample-$r-cbr-mono" s4 --resample $r -m m -b 32
    L "resample-$r-abr-joint" s4 --resample $r --abr 56
done
L long40-vbr-v2 s40 -V 2
L long40-cbr128 s40 -b 128 --tt "Long" --ta "Corpus" --add-id3v2

# --- ffmpeg (libmp3lame, mp2, stream copies) ---------------------------------
F() { # F NAME INPUT OPTIONS...
    local name=$1 in=$2; shift 2
    ffmpeg -v error -y -i "$in" "$@" "$out/ffmpeg/$name"
    row "ffmpeg/$name" ffmpeg clean "ffmpeg -i $(basename "$in") $*"
}
for r in 8000 11025 12000 16000 22050 24000 32000 44100 48000; do
    for c in 1 2; do
        F "lame-$r-ch$c-cbr.mp3" "$src/s4.wav" -ar $r -ac $c -c:a libmp3lame -b:a 64k
        F "lame-$r-ch$c-vbr.mp3" "$src/s4.wav" -ar $r -ac $c -c:a libmp3lame -q:a 5
        F "lame-$r-ch$c-abr.mp3" "$src/s4.wav" -ar $r -ac $c -c:a libmp3lame -abr 1 -b:a 64k
    done
done
F lame-44100-noxing.mp3 "$src/s4.wav" -c:a libmp3lame -q:a 4 -write_xing 0
F lame-22050-mono-noxing.mp3 "$src/s4.wav" -ar 22050 -ac 1 -c:a libmp3lame -b:a 32k -write_xing 0
F lame-44100-id3v1-v24.mp3 "$src/s8.wav" -c:a libmp3lame -q:a 2 -write_id3v1 1 -id3v2_version 4 \
    -metadata title=Sweep -metadata artist=Corpus
for s in lame/vbr-new-v2 lame/vbr-new-v6-mono lame/cbr8-8k-mono lame/resample-22.05-vbr-stereo \
         ffmpeg/lame-8000-ch1-vbr ffmpeg/lame-44100-ch2-cbr; do
    n=$(echo "$s" | tr / -)
    F "copy-$n.mp3" "$out/$s.mp3" -c copy
    F "copy-meta-$n.mp3" "$out/$s.mp3" -c copy -metadata title="Copied title" -metadata artist=Corpus
    F "copy-cover-$n.mp3" "$out/$s.mp3" -i "$src/cover.png" -map 0:a -map 1 -c copy -id3v2_version 3 \
        -metadata:s:v title="Album cover" -metadata:s:v comment="Cover (front)"
done
for rate_ch_br in 44100:2:192k 48000:1:96k 32000:2:128k 22050:2:64k 24000:1:48k 16000:1:32k; do
    IFS=: read -r r c b <<<"$rate_ch_br"
    F "mp2-$r-ch$c-$b.mp2" "$src/s4.wav" -ar "$r" -ac "$c" -c:a mp2 -b:a "$b"
done

# --- sox ---------------------------------------------------------------------
S() { sox -D "$src/s4.wav" "$@"; row "sox/$(basename "${*: -1}")" sox clean "sox ${*:1:$#-1}"; }
S "$out/sox/default.mp3"
S -C 192 "$out/sox/cbr192.mp3"
S -C -4.2 "$out/sox/vbr4.mp3"
S -C 48 -r 22050 -c 1 "$out/sox/cbr48-22k-mono.mp3"

# --- gstreamer (lamemp3enc, xingmux, id3v2mux) ---------------------------------
G() { # G NAME RATE CHANNELS ENCODER-PROPS [xing|plain]
    local x="! xingmux" tag="taginject tags=\"title=Sweep,artist=Corpus\" ! id3v2mux"
    [ "$5" = plain ] && x=""
    eval "gst-launch-1.0 -q filesrc location=\"$src/s4.wav\" ! wavparse ! audioconvert ! audioresample \
        ! audio/x-raw,rate=$2,channels=$3 ! lamemp3enc $4 $x ! $tag ! filesink location=\"$out/gst/$1.mp3\""
    row "gst/$1.mp3" gst clean "lamemp3enc $4 ($2 Hz, $3 ch) ${x:+xingmux }id3v2mux"
}
G cbr128-44k-stereo 44100 2 "target=bitrate bitrate=128 cbr=true" xing
G vbr4-44k-stereo 44100 2 "target=quality quality=4" xing
G vbr4-22k-mono 22050 1 "target=quality quality=4" xing
G vbr6-48k-stereo 48000 2 "target=quality quality=6" xing
G cbr32-16k-mono 16000 1 "target=bitrate bitrate=32 cbr=true" xing
G cbr16-8k-mono 8000 1 "target=bitrate bitrate=16 cbr=true" xing
G abr96-32k-stereo 32000 2 "target=bitrate bitrate=96" xing
G cbr128-44k-plain 44100 2 "target=bitrate bitrate=128 cbr=true" plain

# --- twolame -----------------------------------------------------------------
T() { # T NAME SOURCE OPTIONS...
    local name=$1 s=$2; shift 2
    twolame --quiet "$@" "$src/$s.wav" "$out/twolame/$name.mp2"
    row "twolame/$name.mp2" twolame clean "twolame $*"
}
for m in s j d; do
    T "mode-$m" s4 -m $m -b 192; T "mode-$m-protect" s4 -m $m -b 192 --protect
    T "tones-mode-$m" tones -m $m -b 192; T "tones-mode-$m-protect" tones -m $m -b 192 --protect
done
T mode-m s4 -m m -a -b 96; T mode-m-protect s4 -m m -a -b 96 --protect
sox -D "$src/s4.wav" -r 48000 "$src/s4-48k.wav"; sox -D "$src/s4.wav" -r 22050 "$src/s4-22k.wav"
T j-48k s4-48k -m j -b 160 --protect
T j-22k-mpeg2 s4-22k -m j -b 96 --protect
T s-22k-mpeg2 s4-22k -m s -b 64

# --- taggers -------------------------------------------------------------------
base=$out/lame/tags-v1v2.mp3 plain=$out/lame/cbr128-mode-j.mp3
Tg() { # Tg NAME FROM RECIPE COMMAND... (the command runs on the copy, "@" is its path)
    local name=$1 from=$2 recipe=$3 f=$out/tags/$1.mp3; shift 3
    cp "$from" "$f"
    "${@/@/$f}" >/dev/null
    row "tags/$name.mp3" tagger clean "$recipe"
}
Tg eyed3-v24 "$plain" "eyeD3 title/artist (ID3v2.4)" eyeD3 -Q -t Sweep -a Corpus @
Tg eyed3-v23 "$base" "eyeD3 --to-v2.3 on lame v1+v2" eyeD3 -Q --to-v2.3 -t "Sweep 2" @
Tg eyed3-image "$base" "eyeD3 adds a cover (tag grows)" eyeD3 -Q --add-image "$src/cover.png:FRONT_COVER" @
cp "$out/tags/eyed3-image.mp3" "$out/tags/eyed3-image-removed.mp3"
eyeD3 -Q --remove-all-images "$out/tags/eyed3-image-removed.mp3" >/dev/null
row tags/eyed3-image-removed.mp3 tagger clean "eyeD3 --remove-all-images after adding one (same tag size, padding grows)"
Tg eyed3-v1 "$plain" "eyeD3 -1 (ID3v1 only)" eyeD3 -Q -1 -t Sweep -a Corpus @
Tg id3v2-tool "$plain" "id3v2 -t -a (ID3v2.3 + ID3v1)" id3v2 -t Sweep -a Corpus @
Tg id3v2-tool-big "$base" "id3v2 long comment (tag grows)" id3v2 -c "$(head -c 3000 "$src/lyrics.txt")" @
cp "$out/tags/id3v2-tool-big.mp3" "$out/tags/id3v2-tool-shrunk.mp3"
id3v2 -r COMM "$out/tags/id3v2-tool-shrunk.mp3" >/dev/null
row tags/id3v2-tool-shrunk.mp3 tagger clean "id3v2 -r COMM after the long comment (same tag size, padding grows)"
Tg id3v2-tool-deleted "$base" "id3v2 -D (both tags deleted)" id3v2 -D @
$py "$here/tags.py" "$out/tags" "$plain" "$base" "$out/lame/vbr-new-v2.mp3" "$out/ffmpeg/lame-22050-ch1-vbr.mp3" >>"$man"

# --- mp3splt -------------------------------------------------------------------
for s in long40-vbr-v2 long40-cbr128; do
    mp3splt -q -f -d "$out/split" -o "@f-frame-10-20" "$out/lame/$s.mp3" 0.10 0.20 >/dev/null 2>&1
    row "split/$s-frame-10-20.mp3" mp3splt clean "mp3splt -f 0.10 0.20 (10 s to 20 s, frame mode)"
    mp3splt -q -d "$out/split" -o "@f-first-0-7" "$out/lame/$s.mp3" 0.00 0.07 >/dev/null 2>&1
    row "split/$s-first-0-7.mp3" mp3splt clean "mp3splt 0.00 0.07 (first 7 s)"
done
mp3splt -q -d "$out/split" -o "@f-mid-1-3" "$out/ffmpeg/lame-22050-ch1-vbr.mp3" 0.01 0.03 >/dev/null 2>&1
row split/lame-22050-ch1-vbr-mid-1-3.mp3 mp3splt clean "mp3splt 0.01 0.03 of an ffmpeg 22.05 kHz mono VBR file"

# --- mp3gain -------------------------------------------------------------------
for s in lame/tags-v1v2 lame/vbr-new-v2 lame/crc-cbr128 gst/vbr4-44k-stereo ffmpeg/lame-22050-ch1-vbr; do
    n=$(echo "$s" | tr / -)
    for mode in "-r" "-a" "-g 2" "-g -3" "-s i -g 2" "-s i -r" "-s a -r"; do
        tag=$(echo "$mode" | tr -d ' ')
        f=$out/gain/$n$tag.mp3
        cp "$out/$s.mp3" "$f"
        note=""
        # shellcheck disable=SC2086  # $mode is several words
        mp3gain -q -c $mode "$f" >/dev/null 2>&1 || note=" (mp3gain failed)"
        cmp -s "$f" "$out/$s.mp3" && note="$note (file unchanged)"
        row "gain/$n$tag.mp3" mp3gain gain "mp3gain -c $mode$note"
        cp "$f" "${f%.mp3}-undone.mp3"
        case $mode in *"-s i"*) u="-s i -u";; *) u="-u";; esac
        # shellcheck disable=SC2086
        mp3gain -q $u "${f%.mp3}-undone.mp3" >/dev/null 2>&1 || true
        row "gain/$n$tag-undone.mp3" mp3gain clean "mp3gain -c $mode$note, then $u"
    done
done

# --- synthesised ---------------------------------------------------------------
# No Debian tool writes a VBRI header; the bundled sample carries one over a
# lame stream.
cp "$top/samples/vbri-synthesised.mp3" "$out/synth/vbri.mp3"
row synth/vbri.mp3 synth clean "lame stream under a VBRI header (scripts/make-samples.py)"

# --- damaged copies --------------------------------------------------------------
$py "$here/damage.py" "$out" \
    lame/tags-v1v2 lame/vbr-new-v2 lame/crc-cbr128 lame/notag-cbr128 lame/long40-cbr128 lame/long40-vbr-v2 \
    ffmpeg/lame-22050-ch1-vbr ffmpeg/lame-44100-ch2-cbr ffmpeg/lame-8000-ch1-abr \
    gst/vbr4-44k-stereo gst/cbr128-44k-stereo sox/vbr4 \
    twolame/mode-j-protect twolame/mode-s ffmpeg/mp2-44100-ch2-192k \
    gain/lame-tags-v1v2-r gain/lame-vbr-new-v2-g2 gain/lame-vbr-new-v2-si-g2 \
    gain/ffmpeg-lame-22050-ch1-vbr-g2 synth/vbri >>"$man"

echo "$(($(wc -l <"$man") - 1)) files, $(du -sh --exclude=.src "$out" | cut -f1): $man"
