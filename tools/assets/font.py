"""The glyph sheet: 96 glyphs (codes 32..127) in six rows of sixteen, 19 pixels
high, each glyph cut exactly to its cell of the game's glyphRight table."""

from PIL import Image, ImageDraw, ImageFont

FONT_FILE = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"

GLYPH_RIGHT = [
    5, 10, 16, 29, 39, 52, 63, 66, 73, 79, 87, 100, 105, 111, 115, 122,
    9, 18, 28, 36, 46, 55, 64, 73, 82, 91, 96, 100, 114, 127, 140, 148,
    13, 23, 33, 42, 52, 60, 68, 77, 87, 92, 100, 110, 118, 131, 141, 150,
    9, 19, 28, 37, 46, 55, 65, 77, 87, 96, 104, 109, 115, 120, 129, 136,
    5, 13, 22, 30, 39, 47, 53, 61, 70, 74, 79, 88, 93, 105, 115, 123,
    9, 18, 24, 32, 37, 46, 54, 66, 75, 82, 90, 94, 108, 112, 121, 134,
]
GLYPH_HEIGHT = 19
SHEET_W, SHEET_H = 160, 114
BASELINE = 14      # row of the baseline within a glyph cell
SCALE = 4          # glyphs are drawn large and boxed down for clean grey edges
PT = 15


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
    img = Image.new("L", (12 * SCALE, GLYPH_HEIGHT * SCALE), 0)
    d = ImageDraw.Draw(img)
    s = SCALE
    d.polygon([(1 * s, 7 * s), (6 * s, 7 * s), (6 * s, 3 * s), (12 * s, 9 * s),
               (6 * s, 15 * s), (6 * s, 11 * s), (1 * s, 11 * s)], fill=255)
    return img, 1 * s, 12 * s


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
        # The widths are fixed, so the spacing has to come from where the ink sits.
        # The cell's last column stays free (neighbours never touch); the ink is
        # centred in the rest to a quarter pixel, and a narrow glyph in a roomy cell
        # is widened a little, so that "ll" stands no wider apart than "in" does.
        ink = x1 - x0
        zone = (cw - 1) * SCALE
        span = max(SCALE, min(zone, ink * 5 // 4))
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
