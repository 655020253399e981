"""Contact sheets for reviewing the generated content by eye."""

import os

from PIL import Image, ImageDraw

import font as fontmod
import panel as panelmod


def _label(img, x, y, text, colour=(255, 255, 255)):
    ImageDraw.Draw(img).text((x, y), text, fill=colour)


def tiles_sheet(tiles, colours, tinted, zoom=2):
    """All 64 tiles at 2x under each level colour, one block per colour."""
    ts = 32 * zoom
    block_w, block_h = 16 * (ts + 2), 4 * (ts + 2) + 14
    img = Image.new("RGB", (block_w + 8, len(colours) * block_h + 8), (48, 0, 48))
    for ci, col in enumerate(colours):
        oy = 4 + ci * block_h
        _label(img, 6, oy, "level colour %06X" % col, (255, 255, 0))
        for t, tile in enumerate(tiles):
            x = 4 + (t & 15) * (ts + 2)
            y = oy + 12 + (t >> 4) * (ts + 2)
            img.paste(tinted(tile, col, t).resize((ts, ts), Image.NEAREST), (x, y))
    return img


def map_sheet(maps, colours, tinted, zoom=4):
    ts = 8 * zoom
    block_w, block_h = 16 * (ts + 2), 4 * (ts + 2) + 14
    img = Image.new("RGB", (block_w + 8, len(colours) * block_h + 8), (48, 0, 48))
    for ci, col in enumerate(colours):
        oy = 4 + ci * block_h
        _label(img, 6, oy, "level colour %06X" % col, (255, 255, 0))
        for t, tile in enumerate(maps):
            x = 4 + (t & 15) * (ts + 2)
            y = oy + 12 + (t >> 4) * (ts + 2)
            img.paste(tinted(tile, col, t).resize((ts, ts), Image.NEAREST), (x, y))
    return img


def font_sheet(sheet, helpers, zoom=3):
    """The glyph sheet with its cells outlined, plus sample lines at 1x and 2x."""
    big = sheet.convert("RGB").resize((160 * zoom, 114 * zoom), Image.NEAREST)
    d = ImageDraw.Draw(big)
    for g in range(96):
        left, right, top = fontmod.cell(g)
        d.rectangle([left * zoom, top * zoom, right * zoom - 1, (top + 19) * zoom - 1],
                    outline=(120, 0, 120))
    sample = Image.new("RGB", (240, 100), (0, 0, 40))
    lines = ["The quick brown fox jumps", "over the lazy dog 0123456789",
             "SCORE 004530  LIVES 3  !?@#", "TAVRIN has been COMPLETED!", "(){}[]<>/\\|~^_`'\"\x7f"]
    for i, s in enumerate(lines):
        helpers.text(sample, 2, 1 + i * 19, s, (255, 255, 255) if i != 3 else (255, 255, 0))
    img = Image.new("RGB", (max(big.width, 480) + 8, big.height + 220), (48, 0, 48))
    img.paste(big, (4, 4))
    img.paste(sample.resize((480, 200), Image.NEAREST), (4, big.height + 12))
    return img


def panel_sheet(out_dir, zoom=3):
    """panel.jpg and mapback.jpg as written, at 3x, with their touch areas outlined,
    the map bar also shown ORed over a patch of map."""
    cat = os.path.join(out_dir, "catalogue")
    p = Image.open(os.path.join(cat, "panel.jpg")).convert("RGB")
    m = Image.open(os.path.join(cat, "mapback.jpg")).convert("RGB")
    pz = p.resize((240 * zoom, 80 * zoom), Image.NEAREST)
    d = ImageDraw.Draw(pz)
    x0, y0, x1, y1 = panelmod.PAD
    d.rectangle([x0 * zoom, y0 * zoom, (x1 + 1) * zoom - 1, (y1 + 1) * zoom - 1], outline=(255, 0, 255))
    x0, y0, x1, y1 = panelmod.BUTTON
    d.rectangle([x0 * zoom, y0 * zoom, (x1 + 1) * zoom - 1, (y1 + 1) * zoom - 1], outline=(0, 255, 0))
    mz = m.resize((232 * zoom, 25 * zoom), Image.NEAREST)
    # ORed over a striped fake map
    under = Image.new("RGB", (232, 25))
    up = under.load()
    for y in range(25):
        for x in range(232):
            up[x, y] = (0, 0, 150) if ((x // 8) + (y // 8)) % 2 else (60, 40, 0)
    mp = m.load()
    for y in range(25):
        for x in range(232):
            a, b = up[x, y], mp[x, y]
            up[x, y] = tuple(a[i] | b[i] for i in range(3))
    uz = under.resize((232 * zoom, 25 * zoom), Image.NEAREST)
    img = Image.new("RGB", (240 * zoom + 8, 80 * zoom + 2 * 25 * zoom + 24), (48, 0, 48))
    img.paste(pz, (4, 4))
    img.paste(mz, (4, 80 * zoom + 12))
    img.paste(uz, (4, 80 * zoom + 25 * zoom + 20))
    return img


def hero_sheet(out_dir, zoom=2):
    """gcTav1.565 as the game draws it (black skipped) over a warm gradient, at 2x."""
    import pix
    with open(os.path.join(out_dir, "catalogue", "gcTav1.565"), "rb") as f:
        vals = pix.unpack565(f.read())
    fig = pix.image_from_565(vals, 150, 155)
    bg = Image.new("RGB", (150, 155))
    bp = bg.load()
    for y in range(155):
        for x in range(150):
            bp[x, y] = (60 + y // 2, 40 + y // 3, 90 - y // 4)
    mask = Image.new("L", (150, 155))
    mask.putdata([255 if p else 0 for p in vals])
    bg.paste(fig, (0, 0), mask)
    img = Image.new("RGB", (2 * 150 * zoom + 12, 155 * zoom + 8), (48, 0, 48))
    img.paste(fig.resize((150 * zoom, 155 * zoom), Image.NEAREST), (4, 4))
    img.paste(bg.resize((150 * zoom, 155 * zoom), Image.NEAREST), (8 + 150 * zoom, 4))
    return img


def animation_sheet(tiles, zoom=3):
    """The sprite sequences the game steps through, one row each."""
    rows = [("walk right", [37, 37, 38, 39, 40, 40, 39, 38]),
            ("walk left", [44, 44, 43, 42, 41, 41, 42, 43]),
            ("walk up/down", [45, 45, 46, 46, 45, 45, 46, 46]),
            ("idle", [35, 30, 36, 30]),
            ("monster", [34, 33, 34, 33])]
    ts = 32 * zoom
    img = Image.new("RGB", (8 * (ts + 4) + 100, len(rows) * (ts + 4) + 4), (48, 0, 48))
    for r, (name, seq) in enumerate(rows):
        _label(img, 4, 4 + r * (ts + 4) + ts // 2, name, (255, 255, 0))
        for i, t in enumerate(seq):
            img.paste(tiles[t].resize((ts, ts), Image.NEAREST), (100 + i * (ts + 4), 4 + r * (ts + 4)))
    return img
