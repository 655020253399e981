"""The site as make web leaves it, read as files (no browser): the page carries its own
scripts, and the build's page writer refuses a script it cannot carry safely."""

import os
import re
import subprocess
import sys
import tempfile
import unittest

WEB = os.environ.get("TAVRIN_WEB_DIR", "")
SOURCE = os.environ.get("TAVRIN_SOURCE", os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))))
INLINE = os.path.join(SOURCE, "platform", "web", "inline_page.py")


class Site(unittest.TestCase):
    def setUp(self):
        if not os.path.exists(os.path.join(WEB, "index.html")):
            self.skipTest("no %s/index.html (make web builds it)" % WEB)

    def test_the_page_carries_its_scripts_and_the_worker_lists_only_the_sites_files(self):
        with open(os.path.join(WEB, "index.html"), encoding="utf-8") as f:
            page = f.read()
        # Nothing but the program is fetched as a script: the page's own run inside it.
        self.assertEqual(re.findall(r"<script[^>]*\bsrc=", page), [])
        self.assertIn("window.tavrinNotices", page)
        self.assertIn("instantiateWasm", page)
        self.assertLess(page.index("window.tavrinNotices ="), page.index("instantiateWasm"))
        files = sorted(
            os.path.relpath(os.path.join(d, n), WEB).replace(os.sep, "/")
            for d, _, names in os.walk(WEB)
            for n in names
            if not n.endswith(".gz")
        )
        for gone in ("notices.js", "page.js"):
            self.assertNotIn(gone, files)
        with open(os.path.join(WEB, "sw.js"), encoding="utf-8") as f:
            listed = re.findall(r"'([^']+)'", f.read().split("FILES", 1)[1].split(";", 1)[0])
        self.assertTrue(listed)
        self.assertEqual([f for f in listed if f not in files], [])


class PageWriter(unittest.TestCase):
    """inline_page.py on a page of its own."""

    def run_inline(self, page, scripts, names):
        with tempfile.TemporaryDirectory(prefix="tavrin-inline-") as d:
            with open(os.path.join(d, "index.html"), "w", encoding="utf-8") as f:
                f.write(page)
            for name, text in scripts.items():
                with open(os.path.join(d, name), "w", encoding="utf-8") as f:
                    f.write(text)
            out = os.path.join(d, "out.html")
            r = subprocess.run([sys.executable, INLINE, os.path.join(d, "index.html"), out] + names,
                               capture_output=True, text=True)
            written = open(out, encoding="utf-8").read() if os.path.exists(out) else None
            return r.returncode, r.stderr, written

    def test_scripts_are_written_in_slimmed_and_unsafe_ones_refused(self):
        page = '<body>\n<script src="a.js"></script>\n<script src="b.js"></script>\n</body>\n'
        code, _, out = self.run_inline(page, {"a.js": "// why\n  var a = 1;  // one\n", "b.js": "var b = 2;\n"},
                                       ["a.js", "b.js"])
        self.assertEqual(code, 0)
        self.assertEqual(out, "<body>\n<script>\nvar a = 1;\n</script>\n<script>\nvar b = 2;\n</script>\n</body>\n")
        cases = [
            ("a script the page does not load", {"a.js": "var a;\n", "c.js": "var c;\n"}, ["c.js"], "does not load c.js"),
            ("a script that would end the element", {"a.js": "var s = '</SCRIPT>';\n", "b.js": ""}, ["a.js"], "cannot stand"),
            ("a comment opener", {"a.js": "var s = '<!--';\n", "b.js": ""}, ["a.js"], "cannot stand"),
            ("a missing file", {}, ["a.js"], "a.js"),
        ]
        for what, scripts, names, message in cases:
            with self.subTest(what):
                code, err, out = self.run_inline(page, scripts, names)
                self.assertEqual(code, 1)
                self.assertIn(message, err)
                self.assertIsNone(out)
