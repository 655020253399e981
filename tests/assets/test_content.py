"""Checks of the generated content in assets/: tile sheets, glyph sheet, hero
figure, panel, map bar, sound effects, and the kind and size of every JPEG.

Run with /usr/bin/python3 (the regeneration check needs Pillow).
"""

import filecmp
import re
import os
import struct
import subprocess
import sys
import tempfile
import unittest
import wave

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
ASSETS = os.environ.get("TAVRIN_ASSETS") or os.path.join(ROOT, "assets")
CATALOGUE = os.path.join(ASSETS, "catalogue")
SOUNDS = os.path.join(ASSETS, "sounds")
GENERATOR = os.path.join(ROOT, "tools", "assets", "generate.py")


def game_glyph_right():
    """The glyph cells the game cuts from the sheet (right edge of each glyph in its row),
    read from the game's own table in gfx/font.cpp."""
    with open(os.path.join(ROOT, "gfx", "font.cpp")) as f:
        src = f.read()
    body = src[src.index("FontRecord Font = {"):]
    body = body[body.index("19,") + 3:body.index("};")]
    body = re.sub(r"//[^\n]*", "", body)
    return [int(v) for v in re.findall(r"\d+", body)]


GLYPH_RIGHT = game_glyph_right()


RAW_SIZES = {"TavTile.565": 131072, "maptile.565": 8192, "harvest.565": 36480,
             "gcTav1.565": 46500}
JPEG_SIZES = {
    "panel.jpg": (240, 80), "mapback.jpg": (232, 25),
    "about.jpg": (240, 320), "died.jpg": (240, 320), "gameover.jpg": (240, 320),
    "gcBack.jpg": (240, 800), "gcTav2.jpg": (162, 87), "gcTav3.jpg": (218, 292),
    "mainmenu.jpg": (240, 320), "mainmenuB.jpg": (82, 25), "mainmenuH.jpg": (151, 172),
    "prac.jpg": (240, 320), "pracH.jpg": (170, 192),
    "prescreen_1.jpg": (240, 320), "prescreen_2.jpg": (240, 320),
    "prescreen_3.jpg": (240, 320), "prescreen_4.jpg": (240, 320),
    "select.jpg": (240, 320), "splash.jpg": (240, 320),
    "status.jpg": (240, 320), "statusH.jpg": (168, 161),
}
JPEG_SIZES.update({"lc%d.jpg" % n: (240, 320) for n in range(1, 17)})
# Files this generator writes itself (the screen pictures have their own checks).
OWN_FILES = ["catalogue/" + n for n in list(RAW_SIZES) + ["panel.jpg", "mapback.jpg"]] + \
    ["catalogue/samp_%s.raw" % t for t in ("dia", "egg", "key", "km", "kt", "opt", "rock", "sel")] + \
    ["sounds/samp_%s.wvx" % t for t in ("dia", "egg", "key", "km", "kt", "opt", "rock", "sel")]
EFFECTS = ("dia", "egg", "key", "km", "kt", "opt", "rock", "sel")


def read(name):
    with open(os.path.join(CATALOGUE, name), "rb") as f:
        return f.read()


def pixels(name):
    data = read(name)
    return list(struct.unpack("<%dH" % (len(data) // 2), data))


def tint(p, colour):
    """The game's level recolouring of one pixel."""
    if (p & 0x001F) == 0 or (p & 0x8400) != 0:
        return p
    cr, cg, cb = colour >> 16, (colour >> 8) & 0xFF, colour & 0xFF
    i = (p & 0x001F) * 8
    r = min(255, ((p & 0xF800) >> 8) + (cr * i >> 8))
    g = min(255, ((p & 0x07E0) >> 3) + (cg * i >> 8))
    b = cb * i >> 8
    return ((r << 8) & 0xF800) | ((g << 3) & 0x07E0) | ((b >> 3) & 0x001F)


def tile_pixels(sheet, t, size):
    cols = 16 * size
    x0, y0 = (t & 15) * size, (t >> 4) * size
    return [sheet[(y0 + y) * cols + x0 + x] for y in range(size) for x in range(size)]


def jpeg_info(data):
    """(baseline, components, width, height) from the frame header; None if not a JPEG."""
    if data[:2] != b"\xff\xd8":
        return None
    pos = 2
    while pos + 4 <= len(data):
        if data[pos] != 0xFF:
            return None
        marker = data[pos + 1]
        if marker == 0xFF:
            pos += 1
            continue
        length = struct.unpack(">H", data[pos + 2:pos + 4])[0]
        if 0xC0 <= marker <= 0xCF and marker not in (0xC4, 0xC8, 0xCC):
            h, w = struct.unpack(">HH", data[pos + 5:pos + 9])
            return (marker == 0xC0, data[pos + 9], w, h)
        pos += 2 + length
    return None


LEVEL_COLOURS = [0x000000, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF]


class RecolouringRule(unittest.TestCase):
    def test_rule_matches_the_worked_examples(self):
        cases = [(0x001F, 0xFFFF00, 0xF7A0), (0x0015, 0xFFFF00, 0xA520),
                 (0x529F, 0xFFFF00, 0xFFE0), (0xFFE0, 0xFFFF00, 0xFFE0),
                 (0x0000, 0xFFFF00, 0x0000), (0x001F, 0xFF0000, 0xF000),
                 (0x529F, 0xFF0000, 0xFA80), (0x529F, 0x000000, 0x5280)]
        for p, colour, want in cases:
            with self.subTest(pixel=hex(p), colour=hex(colour)):
                self.assertEqual(tint(p, colour), want)


class TileSheets(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.big = pixels("TavTile.565")
        cls.small = pixels("maptile.565")

    def test_sizes(self):
        for name, size in RAW_SIZES.items():
            with self.subTest(name=name):
                self.assertEqual(os.path.getsize(os.path.join(CATALOGUE, name)), size)

    def test_black_tiles_are_black_and_pictures_are_not(self):
        for sheet, size in ((self.big, 32), (self.small, 8)):
            for t in range(64):
                px = tile_pixels(sheet, t, size)
                with self.subTest(size=size, tile=t):
                    if t == 6 or t >= 57:
                        self.assertTrue(all(p == 0 for p in px))
                    elif t != 31:  # the faint glow is never shown (loading turns it into 6)
                        self.assertGreater(sum(1 for p in px if p), len(px) // 8)

    def test_rock_and_safe_never_change_and_other_colours_keep(self):
        # The game recolours every tile but 0 and 22; whatever is not drawn in
        # blue must come through any level colour unchanged.
        for sheet, size in ((self.big, 32), (self.small, 8)):
            for t in range(64):
                px = tile_pixels(sheet, t, size)
                for colour in LEVEL_COLOURS:
                    out = px if t in (0, 22) else [tint(p, colour) for p in px]
                    for p, q in zip(px, out):
                        if t in (0, 22) or (p & 0x001F) == 0 or (p & 0x8400):
                            self.assertEqual(p, q, "tile %d colour %06X" % (t, colour))

    def test_which_tiles_take_the_level_colour(self):
        def tinted_share(t, sheet=None, size=32):
            px = tile_pixels(self.big if sheet is None else sheet, t, size)
            ink = [p for p in px if p]
            return sum(1 for p in ink if (p & 0x001F) and not (p & 0x8400)) / max(1, len(ink))
        # walls, earth and blocks are drawn to take the level's colour
        for t in (2, 3, 7, 16, 19, 21, 23, 53, 54, 55):
            with self.subTest(tile=t):
                self.assertGreater(tinted_share(t), 0.9)
        # diamonds, eggs, keys, the monster and green things keep their own colours
        for t in (1, 24, 25, 26, 29, 33, 34, 47, 56):
            with self.subTest(tile=t):
                self.assertEqual(tinted_share(t), 0.0)
                self.assertEqual(tinted_share(t, self.small, 8), 0.0)
        # the player: blue suit takes the colour, helmet and face do not
        for t in [30] + list(range(35, 47)):
            with self.subTest(tile=t):
                self.assertTrue(0.2 < tinted_share(t) < 0.8)
        # yellow trims stay yellow on the edged walls and blocks, and on the slopes of the
        # top corners that things roll off
        for t in list(range(8, 14)) + [17, 18] + list(range(48, 52)) + [52]:
            with self.subTest(tile=t):
                self.assertTrue(0.3 < tinted_share(t) < 0.95)

    def test_walking_left_mirrors_walking_right(self):
        # walkFramesLeft (44,44,43,42,41,...) runs in step with walkFramesRight (37,37,38,39,40,...)
        for k in range(4):
            right = tile_pixels(self.big, 37 + k, 32)
            left = tile_pixels(self.big, 44 - k, 32)
            mirrored = [right[y * 32 + 31 - x] for y in range(32) for x in range(32)]
            self.assertEqual(left, mirrored, "tile %d" % (44 - k))

    def test_animation_frames_differ(self):
        for a, b in ((33, 34), (35, 30), (36, 30), (37, 38), (38, 39), (39, 40), (45, 46)):
            with self.subTest(frames=(a, b)):
                self.assertNotEqual(tile_pixels(self.big, a, 32), tile_pixels(self.big, b, 32))


class GlyphSheet(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        px = pixels("harvest.565")
        cls.rows = [px[y * 160:(y + 1) * 160] for y in range(114)]

    def ink_columns(self, g):
        left = 0 if g & 15 == 0 else GLYPH_RIGHT[g - 1]
        right = GLYPH_RIGHT[g]
        top = 19 * (g >> 4)
        cols = set()
        for y in range(top, top + 19):
            for x in range(left, right):
                if self.rows[y][x]:
                    cols.add(x)
        return left, right, cols

    def test_game_and_generator_share_the_widths(self):
        sys.path.insert(0, os.path.dirname(GENERATOR))
        import font
        self.assertEqual(len(GLYPH_RIGHT), 96)
        self.assertEqual(font.GLYPH_RIGHT, GLYPH_RIGHT)
        for row in range(6):
            cells = GLYPH_RIGHT[16 * row:16 * row + 16]
            self.assertTrue(all(a < b for a, b in zip([0] + cells, cells)), "row %d" % row)
            self.assertLessEqual(cells[-1], 160)

    def test_every_printable_glyph_has_ink_and_the_space_none(self):
        for g in range(96):
            left, right, cols = self.ink_columns(g)
            with self.subTest(code=32 + g):
                if g == 0:
                    self.assertEqual(cols, set())
                else:
                    self.assertTrue(cols)

    def test_nothing_outside_the_cells(self):
        for row in range(6):
            end = GLYPH_RIGHT[row * 16 + 15]
            for y in range(19 * row, 19 * row + 19):
                self.assertFalse(any(self.rows[y][end:]), "row %d y %d" % (row, y))

    def test_neighbouring_glyphs_never_touch(self):
        # Each glyph keeps to its own cell: no glyph's ink runs up to a cell edge
        # that the next glyph's ink also touches.
        for g in range(95):
            if (g & 15) == 15:
                continue
            _, right, cols = self.ink_columns(g)
            _, _, next_cols = self.ink_columns(g + 1)
            with self.subTest(codes=(32 + g, 33 + g)):
                self.assertFalse((right - 1) in cols and right in next_cols)

    def test_light_grey_on_black(self):
        for y, row in enumerate(self.rows):
            for x, p in enumerate(row):
                r, g, b = p >> 11, (p >> 5) & 63, p & 31
                self.assertTrue(r == b and abs(g - 2 * r) <= 1, "pixel %d,%d %04X" % (x, y, p))
        brightest = max(max(r) for r in self.rows)
        self.assertEqual(brightest, 0xFFFF)


class HeroFigure(unittest.TestCase):
    def test_no_see_through_pinholes_inside_the_figure(self):
        # Black is see-through when the figure is drawn. Dark details inside it use
        # a near-black, so the only black is background: the area around the figure
        # and the few wide gaps it encloses (between raised arms and head), never
        # specks inside an eye or an outline.
        w, h = 150, 155
        px = pixels("gcTav1.565")
        self.assertEqual(len(px), w * h)
        seen = set()
        sizes = []
        for start in range(w * h):
            if px[start] or start in seen:
                continue
            stack, size, edge = [start], 0, False
            seen.add(start)
            while stack:
                i = stack.pop()
                size += 1
                x, y = i % w, i // w
                edge = edge or x in (0, w - 1) or y in (0, h - 1)
                for (nx, ny) in ((x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)):
                    j = ny * w + nx
                    if 0 <= nx < w and 0 <= ny < h and not px[j] and j not in seen:
                        seen.add(j)
                        stack.append(j)
            if not edge:
                sizes.append(size)
        self.assertTrue(all(s >= 20 for s in sizes), sorted(sizes))
        self.assertGreater(sum(1 for p in px if p), w * h // 4)


class Pictures(unittest.TestCase):
    def test_jpegs_are_baseline_three_component_of_their_size(self):
        for name, size in sorted(JPEG_SIZES.items()):
            path = os.path.join(CATALOGUE, name)
            if name not in ("panel.jpg", "mapback.jpg") and not os.path.exists(path):
                continue
            with self.subTest(name=name):
                info = jpeg_info(read(name))
                self.assertIsNotNone(info)
                baseline, comps, w, h = info
                self.assertTrue(baseline)
                self.assertEqual(comps, 3)
                self.assertEqual((w, h), size)

    def test_panel_shows_the_pad_arrows_and_button(self):
        try:
            from PIL import Image
        except ImportError:
            self.skipTest("Pillow is missing")
        img = Image.open(os.path.join(CATALOGUE, "panel.jpg")).convert("RGB")
        px = img.load()

        def yellow(x, y):
            r, g, b = px[x, y]
            return r > 200 and g > 150 and b < 120
        # one arrow in each triangle of the pad square (85..154, 6..75)
        cx, cy = 120, 41
        for (dx, dy) in ((0, -1), (0, 1), (-1, 0), (1, 0)):
            with self.subTest(direction=(dx, dy)):
                self.assertTrue(yellow(cx + dx * 22, cy + dy * 22))
        # the button fills its corner with a light face
        lit = sum(1 for x in range(176, 238) for y in range(2, 16) if px[x, y][0] > 150)
        self.assertGreater(lit, (62 * 14) // 2)


class Sounds(unittest.TestCase):
    def test_eight_short_clean_distinct_effects(self):
        seen = set()
        for tag in EFFECTS:
            with self.subTest(effect=tag):
                with wave.open(os.path.join(SOUNDS, "samp_%s.wvx" % tag), "rb") as w:
                    self.assertEqual(w.getsampwidth(), 2)
                    self.assertEqual(w.getframerate(), 22050)
                    self.assertIn(w.getnchannels(), (1, 2))
                    frames = w.readframes(w.getnframes())
                    seconds = w.getnframes() / 22050
                self.assertTrue(0.05 <= seconds <= 0.6, seconds)
                samples = struct.unpack("<%dh" % (len(frames) // 2), frames)
                peak = max(abs(s) for s in samples)
                self.assertTrue(8000 < peak < 32000, peak)
                # the ends are quiet: no click when a channel starts or stops
                self.assertLess(abs(samples[-1]), 2000)
                self.assertEqual(read("samp_%s.raw" % tag), frames)
                self.assertNotIn(frames, seen)
                seen.add(frames)


class Repeatable(unittest.TestCase):
    def test_generator_reproduces_the_committed_files(self):
        try:
            import PIL  # noqa: F401
        except ImportError:
            self.skipTest("Pillow is missing")
        with tempfile.TemporaryDirectory() as tmp:
            subprocess.run([sys.executable, GENERATOR, "--out", tmp], check=True)
            for rel in OWN_FILES:
                with self.subTest(file=rel):
                    self.assertTrue(filecmp.cmp(os.path.join(tmp, rel), os.path.join(ASSETS, rel),
                                                shallow=False))


if __name__ == "__main__":
    unittest.main()
