#!/usr/bin/env python3
"""Machine-readable output of tunewarden-cli: every --format jsonl line of
catalog and info parses as one JSON object after a header record, and
catalog --format csv gives one row per file with the same cells as the
tab-separated log with --tag-text utf8 (the time in ISO 8601 instead), then
the added columns, also for a title with a comma, a quote and a semicolon,
for ISO-8859-1 tag text and for a name that isn't UTF-8.

    check_records.py CLI SAMPLES_DIR"""
import csv
import io
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile


def run(cli, *args):
    proc = subprocess.run([cli] + [os.fsencode(a) if isinstance(a, str) else a for a in args],
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    return proc.returncode, proc.stdout


ISO_TIME = re.compile(r"^\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}[+-]\d{2}:\d{2}$")
EXTRA_FIELDS = ["duration_seconds", "average_bitrate_bps", "channels", "encoder", "id3v2_disc"]


def json_lines(data, command=None):
    """The records of a run, after checking and dropping its header record."""
    text = data.decode("utf-8")  # strict: invalid UTF-8 fails here
    assert text.endswith("\n") or not text, "last line unterminated"
    objects = [json.loads(line) for line in text.splitlines()]
    for o in objects:
        assert isinstance(o, dict), o
    header = objects[0]
    assert header["type"] == "header" and header["tool"] == "tunewarden-cli" and header["schema"] == 1, header
    assert command is None or header["command"] == command, header
    assert os.path.isabs(header["path"]) and header["arguments"][0] == header["command"], header
    for o in objects[1:]:
        assert o["type"] != "header", o
        for name in ("path", "moved_to", "move_folder"):
            assert name not in o or os.path.isabs(o[name]), o
    return objects[1:]


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
    status_utf8, log_utf8 = run(cli, "catalog", "--recurse", "--tag-text", "utf8", folder)
    with tempfile.TemporaryDirectory() as logdir:
        saved = os.path.join(logdir, "log.txt")
        status_json, out = run(cli, "catalog", "--recurse", "--format", "jsonl", "--save-log", saved, folder)
        # The saved log is the log, whatever goes to standard output.
        assert open(saved, "rb").read() == log.replace(b"\n", b"\r\n")
    status_csv, csv_out = run(cli, "catalog", "--recurse", "--format", "csv", folder)
    assert status_log == status_json == status_csv == status_utf8, (status_log, status_json, status_csv)
    records = json_lines(out, "catalog")
    files = [r for r in records if r["type"] == "file"]
    assert records[-1] == {"type": "summary", "files": len(files),
                           "failed_scans": sum(r["error"] is not None for r in files), "cancelled": False}

    rows, failures = tab_cells(log)
    rows_utf8, _ = tab_cells(log_utf8)
    assert len(rows) + len(failures) == len(files)
    assert b"\r\n" in csv_out and b"\n" not in csv_out.replace(b"\r\n", b"")
    table = list(csv.reader(io.StringIO(csv_out.decode("utf-8"), newline="")))
    header, body = table[0], table[1:]
    assert len(header) == 43 and len(set(header)) == 43 and header[37] == "Error", header
    assert len(body) == len(files)
    for row, record in zip(body, files):
        assert len(row) == 43, row
        raw_path = unquote(record["path_bytes"]) if "path_bytes" in record else record["path"].encode("utf-8")
        for i, field in enumerate(EXTRA_FIELDS):
            value = record[field]
            if isinstance(value, dict):
                value = record["id3v2_disc"] and row[38 + i]  # the text as written
            assert row[38 + i] == ("" if value is None else str(value)), (field, row[38 + i], value)
        if record["error"] is None:
            want = [c.decode("utf-8", "replace") for c in rows_utf8[raw_path]]
            blanked = [c.decode("utf-8", "replace") for c in rows[raw_path]]
            # Only the tag texts differ between the two logs.
            tag_columns = {15, 16, 17, 19, 21, 25, 26, 27, 28, 29, 30, 31}
            assert [c for i, c in enumerate(want) if i not in tag_columns] == \
                [c for i, c in enumerate(blanked) if i not in tag_columns]
            assert ISO_TIME.match(row[3]) and row[3] == record["modified"], row[3]
            # The log shows control characters (C0, DEL, C1) as blanks.
            shown = row[:2] + [re.sub("[\x00-\x1f\x7f-\x9f]", " ", c) for c in row[2:]]
            assert shown[:3] + shown[4:37] == want[:3] + want[4:] and row[37] == "", (row, want)
            assert record["file_size"] == int(want[2].replace(",", ""))
        else:
            assert row[37] == failures[raw_path].decode("utf-8", "replace") == record["error"]
            assert row[4:37] == [""] * 33
            if record["file_size"] is not None:
                assert row[2] == "{:,}".format(record["file_size"]) and row[3] == record["modified"]
    return files


def check_test_dir(cli, folder):
    """test-dir --format jsonl: a record per file whose verdict and problem
    agree with the log's lines, then the counts; test --format jsonl of each
    file: a start, its events, and a summary whose frame count is the log's."""
    for extra in ([], ["--deep"]):
        status_log, log = run(cli, "test-dir", "--recurse", *extra, folder)
        status_json, out = run(cli, "test-dir", "--recurse", "--format", "jsonl", *extra, folder)
        assert status_log == status_json
        records = json_lines(out, "test-dir")
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
            test = json_lines(out, "test")
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
        (info,) = json_lines(out, "info")
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
        tag[3:33] = b'Hello, "World"; caf\xe9'.ljust(30, b"\0")
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
        tested = {r.get("path_bytes") or r["path"]: r for r in json_lines(out, "test-dir") if r["type"] == "file"}
        assert len(tested) == 4 and tested[os.path.join(tmp, "empty.mp3")]["verdict"] == "scan-failed"
        assert percent_escape(os.path.join(tmpb, b"name \xff\xfe,x.mp3")) in tested
        by_name = by_name_of(files)
        title = by_name["title.mp3"]
        assert title["id3v1_title"] == 'Hello, "World"; caf\u00e9'
        odd_name = by_name["name \ufffd\ufffd,x.mp3"]
        assert unquote(odd_name["path_bytes"]) == os.path.join(tmpb, b"name \xff\xfe,x.mp3")
        assert by_name["empty.mp3"]["error"] == "Error: File too short."
    print("records checked")
    return 0


if __name__ == "__main__":
    sys.exit(main())
