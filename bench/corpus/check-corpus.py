#!/usr/bin/env python3
"""check-corpus.py [--strict] TUNEWARDEN-CLI OUTDIR

Runs Tunewarden (test --deep, test, test-dir --deep, test-dir --deep
--report-eof-errors) and the peers (mp3val, mpg123 -t, mp3check, ffmpeg) over
the corpus that make-corpus.sh wrote to OUTDIR, and prints where each is wrong
by OUTDIR/manifest.tsv:
  clean files:   every finding is a false alarm;
  gain files:    every Error is a false alarm (Tunewarden; peers: any finding);
  damaged files: a miss is no finding where the damage is detectable by what
                 that run can use (test: the walk; test-dir without
                 --report-eof-errors: not the walk's last 1 %).
Exit status 0, or with --strict 1 when Tunewarden has a false alarm or a miss.
"""
import json
import os
import re
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor

TW = ["test --deep", "test", "test-dir --deep", "test-dir --deep --eof"]
PEERS = ["mp3val", "mpg123", "mp3check", "ffmpeg"]
WALK = {"walk", "walk-tail"}


def run(cmd):
    p = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, stdin=subprocess.DEVNULL)
    return p.stdout.decode("utf-8", "replace"), p.stderr.decode("utf-8", "replace")


def tw_test(cli, path, deep):
    """(finding, error, lines) of one Test File run."""
    out, _ = run([cli, "test", "--format", "jsonl"] + (["--deep"] if deep else []) + [path])
    finding = error = False
    lines = []
    for o in map(json.loads, out.splitlines()):
        if o["type"] == "test" and o.get("verdict"):
            finding = error = True
            lines.append(f"{o['verdict']}: {o.get('problem')}")
        elif o["type"] == "event" and o.get("level") not in (None, "note"):
            finding = True
            error |= o["level"] == "error"
            lines.append(o["message"] + (f" [{o['detail']}]" if o.get("detail") else ""))
        elif o["type"] == "summary" and o.get("problems"):
            finding = True
            if not lines:
                lines.append(o.get("deep_check") or "problems: true")
    return finding, error, lines


def tw_dir(cli, root, extra):
    """{relative path: (finding, error, lines)} of one recursive Test Directory run."""
    out, _ = run([cli, "test-dir", "--deep", "--recurse", "--format", "jsonl"] + extra + [root])
    res = {}
    for o in map(json.loads, out.splitlines()):
        if o["type"] == "file":
            v = o["verdict"]
            res[os.path.relpath(o["path"], root)] = (v != "ok", v in ("error", "unreadable", "scan-failed"),
                                                     [o["problem"] or v] if v != "ok" else [])
    return res


def peers(path):
    """{peer: finding lines}; an empty list is a clean bill."""
    out, _ = run(["mp3val", path])
    val = [l for l in out.splitlines() if l.startswith(("WARNING", "ERROR")) and "No supported tags" not in l]
    _, err = run(["mpg123", "-t", path])
    mpg = [l for l in err.splitlines() if re.match(r"(Note|Warning|\[src|main:)", l) or "error" in l]
    out, err = run(["mp3check", "-e", "-B", "-S", "-G", path])
    chk = [l for l in (out + err).splitlines() if l.strip() and not l.endswith(":")]
    _, err = run(["ffmpeg", "-nostdin", "-v", "error", "-i", path, "-f", "null", "-"])
    return dict(zip(PEERS, (val, mpg, chk, [l for l in err.splitlines() if l.strip()])))


def expected(how, mode):
    """Should this run find a damage that `how` (manifest methods) can reveal?"""
    if mode == "test":
        return bool(how & WALK)
    if mode == "test-dir --deep":
        return bool(how - {"walk-tail"})
    if mode in PEERS:
        return bool(how & WALK)
    return bool(how)


def main():
    args = [a for a in sys.argv[1:] if a != "--strict"]
    if len(args) != 2:
        sys.exit(__doc__)
    cli, root = os.path.abspath(args[0]), os.path.abspath(args[1])
    rows = []
    with open(os.path.join(root, "manifest.tsv")) as f:
        next(f)
        for line in f:
            path, family, cat, recipe, det = line.rstrip("\n").split("\t")
            how = set(det[4:].split("+")) if det.startswith("yes:") else set()
            rows.append(dict(path=path, family=family, cat=cat, recipe=recipe, how=how, det=det))
    dirs = {"test-dir --deep": tw_dir(cli, root, []),
            "test-dir --deep --eof": tw_dir(cli, root, ["--report-eof-errors"])}

    def one(r):
        p = os.path.join(root, r["path"])
        res = {"test --deep": tw_test(cli, p, True), "test": tw_test(cli, p, False)}
        for mode, d in dirs.items():
            res[mode] = d.get(r["path"], (True, True, ["not tested by test-dir"]))
        for peer, lines in peers(p).items():
            res[peer] = (bool(lines), bool(lines), lines)
        r["res"] = res
    with ThreadPoolExecutor(2) as pool:
        list(pool.map(one, rows))

    tools = TW + PEERS
    by_path = {r["path"]: r for r in rows}
    wrong_tw = 0
    for cat, what in (("clean", "FA = false alarm"), ("gain", "ERR = an Error (peers: any finding), w = a Warning"),
                      ("damaged", "MISS = detectable damage not found; MISS= only the clean base's own finding; "
                                  "found* = found though this run can't see it")):
        sel = [r for r in rows if r["cat"] == cat]
        print(f"\n## {cat}: {len(sel)} files; {what}\n")
        print("| file | " + " | ".join(tools) + " |")
        print("|---" * (len(tools) + 1) + "|")
        notes, peer_only = [], 0
        for r in sel:
            marks, msgs = [], {}
            base = by_path.get(r["recipe"].rsplit(" of ", 1)[-1]) if cat == "damaged" else None
            for t in tools:
                finding, error, lines = r["res"][t]
                if cat == "clean":
                    m = "FA" if finding else ""
                elif cat == "gain":
                    m = "ERR" if (error if t in TW else finding) else ("w" if finding else "")
                else:
                    exp = expected(r["how"], t)
                    m = ("MISS" if exp else "-") if not finding else ("found" if exp else "found*")
                    brief = lambda ls: [l.split(" [")[0] for l in ls]  # without the detail line
                    if m == "found" and base and brief(base["res"][t][2]) == brief(lines):
                        m = "MISS="  # the same finding as on the undamaged file
                marks.append(m)
                r.setdefault("marks", {})[t] = m
                if t in TW and m in ("FA", "ERR", "MISS", "MISS="):
                    msgs.setdefault(" / ".join(lines[:3]) or "(no finding)", []).append(t)
            if msgs:
                wrong_tw += 1
                label = r["path"] + (f" ({r['det']})" if cat == "damaged" else "")
                print(f"| {label} | " + " | ".join(marks) + " |")
                notes += [f"- `{r['path']}` [{', '.join(ts)}]: {m}" for m, ts in msgs.items()]
            elif cat != "damaged" and any(marks):
                peer_only += 1
        if peer_only:
            print(f"\n{peer_only} more {cat} files with findings by peers only (see totals).")
        if notes:
            print(f"\nTunewarden lines ({cat}):\n")
            print("\n".join(notes))

    print("\n## totals\n")
    print("| tool | clean: false alarms | gain: Errors (peers: findings) | damaged, detectable: found | "
          "misses (MISS, MISS=) | damaged, all: found |")
    print("|---|---|---|---|---|---|")
    clean = [r for r in rows if r["cat"] == "clean"]
    gain = [r for r in rows if r["cat"] == "gain"]
    dam = [r for r in rows if r["cat"] == "damaged"]
    for t in tools:
        fa = sum(r["res"][t][0] for r in clean)
        ge = sum(r["res"][t][1 if t in TW else 0] for r in gain)
        found = lambda sel: sum(r["marks"][t] in ("found", "found*") for r in sel)
        miss = sum(r["marks"][t] in ("MISS", "MISS=") for r in dam)
        det = [r for r in dam if r["how"]]
        print(f"| {t} | {fa} of {len(clean)} | {ge} of {len(gain)} | {found(det)} of {len(det)} | {miss} | "
              f"{found(dam)} of {len(dam)} |")
    print(f"\nFiles where Tunewarden is wrong in at least one run: {wrong_tw}")
    if "--strict" in sys.argv and wrong_tw:
        sys.exit(1)


if __name__ == "__main__":
    main()
