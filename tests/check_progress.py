#!/usr/bin/env python3
"""The progress line of tunewarden-cli on a terminal (a pseudo-terminal of
60 columns): at most about ten redraws a second, never wider than the
terminal, files done/total for a directory, cleared at the end; nothing at all when standard error is not a terminal.

    check_progress.py CLI SAMPLES_DIR"""
import fcntl
import os
import pty
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import termios
import time

COLUMNS = 60
CLEAR = b"\r\x1b[K"


def run_on_pty(cli, args):
    master, slave = pty.openpty()
    fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", 24, COLUMNS, 0, 0))
    start = time.monotonic()
    proc = subprocess.Popen([cli] + args, stdout=subprocess.DEVNULL, stderr=slave)
    os.close(slave)
    data = b""
    while True:
        try:
            chunk = os.read(master, 65536)
        except OSError:  # EIO: the other end is closed
            break
        if not chunk:
            break
        data += chunk
    proc.wait()
    os.close(master)
    return proc.returncode, data, time.monotonic() - start


def check_lines(data, seconds):
    assert data.endswith(CLEAR), data[-80:]
    lines = [l.decode() for l in data.split(CLEAR) if l]
    assert lines, data
    for line in lines:
        assert len(line) < COLUMNS and "\n" not in line, line
    assert len(lines) <= 10 * seconds + 4, (len(lines), seconds)
    return lines


def main():
    cli, samples = sys.argv[1], os.path.abspath(sys.argv[2])
    with tempfile.TemporaryDirectory() as tmp:
        small = os.path.join(samples, "mpeg25-layer3-8khz-16k.mp3")
        for i in range(2000):
            shutil.copyfile(small, os.path.join(tmp, "f%04d.mp3" % i))
        status, data, seconds = run_on_pty(cli, ["test-dir", tmp])
        assert status == 0
        lines = check_lines(data, seconds)
        assert any(re.match(r"[\d,]+/2,000 files  \[[#.]+\] +\d+%", l) for l in lines), lines

        # One file: the same rules (what its line shows is ProgressLine's
        # unit test; a walk this fast may not get past its first draw).
        big = os.path.join(tmp, "big.mp3")
        frames = open(small, "rb").read()[:-128]
        with open(big, "wb") as out:
            out.write(frames * 4000)
        status, data, seconds = run_on_pty(cli, ["test", big])
        assert status in (0, 1)
        check_lines(data, seconds)

        # Not a terminal: nothing on standard error.
        proc = subprocess.run([cli, "test-dir", tmp], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        assert proc.stderr == b"", proc.stderr[:200]
    print("progress checked")
    return 0


if __name__ == "__main__":
    sys.exit(main())
