#!/usr/bin/env python3
"""The man page and --help name the same commands and options: an option
added to one and not to the other fails here.

    check_manpage.py CLI MAN_SOURCE"""
import re
import subprocess
import sys

OPTION = re.compile(r"(?<![\w-])(--?[A-Za-z][\w-]*)")


def help_names(cli):
    text = subprocess.run([cli, "--help"], stdout=subprocess.PIPE, check=True).stdout.decode()
    commands, options, section = set(), set(), None
    for line in text.splitlines():
        if line in ("Commands:", "Options:"):
            section = line
        elif line and not line.startswith(" "):
            section = None
        elif section == "Commands:" and re.match(r"  \S", line):
            commands.add(line.split()[0])
        elif section == "Options:" and re.match(r"  +-", line):
            # The option column only, not the words of its description.
            head = re.split(r"\s{2,}", line.strip())[0]
            options.update(OPTION.findall(head))
    return commands, options


def man_names(path):
    commands, options, section, heading = set(), set(), None, False
    for line in open(path, encoding="utf-8"):
        line = line.rstrip("\n").replace("\\-", "-")
        if line.startswith(".SH "):
            section, heading = line[4:].strip(), False
        elif line.startswith(".TP"):
            heading = True
        elif heading:
            heading = False
            words = line.split(None, 1)[1] if line.startswith(".") else line
            if section == "COMMANDS":
                commands.add(words.split()[0])
            elif section == "OPTIONS":
                # Quoted parts are the value's name or the ", " between forms.
                options.update(OPTION.findall(re.sub(r'"[^"]*"', " ", words)))
    return commands, options


def main():
    cli, man = sys.argv[1], sys.argv[2]
    help_commands, help_options = help_names(cli)
    man_commands, man_options = man_names(man)
    ok = True
    for what, a, b in (("commands", help_commands, man_commands), ("options", help_options, man_options)):
        if not a:
            print("no %s found in --help" % what)
            ok = False
        if a - b:
            print("%s in --help but not in the man page: %s" % (what, " ".join(sorted(a - b))))
            ok = False
        if b - a:
            print("%s in the man page but not in --help: %s" % (what, " ".join(sorted(b - a))))
            ok = False
    print("%d commands, %d options compared" % (len(help_commands), len(help_options)))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
