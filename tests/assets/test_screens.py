"""Checks of the screen pictures in assets/catalogue/.

- every picture is there, with its exact size, as a baseline JPEG with three
  components (the game's decoder takes nothing else);
- a highlight picture pasted entry by entry over its menu leaves no seam: just
  inside and just outside every entry rectangle the highlight picture shows the
  background (within what JPEG coding changes), and inside the rectangle it
  really shows a different, highlighted look;
- the banner of the main menu fits its background the same way;
- every sentence painted into a picture (lesson cards, practice entries, the about
  panel) stays inside its card, entry or panel, clear of the card's diagram;
- the generator gives the same bytes again (nothing stale is committed).

Run with /usr/bin/python3 (it needs Pillow).
"""

import filecmp
import os
import shutil
import struct
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
CATALOGUE = os.environ.get("TAVRIN_CATALOGUE") or os.path.join(ROOT, "assets", "catalogue")
sys.path.insert(0, os.path.join(ROOT, "tools", "assets"))

try:
    from PIL import Image
except ImportError:  # pragma: no cover - reported as a skip by CTest
    print("Pillow is missing: install python3-pil")
    sys.exit(77)

FULL = (240, 320)
SIZES = {
    "mainmenu.jpg": FULL, "mainmenuB.jpg": (82, 25), "mainmenuH.jpg": (151, 172),
    "prac.jpg": FULL, "pracH.jpg": (170, 192),
    "status.jpg": FULL, "statusH.jpg": (168, 161),
    "select.jpg": FULL, "splash.jpg": FULL, "about.jpg": FULL, "died.jpg": FULL, "gameover.jpg": FULL,
    "gcBack.jpg": (240, 800), "gcTav2.jpg": (162, 87), "gcTav3.jpg": (218, 292),
}
SIZES.update({"prescreen_%d.jpg" % i: FULL for i in range(1, 5)})
SIZES.update({"lc%d.jpg" % i: FULL for i in range(1, 17)})

# Menus as the screens draw them: background, highlight picture, origin on the
# screen, entry rectangles (left, top, right, bottom; right and bottom exclusive).
MENUS = [
    ("mainmenu.jpg", "mainmenuH.jpg", (62, 68),
     [(0, 27, 151, 60), (0, 60, 151, 95), (0, 95, 151, 136), (0, 136, 151, 172)]),
    ("prac.jpg", "pracH.jpg", (60, 34),
     [(0, 0, 170, 28), (0, 28, 170, 62), (0, 62, 170, 93), (0, 93, 170, 126), (0, 157, 170, 192)]),
    ("status.jpg", "statusH.jpg", (34, 129),
     [(0, 40 * i, 168, 40 * i + 40) for i in range(4)]),
]

# JPEG coding moves pixels a little on its own; a seam shows as far more.
SEAM_MAX = 40      # worst single channel difference along an edge
SEAM_MEAN = 5.0    # mean channel difference along an edge
HIGHLIGHT_MIN = 12.0  # mean difference that makes an entry look selected


def jpeg_frame(path):
    """(marker of the frame header, width, height, components) from the JPEG markers."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"\xff\xd8":
        raise AssertionError("%s: not a JPEG" % path)
    i = 2
    while i + 4 <= len(data):
        if data[i] != 0xFF:
            raise AssertionError("%s: broken marker chain at %d" % (path, i))
        marker = data[i + 1]
        if marker == 0xFF:
            i += 1
            continue
        length = struct.unpack(">H", data[i + 2:i + 4])[0]
        if 0xC0 <= marker <= 0xCF and marker not in (0xC4, 0xC8, 0xCC):
            height, width = struct.unpack(">HH", data[i + 5:i + 9])
            return marker, width, height, data[i + 9]
        if marker == 0xDA:
            break
        i += 2 + length
    raise AssertionError("%s: no frame header" % path)


def load(name):
    return Image.open(os.path.join(CATALOGUE, name)).convert("RGB")


def edge_bands(rect, size):
    """Pixels (x, y) of the highlight picture in 2-pixel bands on both sides of
    each edge of rect, kept inside the picture."""
    l, t, r, b = rect
    w, h = size
    pts = set()
    for x in range(l - 2, r + 2):
        for y in (t - 2, t - 1, t, t + 1, b - 2, b - 1, b, b + 1):
            pts.add((x, y))
    for y in range(t - 2, b + 2):
        for x in (l - 2, l - 1, l, l + 1, r - 2, r - 1, r, r + 1):
            pts.add((x, y))
    return sorted((x, y) for x, y in pts if 0 <= x < w and 0 <= y < h)


def compare(a, b, pts, offset):
    pa, pb = a.load(), b.load()
    worst, total, n = 0, 0, 0
    for x, y in pts:
        ca, cb = pa[x, y], pb[x + offset[0], y + offset[1]]
        for k in range(3):
            d = abs(ca[k] - cb[k])
            worst = max(worst, d)
            total += d
            n += 1
    return worst, total / max(1, n)


class PictureFormat(unittest.TestCase):
    def test_every_picture_is_a_baseline_colour_jpeg_of_its_size(self):
        for name, size in sorted(SIZES.items()):
            with self.subTest(name=name):
                path = os.path.join(CATALOGUE, name)
                self.assertTrue(os.path.isfile(path), "missing")
                marker, w, h, comps = jpeg_frame(path)
                self.assertEqual(marker, 0xC0, "not a baseline JPEG")
                self.assertEqual((w, h), size)
                self.assertEqual(comps, 3)

    def test_level_complete_pictures_all_differ(self):
        seen = {}
        for i in range(1, 17):
            small = load("lc%d.jpg" % i).resize((24, 32), Image.BILINEAR).tobytes()
            for j, other in seen.items():
                diff = sum(abs(p - q) for p, q in zip(small, other)) / len(small)
                self.assertGreater(diff, 8.0, "lc%d.jpg looks like lc%d.jpg" % (i, j))
            seen[i] = small


class HighlightSeams(unittest.TestCase):
    def test_highlighted_entries_paste_without_seams(self):
        for bg_name, hl_name, origin, rects in MENUS:
            bg, hl = load(bg_name), load(hl_name)
            for n, rect in enumerate(rects):
                with self.subTest(menu=hl_name, entry=n):
                    worst, mean = compare(hl, bg, edge_bands(rect, hl.size), origin)
                    self.assertLessEqual(worst, SEAM_MAX)
                    self.assertLessEqual(mean, SEAM_MEAN)

    def test_highlight_pictures_match_outside_entries(self):
        # Rows and columns of a highlight picture that belong to no entry (the
        # main menu's banner area, the practice gap, the pause menu's last row).
        for bg_name, hl_name, origin, rects in MENUS:
            bg, hl = load(bg_name), load(hl_name)
            pts = [(x, y) for y in range(hl.size[1]) for x in range(hl.size[0])
                   if not any(r[0] - 3 <= x < r[2] + 3 and r[1] - 3 <= y < r[3] + 3 for r in rects)]
            if not pts:
                continue
            with self.subTest(menu=hl_name):
                worst, mean = compare(hl, bg, pts, origin)
                self.assertLessEqual(worst, SEAM_MAX)
                self.assertLessEqual(mean, SEAM_MEAN)

    def test_every_entry_has_a_visible_highlight(self):
        for bg_name, hl_name, origin, rects in MENUS:
            bg, hl = load(bg_name), load(hl_name)
            for n, (l, t, r, b) in enumerate(rects):
                with self.subTest(menu=hl_name, entry=n):
                    inner = [(x, y) for y in range(t + 6, b - 6) for x in range(l + 6, r - 6)]
                    _, mean = compare(hl, bg, inner, origin)
                    self.assertGreater(mean, HIGHLIGHT_MIN)

    def test_banner_fits_the_main_menu(self):
        bg, banner = load("mainmenu.jpg"), load("mainmenuB.jpg")
        pts = edge_bands((0, 0, 82, 25), banner.size)
        worst, mean = compare(banner, bg, pts, (62, 68))
        self.assertLessEqual(worst, SEAM_MAX)
        self.assertLessEqual(mean, SEAM_MEAN)


def ink_box(fnt, xy, text, anchor, shadow=1):
    """The pixels a line of text covers, its drop shadow included: (left, top, right, bottom),
    right and bottom exclusive."""
    l, t, r, b = fnt.getbbox(text, anchor=anchor)
    return (xy[0] + l, xy[1] + t, xy[0] + r + shadow, xy[1] + b + shadow)


def inside(box, frame):
    return frame[0] <= box[0] and frame[1] <= box[1] and box[2] <= frame[2] and box[3] <= frame[3]


# Cards and panels are drawn with a two-pixel rim; text keeps one more pixel from it.
RIM = 3


class PaintedText(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        import screens
        cls.S = screens

    def test_lesson_captions_fit_their_cards(self):
        S = self.S
        f = S.P.font(S.P.COND, S.CAPTION_SIZE)
        for n in sorted(S.LESSONS):
            previous_bottom = 48
            for i, card in enumerate(S.card_layout(n)):
                box, diag = card["box"], card["diagram"]
                frame = (box[0] + RIM, box[1] + RIM, box[2] - RIM, box[3] - RIM)
                with self.subTest(lesson=n, card=i):
                    self.assertGreater(box[1], previous_bottom, "cards overlap")
                    self.assertLessEqual(box[3], 290, "runs into \"fire / tap to start\"")
                    self.assertTrue(inside(diag, frame), diag)
                    self.assertTrue(card["lines"])
                    for line, xy in card["lines"]:
                        ink = ink_box(f, xy, line, "la")
                        self.assertTrue(inside(ink, frame), "%r %s outside %s" % (line, ink, frame))
                        self.assertGreaterEqual(ink[0], diag[2] + 4, "%r touches the diagram" % line)
                previous_bottom = box[3]

    def test_lesson_captions_say_every_word(self):
        # Wrapping must never drop or merge words.
        S = self.S
        for n in sorted(S.LESSONS):
            for card, (_, _, _, text) in zip(S.card_layout(n), S.LESSONS[n][1]):
                self.assertEqual(" ".join(line for line, _ in card["lines"]).split(), text.split())

    def test_practice_entries_keep_their_words_inside(self):
        S = self.S
        for idx, rect in sorted(S.PRACTICE_ENTRIES.items()):
            entry = S.abs_rect(S.PRACTICE_ORIGIN, rect)
            for kind, text, fnt, xy, anchor in S.practice_lines(idx):
                with self.subTest(entry=idx, text=text):
                    ink = ink_box(fnt, xy, text, anchor, 2)
                    self.assertTrue(inside(ink, entry), "%s outside %s" % (ink, entry))

    def test_about_lines_fit_the_panel(self):
        S = self.S
        frame = (S.ABOUT_BOX[0] + RIM, S.ABOUT_BOX[1] + RIM, S.ABOUT_BOX[2] - RIM, S.ABOUT_BOX[3] - RIM)
        bottom = 0
        for fnt, text, _, xy in S.about_layout():
            with self.subTest(text=text):
                ink = ink_box(fnt, xy, text, "mt")
                self.assertTrue(inside(ink, frame), "%s outside %s" % (ink, frame))
                self.assertGreaterEqual(ink[1], bottom, "overlaps the line above")
                bottom = ink[3]


class Regeneration(unittest.TestCase):
    def test_generator_reproduces_the_committed_pictures(self):
        # Same bytes on every run, and nobody changed the painting code (or the
        # tiles the practice introductions show) without regenerating.
        import screens
        out = tempfile.mkdtemp(prefix="screens_")
        try:
            os.makedirs(os.path.join(out, "catalogue"))
            tiles = os.path.join(CATALOGUE, "TavTile.565")
            if os.path.isfile(tiles):
                shutil.copy(tiles, os.path.join(out, "catalogue"))
            names = screens.generate(out, None)
            self.assertEqual(sorted(names), sorted(SIZES))
            for name in names:
                with self.subTest(name=name):
                    self.assertTrue(filecmp.cmp(os.path.join(out, "catalogue", name),
                                                os.path.join(CATALOGUE, name), shallow=False),
                                    "stale: run tools/assets/generate.py")
        finally:
            shutil.rmtree(out, ignore_errors=True)


if __name__ == "__main__":
    unittest.main(verbosity=1)
