#!/usr/bin/env python3
"""The layers of the source tree, bottom first; a file may include headers of
its own folder and of the folders below it, never of one above:

    text -> platform -> common -> tags -> analysis -> reports -> settings -> shell, cli

Exits 1 and names each include that points up, or at a folder no layer knows.
    check_layers.py SOURCE_DIR
"""
import os
import re
import sys

LAYERS = ["text", "platform", "common", "tags", "analysis", "reports", "settings", ("shell", "cli")]
RANK = {}
for rank, layer in enumerate(LAYERS):
    for name in layer if isinstance(layer, tuple) else (layer,):
        RANK[name] = rank
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"/]+)/')


def main():
    top = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else ".")
    bad = []
    for folder, rank in RANK.items():
        for root, _dirs, files in os.walk(os.path.join(top, folder)):
            for name in files:
                if not name.endswith((".h", ".cpp")):
                    continue
                path = os.path.join(root, name)
                with open(path, encoding="utf-8", errors="replace") as f:
                    for number, line in enumerate(f, 1):
                        m = INCLUDE.match(line)
                        if not m:
                            continue
                        target = m.group(1)
                        if RANK.get(target, len(LAYERS)) > rank:
                            bad.append("%s:%d: %s includes %s" % (os.path.relpath(path, top), number, folder,
                                                                  line.strip()))
    for line in bad:
        print(line)
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
