"""panel.jpg (240x80, below the play view) and mapback.jpg (232x25, the map
view's "back to game" bar, ORed over the map)."""

from PIL import Image, ImageDraw, ImageFont

PAD = (85, 6, 154, 75)        # direction pad square, inclusive, panel coordinates
BUTTON = (174, 1, 239, 16)    # menu button, inclusive, panel coordinates

BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"


def _lerp(a, b, t):
    return tuple(int(a[i] + (b[i] - a[i]) * t) for i in range(3))


def _backdrop():
    img = Image.new("RGB", (240, 80))
    px = img.load()
    top, bottom = (66, 52, 38), (20, 15, 11)
    for y in range(80):
        base = _lerp(top, bottom, y / 79)
        for x in range(240):
            # faint brushed-metal grain
            g = ((x * 7 + y * 13) % 11) - 5
            px[x, y] = tuple(max(0, min(255, c + g)) for c in base)
    d = ImageDraw.Draw(img)
    d.line([(0, 0), (239, 0)], fill=(214, 170, 90))
    d.line([(0, 1), (239, 1)], fill=(120, 90, 50))
    d.line([(0, 79), (239, 79)], fill=(8, 6, 4))
    return img


def _rivet(d, x, y):
    d.ellipse([x - 2, y - 2, x + 2, y + 2], fill=(96, 74, 44))
    d.point((x - 1, y - 1), fill=(230, 200, 140))
    d.point((x + 1, y + 1), fill=(24, 16, 8))


def _pad(img):
    d = ImageDraw.Draw(img)
    x0, y0, x1, y1 = PAD
    # recessed well, then a raised plate
    d.rounded_rectangle([x0 - 2, y0 - 2, x1 + 2, y1 + 2], radius=10, fill=(10, 7, 4))
    plate = Image.new("RGB", (x1 - x0 + 1, y1 - y0 + 1))
    pp = plate.load()
    w = x1 - x0 + 1
    for y in range(w):
        for x in range(w):
            t = (x + y) / (2 * (w - 1))
            pp[x, y] = _lerp((124, 98, 64), (44, 33, 22), t)
    m = Image.new("L", plate.size, 0)
    ImageDraw.Draw(m).rounded_rectangle([0, 0, w - 1, w - 1], radius=9, fill=255)
    img.paste(plate, (x0, y0), m)
    d.rounded_rectangle([x0, y0, x1, y1], radius=9, outline=(222, 178, 96))
    # the diagonals split the square into the four direction triangles
    d.line([(x0 + 3, y0 + 3), (x1 - 3, y1 - 3)], fill=(18, 12, 6), width=2)
    d.line([(x1 - 3, y0 + 3), (x0 + 3, y1 - 3)], fill=(18, 12, 6), width=2)
    d.line([(x0 + 4, y0 + 3), (x1 - 3, y1 - 4)], fill=(170, 134, 80))
    d.line([(x1 - 4, y0 + 3), (x0 + 3, y1 - 4)], fill=(170, 134, 80))
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    # one arrow in each triangle, pointing outwards
    for (dx, dy) in ((0, -1), (0, 1), (-1, 0), (1, 0)):
        tip = (cx + dx * 30, cy + dy * 30)
        base_c = (cx + dx * 15, cy + dy * 15)
        px_, py_ = -dy, dx
        head = [tip, (base_c[0] + px_ * 10, base_c[1] + py_ * 10),
                (base_c[0] - px_ * 10, base_c[1] - py_ * 10)]
        shadow = [(x + 1, y + 1) for (x, y) in head]
        d.polygon(shadow, fill=(14, 9, 4))
        d.polygon(head, fill=(255, 208, 40))
        d.line([head[1], tip], fill=(255, 250, 170))
        d.line([head[2], tip], fill=(255, 232, 110) if dx + dy < 0 else (190, 120, 0))
        d.line([head[1], head[2]], fill=(190, 120, 0) if dy >= 0 and dx >= 0 else (255, 240, 140))
    # centre boss
    d.ellipse([cx - 6, cy - 6, cx + 6, cy + 6], fill=(30, 22, 12))
    d.ellipse([cx - 4, cy - 4, cx + 4, cy + 4], fill=(170, 130, 70))
    d.ellipse([cx - 3, cy - 3, cx + 1, cy + 1], fill=(240, 210, 150))


def _button(img):
    d = ImageDraw.Draw(img)
    x0, y0, x1, y1 = BUTTON
    face = Image.new("RGB", (x1 - x0 + 1, y1 - y0 + 1))
    fp = face.load()
    for y in range(face.height):
        for x in range(face.width):
            fp[x, y] = _lerp((255, 226, 90), (196, 128, 0), y / (face.height - 1))
    img.paste(face, (x0, y0))
    d.line([(x0, y0), (x1, y0)], fill=(255, 250, 200))
    d.line([(x0, y0), (x0, y1)], fill=(255, 250, 200))
    d.line([(x0, y1), (x1, y1)], fill=(110, 60, 0))
    d.line([(x1, y0), (x1, y1)], fill=(110, 60, 0))
    font = ImageFont.truetype(BOLD, 11)
    cx, cy = (x0 + x1 + 1) / 2, (y0 + y1 + 1) / 2
    d.text((cx + 1, cy + 1), "MENU", font=font, fill=(255, 240, 160), anchor="mm")
    d.text((cx, cy), "MENU", font=font, fill=(60, 24, 0), anchor="mm")


def _logo(img, helpers):
    d = ImageDraw.Draw(img)
    font = ImageFont.truetype(BOLD, 19)
    x, y = 42, 24
    for (ox, oy) in ((-1, -1), (1, -1), (-1, 1), (1, 1), (2, 2), (0, 2), (2, 0)):
        d.text((x + ox, y + oy), "TAVRIN", font=font, fill=(8, 6, 20), anchor="mm")
    # gold lettering, light at the top
    mask = Image.new("L", img.size, 0)
    ImageDraw.Draw(mask).text((x, y), "TAVRIN", font=font, fill=255, anchor="mm")
    grad = Image.new("RGB", img.size)
    gp = grad.load()
    for yy in range(10, 40):
        c = _lerp((255, 250, 190), (220, 140, 0), (yy - 14) / 18 if yy > 14 else 0)
        for xx in range(0, 84):
            gp[xx, yy] = c
    img.paste(grad, (0, 0), mask)
    # the things the player is after
    icons = [1, 25, 22]
    if helpers is not None:
        for i, t in enumerate(icons):
            tile = helpers.tile(t).resize((20, 20), Image.LANCZOS)
            m = tile.convert("L").point(lambda v: 255 if v > 8 else 0)
            img.paste(tile, (11 + i * 22, 46), m)
    for (rx, ry) in ((5, 6), (78, 6), (5, 73), (78, 73)):
        _rivet(d, rx, ry)


def _grille(img):
    d = ImageDraw.Draw(img)
    for i in range(6):
        y = 28 + i * 8
        d.rounded_rectangle([182, y, 232, y + 3], radius=1, fill=(10, 7, 4))
        d.line([(183, y + 4), (232, y + 4)], fill=(120, 92, 56))
    for (rx, ry) in ((168, 26), (168, 73), (236, 73)):
        _rivet(d, rx, ry)


def build_panel(helpers=None):
    img = _backdrop()
    _logo(img, helpers)
    _pad(img)
    _button(img)
    _grille(img)
    return img


def build_map_bar(helpers=None):
    """Black where the map should show through, light frame and lettering."""
    img = Image.new("RGB", (232, 25), (0, 0, 0))
    d = ImageDraw.Draw(img)
    d.rounded_rectangle([0, 0, 231, 24], radius=6, outline=(232, 192, 112), width=2)
    d.rounded_rectangle([3, 3, 228, 21], radius=4, outline=(112, 82, 40))
    label = "BACK TO GAME"
    if helpers is not None:
        helpers.text(img, 116, 3, label, (255, 240, 120), 1)
        w = helpers.text_width(label)
    else:
        font = ImageFont.truetype(BOLD, 12)
        d.text((116, 12), label, font=font, fill=(255, 240, 120), anchor="mm")
        w = 100
    # arrows pointing back up towards the game on both sides of the label
    for cx in (116 - w // 2 - 16, 116 + w // 2 + 16):
        d.polygon([(cx, 6), (cx - 6, 13), (cx - 2, 13), (cx - 2, 18), (cx + 2, 18),
                   (cx + 2, 13), (cx + 6, 13)], fill=(255, 228, 160))
    return img
