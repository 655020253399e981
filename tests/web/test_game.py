"""The game in a real browser: the page of build-web/ served on 127.0.0.1 and played in
headless Chromium, checked against the native offscreen program (build/tavrin) run in
scratch folders. The page's hooks (window.tavrin) and URL parameters are in docs/web.md.

Run by tests/web/run_tests.py, which says where the two builds are."""

import base64
import io
import json
import os
import re
import shutil
import subprocess
import unittest

import browser as B

WEB = os.environ.get("TAVRIN_WEB_DIR", "")
NATIVE = os.environ.get("TAVRIN_NATIVE", "")
SOURCE = os.environ.get("TAVRIN_SOURCE", os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__)))))
FULLGAME = os.path.join(SOURCE, "tools", "scripts", "fullgame.script")

# A page with its WebAssembly compiled and started; and a whole game on the virtual clock.
START_WAIT = 180.0
FULLGAME_WAIT = 1200.0

# Main menu, practice, the first practice level, steps by the keys and one by the pen (the
# panel's pad), a shot, fire opens the pause menu; then the program is closed.
SESSION = """\
1200 key tap Space
2350 key tap Down
2500 key tap Space
3650 key tap Space
4800 key tap Space
5950 key press Down
6010 key release Down
6400 key press Right
6460 key release Right
7000 pen press 120 300
7050 pen release
7500 shot playing.png
8000 key tap Space
9000 close
"""


def monster_session():
    """Practice 4 (EGGS) with its monster let loose: the egg pushed down the shaft hatches, and
    the player paces up and down the earth left of the shaft, out of reach behind its wall,
    so that the monster climbs and drops after the player's row, one random choice of way each
    square (up or down, or into the wall and stay), for 24 s; then the player steps up into
    the top row, where the monster comes round and kills.

    Measured once, with a counter on the draws: the egg cracks 1.2 s into the level, the
    monster sets off at 3.7 s and kills at 28.05 s (the death picture says 28.0s): 24.3 s on
    its way, 153 random choices, 65 squares walked; the replay matches 3712 frames. Another
    sequence of draws gives another walk and another time of death: a page that drew the
    browser's C library rand() parted from the recording at frame 967, at 9572 ms of the
    session: the monster's first choice."""
    lines = [
        "1200 key tap Space",  # the splash gives way to the main menu
        "2350 key tap Down",
        "2500 key tap Space",  # PRACTICE
        "3650 key tap Down",
        "3750 key tap Down",
        "3850 key tap Down",
        "4100 key tap Space",  # 4 EGGS
        "5200 key tap Space",  # past its card
    ]

    def move(at, key):
        lines.append("%d key press %s" % (at, key))
        lines.append("%d key release %s" % (at + 40, key))

    # Dig right, push the egg into the shaft, back left and down into the earth.
    for at, key in ((6600, "Right"), (6900, "Right"), (7200, "Left"), (7500, "Down")):
        move(at, key)
    at = 9000
    for key in ["Down", "Down", "Down", "Up", "Up", "Up"] * 4:
        move(at, key)
        at += 1000
    move(at, "Up")  # into the top row, open to the monster
    for n, shot_at in enumerate(range(12000, 33000, 4000)):
        lines.append("%d shot roaming_%d.png" % (shot_at, n))
    lines.append("%d shot ouch.png" % (at + 3000))
    lines.append("%d close" % (at + 4000))
    lines.sort(key=lambda line: int(line.split()[0]))
    return "\n".join(lines) + "\n"


MONSTER_SESSION = monster_session()


# What the keys-and-taps test does in the browser, played natively for the pictures it
# must see: the main menu, Down, Up, a tap on PRACTICE, Down there, a tap on BACK.
MENU_POINT = (140, 145)  # PRACTICE in the main menu
BACK_POINT = (140, 208)  # BACK in the practice menu
REFERENCE = """\
3000 shot menu.png
3100 key tap Down
4000 shot menu_down.png
4100 key tap Up
5000 shot menu_up.png
5100 pen press %d %d
5150 pen release
7000 shot practice.png
7100 key tap Down
8000 shot practice_down.png
8100 pen press %d %d
8150 pen release
10000 shot back.png
11000 close
""" % (MENU_POINT + BACK_POINT)


def run_native(folder, args, script=None):
    """The native program, offscreen, in folder with folder/home as its HOME."""
    os.makedirs(os.path.join(folder, "home"), exist_ok=True)
    if script is not None:
        with open(os.path.join(folder, "run.script"), "w") as f:
            f.write(script)
        args = ["-script", "run.script"] + list(args)
    env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": os.path.join(folder, "home")}
    return subprocess.run(
        [os.path.abspath(NATIVE), "-platform", "offscreen"] + list(args),
        cwd=folder,
        env=env,
        capture_output=True,
        timeout=900,
    )


def png_rgb(path):
    from PIL import Image

    with Image.open(path) as im:
        return im.size, im.convert("RGB").tobytes()


def differing_pixels(a, b):
    return sum(1 for i in range(0, min(len(a), len(b)), 3) if a[i : i + 3] != b[i : i + 3])


@unittest.skipUnless(WEB and NATIVE, "run by tests/web/run_tests.py")
class Game(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        for what, path in (("web build", os.path.join(WEB, "index.html")), ("native game", NATIVE)):
            if not os.path.exists(path):
                raise unittest.SkipTest("no %s at %s" % (what, path))
        cls.scratch = B.scratch_dir()
        cls.files = os.path.join(cls.scratch, "files")  # served at /t/
        os.makedirs(cls.files)
        cls.server = B.StaticServer({"/": WEB, "/t/": cls.files})
        cls.browser = B.Browser(os.path.join(cls.scratch, "browser"))
        cls.page = cls.browser.page()
        cls.failed = False

        # The pictures the live page must show, as the native program draws them.
        ref = os.path.join(cls.scratch, "reference")
        r = run_native(ref, [], REFERENCE)
        if r.returncode != 0:
            raise RuntimeError("the native reference run failed: %s" % r.stderr.decode(errors="replace"))
        cls.pictures = {}
        for name in os.listdir(ref):
            if name.endswith(".png"):
                size, rgb = png_rgb(os.path.join(ref, name))
                assert size == (240, 320), name
                cls.pictures[name[:-4]] = rgb

    @classmethod
    def tearDownClass(cls):
        cls.browser.close()
        cls.server.close()
        if cls.failed:
            print("\nweb tests: scratch folder kept for a look: %s" % cls.scratch)
        else:
            B.remove_tree(cls.scratch)

    def run(self, result=None):
        result = super().run(result)
        if result is not None and (result.failures or result.errors):
            type(self).failed = True
        return result

    # -- the page --

    def open(self, query=""):
        """Loads the page (no service worker) and waits for the program to start."""
        self.page.errors.clear()
        self.page.navigate(self.server.url("/?test=1" + query))
        self.page.wait_for("window.tavrin && tavrin.status !== 'loading'", START_WAIT, "the program to start")
        self.assertNotEqual(self.page.eval("tavrin.status"), "error", self.page.eval("tavrin.error"))

    def wait_exit(self, timeout):
        status = self.page.wait_for(
            "['exited', 'error'].includes(tavrin.status) && tavrin.status", timeout, "the program to end"
        )
        self.assertEqual(status, "exited", self.page.eval("tavrin.error"))
        return self.page.eval("({code: tavrin.exitCode, out: tavrin.stdout, err: tavrin.stderr})")

    def canvas(self):
        w, h, rgb = self.page.canvas_rgb("#screen")
        self.assertEqual((w, h), (240, 320))
        return rgb

    def wait_shows(self, name, timeout=B.DEFAULT_WAIT):
        """Waits until the canvas shows the native picture name, pixel for pixel."""
        want = self.pictures[name]
        try:
            self.page.wait(lambda: self.canvas() == want, timeout, "the canvas to show " + name)
        except B.BrowserError as e:
            got = self.canvas()
            self.fail("%s\n%d of 76800 pixels differ from the native %s.png" % (e, differing_pixels(got, want), name))

    def point(self, x, y):
        """The page coordinates of the screen's pixel (x, y)."""
        left, top, width, height = self.page.element_box("#screen")
        return left + (x + 0.5) * width / 240, top + (y + 0.5) * height / 320

    def read_file(self, path):
        data = self.page.eval("tavrin.readFile(%s)" % json.dumps(path))
        return None if data is None else base64.b64decode(data)

    # -- the tests --

    def test_1_the_page_loads_without_an_error_and_shows_the_main_menu(self):
        self.open()
        self.page.wait_for("tavrin.frames > 0", what="a frame on the canvas")
        self.assertIsInstance(self.page.eval("tavrin.firstFrameAt"), (int, float))
        self.wait_shows("menu")
        self.assertEqual(self.page.eval("tavrin.status"), "running")
        self.assertEqual(self.page.eval("document.getElementById('screen').tagName"), "CANVAS")
        self.assertEqual(self.page.errors, [], "\n".join(self.page.console))

    def test_2_keys_mouse_and_touch_reach_the_game(self):
        # A phone held upright, with a touch screen.
        self.page.set_device(390, 844, 3, mobile=True)
        self.page.call("Emulation.setTouchEmulationEnabled", {"enabled": True, "maxTouchPoints": 1})
        try:
            self.open()
            self.wait_shows("menu")
            self.page.key("Down")
            self.wait_shows("menu_down")
            self.page.key("Up")
            self.wait_shows("menu_up")
            self.page.click(*self.point(*MENU_POINT))
            self.wait_shows("practice")
            self.page.key("Down")
            self.wait_shows("practice_down")
            self.page.tap(*self.point(*BACK_POINT))
            self.wait_shows("back")
            self.assertEqual(self.page.errors, [])
        finally:
            self.page.call("Emulation.setTouchEmulationEnabled", {"enabled": False})
            self.page.call("Emulation.clearDeviceMetricsOverride")

    def test_3_a_hidden_page_suspends_the_game_and_it_resumes(self):
        self.open()
        self.wait_shows("menu")
        self.assertFalse(self.page.eval("tavrin.suspended"))
        self.assertNotIn("SIGCONT", self.page.eval("tavrin.stderr"))
        for round in (1, 2):
            self.page.hide()
            self.page.wait_for("tavrin.suspended === true", what="the game suspended (round %d)" % round)
            # Nothing reaches the canvas while suspended: a second of the page's time passes.
            frames = self.page.eval("new Promise(r => { const f = tavrin.frames; setTimeout(() => r([f, tavrin.frames]), 1000); })")
            self.assertEqual(frames[0], frames[1])
            self.page.show()
            self.page.wait_for("tavrin.suspended === false", what="the game resumed (round %d)" % round)
            # Each return is one continue signal, as on the desktop: the program puts its tick
            # clock right and runs one tick, not the time away as a burst.
            self.page.wait_for(
                "tavrin.stderr.split('SIGCONT received').length - 1 === %d" % round,
                what="one continue signal for each return",
            )
        # It plays on where it was.
        self.page.key("Down")
        self.wait_shows("menu_down")
        self.assertEqual(self.page.eval("tavrin.status"), "running")
        self.assertEqual(self.page.errors, [])

    def replay_in_page(self, name, script, shots):
        """Records script natively, replays the recording natively and in the page, and checks
        that the page prints what the native replay prints (every frame matched) and takes the
        same shots, byte for byte. Returns the native replay's standard output."""
        folder = os.path.join(self.scratch, name)
        r = run_native(folder, ["-record", name + ".rec"], script)
        self.assertEqual(r.returncode, 0, r.stderr)
        replayed = os.path.join(self.scratch, name + "-replay")
        os.makedirs(replayed)
        native = run_native(replayed, ["-replay", os.path.join(folder, name + ".rec")])
        self.assertEqual(native.returncode, 0, native.stderr)
        self.assertRegex(native.stdout.decode(), r"\nreplay: \d+ frames matched\n$")
        shutil.copy(os.path.join(folder, name + ".rec"), os.path.join(self.files, name + ".rec"))

        self.open("&replay=/t/%s.rec" % name)
        got = self.wait_exit(START_WAIT)
        self.assertEqual(got["err"], native.stderr.decode())
        self.assertEqual(got["out"], native.stdout.decode())
        self.assertEqual(got["code"], 0)
        # The recorded script's shots are taken again, the same bytes.
        for shot in shots:
            with open(os.path.join(replayed, shot), "rb") as f:
                self.assertEqual(self.read_file(shot), f.read(), shot)
        self.assertEqual(self.page.errors, [])
        return native.stdout.decode()

    def test_4_a_native_recording_replays_with_every_frame_matched(self):
        self.replay_in_page("session", SESSION, ["playing.png"])

    def test_4_a_recording_with_a_roaming_monster_replays_with_every_frame_matched(self):
        # The monster's way is drawn at random, square by square: the page must draw the very
        # numbers the desktop draws, or the walk, the time of death and the frames part.
        shots = ["roaming_%d.png" % n for n in range(6)] + ["ouch.png"]
        out = self.replay_in_page("monster", MONSTER_SESSION, shots)
        # The session is what it is meant to be: the egg hatches, and its monster kills the
        # player, once, and is never crushed.
        sounds = re.findall(r"^SndPlay (25[134])$", out, re.M)
        self.assertEqual(sounds, ["251", "254"])

    def test_5_the_whole_game_gives_the_native_output_and_screenshots(self):
        folder = os.path.join(self.scratch, "fullgame")
        native = run_native(folder, ["-script", FULLGAME])
        self.assertEqual(native.returncode, 0, native.stderr)
        shots = sorted(n for n in os.listdir(folder) if n.endswith(".png"))
        self.assertGreater(len(shots), 40)
        # A monster on its way is among them: a page that drew other random numbers would show
        # it elsewhere.
        self.assertTrue(any(n.endswith("_monster.png") for n in shots), shots)
        shutil.copy(FULLGAME, os.path.join(self.files, "fullgame.script"))

        self.open("&script=/t/fullgame.script")
        got = self.wait_exit(FULLGAME_WAIT)
        self.assertEqual(got["out"], native.stdout.decode())
        self.assertEqual(got["err"], native.stderr.decode())
        self.assertEqual(got["code"], 0)
        names = self.page.eval("tavrin.files('.')")
        self.assertEqual(sorted(n for n in names if n.endswith(".png")), shots)
        differ = []
        for name in shots:
            with open(os.path.join(folder, name), "rb") as f:
                if self.read_file(name) != f.read():
                    differ.append(name)
        self.assertEqual(differ, [], "screenshots that differ from native")
        self.assertEqual(self.page.errors, [])

    def test_6_progress_survives_a_reload(self):
        # The first level played by the whole-game script's keys, with the browser's storage on
        # (a script run starts from an empty home and keeps nothing without storage=1).
        with open(FULLGAME) as f:
            lines = f.read().splitlines(True)
        end = next(i for i, l in enumerate(lines) if l.startswith("# level 1,"))
        first_level = "".join(lines[:end]) + "9000 close\n"
        next_start = "400 key tap Space\n1500 shot menu.png\n1600 key tap Space\n2600 shot select.png\n3000 close\n"
        folder = os.path.join(self.scratch, "progress")
        r = run_native(folder, [], first_level)
        self.assertEqual(r.returncode, 0, r.stderr)
        with open(os.path.join(folder, "home", "Applications", "tavrin.conf"), "rb") as f:
            progress = f.read()
        r = run_native(folder, [], next_start)
        self.assertEqual(r.returncode, 0, r.stderr)
        for name in ("menu", "select"):
            self.pictures["progress_" + name] = png_rgb(os.path.join(folder, name + ".png"))[1]
        with open(os.path.join(self.files, "first_level.script"), "w") as f:
            f.write(first_level)

        self.open("&script=/t/first_level.script&storage=1")
        got = self.wait_exit(START_WAIT)
        self.assertEqual(got["code"], 0, got["err"])
        self.assertEqual(self.page.eval("tavrin.storage"), "persistent")
        self.assertEqual(self.read_file("/home/web_user/Applications/tavrin.conf"), progress)
        self.page.wait_for("tavrin.storageWrites > 0", what="the progress written to the browser's storage")
        # The save just before the end (its fsync waits for the database) ends cleanly too.
        self.assertEqual(self.page.errors, [])

        # The game, as a player opens it again: the level the script completed opened the next.
        self.open()
        self.page.wait_for("tavrin.storage !== 'loading'", what="the stored files read in")
        self.assertEqual(self.page.eval("tavrin.storage"), "persistent")
        self.wait_shows("progress_menu")
        self.page.key("Space")
        self.wait_shows("progress_select")
        self.assertEqual(self.read_file("/home/web_user/Applications/tavrin.conf"), progress)
        self.assertEqual(self.page.errors, [])

    def test_7_bad_ground_is_told_plainly(self):
        # Injected before the page's own scripts, on every document of this page from now on.
        cases = [
            (
                "storage refused",
                "Object.defineProperty(window, 'indexedDB', {get() { throw new DOMException('refused', 'SecurityError'); }})",
                True,
            ),
            ("no WebAssembly", "delete window.WebAssembly", False),
        ]
        for name, script, plays in cases:
            with self.subTest(name):
                ident = self.page.call("Page.addScriptToEvaluateOnNewDocument", {"source": script})["identifier"]
                try:
                    self.page.errors.clear()
                    self.page.navigate(self.server.url("/?test=1"))
                    notice = self.page.wait_for(
                        "(n => !n.hidden && n.textContent.trim())(document.getElementById('notice'))",
                        START_WAIT,
                        "the page's notice",
                    )
                    if plays:
                        self.page.wait_for("tavrin.storage === 'unavailable'")
                        self.assertIn("progress", notice.lower())
                        self.wait_shows("menu")
                    else:
                        self.page.wait_for("tavrin.status === 'error'")
                        self.assertIn("webassembly", notice.lower())
                finally:
                    self.page.call("Page.removeScriptToEvaluateOnNewDocument", {"identifier": ident})

    def test_8_after_one_visit_the_game_plays_offline(self):
        # A server of its own: another origin, with its own service worker, that can go away.
        server = B.StaticServer({"/": WEB})
        try:
            self.page.errors.clear()
            self.page.navigate(server.url("/"))
            self.page.wait_for("window.tavrin && tavrin.frames > 0", START_WAIT, "the first frame")
            self.page.eval("navigator.serviceWorker.ready.then(() => 1)", timeout=START_WAIT)
        finally:
            server.close()
        self.page.reload()
        self.page.wait_for("window.tavrin && tavrin.status === 'running'", START_WAIT, "the game, offline")
        self.wait_shows("menu")


if __name__ == "__main__":
    unittest.main()
