"""The 64 play tiles (32x32) and their 8x8 map versions.

Everything that should take the level colour is drawn in blue shades (red and
green below 128, blue above 0); everything that must keep its colour has strong
red or green, or no blue at all. Walls are light and earth dark in every level
colour, and the things a player watches for differ in colour and light pattern;
build/tilecheck measures both. Light comes from the top left.
"""

import math
import random

from PIL import Image, ImageDraw

# --- palette -------------------------------------------------------------
BLACK = (0, 0, 0)

# Blue shades: these take the level colour. They carry a good share of red and green of
# their own (kept under 128, so they still take the colour): in a level of colour 0 that is
# all that is left of them, and it keeps walls light and earth dark there too.
B0 = (24, 24, 56)
B1 = (56, 56, 112)
B2 = (80, 80, 160)
B3 = (100, 100, 200)
B4 = (112, 112, 232)
B5 = (120, 124, 255)
BLUE_RAMP = [B0, B1, B2, B3, B4, B5]
BRICK = (104, 104, 208)

# Yellow and gold: never tinted (strong red, or no blue).
Y0 = (112, 64, 0)
Y1 = (184, 120, 0)
Y2 = (232, 176, 0)
Y3 = (255, 224, 48)
Y4 = (255, 248, 168)
WHITE = (255, 255, 255)
YELLOW_RAMP = [Y0, Y1, Y2, Y3, Y4]

# Greens: strong green or no blue.
G0 = (0, 48, 0)
G1 = (0, 96, 0)
G2 = (16, 160, 16)
G3 = (72, 208, 40)
G4 = (168, 248, 104)
GREEN_RAMP = [G0, G1, G2, G3, G4]

# Reds (bomb, gems).
R0 = (88, 0, 0)
R1 = (144, 8, 16)
R2 = (200, 32, 40)
R3 = (240, 88, 80)
R4 = (255, 176, 160)
RED_RAMP = [R0, R1, R2, R3, R4]

# Greys: only tiles 0 and 22, which are never recoloured, use them freely.
GREY_RAMP = [(40, 40, 44), (72, 72, 80), (108, 106, 112), (148, 146, 150),
             (188, 186, 188), (228, 226, 224)]

# The rock is a warm sandstone brown, never recoloured: apart from the cold white skull and
# the steel safe.
ROCK_RAMP = [(52, 40, 32), (92, 74, 58), (132, 108, 84), (170, 144, 114), (204, 182, 152),
             (236, 220, 196)]

# Bone (skull): all with strong red.
BONE_RAMP = [(128, 120, 108), (168, 162, 152), (206, 204, 198), (236, 236, 234),
             (255, 255, 255)]

SKIN = (255, 200, 150)
SKIN_SH = (214, 140, 92)
BOOT = (152, 84, 32)
BOOT_D = (96, 48, 0)

LIGHT = (-0.52, -0.62, 0.59)  # towards the viewer's top left


def _norm(v):
    n = math.sqrt(sum(c * c for c in v))
    return tuple(c / n for c in v)


LIGHT = _norm(LIGHT)


def canvas(w=32, h=32):
    return Image.new("RGB", (w, h), BLACK)


def ramp_pick(ramp, v):
    v = max(0.0, min(1.0, v))
    return ramp[min(len(ramp) - 1, int(v * (len(ramp) - 1) + 0.5))]


def lambert(nx, ny, nz, shine=True):
    d = nx * LIGHT[0] + ny * LIGHT[1] + nz * LIGHT[2]
    v = 0.18 + 0.82 * max(0.0, d)
    if shine and d > 0.97:
        v = 1.0
    return v


def ball(img, cx, cy, rx, ry, ramp, top_squeeze=0.0, bright=0.0):
    """A shaded ellipsoid; top_squeeze narrows the upper half (eggs)."""
    px = img.load()
    w, h = img.size
    for y in range(h):
        for x in range(w):
            dy = (y + 0.5 - cy) / ry
            sx = rx * (1.0 - top_squeeze * max(0.0, -dy))
            dx = (x + 0.5 - cx) / sx
            d2 = dx * dx + dy * dy
            if d2 <= 1.0:
                nz = math.sqrt(1.0 - d2)
                px[x, y] = ramp_pick(ramp, lambert(dx, dy, nz) + bright)


def mask_of(img):
    px = img.load()
    w, h = img.size
    return {(x, y) for y in range(h) for x in range(w) if px[x, y] != BLACK}


def bevel(img, mask, light, dark, inner_light=None, inner_dark=None):
    """Lights the top/left rim of a shape and shadows its bottom/right rim."""
    px = img.load()
    for (x, y) in mask:
        up = (x, y - 1) not in mask
        left = (x - 1, y) not in mask
        down = (x, y + 1) not in mask
        right = (x + 1, y) not in mask
        if (down or right) and not (up or left):
            px[x, y] = dark
        elif up or left:
            px[x, y] = light if not (down or right) else px[x, y]
    if inner_light or inner_dark:
        for (x, y) in mask:
            if all(p in mask for p in ((x, y - 1), (x - 1, y), (x, y + 1), (x + 1, y))):
                if inner_light and ((x, y - 2) not in mask or (x - 2, y) not in mask) \
                        and (x, y + 2) in mask and (x + 2, y) in mask:
                    px[x, y] = inner_light
                elif inner_dark and ((x, y + 2) not in mask or (x + 2, y) not in mask) \
                        and (x, y - 2) in mask and (x - 2, y) in mask:
                    px[x, y] = inner_dark


# --- earth ---------------------------------------------------------------

def speckle(seed, base, dark, light, bright, count=26, pebbles=False):
    img = canvas()
    d = ImageDraw.Draw(img)
    d.rectangle([0, 0, 31, 31], fill=base)
    rnd = random.Random(seed)
    px = img.load()
    for _ in range(count):
        x, y = rnd.randrange(32), rnd.randrange(32)
        kind = rnd.random()
        if pebbles and kind < 0.45:
            # a little stone: lit top-left, shadow bottom-right
            px[x, y] = light
            px[(x + 1) & 31, y] = light
            px[x, (y + 1) & 31] = light
            px[(x + 1) & 31, (y + 1) & 31] = dark
            px[(x + 2) & 31, (y + 1) & 31] = dark
            px[(x + 1) & 31, (y + 2) & 31] = dark
        elif kind < 0.55:
            px[x, y] = bright
            px[(x + 1) & 31, (y + 1) & 31] = dark
        elif kind < 0.8:
            px[x, y] = light
            px[(x + 1) & 31, y] = light
            px[x, (y + 1) & 31] = dark
            px[(x + 1) & 31, (y + 1) & 31] = dark
        else:
            px[x, y] = dark
            px[(x + 1) & 31, y] = dark
    return img


# Earth is darker than every wall and block in every level colour, and lighter than an
# empty square: its own shades, dimmer than the blue ramp.
EARTH = (64, 52, 96)
EARTH_D = (32, 24, 48)
EARTH_L = (96, 84, 136)
EARTH_B = (116, 104, 168)
GEARTH = (0, 60, 0)
GEARTH_D = (0, 32, 0)
GEARTH_L = (16, 96, 0)
GEARTH_B = (56, 136, 24)


def earth1():
    return speckle(11, EARTH, EARTH_D, EARTH_L, EARTH_B, count=90)


def earth2():
    return speckle(23, EARTH, EARTH_D, EARTH_L, EARTH_B, count=44, pebbles=True)


def green_speckle():
    return speckle(37, GEARTH, GEARTH_D, GEARTH_L, GEARTH_B, count=90)


# --- walls and blocks ----------------------------------------------------

def brick_wall():
    img = canvas()
    px = img.load()
    rnd = random.Random(5)
    mortar = B1
    for row in range(4):
        y0 = row * 8
        off = 0 if row % 2 == 0 else 8
        for bx in range(-1, 3):
            x0 = bx * 16 + off
            for y in range(y0, y0 + 7):
                for x in range(x0, x0 + 15):
                    if not 0 <= x < 32:
                        continue
                    c = BRICK
                    if y == y0 or x == x0:
                        c = B4
                    if y == y0 + 6 or x == x0 + 14:
                        c = B2
                    if (y == y0 and x == x0 + 14) or (y == y0 + 6 and x == x0):
                        c = B2
                    px[x, y] = c
            # a few worn speckles inside each brick
            for _ in range(3):
                sx = x0 + 2 + rnd.randrange(11)
                sy = y0 + 2 + rnd.randrange(3)
                if 0 <= sx < 32:
                    px[sx, sy] = B2
                    if 0 <= sx + 1 < 32 and rnd.random() < 0.5:
                        px[sx + 1, sy] = B3
        for x in range(32):
            px[x, y0 + 7] = mortar
    return img


def blue_block():
    img = canvas()
    px = img.load()
    for y in range(32):
        for x in range(32):
            c = B3
            if x >= 30 or y >= 30:
                c = B1 if (x == 31 or y == 31) else B2
            if x <= 1 or y <= 1:
                if not ((x <= 1 and y >= 30) or (y <= 1 and x >= 30)):
                    c = B5 if (x == 0 or y == 0) else B4
            px[x, y] = c
    # a soft sheen across the upper left of the face
    for i in range(4, 12):
        px[i, 4] = B4
        px[4, i] = B4
    px[5, 5] = B5
    px[6, 5] = B4
    px[5, 6] = B4
    return img


def edge_bar(img, side, width=5):
    """Raised yellow trim along one side, lit from the top left."""
    prof = [Y4, Y3, Y2, Y1, Y0][:width]
    px = img.load()
    for i in range(32):
        for k in range(width):
            c = prof[k]
            if side == "left":
                x, y = k, i
            elif side == "right":
                x, y = 32 - width + k, i
            elif side == "top":
                x, y = i, k
            else:
                x, y = i, 32 - width + k
            # rivets every eight pixels
            if k == 2 and i % 8 == 4:
                c = Y4
            if k == 2 and i % 8 == 5:
                c = Y0
            px[x, y] = c
    return img


def round_corner(img, corner, radius, light, dark, trim=None):
    """Cuts one corner to a quarter circle and rims the curve; trim lays bands of those
    colours along the curve, outermost first."""
    px = img.load()
    cx = radius if "l" in corner else 32 - radius
    cy = radius if "t" in corner else 32 - radius
    inside = set()
    for y in range(32):
        for x in range(32):
            in_corner = (x < cx if "l" in corner else x >= cx) and \
                        (y < cy if "t" in corner else y >= cy)
            if in_corner:
                dx = x + 0.5 - cx
                dy = y + 0.5 - cy
                if dx * dx + dy * dy > radius * radius:
                    px[x, y] = BLACK
                    continue
            inside.add((x, y))
    rim = light if "t" in corner else dark
    for (x, y) in inside:
        in_corner = (x < cx if "l" in corner else x >= cx) and \
                    (y < cy if "t" in corner else y >= cy)
        if not in_corner:
            continue
        if trim:
            depth = radius - math.sqrt((x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2)
            if depth < len(trim):
                px[x, y] = trim[int(depth)]
            continue
        nb = [(x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)]
        if any(0 <= a < 32 and 0 <= b < 32 and (a, b) not in inside for (a, b) in nb):
            px[x, y] = rim
    return img


# --- rings, bars, squares ------------------------------------------------

def ring(img, cx, cy, a, b, thick, ramp):
    px = img.load()
    for y in range(32):
        for x in range(32):
            dx = x + 0.5 - cx
            dy = y + 0.5 - cy
            d = math.sqrt((dx / a) ** 2 + (dy / b) ** 2)
            if d == 0:
                continue
            r = min(a, b)
            t = (d - 1.0) * r / thick
            if -0.97 <= t <= 0.97:
                ux, uy = dx / (d * a) * r, dy / (d * b) * r
                n = math.sqrt(ux * ux + uy * uy)
                ux, uy = ux / n, uy / n
                nz = math.sqrt(max(0.0, 1 - t * t))
                px[x, y] = ramp_pick(ramp, lambert(ux * t, uy * t, nz))


# Rings stand out from a plate as light as a wall's face, so that the ring blocks are as
# far from earth in light as every other wall.
RING_RAMP = [B0, B1, B2, B4, B5, B5]


def ring_plate():
    img = canvas()
    px = img.load()
    for y in range(32):
        for x in range(32):
            c = B3
            if x == 0 or y == 0:
                c = B4
            elif x == 31 or y == 31:
                c = B1
            px[x, y] = c
    return img


def four_rings():
    img = ring_plate()
    for cx in (8, 24):
        for cy in (8, 24):
            ring(img, cx, cy, 5.0, 5.0, 2.0, RING_RAMP)
    return img


def upright_rings():
    img = ring_plate()
    for cx in (8.5, 23.5):
        ring(img, cx, 16, 5.2, 13.0, 2.1, RING_RAMP)
    return img


def lying_rings():
    img = ring_plate()
    for cy in (9, 23):
        ring(img, 16, cy, 13.5, 5.2, 2.1, RING_RAMP)
    return img


def cage():
    img = canvas()
    px = img.load()
    # dim space behind the bars: dark, yet still lighter than earth
    for y in range(32):
        for x in range(32):
            px[x, y] = B2
    for bx in (2, 10, 18, 26):
        for y in range(32):
            px[bx, y] = B5
            px[bx + 1, y] = B3
            px[bx + 2, y] = B1
    for (y0, y1) in ((0, 3), (28, 31)):
        for y in range(y0, y1 + 1):
            for x in range(32):
                k = y - y0
                px[x, y] = [B5, B4, B3, B1][k]
    for y in (14, 15, 16):
        for x in range(32):
            px[x, y] = {14: B4, 15: B3, 16: B1}[y]
    return img


def concentric():
    img = canvas()
    px = img.load()
    for y in range(32):
        for x in range(32):
            k = min(x, y, 31 - x, 31 - y)
            band = k // 4
            pos = k % 4
            if band == 3:
                c = Y3
                if x in (12, 13) or y in (12, 13):
                    c = Y4
                if x in (18, 19) or y in (18, 19):
                    c = Y1
                px[x, y] = c
                continue
            if pos == 3:
                px[x, y] = B0
                continue
            lit = (x - y) < 0 if (x + y) > 31 else True
            # top and left faces light, bottom and right faces dark
            top_left = (y == k or x == k) and not (y == 31 - k or x == 31 - k)
            if band % 2 == 0:
                c = B3
                if pos == 0:
                    c = B5 if top_left else B1
            else:
                c = B2
                if pos == 0:
                    c = B4 if top_left else B0
            del lit
            px[x, y] = c
    return img


def stripes():
    img = canvas()
    px = img.load()
    for y in range(32):
        for x in range(32):
            s = (x + y) % 16
            if s < 8:
                c = Y3 if s > 1 else Y4
                if s == 7:
                    c = Y1
            else:
                c = B3 if s > 9 else B4
                if s == 15:
                    c = B1
            px[x, y] = c
    # a frame so neighbouring blocks read as separate
    for i in range(32):
        px[i, 0] = Y4 if px[i, 0][0] > 128 else B5
        px[0, i] = Y4 if px[0, i][0] > 128 else B5
        px[i, 31] = Y0 if px[i, 31][0] > 100 else B0
        px[31, i] = Y0 if px[31, i][0] > 100 else B0
    return img


# --- objects -------------------------------------------------------------

def rock():
    img = canvas()
    px = img.load()
    rnd = random.Random(3)
    bumps = [(rnd.uniform(0.9, 1.08), rnd.uniform(0, 2 * math.pi)) for _ in range(3)]
    cx, cy = 16.0, 16.5
    for y in range(32):
        for x in range(32):
            dx = x + 0.5 - cx
            dy = y + 0.5 - cy
            ang = math.atan2(dy, dx)
            r = 14.2 + 0.9 * math.sin(3 * ang + 0.7) + 0.6 * math.sin(5 * ang + 2.1)
            d = math.sqrt(dx * dx + dy * dy) / r
            if d <= 1.0:
                nz = math.sqrt(1 - d * d)
                v = lambert(dx / r, dy / r, nz, shine=False)
                px[x, y] = ramp_pick(ROCK_RAMP, v)
    del bumps
    # cracks and pits
    for (x, y) in ((19, 11), (20, 12), (20, 13), (21, 14), (11, 20), (12, 21), (13, 21),
                   (9, 13), (23, 22), (24, 22)):
        px[x, y] = ROCK_RAMP[1]
    for (x, y) in ((19, 10), (10, 19), (8, 12), (22, 21)):
        px[x, y] = ROCK_RAMP[4]
    px[10, 8] = ROCK_RAMP[5]
    px[11, 8] = ROCK_RAMP[5]
    px[10, 9] = ROCK_RAMP[5]
    return img


def diamond():
    img = canvas()
    d = ImageDraw.Draw(img)
    top, gird, tip = 6, 13, 28
    l, r = 2, 29
    tl, tr = 9, 22
    ml, mr = 12, 19
    # pavilion
    # a deep, dark pavilion under a bright crown: the gem's own light pattern
    d.polygon([(l, gird), (ml, gird), (15, tip)], fill=Y2)
    d.polygon([(ml, gird), (mr, gird), (15, tip), (16, tip)], fill=Y1)
    d.polygon([(mr, gird), (r, gird), (16, tip)], fill=Y0)
    # crown
    d.polygon([(l, gird), (tl, top), (ml, gird)], fill=WHITE)
    d.polygon([(tl, top), (tr, top), (mr, gird), (ml, gird)], fill=Y4)
    d.polygon([(tr, top), (r, gird), (mr, gird)], fill=Y3)
    # girdle line and facet edges
    d.line([(l, gird), (r, gird)], fill=Y4)
    d.line([(ml, gird), (15, tip)], fill=Y4)
    d.line([(mr, gird), (16, tip)], fill=Y1)
    d.line([(tl, top), (tr, top)], fill=WHITE)
    d.line([(tr + 1, top + 1), (r, gird)], fill=Y1)
    d.line([(r, gird), (16, tip)], fill=Y0)
    # sparkle
    px = img.load()
    for (x, y) in ((11, 8), (12, 8), (11, 9), (10, 8), (11, 7)):
        px[x, y] = WHITE
    for (x, y) in ((7, 17), (8, 18), (6, 16)):
        px[x, y] = Y4
    return img


def capsule():
    img = canvas()
    px = img.load()
    # a pill lying diagonally: half blue (takes the level colour), half white
    ax, ay, bx, by = 9.0, 22.0, 23.0, 10.0
    rad = 5.2
    white_ramp = [(136, 128, 120), (176, 170, 164), (216, 212, 208), (244, 242, 240), WHITE]
    for y in range(32):
        for x in range(32):
            vx, vy = bx - ax, by - ay
            t = ((x + 0.5 - ax) * vx + (y + 0.5 - ay) * vy) / (vx * vx + vy * vy)
            tc = max(0.0, min(1.0, t))
            qx, qy = ax + tc * vx, ay + tc * vy
            dx, dy = x + 0.5 - qx, y + 0.5 - qy
            d = math.sqrt(dx * dx + dy * dy) / rad
            if d <= 1.0:
                nz = math.sqrt(1 - d * d)
                v = lambert(dx / rad, dy / rad, nz)
                px[x, y] = ramp_pick(BLUE_RAMP[1:] if t < 0.5 else white_ramp, v)
    return img


def skull():
    img = canvas()
    px = img.load()
    # cranium
    for y in range(32):
        for x in range(32):
            dx = (x + 0.5 - 16) / 11.5
            dy = (y + 0.5 - 14) / 11.0
            d2 = dx * dx + dy * dy
            inside = d2 <= 1.0 and y <= 21
            jaw = 9 <= x <= 22 and 20 <= y <= 27
            if inside or jaw:
                nz = math.sqrt(max(0.0, 1 - min(1.0, d2)))
                v = lambert(dx, dy, nz, shine=False)
                if jaw and not inside:
                    v = 0.55 - 0.05 * (y - 20) + (0.15 if x < 14 else 0.0)
                px[x, y] = ramp_pick(BONE_RAMP, v)
    d = ImageDraw.Draw(img)
    # jaw corners rounded
    for (x, y) in ((9, 27), (22, 27), (9, 26), (22, 26)):
        px[x, y] = BLACK
    # eye sockets
    d.ellipse([8, 12, 14, 18], fill=BLACK)
    d.ellipse([17, 12, 23, 18], fill=BLACK)
    px[10, 14] = (200, 24, 24)
    px[11, 14] = (255, 80, 60)
    px[19, 14] = (200, 24, 24)
    px[20, 14] = (255, 80, 60)
    # nose
    d.polygon([(15, 19), (16, 19), (17, 21), (14, 21)], fill=BLACK)
    px[15, 19] = BLACK
    # teeth
    for x in range(10, 22):
        px[x, 23] = BLACK
    for x in (11, 13, 15, 17, 19, 21):
        px[x, 24] = BONE_RAMP[0]
        px[x, 25] = BONE_RAMP[0]
    for x in range(10, 22):
        px[x, 26] = BONE_RAMP[1] if px[x, 26] != BLACK else BLACK
    return img


SAFE_DOOR = (40, 40, 46)
SAFE_DOOR_D = (20, 20, 24)
SAFE_DOOR_L = (108, 106, 112)


def safe():
    img = canvas()
    px = img.load()
    g = GREY_RAMP
    # a light steel frame round a near-black door: a light pattern of its own, unlike any
    # wall or earth in any level colour
    for y in range(1, 31):
        for x in range(1, 31):
            c = g[4]
            if x == 1 or y == 1:
                c = g[5]
            elif x == 30 or y == 30:
                c = g[0]
            elif x == 2 or y == 2:
                c = g[4]
            elif x == 29 or y == 29:
                c = g[1]
            px[x, y] = c
    # door recess
    for y in range(5, 27):
        for x in range(5, 27):
            c = SAFE_DOOR
            if x == 5 or y == 5:
                c = SAFE_DOOR_D
            elif x == 26 or y == 26:
                c = SAFE_DOOR_L
            px[x, y] = c
    # hinges
    for y in (8, 9, 22, 23):
        px[3, y] = g[0]
        px[4, y] = g[1]
    # dial: dark disc with a bright ring and a red mark
    ring(img, 16, 16, 6.0, 6.0, 1.6, [(48, 48, 56), (96, 96, 104), (160, 160, 168),
                                      (210, 210, 214), (250, 250, 250)])
    for y in range(32):
        for x in range(32):
            dx, dy = x + 0.5 - 16, y + 0.5 - 16
            if dx * dx + dy * dy < 3.2 * 3.2:
                px[x, y] = (64, 64, 72) if dx + dy > 0 else (104, 104, 112)
    px[16, 10] = (232, 40, 32)
    px[16, 11] = (232, 40, 32)
    for (x, y) in ((16, 8), (23, 16), (16, 23), (8, 16)):
        px[x, y] = g[0]
    # handle
    for x in range(21, 25):
        px[x, 24] = (200, 168, 64)
        px[x, 25] = (128, 96, 32)
    return img


# Eggs are chalk white with brown freckles, far from the yellow of diamonds and from every
# level colour the walls can take.
EGG_RAMP = [(136, 120, 96), (184, 170, 144), (224, 214, 190), (244, 238, 222), (255, 253, 246)]
FRECKLE = (160, 92, 40)


def egg(cracked=False):
    img = canvas()
    ball(img, 16, 17.5, 10.0, 12.5, EGG_RAMP, top_squeeze=0.22)
    px = img.load()
    rnd = random.Random(8)
    for _ in range(12):
        x, y = 8 + rnd.randrange(16), 9 + rnd.randrange(18)
        if px[x, y] not in (BLACK, EGG_RAMP[4]):
            px[x, y] = FRECKLE
    if cracked:
        pts = [(6, 16), (9, 13), (11, 17), (14, 12), (17, 17), (20, 13), (23, 17), (26, 14)]
        d = ImageDraw.Draw(img)
        d.line(pts, fill=(64, 32, 0), width=1)
        for (x, y) in pts[1:-1]:
            px[x, y] = BLACK
        # upper shell lifted a little, a dark gap shows the inside
        for (a, b) in zip(pts, pts[1:]):
            d.line([(a[0], a[1] + 1), (b[0], b[1] + 1)], fill=EGG_RAMP[0])
        for (x, y) in ((12, 8), (13, 9), (21, 22), (20, 23)):
            px[x, y] = EGG_RAMP[0]
    return img


def key():
    """A big pale-gold key: lighter than the monster's green even to eyes that cannot tell
    the two hues apart."""
    img = canvas()
    px = img.load()
    # bow
    ring(img, 9.0, 16, 6.5, 6.5, 2.4, [Y1, Y2, Y3, Y4, Y4, WHITE])
    # shaft with a lit top edge
    for x in range(15, 30):
        px[x, 13] = WHITE
        px[x, 14] = Y4
        px[x, 15] = Y4
        px[x, 16] = Y3
        px[x, 17] = Y1
    # bits
    for (x0, x1, depth) in ((20, 23, 6), (25, 29, 5)):
        for x in range(x0, x1 + 1):
            for y in range(18, 18 + depth):
                c = Y4 if x == x0 else (Y3 if x < x1 else Y1)
                px[x, y] = c
    px[29, 13] = Y3
    px[29, 17] = Y1
    return img


def tangle():
    """Woven creepers: wavy strands that wrap around the tile edges, so a field of
    tangle tiles reads as one growth."""
    img = canvas()
    px = img.load()
    strands = [(5, 1, 3.0, 0.0), (16, 2, 2.5, 1.3), (27, 1, 3.5, 2.6)]

    def path(base, k, amp, ph, t):
        return base + amp * math.sin(2 * math.pi * k * t / 32 + ph)

    for vertical in (False, True):
        for (base, k, amp, ph) in strands:
            for s in range(0, 128):
                t = s / 4.0
                o = path(base + (3 if vertical else 0), k, amp, ph + (1.0 if vertical else 0), t)
                slope = path(0, k, amp, ph, t + 0.25) - path(0, k, amp, ph, t)
                x, y = (o, t) if vertical else (t, o)
                xi, yi = int(x) % 32, int(y) % 32
                if vertical:
                    px[(xi - 1) % 32, yi] = G4 if slope > 0 else G3
                    px[xi, yi] = G2
                    px[(xi + 1) % 32, yi] = G1
                    px[(xi + 2) % 32, yi] = G0
                else:
                    px[xi, (yi - 1) % 32] = G3 if slope < 0 else G4
                    px[xi, yi] = G2
                    px[xi, (yi + 1) % 32] = G1
                    px[xi, (yi + 2) % 32] = G0
    # small leaves along the strands
    for (x, y) in ((9, 10), (22, 20), (3, 25), (26, 6), (14, 28)):
        for (dx, dy, c) in ((0, 0, G4), (1, 0, G3), (0, 1, G3), (1, 1, G2), (2, 1, G1), (1, 2, G1)):
            px[(x + dx) % 32, (y + dy) % 32] = c
    return img


def bomb():
    img = canvas()
    ball(img, 15, 19, 10.5, 10.5, [(56, 0, 0), (96, 0, 0), (136, 8, 16), (176, 32, 40),
                                   (224, 88, 88), (255, 176, 168)])
    px = img.load()
    # cap
    for y in range(6, 10):
        for x in range(19, 25):
            if (x - 21.5) ** 2 / 9 + (y - 8) ** 2 / 4 <= 1.1:
                px[x, y] = (136, 128, 104) if x > 22 else (200, 192, 168)
    # fuse
    for (x, y) in ((23, 6), (24, 5), (24, 4), (25, 3)):
        px[x, y] = (200, 160, 96)
    # spark
    for (x, y) in ((26, 2), (27, 1), (28, 2), (27, 3), (26, 0), (29, 4), (25, 1)):
        px[x, y] = Y3
    px[27, 2] = WHITE
    return img


def crown():
    img = canvas()
    d = ImageDraw.Draw(img)
    # points
    d.polygon([(4, 22), (4, 10), (10, 17), (16, 6), (22, 17), (28, 10), (28, 22)], fill=Y2)
    d.polygon([(4, 22), (4, 10), (10, 17), (16, 6), (16, 22)], fill=Y3)
    d.line([(4, 10), (10, 17), (16, 6)], fill=Y4)
    d.line([(16, 6), (22, 17), (28, 10)], fill=Y1)
    # band
    d.rectangle([3, 21, 28, 26], fill=Y2)
    d.line([(3, 21), (28, 21)], fill=Y4)
    d.line([(3, 22), (28, 22)], fill=Y3)
    d.line([(3, 26), (28, 26)], fill=Y0)
    px = img.load()
    # tips
    for (x, y) in ((4, 9), (16, 5), (28, 9)):
        px[x, y] = WHITE
        px[x - 1, y] = Y4
        px[x + 1, y] = Y3
        px[x, y - 1] = Y4
        px[x, y + 1] = Y2
    # jewels
    for (x, c) in ((9, G3), (16, R2), (23, G3)):
        px[x, 23] = c
        px[x + 1, 23] = c
        px[x, 24] = c
        px[x + 1, 24] = R0 if c == R2 else G1
        px[x, 23] = WHITE if c == R2 else G4
    return img


def glow(strength):
    img = canvas()
    px = img.load()
    for y in range(32):
        for x in range(32):
            dx, dy = x + 0.5 - 16, y + 0.5 - 16
            d = math.sqrt(dx * dx + dy * dy) / 15.5
            f = max(0.0, 1.0 - d) ** 1.6 * strength
            if f <= 0:
                continue
            b = int(255 * min(1.0, f * 1.2))
            rg = int(120 * f * f)
            if b >= 8:
                px[x, y] = (min(rg, 120), min(rg, 120), b)
    return img


# --- figures -------------------------------------------------------------

def disc(px, cx, cy, r, c, w=32, h=32):
    for y in range(int(cy - r - 1), int(cy + r + 2)):
        for x in range(int(cx - r - 1), int(cx + r + 2)):
            if 0 <= x < w and 0 <= y < h and (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                px[x, y] = c


def limb(px, x0, y0, x1, y1, r, c):
    n = int(max(abs(x1 - x0), abs(y1 - y0)) * 2) + 1
    for i in range(n + 1):
        t = i / n
        disc(px, x0 + (x1 - x0) * t, y0 + (y1 - y0) * t, r, c)


SUIT_RAMP = [B1, B2, B3, B4]
BELT = (64, 200, 48)
BELT_D = (0, 136, 0)
BUCKLE = Y3
EYE = (32, 16, 0)
MOUTH = (176, 64, 48)
LAMP = (255, 255, 216)
HAIR = (144, 80, 24)


def helmet(px, cx, top, facing):
    """Miner's helmet: dome, brim, lamp. facing 0 front, +1 right, -1 left."""
    for y in range(top, top + 6):
        for x in range(int(cx) - 7, int(cx) + 8):
            dx = (x + 0.5 - cx) / 6.5
            dy = (y + 0.5 - (top + 6)) / 6.0
            d2 = dx * dx + dy * dy
            if d2 <= 1.0:
                nz = math.sqrt(1 - d2)
                px[x, y] = ramp_pick(YELLOW_RAMP, lambert(dx, dy, nz))
    # brim
    bl = int(cx) - 8 + (2 if facing > 0 else 0) - (1 if facing < 0 else 0)
    br = int(cx) + 7 - (2 if facing < 0 else 0) + (1 if facing > 0 else 0)
    for x in range(bl, br + 1):
        px[x, top + 6] = Y1
        px[x, top + 5] = Y2 if px[x, top + 5] == BLACK else px[x, top + 5]
    # lamp
    lx = int(cx) + 3 * facing
    if facing == 0:
        for (x, y) in ((lx - 1, top + 1), (lx, top + 1), (lx - 2, top + 2), (lx + 1, top + 2),
                       (lx - 2, top + 3), (lx + 1, top + 3), (lx - 1, top + 4), (lx, top + 4)):
            px[x, y] = Y1
        px[lx - 1, top + 2] = WHITE
        px[lx, top + 2] = LAMP
        px[lx - 1, top + 3] = LAMP
        px[lx, top + 3] = Y4
    else:
        lx = int(cx) + 5 * facing
        px[lx, top + 3] = LAMP
        px[lx, top + 4] = LAMP
        px[lx - facing, top + 3] = Y4


def face_front(px, cx, top, look=0):
    for y in range(top, top + 7):
        half = 5 if y < top + 5 else (4 if y == top + 5 else 3)
        for x in range(int(cx) - half, int(cx) + half):
            px[x, y] = SKIN if x < cx + half - 2 else SKIN_SH
    for x in range(int(cx) - 5, int(cx) + 5):
        px[x, top] = SKIN_SH if x >= cx + 3 else SKIN
    ex = int(cx) + look
    for (x, y) in ((ex - 3, top + 2), (ex - 3, top + 3), (ex + 2, top + 2), (ex + 2, top + 3)):
        px[x, y] = EYE
    # ears
    for y in (top + 2, top + 3):
        px[int(cx) - 6, y] = SKIN_SH
        px[int(cx) + 5, y] = SKIN_SH
    px[int(cx) - 1, top + 5] = MOUTH
    px[int(cx), top + 5] = MOUTH
    if look:
        px[int(cx) + look, top + 5] = MOUTH


def torso_front(px, cx, top):
    for y in range(top, top + 7):
        for x in range(int(cx) - 5, int(cx) + 5):
            c = B3
            if x <= cx - 4:
                c = B4
            if x >= cx + 3:
                c = B2
            if y == top:
                c = B4 if x < cx + 3 else B3
            px[x, y] = c
    # collar
    px[int(cx) - 1, top] = SKIN_SH
    px[int(cx), top] = SKIN_SH
    # belt
    for x in range(int(cx) - 5, int(cx) + 5):
        px[x, top + 6] = BELT if x < cx + 3 else BELT_D
    px[int(cx) - 1, top + 6] = BUCKLE
    px[int(cx), top + 6] = BUCKLE


def leg_front(px, x, top, length, shade, outward):
    for y in range(top, top + length):
        px[x, y] = B2 if shade else B3
        px[x + 1, y] = B2 if shade else B3
        px[x + 2, y] = B1 if shade else B2
    for k in range(3):
        px[x + k, top + length] = BOOT
    lo, hi = (-1, 3) if outward < 0 else (0, 4)
    for k in range(lo, hi):
        px[x + k, top + length + 1] = BOOT_D if k == hi - 1 else BOOT


def arm_front(px, x, top, length, side):
    for y in range(top, top + length):
        px[x, y] = B4 if side < 0 else B2
        px[x + side, y] = B3 if side < 0 else B1
    hx = x if side < 0 else x
    px[hx, top + length] = SKIN
    px[hx + side, top + length] = SKIN_SH
    px[hx, top + length + 1] = SKIN_SH


def player_front(look=0, step=0):
    """Front view. look shifts the eyes; step lifts one leg (-1 left, +1 right)."""
    img = canvas()
    px = img.load()
    cx = 16
    helmet(px, cx, 2, 0)
    face_front(px, cx, 9, look)
    torso_front(px, cx, 16)
    # arms: swing opposite to the lifted leg
    la = 5 - (1 if step < 0 else 0) + (1 if step > 0 else 0)
    ra = 5 - (1 if step > 0 else 0) + (1 if step < 0 else 0)
    arm_front(px, cx - 6, 17, la, -1)
    arm_front(px, cx + 5, 17, ra, 1)
    ll = 6 - (2 if step < 0 else 0)
    rl = 6 - (2 if step > 0 else 0)
    leg_front(px, cx - 4, 23, ll, False, -1)
    leg_front(px, cx + 1, 23, rl, True, 1)
    return img


def player_side(stride, bob=0):
    """Walking to the right; stride -3..3 places the near leg forward (+) or back (-)."""
    img = canvas()
    px = img.load()
    cx = 16
    top = 2 + bob
    # far leg and far arm first, darker
    hip_y = 22 + bob
    fx = cx + (-stride) * 1.3
    limb(px, cx - 0.5, hip_y, fx - 0.5, 28.5, 1.45, B1)
    for k in range(-1, 3):
        px[int(fx) + k, 29] = BOOT_D
        px[int(fx) + k - 1, 30] = BOOT_D
    px[int(fx) + 3, 30] = BOOT_D
    ax = cx + stride * 0.9
    limb(px, cx - 0.5, 17.5 + bob, ax - 1, 22 + bob, 1.2, B1)
    disc(px, ax - 1, 22.8 + bob, 1.2, SKIN_SH)
    # body
    for y in range(16 + bob, 22 + bob):
        for x in range(cx - 4, cx + 4):
            c = B3
            if x == cx - 4:
                c = B4
            if x >= cx + 2:
                c = B2
            px[x, y] = c
    for x in range(cx - 4, cx + 4):
        px[x, 22 + bob] = BELT if x < cx + 2 else BELT_D
    px[cx + 2, 22 + bob] = BUCKLE
    # backpack hint
    for y in range(17 + bob, 21 + bob):
        px[cx - 5, y] = B2
    # head: face to the right
    for y in range(top + 7, top + 14):
        for x in range(cx - 3, cx + 4):
            px[x, y] = SKIN
        px[cx - 3, y] = SKIN_SH
    px[cx + 4, top + 10] = SKIN  # nose
    px[cx + 4, top + 11] = SKIN_SH
    px[cx + 2, top + 9] = EYE
    px[cx + 2, top + 10] = EYE
    px[cx + 3, top + 12] = MOUTH
    px[cx - 4, top + 9] = SKIN_SH  # ear side shading
    for x in range(cx - 3, cx + 2):
        px[x, top + 14] = SKIN_SH
    # hair at the back, a rounded nape
    for (x, y) in ((cx - 3, top + 7), (cx - 2, top + 7), (cx - 3, top + 8), (cx - 3, top + 9)):
        px[x, y] = HAIR
    px[cx - 3, top + 14] = BLACK
    helmet(px, cx, top, 1)
    # near leg
    nx = cx + stride * 1.3
    limb(px, cx + 0.5, hip_y, nx + 0.5, 28.5, 1.45, B3)
    limb(px, cx + 1.2, hip_y, nx + 1.2, 28.0, 0.6, B2)
    for k in range(-1, 3):
        px[int(nx) + k + 1, 29] = BOOT
        px[int(nx) + k, 30] = BOOT
    px[int(nx) + 3, 30] = BOOT
    px[int(nx) + 2, 30] = BOOT_D
    # near arm
    ax = cx - stride * 0.9
    limb(px, cx + 0.5, 17.5 + bob, ax + 0.5, 22 + bob, 1.25, B4)
    disc(px, ax + 0.5, 23 + bob, 1.3, SKIN)
    return img


def mirror(img):
    return img.transpose(Image.FLIP_LEFT_RIGHT)


def monster(frame):
    img = canvas()
    px = img.load()
    if frame == 0:
        cx, cy, rx, ry = 16, 17.5, 11.0, 10.5
    else:
        cx, cy, rx, ry = 16, 19.0, 12.5, 9.5
    # feet
    fy = int(cy + ry) - 1
    for fxo in (-6, 4):
        for k in range(4):
            px[cx + fxo + k, fy] = G1
            px[cx + fxo + k, fy + 1] = G0
    ball(img, cx, cy, rx, ry, GREEN_RAMP)
    # arms
    if frame == 0:
        limb(px, cx - rx + 1, cy + 1, cx - rx - 2, cy + 5, 1.2, G2)
        limb(px, cx + rx - 1, cy + 1, cx + rx + 1.5, cy + 5, 1.2, G1)
    else:
        limb(px, cx - rx + 1, cy - 2, cx - rx - 2, cy - 8, 1.2, G3)
        limb(px, cx + rx - 1, cy - 2, cx + rx + 1.5, cy - 8, 1.2, G2)
        for (x, y) in ((int(cx - rx - 3), int(cy - 10)), (int(cx - rx - 1), int(cy - 10)),
                       (int(cx + rx + 1), int(cy - 10)), (int(cx + rx + 3), int(cy - 10))):
            if 0 <= x < 32 and 0 <= y < 32:
                px[x, y] = G3
    # horns
    ht = int(cy - ry)
    for (hx, dirx) in ((cx - 6, -1), (cx + 5, 1)):
        px[hx, ht] = Y2
        px[hx + dirx, ht - 1] = Y3
        px[hx + dirx, ht - 2] = Y4
        px[hx, ht + 1] = Y1
    # eyes
    ey = int(cy - 3)
    for ex in (cx - 6, cx + 1):
        for y in range(ey - 2, ey + 3):
            for x in range(ex, ex + 5):
                if (x - ex - 2) ** 2 / 6.25 + (y - ey) ** 2 / 6.25 <= 1.0:
                    px[x, y] = (240, 240, 232)
        look = 1 if frame == 0 else 0
        px[ex + 2 + look, ey] = (208, 16, 16)
        px[ex + 2 + look, ey + 1] = (112, 0, 0)
        px[ex + 1, ey - 1] = WHITE
    # mouth with teeth
    my = int(cy + 3 if frame == 0 else cy + 2)
    mw = 5 if frame == 0 else 6
    for x in range(cx - mw, cx + mw):
        px[x, my] = G0
        px[x, my + 1] = (64, 0, 0)
        px[x, my + 2] = G0 if abs(x - cx + 0.5) < mw - 1 else px[x, my + 2]
    for x in range(cx - mw + 1, cx + mw - 1, 2):
        px[x, my + 1] = (240, 240, 232)
    return img


# --- the sheet -----------------------------------------------------------

def build_tiles():
    """Returns a list of 64 PIL images, 32x32, in tile order."""
    t = [canvas() for _ in range(64)]
    wall = brick_wall()
    block = blue_block()
    t[0] = rock()
    t[1] = diamond()
    t[2] = earth1()
    t[3] = earth2()
    t[4] = capsule()
    t[5] = skull()
    t[6] = canvas()
    t[7] = wall
    for i, side in enumerate(("left", "right", "top", "bottom")):
        t[8 + i] = edge_bar(wall.copy(), side)
        t[48 + i] = edge_bar(block.copy(), side)
    # The top corners are what rocks and eggs roll off, so they are cut deep and trimmed
    # in gold along the curve: the slope shows at a glance which way a rock will go.
    slope = [Y3, Y4, Y2, Y0]  # the dark inner band parts it from a yellow or white wall
    for i, corner in enumerate(("tl", "tr")):
        t[12 + i] = round_corner(wall.copy(), corner, 24, B4, B1, trim=slope)
        t[17 + i] = round_corner(block.copy(), corner, 24, B5, B1, trim=slope)
    for i, corner in enumerate(("bl", "br")):
        t[14 + i] = round_corner(wall.copy(), corner, 13, B4, B1)
        t[19 + i] = round_corner(block.copy(), corner, 11, B5, B1)
    t[16] = block
    t[21] = four_rings()
    t[22] = safe()
    t[23] = cage()
    t[24] = egg()
    t[25] = key()
    t[26] = tangle()
    t[27] = bomb()
    t[28] = concentric()
    t[29] = crown()
    t[30] = player_front()
    t[31] = glow(0.45)
    t[32] = glow(1.0)
    t[33] = monster(0)
    t[34] = monster(1)
    t[35] = player_front(look=-1)
    t[36] = player_front(look=1)
    # walking right: 37 and 40 are the two extremes of the stride
    t[37] = player_side(3, bob=1)
    t[38] = player_side(1)
    t[39] = player_side(-1)
    t[40] = player_side(-3, bob=1)
    # walking left: the mirror images, 44 matching 37
    for k in range(4):
        t[41 + k] = mirror(t[40 - k])
    t[45] = player_front(step=-1)
    t[46] = player_front(step=1)
    t[47] = egg(cracked=True)
    t[52] = stripes()
    t[53] = wall
    t[54] = upright_rings()
    t[55] = lying_rings()
    t[56] = green_speckle()
    return t


def sheet_image(tiles, size):
    img = Image.new("RGB", (16 * size, 4 * size), BLACK)
    for i, tile in enumerate(tiles):
        img.paste(tile, ((i & 15) * size, (i >> 4) * size))
    return img


# --- map tiles (8x8) -----------------------------------------------------

def _palette(tile):
    cols = {}
    for c in tile.getdata():
        cols[c] = cols.get(c, 0) + 1
    return list(cols)


def _nearest(c, pal):
    return min(pal, key=lambda p: (p[0] - c[0]) ** 2 + (p[1] - c[1]) ** 2 + (p[2] - c[2]) ** 2)


def shrink(tile):
    """Box-filter to 8x8, then snap every pixel back onto the tile's own colours so
    the small tile stays crisp and keeps its colour classes."""
    small = tile.resize((8, 8), Image.BOX)
    pal = _palette(tile)
    out = canvas(8, 8)
    spx, opx = small.load(), out.load()
    for y in range(8):
        for x in range(8):
            opx[x, y] = _nearest(spx[x, y], pal)
    return out


def _grid(rows, cmap):
    img = canvas(8, 8)
    px = img.load()
    for y, row in enumerate(rows):
        for x, ch in enumerate(row):
            px[x, y] = cmap[ch]
    return img


MAP_CMAP = {
    ".": BLACK, "0": B0, "1": B1, "2": B2, "3": B3, "4": B4, "5": B5,
    "a": Y0, "b": Y1, "c": Y2, "d": Y3, "e": Y4, "w": WHITE,
    "E": EARTH, "F": EARTH_D, "H": EARTH_L, "I": EARTH_B,
    "g": GEARTH, "J": GEARTH_L, "K": GEARTH_D, "G": G2, "h": G3, "k": G0,
    "s": SKIN, "o": BOOT, "r": R2, "R": R3, "n": BONE_RAMP[1],
    "x": ROCK_RAMP[1], "y": ROCK_RAMP[2], "z": ROCK_RAMP[3], "X": ROCK_RAMP[4],
    "L": GREY_RAMP[5], "M": GREY_RAMP[4], "N": GREY_RAMP[3], "O": GREY_RAMP[1],
    "Q": SAFE_DOOR, "T": SAFE_DOOR_D,
    "p": EGG_RAMP[0], "q": EGG_RAMP[1], "u": EGG_RAMP[2], "v": EGG_RAMP[3], "f": FRECKLE,
}

MAP_WALL = ["44443444", "33332333", "11111111", "44344443", "23333233", "11111111",
            "44443444", "33332333"]
MAP_BLOCK = ["55555554", "54333332", "53333332", "53333332", "53333332", "53333332",
             "53333332", "42222221"]


def build_map_tiles(tiles):
    m = [shrink(t) for t in tiles]
    # Hand-drawn versions where shrinking loses the texture that tells tiles apart.
    m[2] = _grid(["EEEEEHEE", "EHEEEEEF", "EEEFEEEE", "HEEEEEHE", "EEEHEEFE",
                  "EFEEEEEE", "EEEEHEEE", "HEEEEFEE"], MAP_CMAP)
    m[3] = _grid(["EEEEEEEE", "EIHEEEEE", "EFFEEEIE", "EEEEEEFF", "EEIEEEEE",
                  "EEFFEEIE", "EEEEEEFF", "EHEEEEEE"], MAP_CMAP)
    m[56] = _grid(["gggggJgg", "gJggggKg", "gggKgggg", "Jgggggggg"[:8], "gggJggKg",
                   "gKgggggg", "ggggJggg", "JggggKgg"], MAP_CMAP)
    wall = _grid(MAP_WALL, MAP_CMAP)
    block = _grid(MAP_BLOCK, MAP_CMAP)
    m[7] = wall
    m[53] = wall
    m[16] = block
    m[1] = _grid(["........", "..eddd..", ".eddddc.", "wdddccbb", ".ccbbba.", "..cbba..",
                  "...ba...", "........"], MAP_CMAP)
    for i, side in enumerate(("left", "right", "top", "bottom")):
        for base, idx in ((MAP_WALL, 8 + i), (MAP_BLOCK, 48 + i)):
            rows = [list(r) for r in base]
            for k in range(8):
                for j, ch in enumerate("eb"):
                    if side == "left":
                        rows[k][j] = ch
                    elif side == "right":
                        rows[k][6 + j] = ch
                    elif side == "top":
                        rows[j][k] = ch
                    else:
                        rows[6 + j][k] = ch
            m[idx] = _grid(["".join(r) for r in rows], MAP_CMAP)
    # Map corners: the top ones cut deep along a gold slope, like their play tiles.
    slopes = {"tl": ["....ea", "...ea", "..ea", ".ea", "ea", "a"]}
    for i, corner in enumerate(("tl", "tr", "bl", "br")):
        for base, idx in ((MAP_WALL, 12 + i), (MAP_BLOCK, 17 + i)):
            img = _grid(base, MAP_CMAP)
            px = img.load()
            if corner in ("tl", "tr"):
                for y, row in enumerate(slopes["tl"]):
                    for x, ch in enumerate(row):
                        xx = x if corner == "tl" else 7 - x
                        px[xx, y] = MAP_CMAP[ch]
            else:
                for (x, y) in ((0, 7), (1, 7), (0, 6)):
                    px[x if corner == "bl" else 7 - x, y] = BLACK
            m[idx] = img
    m[5] = _grid(["..wwww..", ".wwwwww.", ".w.ww.w.", ".w.ww.w.", ".wwwwww.", "..wnnw..",
                  "..wwww..", "..nwnw.."], MAP_CMAP)
    m[4] = _grid(["........", ".....ww.", "....wwww", "...4www.", "..444w..", ".4443...",
                  ".433....", "........"], MAP_CMAP)
    # Rings on a plate: lit on the top and left of each ring, shaded below and right.
    quad = ["3553", "5331", "5331", "3113"]
    m[21] = _grid([q + q for q in quad] * 2, MAP_CMAP)
    upright = [q + q for q in ["3553"] + ["5331"] * 6 + ["3113"]]
    m[54] = _grid(upright, MAP_CMAP)
    m[55] = _grid(["".join(upright[x][y] for x in range(8)) for y in range(8)], MAP_CMAP)
    m[23] = _grid(["55555555", "42424242", "42424242", "33333333", "42424242", "42424242",
                   "42424242", "11111111"], MAP_CMAP)
    # the safe: a light frame, a dark door, a bright dial
    m[22] = _grid(["LLLLLLLM", "LTTTTTTN", "LTQMMQQN", "LTMQQMQN", "LTMQQMQN", "LTQMMQcN",
                   "LQQQQQQN", "MNNNNNNO"], MAP_CMAP)
    # the rock a shade darker than the white egg beside it
    m[0] = _grid(["........", "..yzzy..", ".yzXXzy.", ".zXXzzy.", ".zzzyyx.", ".yzyyxx.",
                  "..yxxx..", "........"], MAP_CMAP)
    egg_rows = ["...uu...", "..vuuu..", ".vvufuq.", ".vuuuuq.", ".ufuuqq.", ".uuuqfq.",
                "..qqqp..", "...pp..."]
    m[24] = _grid(egg_rows, MAP_CMAP)
    cracked = list(egg_rows)
    cracked[3] = ".p.pp.p."
    m[47] = _grid(cracked, MAP_CMAP)
    m[33] = _grid([".c....c.", "..hhhh..", ".hwhhwh.", ".hrhhrh.", ".hhhhhh.", ".hkwwkh.",
                   "..hGGh..", ".GG..GG."], MAP_CMAP)
    m[34] = _grid(["G.c..c.G", "GhhhhhhG", ".hwhhwh.", ".hrhhrh.", "hhhhhhhh", "hkwkwkwh",
                   ".hhhhhh.", ".GG..GG."], MAP_CMAP)
    player = _grid(["..dddd..", ".dddddd.", "..ssss..", "..ssss..", ".434432.", ".333332.",
                    "..3..2..", ".oo..oo."], MAP_CMAP)
    for k in (30, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46):
        m[k] = player
    for k in (6, 31, 57, 58, 59, 60, 61, 62, 63):
        m[k] = canvas(8, 8)
    return m
