"""Painting helpers for the screen pictures: noise, gradients, lit text and the
treasure shapes (gems, rocks, eggs, keys, safes, bombs, skulls) drawn as vectors.

Everything is seeded explicitly and uses only Pillow, so the same run gives the
same bytes on every machine with the same Pillow/libjpeg.
"""

import math
import os
import random

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont, ImageOps

FONT_DIR = "/usr/share/fonts/truetype/dejavu/"
_fonts = {}


def font(name, size):
    key = (name, size)
    if key not in _fonts:
        _fonts[key] = ImageFont.truetype(os.path.join(FONT_DIR, name + ".ttf"), size)
    return _fonts[key]


SANS_B = "DejaVuSans-Bold"
SANS = "DejaVuSans"
COND_B = "DejaVuSansCondensed-Bold"
COND = "DejaVuSansCondensed"
SERIF_B = "DejaVuSerif-Bold"
SERIF_BC = "DejaVuSerifCondensed-Bold"

GOLD_TOP = (255, 246, 190)
GOLD_BOTTOM = (214, 138, 24)
STONE_TOP = (196, 178, 146)
STONE_BOTTOM = (122, 102, 76)
INK = (22, 12, 4)


def clamp(v, lo=0, hi=255):
    return lo if v < lo else hi if v > hi else v


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(len(a)))


# ---------------------------------------------------------------- noise

def value_noise(w, h, cell, seed):
    """Smooth noise: a random grid every `cell` pixels, bicubic in between."""
    rng = random.Random(seed)
    gw, gh = w // cell + 4, h // cell + 4
    small = Image.new("L", (gw, gh))
    small.putdata([rng.randrange(256) for _ in range(gw * gh)])
    big = small.resize((gw * cell, gh * cell), Image.BICUBIC)
    return big.crop((cell, cell, cell + w, cell + h))


def fractal(w, h, seed, cells=(48, 24, 12, 6, 3), falloff=0.55, stretch=True):
    acc = value_noise(w, h, cells[0], seed)
    weight = 1.0
    total = 1.0
    for i, c in enumerate(cells[1:]):
        weight *= falloff
        total += weight
        acc = Image.blend(acc, value_noise(w, h, c, seed * 31 + i + 1), weight / total)
    return ImageOps.autocontrast(acc, cutoff=1) if stretch else acc


def grain(w, h, seed, amount=18):
    """Per-pixel grain centred on 128."""
    rng = random.Random(seed)
    im = Image.new("L", (w, h))
    im.putdata([clamp(128 + int(rng.gauss(0, amount))) for _ in range(w * h)])
    return im


def colorize(gray, stops):
    """Map a grey picture through a list of (level, colour) stops."""
    lut = [[], [], []]
    stops = sorted(stops)
    for v in range(256):
        for j in range(len(stops) - 1):
            if stops[j][0] <= v <= stops[j + 1][0]:
                a, b = stops[j], stops[j + 1]
                t = (v - a[0]) / max(1, b[0] - a[0])
                c = mix(a[1], b[1], t)
                break
        else:
            c = stops[0][1] if v < stops[0][0] else stops[-1][1]
        for k in range(3):
            lut[k].append(c[k])
    rgb = Image.merge("RGB", (gray, gray, gray))
    return rgb.point(lut[0] + lut[1] + lut[2])


def vgradient(w, h, stops):
    """Vertical gradient through (position 0..1, colour) stops."""
    col = Image.new("RGB", (1, h))
    px = col.load()
    stops = sorted(stops)
    for y in range(h):
        t = y / max(1, h - 1)
        for j in range(len(stops) - 1):
            if stops[j][0] <= t <= stops[j + 1][0]:
                a, b = stops[j], stops[j + 1]
                px[0, y] = mix(a[1], b[1], (t - a[0]) / max(1e-9, b[0] - a[0]))
                break
        else:
            px[0, y] = stops[0][1] if t < stops[0][0] else stops[-1][1]
    return col.resize((w, h), Image.NEAREST)


def radial(w, h, cx, cy, rx, ry, power=1.0):
    """L mask: 255 at (cx, cy) falling to 0 at the ellipse (rx, ry)."""
    g = Image.radial_gradient("L")  # 256x256, 0 in the centre, 255 at radius 128
    g = g.point(lambda v: clamp(int(255 * max(0.0, 1 - v / 128.0) ** power)))
    g = g.resize((max(1, int(rx * 2)), max(1, int(ry * 2))), Image.BILINEAR)
    out = Image.new("L", (w, h), 0)
    out.paste(g, (int(cx - rx), int(cy - ry)))
    return out


def add_light(img, mask, colour, strength=1.0):
    """Screen a coloured light through an L mask."""
    layer = Image.new("RGB", img.size, colour)
    m = mask if strength == 1.0 else mask.point(lambda v: clamp(int(v * strength)))
    lit = ImageChops.screen(img, layer)
    return Image.composite(lit, img, m)


def vignette(img, strength=0.75, power=1.6):
    w, h = img.size
    g = Image.radial_gradient("L").resize((int(w * 1.5), int(h * 1.5)), Image.BILINEAR)
    g = g.crop((int(w * 0.25), int(h * 0.25), int(w * 0.25) + w, int(h * 0.25) + h))
    lut = [clamp(int(255 * (1 - strength * min(1.0, v / 255.0 * 1.4) ** power))) for v in range(256)]
    m = g.point(lut)
    return ImageChops.multiply(img, Image.merge("RGB", (m, m, m)))


def multiply_l(img, mask):
    return ImageChops.multiply(img, Image.merge("RGB", (mask, mask, mask)))


def rock_texture(w, h, seed, stops=None, cells=(40, 20, 10, 5, 2), relief=0.8):
    """Stone: fractal colour, lit as a height field from the upper left."""
    if stops is None:
        stops = [(0, (8, 6, 5)), (110, (34, 24, 17)), (190, (62, 45, 30)), (255, (96, 74, 50))]
    raw = fractal(w, h, seed, cells, stretch=False)
    tex = colorize(ImageOps.autocontrast(raw, cutoff=1), stops)
    bump = ImageOps.autocontrast(raw.filter(ImageFilter.EMBOSS), cutoff=2)
    base = int(255 * (1 - relief))
    lit = multiply_l(tex, bump.point(lambda v: clamp(base + v * relief)))
    return ImageChops.add(lit, lit)


# ---------------------------------------------------------------- text

def text_mask(size, xy, text, fnt, anchor="la", stroke=0):
    m = Image.new("L", size, 0)
    ImageDraw.Draw(m).text(xy, text, font=fnt, fill=255, anchor=anchor,
                           stroke_width=stroke, stroke_fill=255)
    return m


def lit_text(img, xy, text, fnt, anchor="la", top=GOLD_TOP, bottom=GOLD_BOTTOM,
             stroke=2, stroke_col=INK, shadow=2, glow=None, glow_radius=6, glow_strength=1.0):
    """Text with a vertical colour ramp, a dark rim, a drop shadow and an optional glow."""
    w, h = img.size
    face = text_mask(img.size, xy, text, fnt, anchor)
    box = face.getbbox()
    if box is None:
        return img
    if glow is not None:
        g = text_mask(img.size, xy, text, fnt, anchor, stroke + 2).filter(
            ImageFilter.GaussianBlur(glow_radius))
        img = add_light(img, g.point(lambda v: clamp(int(v * 1.6 * glow_strength))), glow)
    rim = text_mask(img.size, xy, text, fnt, anchor, stroke) if stroke else face
    if shadow:
        sh = ImageChops.offset(rim, shadow, shadow).filter(ImageFilter.GaussianBlur(1))
        img = Image.composite(Image.new("RGB", img.size, (0, 0, 0)), img,
                              sh.point(lambda v: v * 3 // 4))
    if stroke:
        img = Image.composite(Image.new("RGB", img.size, stroke_col), img, rim)
    ramp = Image.new("RGB", img.size, bottom)
    ramp.paste(vgradient(box[2] - box[0], box[3] - box[1], [(0, top), (1, bottom)]), box[:2])
    return Image.composite(ramp, img, face)


def plain_text(img, xy, text, fnt, colour, anchor="la", shadow=1):
    d = ImageDraw.Draw(img)
    if shadow:
        d.text((xy[0] + shadow, xy[1] + shadow), text, font=fnt, fill=(0, 0, 0), anchor=anchor)
    d.text(xy, text, font=fnt, fill=colour, anchor=anchor)
    return img


# ---------------------------------------------------------------- shapes (RGBA sprites)

SS = 4  # supersampling factor of the vector sprites


def _finish(big, size):
    return big.resize(size, Image.LANCZOS)


def gem(size, base=(120, 220, 255), seed=0):
    """A cut gem seen from the side: crown facets above the girdle, pavilion below."""
    s = size * SS
    im = Image.new("RGBA", (s, s), (0, 0, 0, 0))
    d = ImageDraw.Draw(im)
    cx = s / 2
    top, girdle, tip = s * 0.18, s * 0.40, s * 0.92
    lw, tw = s * 0.46, s * 0.24
    light = mix(base, (255, 255, 255), 0.6)
    mid = base
    dark = mix(base, (0, 0, 0), 0.45)
    deep = mix(base, (0, 0, 0), 0.7)
    L, R = cx - lw, cx + lw
    tl, tr = cx - tw, cx + tw
    # crown
    d.polygon([(L, girdle), (tl, top), (cx - tw * 0.35, girdle)], fill=mix(light, mid, 0.3))
    d.polygon([(tl, top), (tr, top), (cx + tw * 0.35, girdle), (cx - tw * 0.35, girdle)], fill=light)
    d.polygon([(tr, top), (R, girdle), (cx + tw * 0.35, girdle)], fill=mid)
    # pavilion
    d.polygon([(L, girdle), (cx - tw * 0.35, girdle), (cx, tip)], fill=mid)
    d.polygon([(cx - tw * 0.35, girdle), (cx + tw * 0.35, girdle), (cx, tip)], fill=dark)
    d.polygon([(cx + tw * 0.35, girdle), (R, girdle), (cx, tip)], fill=deep)
    # edges
    edge = mix(light, (255, 255, 255), 0.5) + (255,)
    wdt = max(1, SS // 2)
    d.line([(L, girdle), (R, girdle)], fill=edge, width=wdt)
    d.line([(L, girdle), (tl, top), (tr, top), (R, girdle), (cx, tip), (L, girdle)],
           fill=mix(deep, (0, 0, 0), 0.3) + (255,), width=wdt)
    # sparkle
    sx, sy = tl + tw * 0.3, top + (girdle - top) * 0.35
    r = s * 0.09
    d.polygon([(sx - r, sy), (sx, sy - r * 0.25), (sx + r, sy), (sx, sy + r * 0.25)], fill=(255, 255, 255, 255))
    d.polygon([(sx, sy - r), (sx + r * 0.25, sy), (sx, sy + r), (sx - r * 0.25, sy)], fill=(255, 255, 255, 255))
    return _finish(im, (size, size))


def ball(size, base, seed=0, rough=0.35, highlight=0.55, squash=1.0, shape=None, depth=1.0):
    """A shaded round body (rock, egg): lit from the upper left, with surface noise."""
    s = size * SS
    shade = Image.new("L", (s, s), 0)
    hl = radial(s, s, s * 0.36, s * 0.32, s * 0.75, s * 0.75, power=1.2)
    shade = ImageChops.add(shade, hl)
    body = colorize(shade, [(0, mix(base, (0, 0, 0), 0.75 * depth)), (120, mix(base, (0, 0, 0), 0.25 * depth)),
                            (200, base), (255, mix(base, (255, 255, 255), highlight))])
    if rough:
        n = fractal(s, s, seed + 11, (s // 4 or 1, s // 8 or 1, s // 16 or 1, max(1, s // 32)))
        n = n.point(lambda v: clamp(int(255 - rough * (255 - v))))
        body = multiply_l(body, n)
    mask = Image.new("L", (s, s), 0)
    md = ImageDraw.Draw(mask)
    if shape is not None:
        md.polygon([(x * s, y * s) for x, y in shape], fill=255)
    else:
        pad_y = s * (1 - squash) / 2
        md.ellipse((s * 0.06, s * 0.06 + pad_y, s * 0.94, s * 0.94 - pad_y), fill=255)
    # rim shadow keeps the shape readable on dark ground
    rim = mask.filter(ImageFilter.MinFilter(SS * 2 + 1))
    edge = ImageChops.subtract(mask, rim)
    body = Image.composite(Image.new("RGB", (s, s), mix(base, (0, 0, 0), 0.85)), body, edge.point(lambda v: v // 2))
    im = body.convert("RGBA")
    im.putalpha(mask)
    return _finish(im, (size, size))


def rock(size, seed=0, base=(168, 160, 148)):
    rng = random.Random(seed)
    pts = []
    n = 9
    for i in range(n):
        a = 2 * math.pi * i / n + rng.uniform(-0.15, 0.15)
        r = 0.44 * rng.uniform(0.86, 1.0)
        pts.append((0.5 + r * math.cos(a), 0.53 + r * 0.92 * math.sin(a)))
    im = ball(size, base, seed, rough=0.25, highlight=0.45, shape=pts)
    # a stony relief and a couple of cracks, kept inside the outline
    s = size * SS
    big = im.resize((s, s), Image.LANCZOS)
    alpha = big.getchannel("A")
    relief = ImageOps.autocontrast(
        fractal(s, s, seed + 90, (max(2, s // 6), max(2, s // 12), max(1, s // 24)), stretch=False)
        .filter(ImageFilter.EMBOSS), cutoff=2)
    rgb = multiply_l(big.convert("RGB"), relief.point(lambda v: clamp(110 + v * 145 // 255)))
    rgb = ImageChops.add(rgb, rgb.point(lambda v: v // 6))
    d = ImageDraw.Draw(rgb)
    for k in range(1):
        x, y = s * rng.uniform(0.35, 0.6), s * rng.uniform(0.25, 0.45)
        line = [(x, y)]
        for _ in range(3):
            x += s * rng.uniform(-0.12, 0.12)
            y += s * rng.uniform(0.05, 0.14)
            line.append((x, y))
        d.line(line, fill=mix(base, (0, 0, 0), 0.6), width=max(1, SS * 3 // 4))
    out = rgb.convert("RGBA")
    out.putalpha(alpha)
    return _finish(out, (size, size))


def egg(size, seed=0, base=(255, 214, 70)):
    pts = []
    for i in range(40):
        a = 2 * math.pi * i / 40
        ry = 0.44
        rx = 0.34 * (1 - 0.14 * math.sin(a))  # narrower at the top (sin<0 is up)
        pts.append((0.5 + rx * math.cos(a), 0.53 + ry * math.sin(a)))
    return ball(size, base, seed, rough=0.12, highlight=0.7, shape=pts, depth=0.6)


def _sprite(size):
    s = size * SS
    return Image.new("RGBA", (s, s), (0, 0, 0, 0)), s


def key(size, colour=(250, 200, 60)):
    im, s = _sprite(size)
    d = ImageDraw.Draw(im)
    dark = mix(colour, (0, 0, 0), 0.55) + (255,)
    c = colour + (255,)
    w = int(s * 0.09)
    d.ellipse((s * 0.08, s * 0.30, s * 0.44, s * 0.66), outline=dark, width=w + SS * 2)
    d.ellipse((s * 0.08, s * 0.30, s * 0.44, s * 0.66), outline=c, width=w)
    d.rectangle((s * 0.42, s * 0.45, s * 0.92, s * 0.53), fill=c, outline=dark, width=SS)
    d.rectangle((s * 0.72, s * 0.53, s * 0.78, s * 0.68), fill=c, outline=dark, width=SS)
    d.rectangle((s * 0.84, s * 0.53, s * 0.90, s * 0.64), fill=c, outline=dark, width=SS)
    d.ellipse((s * 0.14, s * 0.36, s * 0.22, s * 0.44), fill=(255, 250, 220, 255))
    return _finish(im, (size, size))


def safe(size, colour=(120, 130, 150)):
    im, s = _sprite(size)
    d = ImageDraw.Draw(im)
    dark = mix(colour, (0, 0, 0), 0.6) + (255,)
    light = mix(colour, (255, 255, 255), 0.35) + (255,)
    d.rounded_rectangle((s * 0.08, s * 0.10, s * 0.92, s * 0.90), radius=s * 0.08, fill=colour + (255,),
                        outline=dark, width=SS * 2)
    d.rounded_rectangle((s * 0.17, s * 0.19, s * 0.83, s * 0.81), radius=s * 0.05, fill=mix(colour, (0, 0, 0), 0.2) + (255,),
                        outline=light, width=SS)
    d.ellipse((s * 0.36, s * 0.36, s * 0.64, s * 0.64), fill=light, outline=dark, width=SS * 2)
    d.line((s * 0.5, s * 0.38, s * 0.5, s * 0.5), fill=dark, width=SS * 2)
    d.rectangle((s * 0.70, s * 0.44, s * 0.76, s * 0.56), fill=(230, 190, 70, 255))
    return _finish(im, (size, size))


def bomb(size, colour=(50, 52, 64)):
    im = ball(size, colour, 5, rough=0.05, highlight=0.8, shape=[
        (0.5 + 0.36 * math.cos(2 * math.pi * i / 40), 0.58 + 0.36 * math.sin(2 * math.pi * i / 40)) for i in range(40)])
    big = im.resize((size * SS, size * SS), Image.LANCZOS)
    s = size * SS
    d = ImageDraw.Draw(big)
    d.rectangle((s * 0.42, s * 0.14, s * 0.58, s * 0.26), fill=(110, 110, 120, 255), outline=(20, 20, 24, 255), width=SS)
    d.line((s * 0.5, s * 0.14, s * 0.62, s * 0.04), fill=(200, 170, 120, 255), width=SS * 2)
    for i, col in enumerate(((255, 240, 120), (255, 160, 40))):
        r = s * (0.07 - i * 0.03)
        d.ellipse((s * 0.64 - r, s * 0.04 - r, s * 0.64 + r, s * 0.04 + r), fill=col + (255,))
    return _finish(big, (size, size))


def skull(size, colour=(230, 226, 210)):
    im, s = _sprite(size)
    d = ImageDraw.Draw(im)
    dark = (30, 24, 20, 255)
    c = colour + (255,)
    d.ellipse((s * 0.14, s * 0.08, s * 0.86, s * 0.72), fill=c, outline=dark, width=SS * 2)
    d.rounded_rectangle((s * 0.30, s * 0.56, s * 0.70, s * 0.90), radius=s * 0.06, fill=c, outline=dark, width=SS * 2)
    d.rectangle((s * 0.31, s * 0.56, s * 0.69, s * 0.66), fill=c)
    d.ellipse((s * 0.25, s * 0.34, s * 0.45, s * 0.56), fill=dark)
    d.ellipse((s * 0.55, s * 0.34, s * 0.75, s * 0.56), fill=dark)
    d.polygon([(s * 0.5, s * 0.58), (s * 0.45, s * 0.67), (s * 0.55, s * 0.67)], fill=dark)
    for x in (0.40, 0.50, 0.60):
        d.line((s * x, s * 0.72, s * x, s * 0.88), fill=dark, width=SS)
    return _finish(im, (size, size))


def monster(size, colour=(200, 60, 200)):
    im, s = _sprite(size)
    d = ImageDraw.Draw(im)
    dark = mix(colour, (0, 0, 0), 0.65) + (255,)
    c = colour + (255,)
    pts = [(s * 0.15, s * 0.9), (s * 0.15, s * 0.45)]
    for i in range(0, 21):
        a = math.pi + math.pi * i / 20
        pts.append((s * 0.5 + s * 0.35 * math.cos(a), s * 0.45 + s * 0.35 * math.sin(a)))
    pts += [(s * 0.85, s * 0.9), (s * 0.73, s * 0.78), (s * 0.61, s * 0.9), (s * 0.5, s * 0.78),
            (s * 0.39, s * 0.9), (s * 0.27, s * 0.78)]
    d.polygon(pts, fill=c, outline=dark)
    d.line(pts + [pts[0]], fill=dark, width=SS * 2)
    for ex in (0.36, 0.64):
        d.ellipse((s * (ex - 0.1), s * 0.32, s * (ex + 0.1), s * 0.54), fill=(255, 255, 255, 255))
        d.ellipse((s * (ex - 0.04), s * 0.40, s * (ex + 0.05), s * 0.52), fill=(20, 10, 30, 255))
    return _finish(im, (size, size))


def chest(w, h, seed=0, open_=True):
    """A wooden treasure chest, lid open, gems heaped inside."""
    W, H = w * SS, h * SS
    im = Image.new("RGBA", (W, H), (0, 0, 0, 0))
    d = ImageDraw.Draw(im)
    wood = (120, 70, 30, 255)
    wood_d = (70, 38, 14, 255)
    band = (220, 170, 60, 255)
    band_d = (120, 80, 20, 255)
    bx0, bx1, by0, by1 = W * 0.08, W * 0.92, H * 0.48, H * 0.96
    if open_:
        # lid tilted back
        d.polygon([(bx0, by0), (bx1, by0), (bx1 - W * 0.04, H * 0.10), (bx0 + W * 0.04, H * 0.10)], fill=wood_d)
        d.polygon([(bx0 + W * 0.06, by0), (bx1 - W * 0.06, by0), (bx1 - W * 0.08, H * 0.16), (bx0 + W * 0.08, H * 0.16)],
                  fill=(40, 20, 8, 255))
        glow = radial(W, H, W * 0.5, by0, W * 0.45, H * 0.35)
        gl = Image.new("RGBA", (W, H), (255, 220, 120, 255))
        gl.putalpha(glow.point(lambda v: v * 3 // 4))
        im = Image.alpha_composite(im, gl)
        d = ImageDraw.Draw(im)
        rng = random.Random(seed)
        cols = [(255, 230, 90), (120, 220, 255), (255, 110, 120), (140, 255, 150), (255, 255, 255)]
        for i in range(26):
            gx = rng.uniform(bx0 + W * 0.05, bx1 - W * 0.12)
            gy = by0 - rng.uniform(0, H * 0.16) * (1 - abs(gx - W / 2) / (W / 2))
            g = gem(int(rng.uniform(0.12, 0.2) * h), cols[rng.randrange(len(cols))], i)
            g = g.resize((g.width * SS, g.height * SS), Image.LANCZOS)
            im.alpha_composite(g, (int(gx), int(gy - g.height * 0.6)))
        d = ImageDraw.Draw(im)
    d.rectangle((bx0, by0, bx1, by1), fill=wood, outline=wood_d, width=SS * 2)
    for k in range(1, 4):
        y = by0 + (by1 - by0) * k / 4
        d.line((bx0, y, bx1, y), fill=wood_d, width=SS)
    for x in (bx0 + W * 0.08, bx1 - W * 0.12):
        d.rectangle((x, by0, x + W * 0.04, by1), fill=band, outline=band_d, width=SS)
    d.rectangle((bx0, by0, bx1, by0 + H * 0.06), fill=band, outline=band_d, width=SS)
    d.rectangle((W * 0.45, by0 + H * 0.08, W * 0.55, by0 + H * 0.22), fill=band, outline=band_d, width=SS)
    d.ellipse((W * 0.48, by0 + H * 0.12, W * 0.52, by0 + H * 0.17), fill=(40, 20, 5, 255))
    return im.resize((w, h), Image.LANCZOS)


def paste(img, sprite, xy):
    """Composite an RGBA sprite onto an RGB picture."""
    img.paste(sprite, (int(xy[0]), int(xy[1])), sprite)
    return img


def sparkle(img, x, y, r, colour=(255, 255, 230), strength=1.0):
    """A four-pointed glint with a soft halo."""
    layer = Image.new("L", img.size, 0)
    d = ImageDraw.Draw(layer)
    d.polygon([(x - r, y), (x, y - r * 0.12), (x + r, y), (x, y + r * 0.12)], fill=255)
    d.polygon([(x, y - r), (x + r * 0.12, y), (x, y + r), (x - r * 0.12, y)], fill=255)
    halo = radial(img.size[0], img.size[1], x, y, r * 0.6, r * 0.6, 1.5)
    m = ImageChops.lighter(layer.filter(ImageFilter.GaussianBlur(0.6)), halo)
    return add_light(img, m, colour, strength)


# ---------------------------------------------------------------- tile sheet

def load_tiles(path):
    """TavTile.565: 512x128 RGB565 little-endian, 16x4 tiles of 32x32. None when absent."""
    try:
        with open(path, "rb") as f:
            raw = f.read()
    except OSError:
        return None
    if len(raw) < 512 * 128 * 2:
        return None
    out = bytearray(512 * 128 * 3)
    for i in range(512 * 128):
        v = raw[2 * i] | (raw[2 * i + 1] << 8)
        r, g, b = (v >> 11) & 31, (v >> 5) & 63, v & 31
        out[3 * i] = (r << 3) | (r >> 2)
        out[3 * i + 1] = (g << 2) | (g >> 4)
        out[3 * i + 2] = (b << 3) | (b >> 2)
    sheet = Image.frombytes("RGB", (512, 128), bytes(out))
    return [sheet.crop(((t & 15) * 32, (t >> 4) * 32, (t & 15) * 32 + 32, (t >> 4) * 32 + 32)) for t in range(64)]


GEM_COLOURS_ALL = [(255, 224, 80), (110, 210, 255), (255, 100, 120), (120, 240, 140), (200, 140, 255),
                   (255, 255, 255)]
