#!/usr/bin/env python3
"""A page script as the site serves it: without its comments, blank lines and indentation,
which are a third of its bytes even gzipped. Lines keep their breaks, so the code means the
same (the page's scripts have no multi-line strings); a comment after code goes only where
no quote or slash before it could make its "//" part of a string or a pattern.

    slim_js.py IN OUT      (IN may be OUT: the file is rewritten)
"""

import re
import sys

TRAILING = re.compile(r"^([^'\"`/]*?)\s+//.*$")


def slim(text):
    lines = []
    for line in text.split("\n"):
        kept = line.strip()
        if kept and not kept.startswith("//"):
            code = TRAILING.match(kept)
            lines.append(code.group(1) if code else kept)
    return "\n".join(lines) + "\n"


if __name__ == "__main__":
    with open(sys.argv[1], encoding="utf-8") as f:
        text = f.read()
    with open(sys.argv[2], "w", encoding="utf-8") as f:
        f.write(slim(text))
