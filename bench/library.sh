#!/usr/bin/env bash
# Library-scale benchmark: tunewarden-cli against reading the same bytes and
# against other checkers and a tag reader, on a generated library of 200 MP3
# files (about 550 MB), one file of about 100 MB, and, for memory, a folder of
# 20,000 small files. See bench/README.md for what it prints.
#
#   bench/library.sh [--data DIR] [--runs N]
#
# DIR (default bench/data, or $TW_BENCH_DATA) caches the generated files; they
# are made once and reused while complete. N (default 10, or $TW_BENCH_RUNS) is
# the number of timed runs per command; the table shows their median.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
DATA=${TW_BENCH_DATA:-$ROOT/bench/data}
RUNS=${TW_BENCH_RUNS:-10}

usage() {
    sed -n '2,11s/^# \{0,1\}//p' "$0"
}

while [ $# -gt 0 ]; do
    case "$1" in
    --data) DATA=${2:?--data needs a folder}; shift 2 ;;
    --runs) RUNS=${2:?--runs needs a number}; shift 2 ;;
    -h | --help) usage; exit 0 ;;
    *) echo "library.sh: unknown argument '$1'" >&2; usage >&2; exit 2 ;;
    esac
done
case "$RUNS" in '' | *[!0-9]* | 0 | 1) echo "library.sh: --runs needs a number of 2 or more" >&2; exit 2 ;; esac

# Debian's python has python3-mutagen; a pyenv python3 first on PATH may not.
PY=/usr/bin/python3

# The generated set. Changing anything here changes the recipe, and a cache
# made by another recipe is made anew.
RECIPE_VERSION=2
SONG_SECONDS=(168 176 184 191 197)  # five songs, about 3 minutes each
COPIES=10                           # 5 songs x 4 kinds x 10 copies = 200 files
SHORT_SECONDS=8                     # the small files of the memory folder
SMALL_FILES=20000
BIG_MIN_BYTES=100000000
BIG_ENCODED_SECONDS=6400            # the big lame encode with its own Info tag
# Encoder settings of the four kinds, by kind name.
KINDS=(cbr128 cbr192 vbr-v2 mpeg2-64)
declare -A LAME_ARGS=(
    [cbr128]="-b 128"
    [cbr192]="-b 192"
    [vbr-v2]="-V 2"
    [mpeg2-64]="-b 64 --resample 22.05"
)

log() { printf '%s\n' "$*" >&2; }
loadavg() { cut -d' ' -f1-3 /proc/loadavg; }

install_tools() {
    # shellcheck source=../scripts/lib.sh
    . "$ROOT/scripts/lib.sh"
    ensure_packages cmake ninja-build g++ gcc lame sox mp3val mp3check python3 python3-mutagen hyperfine time util-linux
}

build() {
    log "Building the Release tunewarden-cli in build-release ..."
    cd "$ROOT"
    cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTW_BUILD_TESTS=OFF >/dev/null
    ninja -C build-release -j2 tunewarden-cli >/dev/null
    CLI=$ROOT/build-release/tunewarden-cli
    RAW=$ROOT/build-release/bench-rawread
    cc -O2 -o "$RAW" "$ROOT/bench/rawread.c"
    OUT=$ROOT/build-release/bench-library
    mkdir -p "$OUT"
}

recipe() {
    printf 'recipe %s; songs %s; copies %s; short %s s x %s; big %s; encoded %s s; %s\n' "$RECIPE_VERSION" \
        "${SONG_SECONDS[*]}" "$COPIES" "$SHORT_SECONDS" "$SMALL_FILES" "$BIG_MIN_BYTES" "$BIG_ENCODED_SECONDS" \
        "$(lame --version | head -n1)"
    for k in "${KINDS[@]}"; do printf '%s: %s\n' "$k" "${LAME_ARGS[$k]}"; done
}

data_complete() {
    [ -f "$DATA/complete" ] && [ "$(cat "$DATA/complete")" = "$(recipe)" ] || return 1
    [ "$(find "$DATA/lib200" -name '*.mp3' | wc -l)" -eq $((${#SONG_SECONDS[@]} * ${#KINDS[@]} * COPIES)) ] || return 1
    [ "$(find "$DATA/small20k" -name '*.mp3' | wc -l)" -eq "$SMALL_FILES" ] || return 1
    [ -f "$DATA/big/long-cbr128.mp3" ] && [ -f "$DATA/big/encoded-cbr128.mp3" ]
}

# encode WAV KIND SONG OUT: one lame encode with an ID3v2.3 and an ID3v1.1 tag.
encode() {
    local wav=$1 kind=$2 song=$3 out=$4
    # shellcheck disable=SC2086  # the kind's settings are several words
    lame --quiet ${LAME_ARGS[$kind]} --add-id3v2 \
        --tt "Library Song $song ($kind)" --ta "Synthetic Ensemble" --tl "Benchmark Sessions" \
        --ty 2024 --tn "$song" --tg "Electronic" "$wav" "$out"
}

generate() {
    log "Generating the benchmark files in $DATA (once) ..."
    rm -rf "$DATA/src" "$DATA/lib200" "$DATA/big" "$DATA/small20k" "$DATA/complete"
    mkdir -p "$DATA/src" "$DATA/lib200" "$DATA/big" "$DATA/small20k"
    local s k n p wav pids
    for s in $(seq 1 ${#SONG_SECONDS[@]}); do
        wav=$DATA/src/song$s.wav
        "$PY" "$ROOT/bench/synth_wav.py" "$wav" "${SONG_SECONDS[$((s - 1))]}" "$s"
        pids=()
        for k in "${KINDS[@]}"; do
            encode "$wav" "$k" "$s" "$DATA/src/song$s-$k.mp3" &
            pids+=($!)
        done
        for p in "${pids[@]}"; do wait "$p"; done
        rm -f "$wav"
    done
    n=0
    for _ in $(seq 1 "$COPIES"); do
        for s in $(seq 1 ${#SONG_SECONDS[@]}); do
            for k in "${KINDS[@]}"; do
                n=$((n + 1))
                cp "$DATA/src/song$s-$k.mp3" "$(printf '%s/lib200/%03d-song%d-%s.mp3' "$DATA" "$n" "$s" "$k")"
            done
        done
    done

    "$PY" "$ROOT/bench/make_bigfile.py" "$DATA/src/song1-cbr128.mp3" "$DATA/big/long-cbr128.mp3" "$BIG_MIN_BYTES"
    # The joined file has no Info tag; the deep check's music CRC wants one
    # that covers the whole file, so one long encode has its own.
    sox -n -r 44100 -c 2 -b 16 -t wav - synth "$BIG_ENCODED_SECONDS" sine 440 vol 0.3 |
        lame --quiet -b 128 - "$DATA/big/encoded-cbr128.mp3"

    wav=$DATA/src/short.wav
    "$PY" "$ROOT/bench/synth_wav.py" "$wav" "$SHORT_SECONDS" 100
    for k in "${KINDS[@]}"; do encode "$wav" "$k" 9 "$DATA/src/short-$k.mp3"; done
    rm -f "$wav"
    # Hard links: 20,000 names over the four small encodes, so the folder
    # costs 20,000 directory entries and no space.
    "$PY" - "$DATA" "$SMALL_FILES" "${KINDS[@]}" <<'EOF'
import os
import sys
data, count, kinds = sys.argv[1], int(sys.argv[2]), sys.argv[3:]
for i in range(count):
    kind = kinds[i % len(kinds)]
    os.link(os.path.join(data, "src", "short-%s.mp3" % kind),
            os.path.join(data, "small20k", "%05d-%s.mp3" % (i + 1, kind)))
EOF
    recipe >"$DATA/complete"
}

# check WHAT EXPECTED COMMAND...: runs a command once (also a first warm-up)
# and stops the benchmark unless it exits 0 with the expected text in its
# output: a timing of a run that found problems would mean nothing.
check() {
    local what=$1 expected=$2
    shift 2
    local got status=0
    got=$("$@" 2>&1) || status=$?
    if [ "$status" -ne 0 ] || ! grep -qF -- "$expected" <<<"$got"; then
        log "Check failed: $what: expected exit 0 and '$expected' from: $*"
        printf '%s\n' "$got" | tail -n 20 >&2
        exit 1
    fi
}

measure() {
    local lib=$DATA/lib200 big=$DATA/big/long-cbr128.mp3 encoded=$DATA/big/encoded-cbr128.mp3
    # hyperfine runs each command without a shell (-N), so the file lists are
    # spelled out here, quoted for its word splitting.
    local files q_files q_lib q_big q_encoded q_cli q_raw q_mut
    files=("$lib"/*.mp3)
    q_files=$(printf '%q ' "${files[@]}")
    q_lib=$(printf '%q' "$lib")
    q_big=$(printf '%q' "$big")
    q_encoded=$(printf '%q' "$encoded")
    q_cli=$(printf '%q' "$CLI")
    q_raw=$(printf '%q' "$RAW")
    q_mut=$(printf '%q' "$ROOT/bench/mutagen_loop.py")

    log "Warming the page cache ..."
    cat "$lib"/*.mp3 "$big" "$encoded" "$DATA"/src/short-*.mp3 >/dev/null
    check "test-dir on the 200 files" "errors/warnings in 0 of 200 files" "$CLI" test-dir "$lib"
    check "catalog on the 200 files" "Cataloged a total of 200 files." "$CLI" catalog "$lib"
    check "test on the big file" "No errors found." "$CLI" test "$big"
    check "test-dir --deep on the 200 files" "errors/warnings in 0 of 200 files" "$CLI" test-dir --deep "$lib"
    check "test --deep on the encoded big file" "music CRC" "$CLI" test --deep "$encoded"
    check "mp3check on the 200 files" "0 erroneous files found" mp3check -e -B -S -G "$lib"/*.mp3
    check "mutagen on the 200 files" "" "$PY" "$ROOT/bench/mutagen_loop.py" "$lib"

    LOAD_BEFORE=$(loadavg)
    log "Timing, $RUNS runs per command (load average $LOAD_BEFORE) ..."
    # Without a shell, hyperfine sends each command's output to /dev/null.
    hyperfine -N --style basic --warmup 1 --runs "$RUNS" --export-json "$OUT/times.json" \
        -n "raw read" "$q_raw $q_files" \
        -n "cat > /dev/null" "cat $q_files" \
        -n "tunewarden-cli test-dir" "$q_cli test-dir $q_lib" \
        -n "tunewarden-cli catalog" "$q_cli catalog $q_lib" \
        -n "mp3val" "mp3val $q_files" \
        -n "mp3check -e" "mp3check -e -B -S -G $q_files" \
        -n "mutagen loop" "$PY $q_mut $q_lib" \
        -n "raw read BIG" "$q_raw $q_big" \
        -n "tunewarden-cli test BIG" "$q_cli test $q_big" \
        -n "tunewarden-cli test-dir --deep" "$q_cli test-dir --deep $q_lib" \
        -n "raw read ENCODED" "$q_raw $q_encoded" \
        -n "tunewarden-cli test ENCODED" "$q_cli test $q_encoded" \
        -n "tunewarden-cli test --deep ENCODED" "$q_cli test --deep $q_encoded" \
        >"$OUT/hyperfine.txt"
    LOAD_AFTER=$(loadavg)

    log "Peak memory ..."
    : >"$OUT/rss.txt"
    rss "test-dir" "$DATA/small20k" "$CLI" test-dir "$DATA/small20k"
    rss "catalog" "$DATA/small20k" "$CLI" catalog "$DATA/small20k"
    rss "test-dir" "$lib" "$CLI" test-dir "$lib"
    rss "catalog" "$lib" "$CLI" catalog "$lib"
    rss "test" "$big" "$CLI" test "$big"
}

# rss NAME PATH COMMAND...: one run under /usr/bin/time -v; keeps the peak
# resident set and the elapsed time.
rss() {
    local name=$1 path=$2
    shift 2
    "$@" >/dev/null 2>&1 || true
    /usr/bin/time -v -o "$OUT/time-v.txt" "$@" >/dev/null || true
    local kb wall
    kb=$(sed -n 's/^\s*Maximum resident set size (kbytes): //p' "$OUT/time-v.txt")
    wall=$(sed -n 's/^\s*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$OUT/time-v.txt")
    printf '%s\t%s\t%s\t%s\n' "$name" "$path" "$kb" "$wall" >>"$OUT/rss.txt"
}

# The commit that was built, marked when the core sources differ from it.
revision() {
    local rev
    rev=$(git -C "$ROOT" rev-parse --short HEAD 2>/dev/null) || { echo "unknown"; return; }
    git -C "$ROOT" diff --quiet HEAD -- CMakeLists.txt common analysis tags reports shell platform cli \
        ':(exclude)shell/win32' ':(exclude)platform/win32' 2>/dev/null ||
        rev="$rev with uncommitted changes"
    echo "$rev"
}

report() {
    "$PY" - "$OUT/times.json" "$OUT/rss.txt" "$DATA" "$LOAD_BEFORE" "$LOAD_AFTER" "$RUNS" "$(revision)" <<'EOF'
import json
import os
import sys

times_path, rss_path, data, load_before, load_after, runs, revision = sys.argv[1:]
lib = os.path.join(data, "lib200")
big = os.path.join(data, "big", "long-cbr128.mp3")
encoded = os.path.join(data, "big", "encoded-cbr128.mp3")


def files_of(path):
    if os.path.isfile(path):
        return [path]
    return [os.path.join(path, n) for n in os.listdir(path) if n.endswith(".mp3")]


def set_facts(path):
    files = files_of(path)
    return len(files), sum(os.path.getsize(f) for f in files)


lib_files, lib_bytes = set_facts(lib)
big_files, big_bytes = set_facts(big)
enc_files, enc_bytes = set_facts(encoded)
median = {r["command"]: r["median"] for r in json.load(open(times_path))["results"]}

# (row label, hyperfine name, files and bytes of its set, its raw read)
rows = [
    ("raw read: read() into 1 MiB", "raw read", lib_files, lib_bytes, "raw read"),
    ("cat > /dev/null", "cat > /dev/null", lib_files, lib_bytes, "raw read"),
    ("tunewarden-cli test-dir DIR", "tunewarden-cli test-dir", lib_files, lib_bytes, "raw read"),
    ("tunewarden-cli catalog DIR", "tunewarden-cli catalog", lib_files, lib_bytes, "raw read"),
    ("mp3val FILES", "mp3val", lib_files, lib_bytes, "raw read"),
    ("mp3check -e -BSG FILES", "mp3check -e", lib_files, lib_bytes, "raw read"),
    ("mutagen loop (MP3 + tags)", "mutagen loop", lib_files, lib_bytes, "raw read"),
    ("raw read: BIG", "raw read BIG", big_files, big_bytes, "raw read BIG"),
    ("tunewarden-cli test BIG", "tunewarden-cli test BIG", big_files, big_bytes, "raw read BIG"),
    ("tunewarden-cli test-dir --deep", "tunewarden-cli test-dir --deep", lib_files, lib_bytes, "raw read"),
    ("raw read: ENCODED", "raw read ENCODED", enc_files, enc_bytes, "raw read ENCODED"),
    ("tunewarden-cli test ENCODED", "tunewarden-cli test ENCODED", enc_files, enc_bytes, "raw read ENCODED"),
    ("tunewarden-cli test --deep ENC.", "tunewarden-cli test --deep ENCODED", enc_files, enc_bytes,
     "raw read ENCODED"),
]

print()
print("Library benchmark: %d files, %.1f MB in %s; BIG = %s, %.1f MB" % (
    lib_files, lib_bytes / 1e6, lib, os.path.basename(big), big_bytes / 1e6))
print("tunewarden-cli built at %s. Median of %s runs each, page cache warm." % (revision, runs))
print("Load average before %s, after %s; %d CPUs." % (load_before, load_after, os.cpu_count()))
print()
header = ("command", "median s", "x raw read", "MB/s", "files/s")
print("%-30s %10s %11s %9s %9s" % header)
print("%-30s %10s %11s %9s %9s" % tuple("-" * len(h) for h in header))
for label, name, files, size, base in rows:
    t = median[name]
    print("%-30s %10.4f %11.2f %9.0f %9.0f" % (label, t, t / median[base], size / 1e6 / t, files / t))

print()
print("Peak resident memory (/usr/bin/time -v, one run each):")
print("%-30s %-12s %5s %9s %10s %9s" % ("command", "set", "files", "MB", "peak RSS", "elapsed"))
for line in open(rss_path):
    name, path, kb, wall = line.rstrip("\n").split("\t")
    files, size = set_facts(path)
    label = {"small20k": "20,000 small", "lib200": "200 files"}.get(os.path.basename(path), "BIG")
    print("%-30s %-12s %5d %9.1f %7.1f MB %9s" % (
        "tunewarden-cli " + name, label, files, size / 1e6, int(kb) * 1024 / 1e6, wall))

r = lambda name: median[name]
print()
print("Targets (from the numbers above):")
checks = [
    ("test-dir <= 1.5x raw read", r("tunewarden-cli test-dir") / r("raw read"), 1.5, "<="),
    ("test-dir faster than mp3val", r("tunewarden-cli test-dir") / r("mp3val"), 1.0, "<"),
    ("test-dir faster than mp3check -e", r("tunewarden-cli test-dir") / r("mp3check -e"), 1.0, "<"),
    ("test BIG <= 1.5x raw read BIG", r("tunewarden-cli test BIG") / r("raw read BIG"), 1.5, "<="),
    ("test-dir --deep <= 2x raw read", r("tunewarden-cli test-dir --deep") / r("raw read"), 2.0, "<="),
    ("test --deep ENC. <= 2x its raw read",
     r("tunewarden-cli test --deep ENCODED") / r("raw read ENCODED"), 2.0, "<="),
    ("catalog >= 10,000 files/s", lib_files / r("tunewarden-cli catalog"), 10000, ">="),
    ("catalog >= 5x mutagen files/s", r("mutagen loop") / r("tunewarden-cli catalog"), 5.0, ">="),
]
for text, value, bound, op in checks:
    ok = {"<=": value <= bound, "<": value < bound, ">=": value >= bound}[op]
    print("  %-34s %12.2f  %s %g  %s" % (text, value, op, bound, "met" if ok else "MISSED"))
for line in open(rss_path):
    name, path, kb, _ = line.rstrip("\n").split("\t")
    if os.path.basename(path) == "small20k":
        mb = int(kb) * 1024 / 1e6
        print("  %-34s %12.1f  < 32 MB  %s" % (name + " RSS over 20,000 files", mb, "met" if mb < 32 else "MISSED"))
EOF
}

install_tools
build
if data_complete; then
    log "Reusing the benchmark files in $DATA"
else
    generate
fi
measure
report | tee "$OUT/report.txt"
