#!/usr/bin/env python3
"""Every JSON Lines record of the golden runs (tests/golden/check_golden.py),
with --format jsonl, and of a catalog of the tag samples validates against
docs/tunewarden-records.schema.json; each run starts with one header record.

    check_schema.py CLI SAMPLES_DIR [MORE_DIRS...]

Needs python3-jsonschema; exits 77 (skipped) without it."""
import json
import os
import subprocess
import tempfile
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "golden"))

try:
    import jsonschema
except ImportError:
    print("skipped: python3-jsonschema is not installed")
    sys.exit(77)

from check_golden import cases  # noqa: E402  (the golden runs' file list)

SCHEMA = os.path.join(HERE, "..", "docs", "tunewarden-records.schema.json")


def runs(samples, more):
    out = []
    for rel in cases(samples):
        path = os.path.join(samples, rel)
        out += [["test", path], ["info", path]]
        if rel.startswith("deep" + os.sep):
            out.append(["test", "--deep", path])
    out += [["test-dir", "--recurse", samples], ["test-dir", "--recurse", "--report-eof-errors", samples],
            ["test-dir", "--recurse", "--deep", samples], ["catalog", "--recurse", samples],
            ["catalog", "--delimiter", ",", samples]]
    # Repairs, into a folder of their own that is thrown away.
    work = tempfile.mkdtemp(prefix="tw-schema-")
    for name in ["junk-between-frames.mp3", "deep/flipped-audio-bit.mp3", "deep/clean-lame-cbr.mp3"]:
        out.append(["repair", os.path.join(samples, name), os.path.join(work, os.path.basename(name))])
    out.append(["test-dir", "--deep", "--repair-to", work, os.path.join(samples, "deep")])
    for folder in more:
        out += [["catalog", "--recurse", folder], ["test-dir", "--recurse", folder]]
        out += [["info", os.path.join(folder, name)] for name in sorted(os.listdir(folder))
                if name.endswith(".mp3")]
    return out


def main():
    cli, samples, more = sys.argv[1], os.path.abspath(sys.argv[2]), [os.path.abspath(d) for d in sys.argv[3:]]
    with open(SCHEMA, encoding="utf-8") as f:
        schema = json.load(f)
    jsonschema.Draft202012Validator.check_schema(schema)
    validator = jsonschema.Draft202012Validator(schema)
    records = failures = 0
    kinds = set()
    for args in runs(samples, more):
        out = subprocess.run([cli] + args[:1] + ["--format", "jsonl"] + args[1:], stdout=subprocess.PIPE).stdout
        lines = out.decode("utf-8").splitlines()
        objects = [json.loads(line) for line in lines]
        if not objects or objects[0].get("type") != "header" or any(o.get("type") == "header" for o in objects[1:]):
            print("FAIL %s: not one header record first" % " ".join(args))
            failures += 1
        for o in objects:
            records += 1
            kinds.add(o["type"] + ("/" + o["event"] if o["type"] == "event" else ""))
            errors = list(validator.iter_errors(o))
            if errors:
                failures += 1
                best = jsonschema.exceptions.best_match(errors)
                print("FAIL %s\n  %s\n  %s at %s" % (" ".join(args), json.dumps(o)[:300], best.message,
                                                     "/".join(map(str, best.absolute_path))))
    print("%d records of %d kinds validated, %d failed" % (records, len(kinds), failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
