"""Scene pieces for the level-complete pictures and the finale: cave outlines,
stalactites, crystals, water, lights, rails, pillars, skies.

The level-complete screen darkens a band over y 15..104 and writes on it, so
every scene keeps its ceiling up there and puts its treasure lower down.
"""

import math
import random

from PIL import Image, ImageChops, ImageDraw, ImageFilter

import screens_paint as P

W, H = 240, 320


def profile(w, seed, base, amp, waves=5):
    """A wandering line: y for every x, from a few sines with seeded phases."""
    rng = random.Random(seed)
    parts = [(rng.uniform(0.6, 1.0) / (k + 1), rng.uniform(0.5, 1.5) * (k + 1), rng.uniform(0, 6.283))
             for k in range(waves)]
    total = sum(p[0] for p in parts)
    return [base + amp * sum(a * math.sin(f * x / w * 6.283 + ph) for a, f, ph in parts) / total
            for x in range(w)]


def fill_region(img, prof, colour, top, texture=None, rim=None):
    """Fill above (top=True) or below the profile; texture is an RGB picture to use instead of a flat colour."""
    w, h = img.size
    m = Image.new("L", (w, h), 0)
    pts = [(x, prof[x]) for x in range(w)]
    poly = ([(0, -1)] + pts + [(w - 1, -1)]) if top else ([(0, h)] + pts + [(w - 1, h)])
    ImageDraw.Draw(m).polygon(poly, fill=255)
    src = texture if texture is not None else Image.new("RGB", (w, h), colour)
    img.paste(src, (0, 0), m)
    if rim is not None:
        d = ImageDraw.Draw(img)
        d.line(pts, fill=rim, width=1)
    return img


def tinted_rock(w, h, seed, dark, light):
    n = P.fractal(w, h, seed, (32, 16, 8, 4, 2), stretch=False)
    bump = P.ImageOps.autocontrast(n.filter(ImageFilter.EMBOSS), cutoff=2)
    col = P.colorize(P.ImageOps.autocontrast(n, cutoff=1), [(0, dark), (255, light)])
    return P.multiply_l(col, bump.point(lambda v: P.clamp(60 + v)))


def stalactites(img, prof, seed, colour, count, max_len, up=False, light=None):
    rng = random.Random(seed)
    d = ImageDraw.Draw(img)
    for _ in range(count):
        x = rng.uniform(0, img.size[0] - 1)
        wd = rng.uniform(4, 12)
        ln = rng.uniform(0.3, 1.0) * max_len
        y = prof[int(x)]
        tip = y - ln if up else y + ln
        base_y = y + (2 if up else -2)
        d.polygon([(x - wd, base_y), (x + wd, base_y), (x + rng.uniform(-2, 2), tip)], fill=colour)
        if light is not None:
            d.line([(x - wd * 0.5, base_y), (x, tip)], fill=light, width=1)
    return img


def crystal(img, x, y, length, width, angle, colour, glow=0.6, seed=0):
    """An elongated gem crystal pointing along angle (degrees, 0 = up), with a soft glow."""
    w, h = img.size
    a = math.radians(angle)
    ux, uy = math.sin(a), -math.cos(a)
    px, py = -uy, ux
    tipx, tipy = x + ux * length, y + uy * length
    shx, shy = x + ux * length * 0.78, y + uy * length * 0.78
    hw = width / 2
    left = [(x + px * hw, y + py * hw), (shx + px * hw, shy + py * hw), (tipx, tipy), (shx, shy), (x, y)]
    right = [(x - px * hw, y - py * hw), (shx - px * hw, shy - py * hw), (tipx, tipy), (shx, shy), (x, y)]
    if glow:
        g = P.radial(w, h, x + ux * length * 0.5, y + uy * length * 0.5, length * 0.9 + 6, length * 0.9 + 6, 1.8)
        img = P.add_light(img, g, colour, glow)
    d = ImageDraw.Draw(img)
    d.polygon(left, fill=P.mix(colour, (255, 255, 255), 0.35), outline=P.mix(colour, (0, 0, 0), 0.5))
    d.polygon(right, fill=P.mix(colour, (0, 0, 0), 0.3), outline=P.mix(colour, (0, 0, 0), 0.5))
    d.line([(x, y), (shx, shy), (tipx, tipy)], fill=P.mix(colour, (255, 255, 255), 0.7))
    return img


def crystal_cluster(img, x, y, colour, seed, size=40, count=6, spread=60, glow=0.5):
    rng = random.Random(seed)
    strokes = sorted(((rng.uniform(-spread, spread) * 0.5, rng.uniform(0.5, 1.0) * size, rng.uniform(4, 9) * size / 40)
                   for _ in range(count)), key=lambda s: -s[1])
    for ang, ln, wd in strokes:
        img = crystal(img, x + ang * 0.3, y, ln, wd, ang, P.mix(colour, (255, 255, 255), rng.uniform(0, 0.25)),
                      glow if ln > size * 0.8 else 0)
    return img


def water(img, y0, tint=(20, 60, 90), depth=0.55, seed=0):
    """Mirror everything above y0 into a dark rippled pool below it."""
    w, h = img.size
    above = img.crop((0, max(0, 2 * y0 - h), w, y0)).transpose(Image.FLIP_TOP_BOTTOM)
    rng = random.Random(seed)
    out = Image.new("RGB", (w, h - y0))
    for r in range(h - y0):
        shift = int(round(math.sin(r * 0.9 + rng.uniform(0, 0.6)) * (1 + r / 40)))
        row = above.crop((0, min(r, above.size[1] - 1), w, min(r, above.size[1] - 1) + 1))
        out.paste(row, (shift, r))
    dark = Image.new("RGB", out.size, tint)
    out = Image.blend(out, dark, depth)
    img.paste(out, (0, y0))
    d = ImageDraw.Draw(img)
    for k in range(14):
        yy = y0 + 3 + int((k ** 1.5) * 2.2)
        if yy >= h:
            break
        x0 = rng.uniform(0, w * 0.6)
        d.line((x0, yy, x0 + rng.uniform(20, 80), yy), fill=P.mix(tint, (255, 255, 255), 0.35))
    d.line((0, y0, w, y0), fill=P.mix(tint, (255, 255, 255), 0.5))
    return img


def lights(img, seed, count, box, colour, size=(1.0, 2.5), strength=0.9):
    rng = random.Random(seed)
    w, h = img.size
    m = Image.new("L", (w, h), 0)
    d = ImageDraw.Draw(m)
    for _ in range(count):
        x, y = rng.uniform(box[0], box[2]), rng.uniform(box[1], box[3])
        r = rng.uniform(*size)
        d.ellipse((x - r, y - r, x + r, y + r), fill=255)
    halo = m.filter(ImageFilter.GaussianBlur(3)).point(lambda v: min(255, v * 3))
    img = P.add_light(img, halo, colour, strength * 0.7)
    return P.add_light(img, m, P.mix(colour, (255, 255, 255), 0.6), strength)


def stars(img, seed, count, box):
    rng = random.Random(seed)
    px = img.load()
    for _ in range(count):
        x, y = int(rng.uniform(box[0], box[2])), int(rng.uniform(box[1], box[3]))
        v = rng.randrange(120, 256)
        px[x, y] = (v, v, min(255, v + 20))
    return img


def rails(img, y, colour=(120, 110, 100)):
    d = ImageDraw.Draw(img)
    w = img.size[0]
    for i in range(-2, 14):
        x = i * 22
        d.polygon([(x, y + 2), (x + 14, y + 2), (x + 16, y + 8), (x - 2, y + 8)], fill=(70, 44, 22), outline=(30, 18, 8))
    d.line((0, y, w, y), fill=colour, width=2)
    d.line((0, y + 6, w, y + 6), fill=P.mix(colour, (0, 0, 0), 0.3), width=2)
    return img


def cart(img, x, y, seed, gems=True):
    """A mine cart (wheels on the rails at y), heaped with gems."""
    d = ImageDraw.Draw(img)
    if gems:
        rng = random.Random(seed)
        for i in range(14):
            g = P.gem(rng.randrange(12, 18), P.GEM_COLOURS_ALL[rng.randrange(len(P.GEM_COLOURS_ALL))], i)
            P.paste(img, g, (x + 4 + rng.uniform(0, 46), y - 44 + rng.uniform(-10, 2) + abs(rng.uniform(-1, 1)) * 6))
        d = ImageDraw.Draw(img)
    d.polygon([(x, y - 36), (x + 64, y - 36), (x + 56, y - 8), (x + 8, y - 8)], fill=(90, 80, 74), outline=(30, 26, 24))
    d.line((x + 2, y - 30, x + 62, y - 30), fill=(140, 130, 120), width=2)
    d.line((x + 6, y - 16, x + 58, y - 16), fill=(60, 54, 50), width=2)
    for wx in (x + 16, x + 48):
        d.ellipse((wx - 7, y - 12, wx + 7, y + 2), fill=(40, 36, 34), outline=(120, 110, 100))
        d.ellipse((wx - 2, y - 7, wx + 2, y - 3), fill=(150, 140, 130))
    return img


def pillar(img, x, top, bottom, wd, colour, light_side=1):
    d = ImageDraw.Draw(img)
    dark = P.mix(colour, (0, 0, 0), 0.6)
    lite = P.mix(colour, (255, 255, 255), 0.15)
    d.rectangle((x - wd, top, x + wd, bottom), fill=colour)
    if light_side > 0:
        d.rectangle((x + wd * 0.3, top, x + wd, bottom), fill=lite)
        d.rectangle((x - wd, top, x - wd * 0.5, bottom), fill=dark)
    else:
        d.rectangle((x - wd, top, x - wd * 0.3, bottom), fill=lite)
        d.rectangle((x + wd * 0.5, top, x + wd, bottom), fill=dark)
    for yy, hh in ((top, 8), (bottom - 8, 8)):
        d.rectangle((x - wd - 5, yy, x + wd + 5, yy + hh), fill=P.mix(colour, (0, 0, 0), 0.2), outline=dark)
    for k in range(1, 5):
        xx = x - wd + k * wd * 2 / 5
        d.line((xx, top + 9, xx, bottom - 9), fill=P.mix(colour, (0, 0, 0), 0.35))
    return img


def torch(img, x, y, colour=(255, 160, 50)):
    w, h = img.size
    img = P.add_light(img, P.radial(w, h, x, y - 6, 60, 60, 1.6), colour, 0.55)
    d = ImageDraw.Draw(img)
    d.polygon([(x - 4, y), (x + 4, y), (x + 2, y + 14), (x - 2, y + 14)], fill=(80, 50, 20), outline=(30, 18, 8))
    d.polygon([(x - 5, y), (x, y - 16), (x + 5, y)], fill=(255, 170, 40))
    d.polygon([(x - 2, y), (x, y - 9), (x + 2, y)], fill=(255, 250, 200))
    return img


def mushroom(img, x, y, size, cap, seed=0, glow=0.5):
    w, h = img.size
    img = P.add_light(img, P.radial(w, h, x, y - size * 0.9, size * 1.6, size * 1.2, 1.5), cap, glow)
    d = ImageDraw.Draw(img)
    d.rectangle((x - size * 0.12, y - size * 0.8, x + size * 0.12, y), fill=(220, 210, 190), outline=(90, 80, 70))
    d.pieslice((x - size * 0.6, y - size * 1.25, x + size * 0.6, y - size * 0.45), 180, 360,
               fill=cap, outline=P.mix(cap, (0, 0, 0), 0.5))
    rng = random.Random(seed)
    for _ in range(3):
        sx = x + rng.uniform(-0.35, 0.35) * size
        sy = y - size * rng.uniform(0.92, 1.1)
        r = size * 0.07
        d.ellipse((sx - r, sy - r, sx + r, sy + r), fill=P.mix(cap, (255, 255, 255), 0.7))
    return img


def sun(img, x, y, r, colour=(255, 220, 140), halo=2.6):
    w, h = img.size
    img = P.add_light(img, P.radial(w, h, x, y, r * halo * 2, r * halo * 2, 1.4), colour, 0.8)
    d = ImageDraw.Draw(img)
    d.ellipse((x - r, y - r, x + r, y + r), fill=P.mix(colour, (255, 255, 255), 0.5))
    return img


def hills(img, seed, base, amp, colour, w=None):
    w = w or img.size[0]
    return fill_region(img, profile(w, seed, base, amp, 4), colour, False)


def gem_pile(img, cx, cy, width, seed, count=40, sizes=(12, 22), colours=None):
    rng = random.Random(seed)
    colours = colours or P.GEM_COLOURS_ALL
    items = []
    for i in range(count):
        u = rng.uniform(-1, 1)
        hgt = (1 - u * u) * width * 0.35
        x = cx + u * width / 2
        y = cy - rng.uniform(0, 1) * hgt
        items.append((y, x, i))
    for y, x, i in sorted(items):
        s = rng.randrange(*sizes)
        P.paste(img, P.gem(s, colours[rng.randrange(len(colours))], i), (x - s / 2, y - s / 2))
    return img


# ---------------------------------------------------------------- level-complete scenes

def cave_shell(img, seed, ceil_base, floor_base, dark, light, stal=None, ceil_amp=14, floor_amp=10,
               stal_count=14, stal_len=40, mites=6, rim=None):
    """Ceiling and floor of rock around the picture, with hanging and standing spikes."""
    tex = tinted_rock(W, H, seed, dark, light)
    ceil = profile(W, seed + 1, ceil_base, ceil_amp)
    floor = profile(W, seed + 2, floor_base, floor_amp)
    stal = stal or P.mix(dark, light, 0.35)
    img = stalactites(img, ceil, seed + 3, stal, stal_count, stal_len, light=P.mix(stal, (255, 255, 255), 0.08))
    img = fill_region(img, ceil, None, True, tex, rim)
    if mites:
        img = stalactites(img, floor, seed + 4, stal, mites, stal_len * 0.6, up=True)
    img = fill_region(img, floor, None, False, tex, rim)
    return img, ceil, floor


def back_wall(seed, top, bottom, dark, light, glow_at=None, glow=None, strength=0.6):
    img = P.vgradient(W, H, [(0, top), (1, bottom)])
    wall = tinted_rock(W, H, seed + 50, dark, light)
    img = Image.blend(img, wall, 0.55)
    if glow_at is not None:
        img = P.add_light(img, P.radial(W, H, glow_at[0], glow_at[1], glow_at[2], glow_at[3], 1.3), glow, strength)
    return img


def arch_mask(cx, cy, rx, ry, seed):
    rng = random.Random(seed)
    pts = []
    ph = [rng.uniform(0, 6.28) for _ in range(4)]
    for i in range(90):
        a = 2 * math.pi * i / 90
        k = 1 + 0.08 * math.sin(3 * a + ph[0]) + 0.05 * math.sin(5 * a + ph[1]) + 0.03 * math.sin(9 * a + ph[2])
        pts.append((cx + rx * k * math.cos(a), cy + ry * k * math.sin(a)))
    m = Image.new("L", (W, H), 0)
    ImageDraw.Draw(m).polygon(pts, fill=255)
    return m.filter(ImageFilter.GaussianBlur(0.8))


def scene_amber(n):
    img = back_wall(1000, (50, 26, 10), (20, 10, 4), (24, 12, 5), (110, 64, 28), (120, 230, 150, 110), (255, 150, 50))
    img, ceil, floor = cave_shell(img, 1001, 40, 286, (6, 3, 1), (56, 34, 16), stal=(84, 52, 24),
                                  rim=(120, 76, 34), stal_count=18, stal_len=50)
    img = gem_pile(img, 120, 290, 150, 1002, 46)
    img = P.add_light(img, P.radial(W, H, 120, 262, 90, 40, 1.4), (255, 200, 90), 0.35)
    img = lights(img, 1003, 22, (10, 120, 230, 260), (255, 190, 90), (0.6, 1.4), 0.7)
    return P.vignette(img, 0.5)


def scene_grotto(n):
    img = back_wall(1100, (8, 16, 40), (2, 4, 12), (6, 10, 26), (40, 60, 110), (120, 220, 120, 100), (60, 160, 255))
    img, ceil, floor = cave_shell(img, 1101, 34, 280, (4, 6, 16), (40, 56, 96), stal=(50, 80, 130))
    for x, y, s, c in ((40, 292, 54, 1102), (200, 296, 60, 1103), (120, 300, 78, 1104), (84, 300, 34, 1105),
                       (162, 300, 38, 1106)):
        img = crystal_cluster(img, x, y, (90, 200, 255), c, s, 6, 70, 0.45)
    for x in (30, 70, 150, 190, 215):
        img = crystal(img, x, ceil[x] - 2, 26, 7, 180, (120, 200, 255), 0.3)
    img = lights(img, 1107, 16, (0, 110, 240, 250), (140, 220, 255), (0.5, 1.2), 0.6)
    return P.vignette(img, 0.5)


def scene_lake(n):
    img = back_wall(1200, (10, 40, 44), (4, 16, 20), (6, 22, 26), (50, 100, 100), (120, 170, 150, 70), (90, 220, 200))
    img, ceil, floor = cave_shell(img, 1201, 30, 212, (3, 12, 14), (40, 84, 84), stal=(40, 90, 90), mites=0,
                                  floor_amp=6, stal_count=18, stal_len=60)
    img = P.paste(img, P.rock(40, 3, (90, 110, 100)), (100, 176))
    img = gem_pile(img, 120, 200, 50, 1202, 10, (10, 16))
    img = P.sparkle(img, 118, 182, 10)
    img = water(img, 214, (6, 40, 46), 0.5, 1203)
    img = lights(img, 1204, 24, (0, 40, 240, 120), (120, 255, 210), (0.5, 1.1), 0.8)
    return P.vignette(img, 0.5)


def scene_lava(n):
    img = back_wall(1300, (40, 8, 4), (90, 20, 4), (20, 4, 2), (90, 30, 14), (120, 300, 200, 120), (255, 80, 10), 0.8)
    img, ceil, floor = cave_shell(img, 1301, 36, 250, (10, 3, 2), (70, 24, 12), stal=(50, 14, 8), mites=3)
    lava_n = P.fractal(W, 60, 1302, (20, 10, 5))
    lava = P.colorize(lava_n, [(0, (150, 20, 0)), (140, (255, 110, 10)), (230, (255, 220, 80)), (255, (255, 255, 200))])
    m = Image.new("L", (W, H), 0)
    ImageDraw.Draw(m).polygon([(0, 290), (60, 276), (140, 284), (240, 272), (240, 320), (0, 320)], fill=255)
    full = Image.new("RGB", (W, H))
    full.paste(lava, (0, 260))
    img.paste(full, (0, 0), m)
    img = P.add_light(img, P.radial(W, H, 120, 290, 200, 80, 1.2), (255, 100, 20), 0.5)
    d = ImageDraw.Draw(img)
    d.polygon([(96, 262), (144, 262), (136, 214), (104, 214)], fill=(30, 10, 6), outline=(120, 40, 10))
    img = P.paste(img, P.gem(44, (255, 255, 255), 4), (98, 174))
    img = P.sparkle(img, 110, 186, 12)
    img = lights(img, 1303, 30, (0, 150, 240, 280), (255, 140, 30), (0.5, 1.3), 0.9)
    return P.vignette(img, 0.45)


def scene_mine(n):
    img = back_wall(1400, (14, 30, 14), (4, 10, 4), (8, 18, 8), (60, 90, 50), (120, 200, 160, 110), (120, 255, 120), 0.4)
    img, ceil, floor = cave_shell(img, 1401, 24, 288, (4, 10, 4), (50, 70, 40), stal=(40, 60, 34), mites=0,
                                  stal_count=6, stal_len=20)
    d = ImageDraw.Draw(img)
    for x in (24, 206):
        d.rectangle((x, 30, x + 10, 290), fill=(96, 62, 28), outline=(40, 24, 8))
        d.line((x + 3, 30, x + 3, 290), fill=(130, 90, 44))
    d.rectangle((16, 28, 224, 40), fill=(110, 72, 34), outline=(40, 24, 8))
    img = torch(img, 50, 130, (255, 190, 90))
    img = crystal_cluster(img, 200, 140, (90, 255, 120), 1402, 30, 5, 100, 0.4)
    img = crystal_cluster(img, 46, 220, (90, 255, 120), 1403, 26, 4, 100, 0.4)
    img = rails(img, 272)
    img = cart(img, 86, 270, 1404)
    img = lights(img, 1405, 12, (40, 60, 200, 240), (160, 255, 140), (0.5, 1.0), 0.5)
    return P.vignette(img, 0.5)


def scene_geode(n):
    img = P.vgradient(W, H, [(0, (24, 8, 34)), (1, (10, 2, 16))])
    tex = tinted_rock(W, H, 1500, (20, 10, 24), (90, 70, 100))
    img = Image.blend(img, tex, 0.5)
    m = Image.new("L", (W, H), 0)
    ImageDraw.Draw(m).ellipse((14, 120, 226, 316), fill=255)
    img = Image.composite(P.vgradient(W, H, [(0, (60, 20, 90)), (1, (20, 6, 30))]), img, m)
    img = P.add_light(img, P.radial(W, H, 120, 220, 90, 80, 1.2), (190, 110, 255), 0.6)
    rng = random.Random(1501)
    for i in range(44):
        a = 2 * math.pi * i / 44 + rng.uniform(-0.05, 0.05)
        x, y = 120 + 104 * math.cos(a), 218 + 96 * math.sin(a)
        ang = math.degrees(math.atan2(120 - x, -(218 - y)))
        img = crystal(img, x, y, rng.uniform(22, 40), rng.uniform(7, 11), ang + rng.uniform(-14, 14),
                      P.mix((180, 110, 255), (255, 255, 255), rng.uniform(0, 0.3)), 0)
    img = P.paste(img, P.gem(48, (220, 160, 255), 3), (96, 194))
    img = P.sparkle(img, 108, 206, 14)
    img = lights(img, 1502, 20, (30, 130, 210, 300), (220, 170, 255), (0.5, 1.0), 0.6)
    return P.vignette(img, 0.45)


def scene_glowworm(n):
    img = back_wall(1600, (4, 8, 24), (2, 4, 12), (3, 6, 18), (26, 34, 70))
    img, ceil, floor = cave_shell(img, 1601, 34, 172, (2, 4, 10), (26, 32, 60), stal=(24, 34, 64), mites=0,
                                  floor_amp=4, stal_count=16, stal_len=40, ceil_amp=12)
    rng = random.Random(1602)
    glow = Image.new("L", (W, H), 0)
    gd = ImageDraw.Draw(glow)
    d = ImageDraw.Draw(img)
    for k in range(150):
        x = rng.uniform(0, W - 1)
        y = ceil[int(x)] + rng.uniform(4, 90)
        d.line((x, ceil[int(x)], x, y), fill=(24, 50, 56))
        r = rng.uniform(0.6, 1.4)
        gd.ellipse((x - r, y - r, x + r, y + r), fill=255)
    halo = glow.filter(ImageFilter.GaussianBlur(3)).point(lambda v: min(255, v * 3))
    img = P.add_light(img, halo, (60, 220, 200), 0.7)
    img = P.add_light(img, glow, (190, 255, 235), 1.0)
    img = P.paste(img, P.rock(34, 8, (70, 80, 100)), (150, 150))
    img = P.paste(img, P.gem(22, (120, 255, 200), 1), (160, 146))
    img = water(img, 176, (2, 12, 24), 0.4, 1604)
    return P.vignette(img, 0.4)


def scene_vault(n):
    img = back_wall(1700, (44, 30, 14), (14, 8, 4), (30, 20, 10), (110, 86, 50), (120, 240, 140, 90), (255, 190, 80))
    d = ImageDraw.Draw(img)
    for y in range(150, 320, 16):
        d.line((0, y, W, y), fill=(30, 20, 10))
    img = pillar(img, 26, 20, 300, 14, (120, 96, 64), 1)
    img = pillar(img, 214, 20, 300, 14, (120, 96, 64), -1)
    img = torch(img, 56, 140)
    img = torch(img, 184, 140)
    d = ImageDraw.Draw(img)
    d.rectangle((0, 290, W, H), fill=(40, 28, 16))
    d.line((0, 290, W, 290), fill=(110, 80, 40))
    img = gem_pile(img, 120, 298, 200, 1701, 30, (10, 16), [(255, 220, 80), (255, 200, 60), (255, 240, 150)])
    ch = P.chest(140, 110, 1702)
    img = P.add_light(img, P.radial(W, H, 120, 220, 80, 60, 1.2), (255, 210, 120), 0.5)
    P.paste(img, ch, (50, 184))
    img = lights(img, 1703, 18, (40, 170, 200, 250), (255, 230, 140), (0.5, 1.2), 0.8)
    return P.vignette(img, 0.45)


def scene_ice(n):
    img = back_wall(1800, (40, 70, 100), (120, 160, 200), (50, 80, 110), (170, 210, 240), (120, 200, 150, 120),
                    (200, 240, 255), 0.4)
    img, ceil, floor = cave_shell(img, 1801, 30, 270, (60, 90, 120), (200, 230, 250), stal=(200, 235, 255),
                                  stal_count=26, stal_len=56, mites=5, rim=(240, 250, 255))
    for x, y, s, c in ((36, 282, 44, 1802), (196, 286, 52, 1803)):
        img = crystal_cluster(img, x, y, (190, 240, 255), c, s, 5, 60, 0.3)
    img = P.paste(img, P.gem(40, (150, 230, 255), 2), (100, 236))
    img = P.sparkle(img, 112, 248, 12)
    img = lights(img, 1804, 40, (0, 60, 240, 300), (255, 255, 255), (0.4, 1.0), 0.7)
    return P.vignette(img, 0.45)


def scene_mushrooms(n):
    img = back_wall(1900, (20, 10, 30), (6, 3, 10), (14, 8, 22), (60, 40, 80), (120, 260, 160, 90), (200, 90, 255), 0.4)
    img, ceil, floor = cave_shell(img, 1901, 30, 290, (8, 4, 12), (60, 40, 70), stal=(50, 30, 70), mites=0)
    rng = random.Random(1902)
    strokes = [(30, 286, 26, (120, 255, 140)), (70, 292, 40, (255, 110, 220)), (122, 290, 56, (120, 220, 255)),
            (170, 292, 36, (255, 200, 90)), (206, 288, 30, (170, 120, 255)), (98, 296, 18, (120, 255, 140)),
            (150, 298, 16, (255, 110, 220)), (224, 296, 14, (120, 220, 255)), (12, 298, 14, (255, 200, 90))]
    for x, y, s, c in strokes:
        img = mushroom(img, x, y, s, c, rng.randrange(1000), 0.45)
    img = lights(img, 1903, 40, (0, 110, 240, 290), (200, 255, 200), (0.4, 1.1), 0.7)
    return P.vignette(img, 0.45)


def scene_waterfall(n):
    img = back_wall(2000, (20, 30, 40), (6, 10, 14), (10, 16, 22), (70, 90, 100), (120, 60, 100, 200),
                    (200, 240, 255), 0.45)
    img, ceil, floor = cave_shell(img, 2001, 26, 250, (6, 10, 12), (60, 76, 80), stal=(60, 80, 90), mites=0,
                                  stal_count=10)
    fall = P.fractal(40, 220, 2002, (20, 6, 3))
    fall = fall.resize((40, 220)).transform((40, 220), Image.AFFINE, (1, 0, 0, 0, 0.3, 0))
    col = P.colorize(fall, [(0, (80, 140, 170)), (180, (200, 235, 255)), (255, (255, 255, 255))])
    m = Image.new("L", (40, 220), 255)
    ImageDraw.Draw(m).rectangle((0, 0, 3, 220), fill=120)
    ImageDraw.Draw(m).rectangle((36, 0, 39, 220), fill=120)
    img.paste(col, (100, 30), m)
    img = P.add_light(img, P.radial(W, H, 120, 40, 40, 60, 1.2), (230, 250, 255), 0.6)
    img = water(img, 252, (10, 40, 60), 0.45, 2003)
    mist = P.radial(W, H, 120, 252, 90, 22, 1.0)
    img = P.add_light(img, mist, (220, 240, 255), 0.6)
    img = P.paste(img, P.rock(36, 2, (90, 100, 100)), (180, 228))
    img = gem_pile(img, 46, 254, 50, 2004, 9, (10, 16))
    img = lights(img, 2005, 30, (70, 200, 170, 270), (255, 255, 255), (0.4, 1.0), 0.6)
    return P.vignette(img, 0.45)


def scene_hall(n):
    img = back_wall(2100, (30, 24, 20), (10, 8, 6), (24, 18, 14), (90, 76, 60), (120, 200, 120, 120), (255, 170, 90), 0.5)
    d = ImageDraw.Draw(img)
    for i in range(9):
        y = 260 + i * i * 1.0
        d.line((0, y, W, y), fill=(50, 40, 30))
    for i in range(-6, 7):
        d.line((120 + i * 14, 258, 120 + i * 60, 320), fill=(50, 40, 30))
    d.rectangle((0, 0, W, 16), fill=(20, 16, 12))
    for x in (22, 84, 156, 218):
        img = pillar(img, x, 14, 262, 10 if x in (84, 156) else 13, (130, 112, 90), 1 if x < 120 else -1)
    img = torch(img, 52, 130)
    img = torch(img, 188, 130)
    d = ImageDraw.Draw(img)
    d.polygon([(104, 256), (136, 256), (130, 226), (110, 226)], fill=(110, 92, 70), outline=(40, 32, 24))
    img = P.add_light(img, P.radial(W, H, 120, 200, 50, 50, 1.2), (255, 120, 140), 0.5)
    img = P.paste(img, P.gem(40, (255, 90, 110), 1), (100, 190))
    img = P.sparkle(img, 112, 200, 12)
    return P.vignette(img, 0.5)


def scene_night(n):
    sky = P.vgradient(W, H, [(0, (4, 6, 24)), (0.6, (20, 30, 70)), (1, (40, 50, 90))])
    sky = stars(sky, 2200, 160, (0, 0, W, 240))
    sky = sun(sky, 160, 120, 12, (220, 230, 255), 2.2)
    sky = hills(sky, 2201, 230, 16, (10, 14, 30))
    sky = hills(sky, 2202, 250, 12, (4, 6, 16))
    cave = tinted_rock(W, H, 2203, (6, 6, 10), (60, 56, 64))
    m = arch_mask(124, 190, 92, 130, 2204)
    img = Image.composite(sky, cave, m)
    rim = ImageChops.subtract(m.filter(ImageFilter.MaxFilter(5)), m)
    img = P.add_light(img, rim, (120, 140, 200), 0.5)
    d = ImageDraw.Draw(img)
    d.rectangle((0, 296, W, H), fill=(8, 8, 12))
    img = P.paste(img, P.rock(38, 7, (80, 80, 90)), (10, 270))
    img = gem_pile(img, 196, 302, 60, 2205, 12, (10, 16))
    return P.vignette(img, 0.4)


def scene_ruby(n):
    img = back_wall(2300, (30, 4, 8), (8, 1, 2), (20, 3, 6), (80, 24, 30), (120, 230, 140, 100), (255, 40, 60), 0.55)
    img, ceil, floor = cave_shell(img, 2301, 40, 284, (10, 2, 4), (70, 20, 26), stal=(60, 14, 20))
    for x, y, s, c in ((34, 290, 50, 2302), (120, 296, 84, 2303), (204, 292, 56, 2304), (76, 296, 30, 2305),
                       (166, 296, 32, 2306)):
        img = crystal_cluster(img, x, y, (255, 60, 80), c, s, 6, 70, 0.45)
    for x in (40, 110, 180):
        img = crystal(img, x, ceil[x] - 2, 24, 7, 180, (255, 90, 110), 0.25)
    img = lights(img, 2307, 18, (0, 120, 240, 260), (255, 120, 120), (0.5, 1.1), 0.6)
    return P.vignette(img, 0.45)


def scene_veins(n):
    raw = P.fractal(W, H, 2400, (48, 24, 12), stretch=False)
    img = tinted_rock(W, H, 2401, (10, 8, 6), (70, 60, 50))
    vein = raw.point(lambda v: 255 if abs(v - 128) < 2 else 0)
    veins = vein.filter(ImageFilter.MaxFilter(3)).filter(ImageFilter.GaussianBlur(0.6))
    glow = veins.filter(ImageFilter.GaussianBlur(3)).point(lambda v: min(255, v * 4))
    img = P.add_light(img, glow, (255, 170, 40), 0.6)
    img = P.add_light(img, veins, (255, 230, 120), 1.0)
    m = P.radial(W, H, 120, 320, 200, 160, 1.0)
    img = Image.composite(img, P.multiply_l(img, Image.new("L", (W, H), 90)), m.point(lambda v: min(255, 80 + v)))
    rng = random.Random(2403)
    for i in range(12):
        x, y = rng.uniform(20, 220), rng.uniform(150, 300)
        img = P.paste(img, P.ball(rng.randrange(10, 18), (255, 200, 60), i, 0.2, 0.8,
                                  shape=[(0.5 + 0.4 * math.cos(k * 0.7 + i) * (0.8 + 0.2 * math.sin(k * 2.1)),
                                          0.5 + 0.35 * math.sin(k * 0.7 + i)) for k in range(9)]), (x, y))
    img = gem_pile(img, 120, 300, 100, 2404, 14, (12, 20), [(255, 230, 90), (255, 255, 255)])
    return P.vignette(img, 0.5)


def scene_sunrise(n):
    sky = P.vgradient(W, H, [(0, (40, 60, 120)), (0.35, (200, 120, 120)), (0.6, (255, 190, 110)), (1, (255, 230, 160))])
    sky = sun(sky, 120, 214, 20, (255, 220, 140), 3.0)
    sky = hills(sky, 2500, 214, 14, (120, 80, 90))
    sky = hills(sky, 2501, 236, 12, (70, 50, 60))
    sky = hills(sky, 2502, 258, 10, (36, 28, 34))
    cave = tinted_rock(W, H, 2503, (10, 8, 6), (80, 62, 44))
    m = arch_mask(120, 220, 96, 150, 2504)
    img = Image.composite(sky, cave, m)
    rays = Image.new("L", (W, H), 0)
    d = ImageDraw.Draw(rays)
    for a in range(-60, 61, 15):
        r = math.radians(a)
        d.polygon([(120, 214), (120 + 400 * math.sin(r - 0.04), 214 + 400 * math.cos(r - 0.04) * -1),
                   (120 + 400 * math.sin(r + 0.04), 214 - 400 * math.cos(r + 0.04))], fill=60)
    rays = ImageChops.multiply(rays.filter(ImageFilter.GaussianBlur(3)), m)
    img = P.add_light(img, rays, (255, 230, 170), 0.9)
    rim = ImageChops.subtract(m.filter(ImageFilter.MaxFilter(5)), m)
    img = P.add_light(img, rim, (255, 200, 120), 0.6)
    d = ImageDraw.Draw(img)
    d.polygon([(0, 300), (80, 290), (160, 296), (240, 286), (240, 320), (0, 320)], fill=(20, 14, 10))
    img = gem_pile(img, 60, 300, 70, 2505, 12, (10, 16))
    return P.vignette(img, 0.35)


SCENES = [scene_amber, scene_grotto, scene_lake, scene_lava, scene_mine, scene_geode, scene_glowworm, scene_vault,
          scene_ice, scene_mushrooms, scene_waterfall, scene_hall, scene_night, scene_ruby, scene_veins, scene_sunrise]


def level_complete(n):
    """Picture of level n (1..16), lifted a little: these are the rewards."""
    return SCENES[n - 1](n).point([P.clamp(int(255 * (v / 255.0) ** 0.85 + 0.5)) for v in range(256)] * 3)


# ---------------------------------------------------------------- finale

def finale_back():
    """240x800, shown top first: crystal depths, the long way up, the cave mouth at sunrise."""
    h = 800
    img = P.vgradient(W, h, [(0, (10, 4, 24)), (0.4, (20, 10, 30)), (0.7, (60, 30, 20)), (1, (120, 70, 40))])
    tex = tinted_rock(W, h, 3000, (6, 4, 8), (70, 56, 60))
    img = Image.blend(img, tex, 0.45)
    # sky seen through the mouth at the bottom
    sky = P.vgradient(W, h, [(0, (40, 60, 120)), (0.72, (70, 80, 140)), (0.8, (230, 140, 120)),
                             (0.9, (255, 200, 120)), (1, (255, 236, 170))])
    sky = sun(sky, 130, 730, 24, (255, 220, 140), 3.0)
    sky = fill_region(sky, profile(W, 3001, 738, 12, 4), (130, 84, 90), False)
    sky = fill_region(sky, profile(W, 3002, 760, 10, 4), (70, 48, 56), False)
    sky = fill_region(sky, profile(W, 3003, 782, 8, 4), (34, 26, 30), False)
    mouth = Image.new("L", (W, h), 0)
    mouth.paste(arch_mask(124, 190, 96, 150, 3004).crop((0, 40, W, 320)), (0, 560))
    img = Image.composite(sky, img, mouth)
    rim = ImageChops.subtract(mouth.filter(ImageFilter.MaxFilter(5)), mouth)
    img = P.add_light(img, rim, (255, 200, 120), 0.6)
    img = P.add_light(img, P.radial(W, h, 120, 700, 200, 260, 1.3), (255, 170, 90), 0.45)
    # side walls all the way down
    left = [14 + v for v in profile(h, 3005, 0, 12, 6)]
    right = [226 + v for v in profile(h, 3006, 0, 12, 6)]
    wall = tinted_rock(W, h, 3007, (4, 3, 4), (60, 48, 44))
    m = Image.new("L", (W, h), 0)
    d = ImageDraw.Draw(m)
    d.polygon([(0, 0)] + [(left[y], y) for y in range(h)] + [(0, h)], fill=255)
    d.polygon([(W, 0)] + [(right[y], y) for y in range(h)] + [(W, h)], fill=255)
    img.paste(wall, (0, 0), m)
    # crystal depths
    for x, y, c, s in ((60, 300, (120, 200, 255), 40), (180, 250, (200, 130, 255), 50), (120, 160, (120, 255, 200), 36),
                       (40, 120, (255, 120, 160), 30), (200, 80, (120, 200, 255), 34)):
        img = crystal_cluster(img, x, y, c, x + y, s, 5, 80, 0.45)
    img = lights(img, 3008, 50, (20, 0, 220, 340), (170, 200, 255), (0.5, 1.2), 0.7)
    # ledges and torches on the way up
    d = ImageDraw.Draw(img)
    for y, x0, x1 in ((380, 0, 110), (470, 130, 240), (560, 0, 90)):
        d.polygon([(x0, y), (x1, y + 4), (x1 - 10, y + 14), (x0, y + 16)], fill=(30, 22, 18), outline=(90, 66, 44))
    for x, y in ((60, 350), (180, 440), (40, 530)):
        img = torch(img, x, y)
    img = gem_pile(img, 60, 378, 70, 3009, 10, (10, 16))
    img = gem_pile(img, 190, 468, 60, 3010, 8, (10, 16))
    img = lights(img, 3011, 30, (20, 560, 220, 790), (255, 230, 170), (0.5, 1.2), 0.7)
    return img


def finale_chest(back):
    """162x87 at (77, 233) over the last screen of the background: the treasure, set into it."""
    img = back.crop((77, 480 + 233, 77 + 162, 480 + 233 + 87))
    img = P.add_light(img, P.radial(162, 87, 81, 60, 90, 40, 1.2), (255, 210, 120), 0.6)
    ch = P.chest(120, 86, 3100)
    P.paste(img, ch, (21, 1))
    img = gem_pile(img, 81, 86, 150, 3101, 20, (9, 14))
    return img


def finale_scene(tiles):
    """218x292 at (22, 28): the miner on a mountain of treasure at sunrise.
    Rows 22..61 lie under the closing banner, so they are plain sky."""
    w, h = 218, 292
    img = P.vgradient(w, h, [(0, (40, 60, 130)), (0.45, (210, 130, 130)), (0.7, (255, 200, 120)), (1, (255, 230, 160))])
    img = stars(img, 3200, 30, (0, 0, w, 60))
    img = sun(img, 150, 196, 22, (255, 220, 140), 3.2)
    rays = Image.new("L", (w, h), 0)
    d = ImageDraw.Draw(rays)
    for a in range(-80, 81, 12):
        r = math.radians(a)
        d.polygon([(150, 196), (150 + 400 * math.sin(r - 0.035), 196 - 400 * math.cos(r - 0.035)),
                   (150 + 400 * math.sin(r + 0.035), 196 - 400 * math.cos(r + 0.035))], fill=50)
    img = P.add_light(img, rays.filter(ImageFilter.GaussianBlur(3)), (255, 230, 170), 0.8)
    img = fill_region(img, profile(w, 3201, 206, 12, 4), (120, 80, 90), False)
    img = fill_region(img, profile(w, 3202, 232, 10, 4), (64, 46, 56), False)
    # the treasure hill
    m = Image.new("L", (w, h), 0)
    ImageDraw.Draw(m).pieslice((-30, 196, 200, 420), 180, 360, fill=255)
    hill = tinted_rock(w, h, 3203, (40, 26, 10), (150, 110, 50))
    img.paste(hill, (0, 0), m)
    img = gem_pile(img, 84, 290, 230, 3204, 70, (10, 18))
    img = gem_pile(img, 84, 262, 120, 3205, 30, (10, 18))
    img = P.add_light(img, P.radial(w, h, 100, 170, 90, 90, 1.2), (255, 240, 190), 0.5)
    hero = finale_hero()
    if hero is not None:
        # the same figure that came down the cave, now on top of the hoard
        fig, mask = hero
        img.paste(fig, (34, 98), mask)
        return frame(img)
    if tiles is not None:
        fig = tiles[30].resize((96, 96), Image.NEAREST)
        img.paste(fig, (36, 150), Image.eval(fig.convert("L"), lambda v: 255 if v > 0 else 0))
    img = P.paste(img, P.gem(40, (255, 255, 255), 7), (112, 150))
    img = P.sparkle(img, 126, 162, 14)
    img = lights(img, 3206, 26, (0, 120, w, 290), (255, 255, 220), (0.4, 1.0), 0.7)
    return frame(img)


def frame(img):
    w, h = img.size
    d = ImageDraw.Draw(img)
    d.rectangle((0, 0, w - 1, h - 1), outline=(90, 56, 10), width=1)
    d.rectangle((1, 1, w - 2, h - 2), outline=(240, 190, 70), width=2)
    d.rectangle((3, 3, w - 4, h - 4), outline=(120, 76, 20), width=1)
    return img


def finale_hero():
    """The closing figure (gcTav1) with its black surroundings cut away, or None."""
    try:
        import hero
        fig = hero.build_hero().convert("RGB")
    except Exception:  # drawn without it: the play tile stands in
        return None
    mask = Image.new("L", fig.size, 0)
    px, mp = fig.load(), mask.load()
    for y in range(fig.size[1]):
        for x in range(fig.size[0]):
            mp[x, y] = 255 if px[x, y] != (0, 0, 0) else 0
    return fig, mask
