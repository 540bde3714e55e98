#!/usr/bin/env python3
"""Checks the relative links and pictures of Markdown files.

    scripts/check_links.py FILE_OR_FOLDER...

Every link or picture whose target is not a web address must name a file or
folder of the repository, and a #fragment must name a heading of the file it
points to (as GitHub makes heading anchors). Text in code blocks and code
spans is not read. Prints each broken link as FILE:LINE and exits with 1 when
there is one.
"""

import os
import re
import sys

INLINE = re.compile(r"!?\[(?:[^\[\]]|\[[^\]]*\])*\]\(\s*<?([^)\s>]*)>?(?:\s+\"[^\"]*\")?\s*\)")
REFERENCE = re.compile(r"^\s{0,3}\[[^\]]+\]:\s*<?(\S+?)>?(?:\s+\"[^\"]*\")?\s*$")
FENCE = re.compile(r"^\s{0,3}(```|~~~)")
CODE_SPAN = re.compile(r"(`+).*?\1")
HEADING = re.compile(r"^\s{0,3}#{1,6}\s+(.*?)\s*#*\s*$")


def anchors(path):
    """The anchors GitHub gives the headings of a Markdown file."""
    seen = {}
    result = set()
    in_code = False
    with open(path, encoding="utf-8") as f:
        for line in f:
            if FENCE.match(line):
                in_code = not in_code
                continue
            match = None if in_code else HEADING.match(line)
            if not match:
                continue
            text = CODE_SPAN.sub(lambda m: m.group(0).strip("`"), match.group(1))
            text = re.sub(r"\[([^\]]*)\]\([^)]*\)", r"\1", text)  # a link shows its text
            slug = re.sub(r"[^\w\- ]", "", text.lower()).replace(" ", "-")
            count = seen.get(slug, 0)
            seen[slug] = count + 1
            result.add(slug if count == 0 else "%s-%d" % (slug, count))
    return result


def targets(path):
    """(line number, target) of every link and picture outside code."""
    in_code = False
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            if FENCE.match(line):
                in_code = not in_code
                continue
            if in_code:
                continue
            line = CODE_SPAN.sub("", line)
            for match in INLINE.finditer(line):
                yield number, match.group(1)
            match = REFERENCE.match(line)
            if match:
                yield number, match.group(1)


def broken(path):
    folder = os.path.dirname(os.path.abspath(path))
    for number, target in targets(path):
        if re.match(r"^[a-zA-Z][a-zA-Z0-9+.-]*:", target):
            continue  # https:, mailto: and the like
        file_part, _, fragment = target.partition("#")
        linked = os.path.normpath(os.path.join(folder, file_part)) if file_part else os.path.abspath(path)
        if not os.path.exists(linked):
            yield number, target, "no such file"
        elif fragment and linked.endswith(".md") and fragment not in anchors(linked):
            yield number, target, "no such heading"


def markdown_files(arguments):
    for argument in arguments:
        if os.path.isdir(argument):
            for name in sorted(os.listdir(argument)):
                if name.endswith(".md"):
                    yield os.path.join(argument, name)
        else:
            yield argument


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__.strip())
    failures = 0
    checked = 0
    for path in markdown_files(sys.argv[1:]):
        checked += 1
        for number, target, reason in broken(path):
            print("%s:%d: %s: %s" % (path, number, target, reason))
            failures += 1
    if checked == 0:
        sys.exit("check_links: no Markdown file given")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
