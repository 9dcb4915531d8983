#!/usr/bin/env python3
"""Golden-output tests: runs tunewarden-cli over the sample library and
compares every byte of its output with the files kept here, so that a change
of wording, spacing or number format shows up in review.

    check_golden.py CLI SAMPLES_DIR            compare
    check_golden.py CLI SAMPLES_DIR --update   rewrite the golden files

Paths and modification times depend on the checkout; they are replaced by
<SAMPLES> and <MTIME> before comparing."""
import os
import re
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


def cases(samples):
    out = []
    for root, _dirs, files in os.walk(samples):
        for name in sorted(files):
            if name.lower().endswith((".mp1", ".mp2", ".mp3")):
                rel = os.path.relpath(os.path.join(root, name), samples)
                out.append(rel)
    out.sort()
    return out


def run(cli, args, samples):
    proc = subprocess.run([cli] + args, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    text = proc.stdout.decode("latin-1")
    text = text.replace(os.path.abspath(samples), "<SAMPLES>")
    # The catalog's fourth column and nothing else looks like M/d/yy H:mm:ss.
    text = re.sub(r"\b\d{1,2}/\d{1,2}/\d{2} \d{1,2}:\d{2}:\d{2}\b", "<MTIME>", text)
    return "exit %d\n%s" % (proc.returncode, text)


def main():
    if len(sys.argv) < 3:
        print(__doc__)
        return 2
    cli, samples = sys.argv[1], os.path.abspath(sys.argv[2])
    update = "--update" in sys.argv[3:]
    runs = []
    for rel in cases(samples):
        path = os.path.join(samples, rel)
        key = rel.replace(os.sep, "__")
        runs.append((key + ".test.txt", ["test", path]))
        runs.append((key + ".info.txt", ["info", path]))
        if rel.startswith("deep" + os.sep):
            runs.append((key + ".test-deep.txt", ["test", "--deep", path]))
    runs.append(("dir.test-dir.txt", ["test-dir", "--recurse", samples]))
    runs.append(("dir.test-dir-report-eof.txt", ["test-dir", "--recurse", "--report-eof-errors", samples]))
    runs.append(("dir.test-dir-deep.txt", ["test-dir", "--recurse", "--deep", samples]))
    runs.append(("dir.catalog.txt", ["catalog", "--recurse", samples]))
    runs.append(("dir.catalog-comma.txt", ["catalog", "--delimiter", ",", samples]))

    failed = []
    for name, args in runs:
        got = run(cli, args, samples)
        golden = os.path.join(HERE, name)
        if update:
            with open(golden, "w", encoding="latin-1", newline="") as f:
                f.write(got)
            continue
        try:
            with open(golden, encoding="latin-1", newline="") as f:
                want = f.read()
        except FileNotFoundError:
            want = None
        if got != want:
            failed.append(name)
            print("MISMATCH %s (tunewarden-cli %s)" % (name, " ".join(args)))
            if want is not None:
                for i, (a, b) in enumerate(zip(want.splitlines(), got.splitlines())):
                    if a != b:
                        print("  line %d\n    want: %r\n    got:  %r" % (i + 1, a, b))
                        break
    if update:
        print("updated %d golden files" % len(runs))
        return 0
    print("%d golden outputs compared, %d differ" % (len(runs), len(failed)))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
