"""gcTav1.565: the hero of the closing sequence, 150x155, lifting a huge diamond.
Black is transparent where the game draws it, so the figure's own dark outline
uses a near-black (0x0821) and no pixel inside the figure is pure black."""

from PIL import Image, ImageDraw, ImageFilter

import pix

W, H = 150, 155
S = 3  # drawn at three times the size, then boxed down
OUT = (8, 4, 8)  # RGB565 0x0821
NEAR_BLACK_565 = 0x0821


def _sc(pts):
    return [(x * S, y * S) for (x, y) in pts]


class Figure:
    def __init__(self):
        self.img = Image.new("RGB", (W * S, H * S), (0, 0, 0))
        self.mask = Image.new("L", (W * S, H * S), 0)

    def part(self, draw_fn, light, dark, outline=1.3, direction=(0.6, 0.4)):
        m = Image.new("L", self.img.size, 0)
        draw_fn(ImageDraw.Draw(m))
        box = m.getbbox()
        if box is None:
            return
        if outline:
            k = int(outline * S) * 2 + 1
            dil = m.filter(ImageFilter.MaxFilter(k))
            self.img.paste(OUT, mask=dil)
            self.mask.paste(255, mask=dil)
        x0, y0, x1, y1 = box
        w, h = x1 - x0, y1 - y0
        fill = Image.new("RGB", (w, h))
        du, dv = direction
        data = []
        for y in range(h):
            v = y / max(1, h - 1)
            for x in range(w):
                u = x / max(1, w - 1)
                t = max(0.0, min(1.0, du * u + dv * v))
                data.append(tuple(int(light[i] + (dark[i] - light[i]) * t) for i in range(3)))
        fill.putdata(data)
        self.img.paste(fill, (x0, y0), mask=m.crop(box))
        self.mask.paste(255, mask=m)

    def draw(self):
        return ImageDraw.Draw(self.img)


def _poly(pts):
    return lambda d: d.polygon(_sc(pts), fill=255)


def _ellipse(x0, y0, x1, y1):
    return lambda d: d.ellipse([x0 * S, y0 * S, x1 * S, y1 * S], fill=255)


def _limb(pts, width):
    def fn(d):
        d.line(_sc(pts), fill=255, width=int(width * S), joint="curve")
        for (x, y) in pts:
            r = width * S / 2
            d.ellipse([x * S - r, y * S - r, x * S + r, y * S + r], fill=255)
    return fn


SUIT_L, SUIT_D = (96, 120, 255), (16, 24, 120)
TROUSER_L, TROUSER_D = (64, 80, 220), (8, 12, 96)
SKIN_L, SKIN_D = (255, 220, 180), (210, 130, 80)
GOLD_L, GOLD_D = (255, 250, 170), (190, 120, 0)
BOOT_L, BOOT_D = (190, 112, 52), (80, 36, 8)
BELT_L, BELT_D = (120, 230, 90), (0, 120, 0)


def build_hero_large():
    f = Figure()
    # boots and legs
    f.part(_ellipse(30, 136, 66, 152), BOOT_L, BOOT_D)
    f.part(_ellipse(84, 136, 120, 152), BOOT_L, BOOT_D)
    f.part(_poly([(56, 96), (76, 98), (62, 142), (42, 140)]), TROUSER_L, TROUSER_D)
    f.part(_poly([(74, 98), (94, 96), (108, 140), (88, 142)]), TROUSER_L, TROUSER_D)
    # arms raised, elbows out
    f.part(_limb([(54, 68), (34, 46), (50, 22)], 13), SUIT_L, SUIT_D)
    f.part(_limb([(96, 68), (116, 46), (100, 22)], 13), SUIT_L, SUIT_D, direction=(0.2, 0.5))
    # body
    f.part(lambda d: d.rounded_rectangle([48 * S, 60 * S, 102 * S, 104 * S], radius=10 * S,
                                         fill=255), SUIT_L, SUIT_D)
    f.part(lambda d: d.rectangle([49 * S, 94 * S, 101 * S, 102 * S], fill=255),
           BELT_L, BELT_D, outline=0.8)
    f.part(lambda d: d.rounded_rectangle([68 * S, 93 * S, 82 * S, 103 * S], radius=2 * S,
                                         fill=255), GOLD_L, GOLD_D, outline=0.8)
    # head
    f.part(_ellipse(55, 32, 95, 70), SKIN_L, SKIN_D, direction=(0.55, 0.35))
    # helmet dome and brim
    f.part(lambda d: d.chord([52 * S, 20 * S, 98 * S, 64 * S], 180, 360, fill=255),
           GOLD_L, GOLD_D)
    f.part(lambda d: d.rounded_rectangle([46 * S, 40 * S, 104 * S, 46 * S], radius=3 * S,
                                         fill=255), (255, 220, 60), (170, 100, 0), outline=0.9)
    f.part(_ellipse(70, 27, 80, 37), (255, 255, 240), (255, 220, 120), outline=0.9)
    # hands
    f.part(_ellipse(42, 12, 58, 28), SKIN_L, SKIN_D)
    f.part(_ellipse(92, 12, 108, 28), SKIN_L, SKIN_D)
    # the diamond, held high between the hands
    d = f.draw()
    dia = [(56, 2), (94, 2), (104, 12), (75, 30), (46, 12)]
    f.part(_poly(dia), GOLD_L, GOLD_D, direction=(0.5, 0.5))
    d.polygon(_sc([(56, 2), (66, 12), (46, 12)]), fill=(255, 252, 200))
    d.polygon(_sc([(66, 12), (84, 12), (75, 30)]), fill=(250, 200, 30))
    d.polygon(_sc([(84, 12), (104, 12), (75, 30)]), fill=(200, 136, 0))
    d.polygon(_sc([(46, 12), (66, 12), (75, 30)]), fill=(255, 228, 80))
    d.polygon(_sc([(66, 12), (84, 12), (94, 2), (56, 2)]), fill=(255, 240, 120))
    d.line(_sc([(46, 12), (104, 12)]), fill=(255, 255, 230), width=S)
    # the hands' fingers over the stone's sides
    f.part(_ellipse(44, 8, 54, 18), SKIN_L, SKIN_D, outline=0.8)
    f.part(_ellipse(96, 8, 106, 18), SKIN_L, SKIN_D, outline=0.8)
    # face
    d.ellipse(_sc([(64, 47)]) + _sc([(70, 55)]), fill=OUT)
    d.ellipse(_sc([(80, 47)]) + _sc([(86, 55)]), fill=OUT)
    d.ellipse(_sc([(65, 48)]) + _sc([(67, 50)]), fill=(255, 255, 255))
    d.ellipse(_sc([(81, 48)]) + _sc([(83, 50)]), fill=(255, 255, 255))
    d.chord(_sc([(64, 50)]) + _sc([(86, 66)]), 15, 165, fill=(150, 30, 30))
    d.chord(_sc([(66, 52)]) + _sc([(84, 64)]), 20, 160, fill=(255, 250, 245))
    d.chord(_sc([(68, 56)]) + _sc([(82, 65)]), 20, 160, fill=(150, 30, 30))
    d.ellipse(_sc([(58, 56)]) + _sc([(64, 60)]), fill=(255, 160, 140))
    d.ellipse(_sc([(86, 56)]) + _sc([(92, 60)]), fill=(255, 160, 140))
    # sparkles around the stone
    for (x, y, r) in ((28, 6, 5), (124, 8, 6), (20, 30, 3), (132, 34, 4), (75, 1, 0)):
        if r == 0:
            continue
        d.line(_sc([(x - r, y), (x + r, y)]), fill=(255, 255, 220), width=S)
        d.line(_sc([(x, y - r), (x, y + r)]), fill=(255, 255, 220), width=S)
    return f


def build_hero():
    """The figure as a 150x155 RGB image on black."""
    f = build_hero_large()
    img = f.img.resize((W, H), Image.BOX)
    return img


def hero_565():
    f = build_hero_large()
    img = f.img.resize((W, H), Image.BOX)
    cover = f.mask.resize((W, H), Image.BOX)
    vals = pix.image_to_565(img)
    cov = list(cover.getdata())
    for i, p in enumerate(vals):
        # black is see-through in the game: keep it only outside the figure
        if p == 0 and cov[i] >= 128:
            vals[i] = NEAR_BLACK_565
    _close_pinholes(vals)
    return vals


def _close_pinholes(vals, smallest_gap=20):
    """Tiny pockets of black walled in by the figure would show the background as
    specks; only the open surroundings and wide gaps stay see-through."""
    seen = set()
    for start in range(W * H):
        if vals[start] or start in seen:
            continue
        stack, comp, edge = [start], [], False
        seen.add(start)
        while stack:
            i = stack.pop()
            comp.append(i)
            x, y = i % W, i // W
            edge = edge or x in (0, W - 1) or y in (0, H - 1)
            for (nx, ny) in ((x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)):
                j = ny * W + nx
                if 0 <= nx < W and 0 <= ny < H and not vals[j] and j not in seen:
                    seen.add(j)
                    stack.append(j)
        if not edge and len(comp) < smallest_gap:
            for i in comp:
                vals[i] = NEAR_BLACK_565
