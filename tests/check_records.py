#!/usr/bin/env python3
"""Machine-readable output of tunewarden-cli: every --format jsonl line of
catalog and info parses as one JSON object, and catalog --format csv gives one
row per file with the same cells as the tab-separated log, also for a title
with a comma, a quote and a semicolon and for a name that isn't UTF-8.

    check_records.py CLI SAMPLES_DIR"""
import csv
import io
import json
import os
import shutil
import subprocess
import sys
import tempfile


def run(cli, *args):
    proc = subprocess.run([cli] + [os.fsencode(a) if isinstance(a, str) else a for a in args],
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    return proc.returncode, proc.stdout


def json_lines(data):
    text = data.decode("utf-8")  # strict: invalid UTF-8 fails here
    assert text.endswith("\n") or not text, "last line unterminated"
    objects = [json.loads(line) for line in text.splitlines()]
    for o in objects:
        assert isinstance(o, dict), o
    return objects


def tab_cells(log):
    """Data rows of a tab catalog: {file name bytes: cells}, and failures."""
    rows, failures = {}, {}
    for line in log.split(b"\n"):
        cells = line.split(b"\t")
        if len(cells) == 37 and cells[1] != b"File Name" and cells[1]:
            rows[cells[0] + cells[1]] = cells
        elif line.startswith(b"ERROR: "):
            path, _, error = line[len(b"ERROR: "):].partition(b"  -  ")
            failures[path] = error
    return rows, failures


def check_catalog(cli, folder, extra_files=0):
    status_log, log = run(cli, "catalog", "--recurse", folder)
    with tempfile.TemporaryDirectory() as logdir:
        saved = os.path.join(logdir, "log.txt")
        status_json, out = run(cli, "catalog", "--recurse", "--format", "jsonl", "--save-log", saved, folder)
        # The saved log is the log, whatever goes to standard output.
        assert open(saved, "rb").read() == log.replace(b"\n", b"\r\n")
    status_csv, csv_out = run(cli, "catalog", "--recurse", "--format", "csv", folder)
    assert status_log == status_json == status_csv, (status_log, status_json, status_csv)
    records = json_lines(out)
    files = [r for r in records if r["type"] == "file"]
    assert records[-1] == {"type": "summary", "files": len(files),
                           "failed_scans": sum(r["error"] is not None for r in files), "cancelled": False}

    rows, failures = tab_cells(log)
    assert len(rows) + len(failures) == len(files)
    assert b"\r\n" in csv_out and b"\n" not in csv_out.replace(b"\r\n", b"")
    table = list(csv.reader(io.StringIO(csv_out.decode("utf-8"), newline="")))
    header, body = table[0], table[1:]
    assert len(header) == 38 and len(set(header)) == 38 and header[-1] == "Error", header
    assert len(body) == len(files)
    for row, record in zip(body, files):
        assert len(row) == 38, row
        raw_path = unquote(record["path_bytes"]) if "path_bytes" in record else record["path"].encode("utf-8")
        if record["error"] is None:
            want = [c.decode("utf-8", "replace") for c in rows[raw_path]]
            assert row[:37] == want and row[37] == "", (row, want)
            assert record["file_size"] == int(want[2].replace(",", ""))
        else:
            assert row[37] == failures[raw_path].decode("utf-8", "replace") == record["error"]
            assert row[2:37] == [""] * 35
    return files


def check_test_dir(cli, folder):
    """test-dir --format jsonl: a record per file whose verdict and problem
    agree with the log's lines, then the counts; test --format jsonl of each
    file: a start, its events, and a summary whose frame count is the log's."""
    for extra in ([], ["--deep"]):
        status_log, log = run(cli, "test-dir", "--recurse", *extra, folder)
        status_json, out = run(cli, "test-dir", "--recurse", "--format", "jsonl", *extra, folder)
        assert status_log == status_json
        records = json_lines(out)
        files = [r for r in records if r["type"] == "file"]
        lines = [l for l in log.decode("utf-8", "replace").split("\n") if "  -  " in l]
        failing = [r for r in files if r["verdict"] != "ok"]
        assert [r["path"] + "  -  " + r["problem"] for r in failing] == lines
        for r in failing:
            assert r["verdict"] == ("warning" if r["problem"].startswith("Warning:") else r["verdict"])
        assert records[-1] == {"type": "summary", "files": len(files), "problems": len(failing), "cancelled": False}
        for f in files:
            status, log = run(cli, "test", *extra, f["path"])
            status_json, out = run(cli, "test", "--format", "jsonl", *extra, f["path"])
            assert status == status_json
            test = json_lines(out)
            assert test[0]["type"] == "test" and test[0]["path"] == f["path"]
            if test[-1]["type"] == "summary" and "frames" in test[-1]:
                assert ("Summary: {:,} total frames".format(test[-1]["frames"])).encode() in log
                assert test[-1]["problems"] == (b"No errors found." not in log)


def by_name_of(files):
    return {f["file_name"]: f for f in files}


def percent_escape(raw):
    return "".join(chr(b) if 0x20 <= b <= 0x7E and b != 0x25 else "%%%02X" % b for b in raw)


def unquote(text):
    out, i = bytearray(), 0
    while i < len(text):
        if text[i] == "%":
            out.append(int(text[i + 1:i + 3], 16))
            i += 3
        else:
            out += text[i].encode("ascii")
            i += 1
    return bytes(out)


def main():
    cli, samples = sys.argv[1], os.path.abspath(sys.argv[2])
    files = check_catalog(cli, samples)
    assert len(files) > 20
    for f in files:
        status, out = run(cli, "info", "--format", "jsonl", f["path"])
        (info,) = json_lines(out)
        assert info["type"] == "info" and info["path"] == f["path"]
        assert (info["error"] is None) == (status == 0) == (info["mpeg"] is not None)
        if f["error"] is None:
            assert info["mpeg"]["file_size"] == f["file_size"]
            assert info["mpeg"]["frames"] == f["frames"]

    check_test_dir(cli, samples)

    # Odd names and texts: a title with a comma, a quote and a semicolon, a
    # file name that isn't UTF-8 (and holds a comma), an empty file.
    with tempfile.TemporaryDirectory() as tmp:
        src = open(os.path.join(samples, "cbr192-id3v1.0-only.mp3"), "rb").read()
        tag = bytearray(src[-128:])
        tag[3:33] = b'Hello, "World"; again'.ljust(30, b"\0")
        odd = src[:-128] + bytes(tag)
        tmpb = os.fsencode(tmp)
        with open(os.path.join(tmpb, b"title.mp3"), "wb") as out:
            out.write(odd)
        with open(os.path.join(tmpb, b"name \xff\xfe,x.mp3"), "wb") as out:
            out.write(odd)
        with open(os.path.join(tmpb, b"ctl\x01name.mp3"), "wb") as out:
            out.write(src[:5000])
        with open(os.path.join(tmpb, b"empty.mp3"), "wb") as out:
            pass
        files = check_catalog(cli, tmp)
        assert len(files) == 4
        assert by_name_of(files)["ctl\x01name.mp3"]["file_size"] == 5000
        status, out = run(cli, "test-dir", "--format", "jsonl", tmp)
        tested = {r.get("path_bytes") or r["path"]: r for r in json_lines(out) if r["type"] == "file"}
        assert len(tested) == 4 and tested[os.path.join(tmp, "empty.mp3")]["verdict"] == "scan-failed"
        assert percent_escape(os.path.join(tmpb, b"name \xff\xfe,x.mp3")) in tested
        by_name = by_name_of(files)
        title = by_name["title.mp3"]
        assert title["id3v1_title"] == 'Hello, "World"; again'
        odd_name = by_name["name \ufffd\ufffd,x.mp3"]
        assert unquote(odd_name["path_bytes"]) == os.path.join(tmpb, b"name \xff\xfe,x.mp3")
        assert by_name["empty.mp3"]["error"] == "Error: File too short."
    print("records checked")
    return 0


if __name__ == "__main__":
    sys.exit(main())
