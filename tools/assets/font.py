"""The glyph sheet: 96 glyphs (codes 32..127) in six rows of sixteen, 19 pixels
high, each glyph cut exactly to its cell of the game's glyphRight table."""

from PIL import Image, ImageDraw, ImageFont

FONT_FILE = "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf"

# The game's texts sit in fixed places: the pause status puts "Disarm bomb" at x 165 of a
# 240-pixel screen. So the face is narrow: a condensed bold, squeezed a little more, with
# one free column between glyphs, digits all of one width (scores and times do not jiggle)
# and a narrow space. gfx/font.cpp carries the same table.
GLYPH_RIGHT = [
    4, 7, 11, 18, 24, 34, 42, 44, 48, 52, 58, 65, 68, 72, 75, 79,
    7, 14, 21, 28, 35, 42, 49, 56, 63, 70, 73, 76, 83, 90, 97, 102,
    9, 17, 24, 31, 38, 44, 50, 57, 64, 67, 71, 78, 84, 92, 99, 107,
    7, 15, 22, 28, 35, 42, 50, 61, 69, 77, 84, 88, 92, 96, 103, 109,
    3, 9, 15, 20, 26, 32, 37, 43, 49, 52, 56, 63, 66, 75, 81, 88,
    6, 12, 17, 23, 28, 34, 41, 50, 57, 64, 70, 75, 77, 82, 89, 99,
]
GLYPH_HEIGHT = 19
SHEET_W, SHEET_H = 160, 114
BASELINE = 14      # row of the baseline within a glyph cell
SCALE = 4          # glyphs are drawn large and boxed down for clean grey edges
PT = 13
SQUEEZE = 0.76     # horizontal squeeze of the condensed face


def cell(g):
    left = 0 if g & 15 == 0 else GLYPH_RIGHT[g - 1]
    return left, GLYPH_RIGHT[g], GLYPH_HEIGHT * (g >> 4)


def _render_char(ch, font):
    """Draws ch large on black; returns (image, ink left, ink right) or None when blank."""
    w, h = 40 * SCALE, GLYPH_HEIGHT * SCALE
    img = Image.new("L", (w, h), 0)
    d = ImageDraw.Draw(img)
    d.text((8 * SCALE, BASELINE * SCALE), ch, font=font, fill=255, anchor="ls")
    box = img.getbbox()
    if box is None:
        return None
    return img, box[0], box[2]


def _arrow():
    """Code 127: a solid arrow pointing right (used as a pointer)."""
    img = Image.new("L", (9 * SCALE, GLYPH_HEIGHT * SCALE), 0)
    d = ImageDraw.Draw(img)
    s = SCALE
    d.polygon([(0 * s, 8 * s), (4 * s, 8 * s), (4 * s, 5 * s), (9 * s, 10 * s),
               (4 * s, 15 * s), (4 * s, 12 * s), (0 * s, 12 * s)], fill=255)
    return img, 0, 9 * s


def _finish(small):
    # lift the grey ramp a little so thin strokes stay bright at 1x
    return small.point(lambda v: 0 if v < 20 else min(255, int(v * 1.35)))


def build_font_sheet():
    """Returns the sheet as a PIL "L" image, 160x114."""
    font = ImageFont.truetype(FONT_FILE, PT * SCALE)
    sheet = Image.new("L", (SHEET_W, SHEET_H), 0)
    for g in range(96):
        left, right, top = cell(g)
        cw = right - left
        code = 32 + g
        if code == 32:
            continue
        got = _arrow() if code == 127 else _render_char(chr(code), font)
        if got is None:
            continue
        img, x0, x1 = got
        # The cell's last column stays free (neighbours never touch); the squeezed ink is
        # centred in the rest to a quarter pixel, and squeezed further where the cell is
        # narrower (b, d, p and q share one width, the digits another).
        ink = x1 - x0
        zone = (cw - 1) * SCALE
        span = max(SCALE, min(zone, round(ink * (1.0 if code == 127 else SQUEEZE))))
        off = (zone - span) // 2
        wide = Image.new("L", (cw * SCALE, GLYPH_HEIGHT * SCALE), 0)
        wide.paste(img.crop((x0, 0, x1, GLYPH_HEIGHT * SCALE)).resize((span, GLYPH_HEIGHT * SCALE), Image.BOX),
                   (off, 0))
        small = _finish(wide.resize((cw, GLYPH_HEIGHT), Image.BOX))
        sheet.paste(small, (left, top))
    return sheet


class FontRenderer:
    """Draws text the way the game does: glyphs cut from the sheet, ORed in with a
    colour mask. Handy for screen pictures that want the game's own lettering."""

    def __init__(self, sheet=None):
        self.sheet = sheet if sheet is not None else build_font_sheet()
        self.glyph_right = list(GLYPH_RIGHT)
        self.height = GLYPH_HEIGHT

    def glyph(self, code):
        g = (code & 127) - 32
        if g < 0:
            g = 0
        left, right, top = cell(g)
        return self.sheet.crop((left, top, right, top + GLYPH_HEIGHT))

    def width(self, text):
        total = 0
        for ch in text.encode("latin-1", "replace"):
            g = (ch & 127) - 32
            if g < 0:
                g = 0
            left, right, _ = cell(g)
            total += right - left
        return total

    def draw(self, img, x, y, text, colour=(255, 255, 255), align=0):
        """Draws onto an RGB image. align: 0 left, 1 centre, 2 right."""
        if align == 2:
            x -= self.width(text)
        elif align != 0:
            x -= self.width(text) >> 1
        px = img.load()
        for ch in text.encode("latin-1", "replace"):
            gl = self.glyph(ch)
            gp = gl.load()
            for gy in range(gl.height):
                for gx in range(gl.width):
                    v = gp[gx, gy]
                    tx, ty = x + gx, y + gy
                    if v and 0 <= tx < img.width and 0 <= ty < img.height:
                        o = px[tx, ty]
                        px[tx, ty] = tuple(max(o[i], v * colour[i] // 255) for i in range(3))
            x += gl.width
        return x


def sheet_565(sheet):
    from pix import rgb565
    return [rgb565(v, v, v) for v in sheet.getdata()]
