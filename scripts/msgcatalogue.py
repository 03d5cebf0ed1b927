#!/usr/bin/env python3
"""Keeps the library's message file in step with its sources.

Scans s/ for the aliases the library reports (the string literal given to an issue operation
of Port_MsgManData, or to translateMsg("Portability", ...)) and appends an entry for each alias
the message file lacks, numbered after the highest number in use. The display text of a new
entry is the alias with each conversion replaced by its argument reference (!%1!, !%2!...).
Existing entries are never changed.  Usage: scripts/msgcatalogue.py [--check] [--start N]
--start N numbers new entries from N on (or after the highest number in use, if that is higher):
work on separate branches takes separate ranges so that merged entries keep distinct numbers.
"""
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MSG_FILE = os.path.join(ROOT, "install", "msg", "usenglish", "Portability.msg")
CALL = re.compile(r'(?:->|\.)issue(Status|Error|Info|Warning|Internal|Debug|Fatal|UserFatal|Errwarn)\s*\(|'
                  r'translateMsg\(\s*"Portability"\s*,')
LITERAL = re.compile(r'\s*"((?:[^"\\]|\\.)*)"')
SPEC = re.compile(r'%[-+ #0,]*(?:\*|\d+)?(?:\.(?:\*|\d+))?(?:hh|h|ll|l|L|q|j|t|I64|I32)?[A-Za-z]|%%')


def aliases_in(text):
    for m in CALL.finditer(text):
        pos = m.end()
        skip = {"Fatal": 1, "UserFatal": 1, "Errwarn": 2}.get(m.group(1) or "", 0)
        for _ in range(skip):
            pos = text.index(",", pos) + 1
        parts = []
        while True:
            lit = LITERAL.match(text, pos)
            if not lit:
                break
            parts.append(lit.group(1))
            pos = lit.end()
        if parts:
            yield decode("".join(parts))


def decode(literal):
    """A C string literal's text in message-file form: the file itself writes a newline, tab
    and carriage return as backslash-n, -t and -r; every other escape stands for its character."""
    out, i = [], 0
    while i < len(literal):
        c = literal[i]
        if c == "\\" and i + 1 < len(literal):
            n = literal[i + 1]
            out.append("\\" + n if n in "ntr" else n)
            i += 2
            continue
        out.append(c)
        i += 1
    return "".join(out)


def source_aliases():
    found = []
    for base, _, files in os.walk(os.path.join(ROOT, "s")):
        for name in sorted(files):
            if name.endswith(".cpp"):
                with open(os.path.join(base, name), encoding="utf-8") as f:
                    for alias in aliases_in(f.read()):
                        if alias not in found:
                            found.append(alias)
    return found


def file_entries():
    entries = {}
    if not os.path.exists(MSG_FILE):
        return entries
    lines = open(MSG_FILE, encoding="utf-8").read().split("\n")
    for i, line in enumerate(lines):
        if line[:1].isdigit() and i + 1 < len(lines):
            entries[lines[i + 1]] = int(re.match(r"\d+", line).group())
    return entries


def display_text(alias):
    count = 0

    def ref(m):
        nonlocal count
        if m.group() == "%%":
            return "%"
        if m.group()[-1] == "n":
            return ""
        count += 1
        return "!%%%d!" % count
    return SPEC.sub(ref, alias)


def main():
    entries = file_entries()
    missing = [a for a in source_aliases() if a not in entries]
    if "--check" in sys.argv:
        for a in missing:
            print("missing:", a)
        return 1 if missing else 0
    number = max(entries.values(), default=1000)
    if "--start" in sys.argv:
        start = int(sys.argv[sys.argv.index("--start") + 1])
        number = max([n for n in entries.values() if n >= start], default=start - 1)
    with open(MSG_FILE, "a", encoding="utf-8") as f:
        for alias in missing:
            number += 1
            f.write("%d\n%s\n%s\n;;\n\n" % (number, alias, display_text(alias)))
            print("added %d: %s" % (number, alias))
    return 0


if __name__ == "__main__":
    sys.exit(main())
