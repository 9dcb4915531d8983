#!/usr/bin/env python3
"""The bash completion of tunewarden-cli: names with blanks and quotes stay
whole, each command is offered only the options and values it takes (the
tool itself is asked which those are), and the only delimiter offered is tab.
Run with bash-completion's helpers loaded when they are installed, and
without them.

    check_completion.py CLI COMPLETION_SCRIPT"""
import os
import shutil
import subprocess
import sys
import tempfile

BASH_COMPLETION = "/usr/share/bash-completion/bash_completion"
COMMANDS = ["test", "info", "test-dir", "catalog", "repair"]
VALUES = {"--max-offset": "10", "--max-resync": "10", "--format": "log", "--move-to": "nowhere", "--repair-to": "nowhere",
          "--delimiter": "tab", "--tag-text": "utf8", "--save-log": "x.log", "--settings": "x.ini"}


def complete(script, words, cwd, helpers):
    """COMPREPLY for the command line `words`, the last one being completed."""
    setup = ("source %s >/dev/null 2>&1\n" % BASH_COMPLETION) if helpers else ""
    array = " ".join("'%s'" % w.replace("'", "'\\''") for w in words)
    program = (setup + "source '%s'\nCOMP_WORDS=(%s)\nCOMP_CWORD=%d\n_tunewarden_cli\n"
               "printf '%%s\\n' \"${COMPREPLY[@]}\"\n") % (script, array, len(words) - 1)
    out = subprocess.run(["bash", "-c", program], cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                         check=True).stdout.decode()
    return sorted(line for line in out.split("\n") if line)


def accepted_options(cli, command, cwd):
    """The options the tool takes for `command`: those it does not refuse as
    not applying."""
    options = set()
    for option in ["-r", "--recurse", "--no-bitrate-summary", "--report-eof-errors", "--deep"] + list(VALUES):
        operands = ["nothing-here"] + (["copy-here"] if command == "repair" else [])
        args = [cli, command, option] + ([VALUES[option]] if option in VALUES else []) + operands
        err = subprocess.run(args, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE).stderr.decode()
        if "does not apply" not in err:
            options.add(option)
    return options


def main():
    cli, script = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    work = tempfile.mkdtemp(prefix="tw-complete-")
    failures = []
    try:
        for name in ["my dir", "my music", "it's here", "other"]:
            os.mkdir(os.path.join(work, name))
        for name in ["my file.mp3", "it's.mp3"]:
            open(os.path.join(work, name), "w").close()
        cases = [
            (["tunewarden-cli", ""], ["catalog", "info", "repair", "test", "test-dir"]),
            (["tunewarden-cli", "test-dir", "my"], ["my dir", "my music"]),
            (["tunewarden-cli", "test-dir", "my\\ m"], ["my music"]),
            (["tunewarden-cli", "test-dir", "\"my m"], ["my music"]),
            (["tunewarden-cli", "test", "my"], ["my dir", "my file.mp3", "my music"]),
            (["tunewarden-cli", "info", "it\\'"], ["it's here", "it's.mp3"]),
            (["tunewarden-cli", "catalog", "-r", "--move-to", "it"], ["it's here"]),
            (["tunewarden-cli", "test", "--format", ""], ["jsonl", "log"]),
            (["tunewarden-cli", "catalog", "--format", ""], ["csv", "jsonl", "log"]),
            (["tunewarden-cli", "test-dir", "--format", "=", ""], ["jsonl", "log"]),
            (["tunewarden-cli", "catalog", "--delimiter", ""], ["tab"]),
        ]
        helper_runs = [False] + ([True] if os.path.exists(BASH_COMPLETION) else [])
        for helpers in helper_runs:
            for words, want in cases:
                got = complete(script, words, work, helpers)
                if got != want:
                    failures.append("%s (helpers %s): %r, not %r" % (" ".join(words), helpers, got, want))
            # The options offered are the options the tool takes.
            for command in COMMANDS:
                offered = set(complete(script, ["tunewarden-cli", command, "-"], work, helpers))
                takes = accepted_options(cli, command, work)
                if offered != takes:
                    failures.append("%s (helpers %s): offers %s, the tool takes %s" %
                                    (command, helpers, sorted(offered), sorted(takes)))
        print("%d cases, %d option sets, with helpers: %s" % (len(cases), len(COMMANDS), helper_runs))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    for failure in failures:
        print("FAIL " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
