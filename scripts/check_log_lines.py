#!/usr/bin/env python3
"""Checks that the user guide explains every log line, in its exact words.

    scripts/check_log_lines.py STRING_TABLE GUIDE

Each log text of the string table (its IDS_LOG_ entries) must appear in the
guide as a table row that begins with the text in a code span, `%s` filled in
with an example; every such row must be a text of the table. Prints what is
missing or misspelt and exits with 1 when something is.
"""

import re
import sys


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__.strip())
    with open(sys.argv[1], encoding="utf-8") as f:
        texts = re.findall(r'^\s*IDS_LOG_\w+\s+"((?:[^"]|"")*)"', f.read(), re.M)
    texts = [t.replace('""', '"') for t in texts]
    with open(sys.argv[2], encoding="utf-8") as f:
        rows = re.findall(r"^\| `([^`]+)` \|", f.read(), re.M)
    patterns = {t: re.compile("^" + re.escape(t).replace("%s", ".+") + "$") for t in texts}
    explained = {t for t in texts for row in rows if patterns[t].match(row)}
    problems = ["not in the guide: %s" % t for t in texts if t not in explained]
    # Rows that look like log lines (a capital, then words) but match no text.
    for row in rows:
        if re.match(r"^[A-Z][a-z]+[ :]", row) and not any(p.match(row) for p in patterns.values()):
            problems.append("no such log line: %s" % row)
    if not texts:
        problems.append("no log texts found in %s" % sys.argv[1])
    for problem in problems:
        print("%s: %s" % (sys.argv[2], problem))
    sys.exit(1 if problems else 0)


if __name__ == "__main__":
    main()
