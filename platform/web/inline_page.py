#!/usr/bin/env python3
"""The page as the site serves it: index.html with its own scripts written into it, slimmed
as slim_js.py slims them. Each is one request less before the program can start, and the
parser no longer waits for them: the page's code runs as soon as the page arrives, while
the program downloads.

    inline_page.py IN OUT SCRIPT...

Each SCRIPT is a file beside IN that IN loads with a `<script src="SCRIPT"></script>` line;
that line becomes the script's text. A script that IN does not load, or one whose text could
end the element early, is an error (exit 1), not a page that silently breaks.
"""

import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from slim_js import slim  # noqa: E402


def inline(page, scripts, folder):
    for name in scripts:
        tag = '<script src="%s"></script>' % name
        if page.count(tag) != 1:
            raise ValueError("the page does not load %s once with %s" % (name, tag))
        with open(os.path.join(folder, name), encoding="utf-8") as f:
            text = slim(f.read())
        # Inside <script>, "</script" ends the element and "<!--" changes how it is parsed.
        if re.search(r"</script|<!--", text, re.IGNORECASE):
            raise ValueError("%s has text that cannot stand inside <script>" % name)
        page = page.replace(tag, "<script>\n" + text + "</script>")
    return page


def main(argv):
    if len(argv) < 4:
        sys.stderr.write(__doc__)
        return 2
    source, out, scripts = argv[1], argv[2], argv[3:]
    with open(source, encoding="utf-8") as f:
        page = f.read()
    try:
        page = inline(page, scripts, os.path.dirname(os.path.abspath(source)))
    except (OSError, ValueError) as e:
        sys.stderr.write("inline_page.py: %s\n" % e)
        return 1
    # The site's folder may not be there yet: nothing orders this step after the others.
    os.makedirs(os.path.dirname(os.path.abspath(out)), exist_ok=True)
    with open(out, "w", encoding="utf-8") as f:
        f.write(page)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
