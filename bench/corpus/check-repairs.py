#!/usr/bin/env python3
"""check-repairs.py TUNEWARDEN-CLI OUTDIR

Repairs every damaged file of the corpus that make-corpus.sh wrote to OUTDIR
(`tunewarden-cli repair`, into a folder thrown away afterwards) and checks
each copy the way the repair promises:
  - the copy passes `tunewarden-cli test --deep` (the repair's own proof),
    `mp3val -si` without warnings (Layer III files; missing tags aside),
    `ffmpeg -v error` decoding without a line and `mpg123 -t` without a
    warning;
  - every byte of the copy outside what it says it rewrote (the header
    frame, frames made silent) is the original's, in order, less the ranges
    it says it left out;
  - decoded, the copy is no louder than the clean file it was damaged from;
  - the original is unchanged (bytes and modification time).
Prints the outcomes and every failed check; exit status 1 when a check failed.
"""
import array
import hashlib
import json
import os
import re
import subprocess
import sys
import tempfile


def run(cmd):
    p = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, stdin=subprocess.DEVNULL)
    return p.returncode, p.stdout.decode("utf-8", "replace"), p.stderr.decode("utf-8", "replace")


def peak(path):
    p = subprocess.run(["ffmpeg", "-nostdin", "-v", "quiet", "-i", path, "-f", "s16le", "-ac", "1", "-"],
                       stdout=subprocess.PIPE)
    samples = array.array("h")
    samples.frombytes(p.stdout[: len(p.stdout) // 2 * 2])
    return max((abs(s) for s in samples), default=0)


def expected_copy(original, record):
    out, at = bytearray(), 0
    for r in record["removed"]:
        out += original[at:r["offset"]]
        at = r["end"]
    return out + original[at:]


def main():
    cli, root = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    rows = [line.rstrip("\n").split("\t") for line in open(os.path.join(root, "manifest.tsv"))][1:]
    work = tempfile.mkdtemp(prefix="tw-repairs-")
    outcomes, failures = {}, []
    for path, _family, category, recipe, _how in rows:
        if category != "damaged":
            continue
        original_path = os.path.join(root, path)
        before = (hashlib.sha256(open(original_path, "rb").read()).hexdigest(), os.stat(original_path).st_mtime_ns)
        out = os.path.join(work, path.replace("/", "_"))
        status, stdout, _ = run([cli, "repair", "--format", "jsonl", original_path, out])
        record = [json.loads(l) for l in stdout.splitlines() if '"type":"repair"' in l][0]
        outcomes[record["outcome"]] = outcomes.get(record["outcome"], 0) + 1
        after = (hashlib.sha256(open(original_path, "rb").read()).hexdigest(), os.stat(original_path).st_mtime_ns)
        if after != before:
            failures.append("%s: the original changed" % path)
        if record["outcome"] != "repaired":
            if os.path.exists(out):
                failures.append("%s: %s, yet a copy stands" % (path, record["outcome"]))
            continue
        copy = open(out, "rb").read()
        want = expected_copy(open(original_path, "rb").read(), record)
        for r in record["rewritten"]:
            want[r["offset"]:r["end"]] = copy[r["offset"]:r["end"]]
        if bytes(want) != copy:
            failures.append("%s: the copy's bytes are not the original's less what was left out" % path)
        status, stdout, _ = run([cli, "test", "--deep", out])
        if status != 0:
            failures.append("%s: the copy fails test --deep" % path)
        if out.endswith(".mp3"):
            _, stdout, _ = run(["mp3val", "-si", out])
            warnings = [l for l in stdout.splitlines() if l.startswith(("WARNING", "ERROR")) and "tags" not in l]
            if warnings:
                failures.append("%s: mp3val: %s" % (path, warnings[0]))
        _, _, stderr = run(["ffmpeg", "-nostdin", "-v", "error", "-i", out, "-f", "null", "-"])
        if stderr.strip():
            failures.append("%s: ffmpeg: %s" % (path, stderr.strip().splitlines()[0]))
        _, _, stderr = run(["mpg123", "-t", out])
        warned = [l for l in stderr.splitlines() if re.match(r"(Warning|Note|\[src|main:)", l) or "error" in l]
        if warned:
            failures.append("%s: mpg123: %s" % (path, warned[0]))
        base = re.search(r" of (\S+)$", recipe)
        if base and os.path.exists(os.path.join(root, base.group(1))):
            loudest = peak(os.path.join(root, base.group(1)))
            if peak(out) > loudest + 1:
                failures.append("%s: louder than its clean original" % path)
    for name, count in sorted(outcomes.items()):
        print("%-15s %d" % (name, count))
    for f in failures:
        print("FAIL " + f)
    print("%d checks failed" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
