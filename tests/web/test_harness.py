"""The browser harness itself, on a small page of its own (tests/web/selftest/): what the
game's tests lean on must see errors, input, pixels and visibility the way a page does."""

import os
import struct
import unittest
import urllib.error
import urllib.request

import browser as B

HERE = os.path.dirname(os.path.abspath(__file__))


class Harness(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = B.scratch_dir()
        files = os.path.join(cls.scratch, "files")
        os.makedirs(files)
        with open(os.path.join(files, "note.txt"), "w") as f:
            f.write("beside the page\n")
        cls.server = B.StaticServer({"/": os.path.join(HERE, "selftest"), "/t/": files})
        cls.browser = B.Browser(os.path.join(cls.scratch, "browser"))
        cls.page = cls.browser.page()

    @classmethod
    def tearDownClass(cls):
        cls.browser.close()
        cls.server.close()
        B.remove_tree(cls.scratch)

    def load(self, query=""):
        self.page.errors.clear()
        self.page.navigate(self.server.url("/" + query))
        self.page.wait_for("window.check && check.frames > 2", what="the page's first frames")

    def test_console_errors_are_seen_and_a_clean_page_has_none(self):
        self.load("?error=1")
        self.assertEqual(self.page.errors, ["console.error: asked for an error"])
        self.load()
        self.assertEqual(self.page.errors, [])
        # A script error is caught too.
        self.page.eval("setTimeout(() => { throw new Error('thrown late'); }, 0); 1")
        self.page.wait(lambda: self.page.errors, what="the uncaught error")
        self.assertIn("thrown late", self.page.errors[0])

    def test_keys_mouse_and_touch_reach_the_page_and_move_its_pixels(self):
        self.load()
        w, h, rgb = self.page.canvas_rgb("#screen")
        self.assertEqual((w, h, rgb[:3]), (24, 32, b"\xff\x00\x00"))
        self.page.key("Right")
        self.page.wait(lambda: self.page.canvas_rgb("#screen")[2][3:6] == b"\xff\x00\x00", what="the dot one right")
        self.page.key("Space")
        self.page.key("Enter")
        left, top, width, height = self.page.element_box("#screen")
        self.page.click(left + 55, top + 35)
        self.page.tap(left + 15, top + 15)
        state = self.page.eval("check")
        self.assertEqual(state["keys"], ["ArrowRight", " ", "Enter"])
        self.assertEqual(state["pointer"], [[5, 3]])
        self.assertEqual(state["touches"], 1)

    def test_a_hidden_page_stops_its_frames_and_comes_back(self):
        self.load()
        self.page.hide()
        self.page.wait_for("document.visibilityState === 'hidden'")
        # Animation frames stop while hidden: a second of the page's own time passes without one.
        before = self.page.eval("check.frames")
        after = self.page.eval("new Promise(r => setTimeout(() => r(check.frames), 1000))")
        self.assertLessEqual(after - before, 1)
        self.page.show()
        self.page.wait_for("document.visibilityState === 'visible' && document.hasFocus()")
        self.page.wait_for("check.frames > %d" % (after + 5), what="frames again")
        self.assertEqual(self.page.eval("check.visibility"), ["visible", "hidden", "visible"])

    def test_screenshots_device_size_and_cpu_times(self):
        self.load()
        self.page.set_device(390, 844, 1, mobile=True)
        png = self.page.screenshot()
        self.assertEqual(png[:8], b"\x89PNG\r\n\x1a\n")
        self.assertEqual(struct.unpack(">II", png[16:24]), (390, 844))
        self.page.call("Emulation.clearDeviceMetricsOverride")
        cpu = self.browser.cpu()
        self.assertIn(self.browser.pid, cpu)
        self.assertGreater(len(cpu), 1, "the browser runs its pages in processes of their own")
        self.assertGreater(sum(cpu.values()), 0)

    def test_the_server_serves_its_folders_and_nothing_outside_them(self):
        with urllib.request.urlopen(self.server.url("/t/note.txt")) as r:
            self.assertEqual(r.read(), b"beside the page\n")
        with urllib.request.urlopen(self.server.url("/index.html")) as r:
            self.assertIn(b"harness check", r.read())
        for path in ("/t/../../../etc/passwd", "/../browser.py", "/t/%2e%2e/%2e%2e/browser.py"):
            with self.assertRaises(urllib.error.HTTPError, msg=path) as e:
                urllib.request.urlopen(self.server.url(path))
            self.assertEqual(e.exception.code, 404)


if __name__ == "__main__":
    unittest.main()
