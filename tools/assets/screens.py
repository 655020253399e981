"""The full-screen and menu pictures of the game.

generate(out_dir, helpers) writes every JPEG into out_dir/catalogue/; it runs
after the tile sheet has been written there, so the practice introductions can
show the very tiles the player will meet.  contact(out_dir, contact_dir) writes
review sheets with every touch zone outlined.

The menu entry rectangles below are the ones the screens code tests taps
against and crops the highlight pictures with; a highlight picture is the same
region of its menu painted with the selected look, identical to the background
everywhere else, so pasting any entry over the background leaves no seam.
"""

import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from PIL import Image, ImageDraw  # noqa: E402

import screens_paint as P  # noqa: E402
import screens_scenes as scenes  # noqa: E402

W, H = 240, 320

# (left, top, right, bottom) relative to the menu origin; right/bottom exclusive.
MAIN_ORIGIN = (62, 68)
MAIN_ENTRIES = {1: (0, 27, 151, 60), 2: (0, 60, 151, 95), 3: (0, 95, 151, 136), 4: (0, 136, 151, 172)}
MAIN_HIGHLIGHT_SIZE = (151, 172)
MAIN_BANNER_SIZE = (82, 25)
PRACTICE_ORIGIN = (60, 34)
PRACTICE_ENTRIES = {0: (0, 0, 170, 28), 1: (0, 28, 170, 62), 2: (0, 62, 170, 93),
                    3: (0, 93, 170, 126), 4: (0, 157, 170, 192)}
PRACTICE_HIGHLIGHT_SIZE = (170, 192)
PAUSE_ORIGIN = (34, 129)
PAUSE_HIGHLIGHT_SIZE = (168, 161)
PAUSE_ENTRIES = {i: (0, 40 * i, 168, 40 * i + 40) for i in range(4)}
STATUS_Y = (34, 55, 76, 97)
DIED_STATUS_Y = tuple(y + 18 for y in STATUS_Y)
VALUE_X = 165
# The panels behind the status values; the values (up to "Disarm bomb") stay inside their rims.
STATUS_BOX = (4, 30, 236, 120)
DIED_STATUS_BOX = (4, 46, 236, 138)

# Highlight looks stay this far inside their entry so the JPEG blocks along
# the rectangle edges stay the same in both pictures.
HL_INSET = 4

MENU_QUALITY = 92   # menus: 4:4:4 and a high quality keep the highlight seams invisible
PICTURE_QUALITY = 88


# ---------------------------------------------------------------- shared looks

def cave_ground(seed, w=W, h=H, stops=None, light=(255, 170, 70), light_at=(0.5, 0.0), vig=0.7):
    img = P.rock_texture(w, h, seed, stops)
    if light is not None:
        m = P.radial(w, h, w * light_at[0], h * light_at[1], w * 0.9, h * 0.7, 1.6)
        img = P.add_light(img, m, light, 0.35)
    return P.vignette(img, vig)


def slab(img, box, radius=6, fill=(10, 7, 5), alpha=150, edge=(150, 110, 50)):
    """A darker carved panel with a thin warm rim."""
    x0, y0, x1, y1 = box
    m = Image.new("L", img.size, 0)
    ImageDraw.Draw(m).rounded_rectangle(box, radius=radius, fill=alpha)
    img = Image.composite(Image.new("RGB", img.size, fill), img, m)
    d = ImageDraw.Draw(img)
    d.rounded_rectangle(box, radius=radius, outline=P.mix(edge, (0, 0, 0), 0.45), width=1)
    d.rounded_rectangle((x0 + 1, y0 + 1, x1 - 1, y1 - 1), radius=max(1, radius - 1),
                        outline=P.mix(edge, (0, 0, 0), 0.75), width=1)
    return img


def embed_sprites(img, items):
    for kind, size, x, y, seed in items:
        if kind == "gem":
            spr = P.gem(size, seed_colour(seed), seed)
        elif kind == "rock":
            spr = P.rock(size, seed)
        elif kind == "egg":
            spr = P.egg(size, seed)
        elif kind == "key":
            spr = P.key(size)
        elif kind == "skull":
            spr = P.skull(size)
        elif kind == "bomb":
            spr = P.bomb(size)
        elif kind == "safe":
            spr = P.safe(size)
        else:
            spr = P.monster(size, (80, 200, 60))
        # a soft dark hollow behind each object sets it into the rock
        sh = P.radial(img.size[0], img.size[1], x + size * 0.55, y + size * 0.6, size * 0.62, size * 0.55, 0.8)
        img = Image.composite(Image.new("RGB", img.size, (0, 0, 0)), img, sh.point(lambda v: v * 2 // 3))
        P.paste(img, spr, (x, y))
    return img


GEM_COLOURS = [(255, 224, 80), (110, 210, 255), (255, 100, 120), (120, 240, 140), (200, 140, 255)]


def seed_colour(seed):
    return GEM_COLOURS[seed % len(GEM_COLOURS)]


def abs_rect(origin, rect):
    return (origin[0] + rect[0], origin[1] + rect[1], origin[0] + rect[2], origin[1] + rect[3])


def menu_pair(base, origin, size, entries, normal, high):
    """Background with every entry in its plain look, plus the highlight picture:
    the same region with every entry selected, painted only inside each entry
    inset by HL_INSET."""
    bg = base.copy()
    for idx, rect in entries.items():
        bg = normal(bg, idx, abs_rect(origin, rect))
    hl = bg.copy()
    for idx, rect in entries.items():
        r = abs_rect(origin, rect)
        lit = high(bg.copy(), idx, r)
        m = Image.new("L", bg.size, 0)
        ImageDraw.Draw(m).rounded_rectangle(
            (r[0] + HL_INSET, r[1] + HL_INSET, r[2] - 1 - HL_INSET, r[3] - 1 - HL_INSET), radius=5, fill=255)
        hl = Image.composite(lit, hl, m)
    return bg, hl.crop((origin[0], origin[1], origin[0] + size[0], origin[1] + size[1]))


def entry_glow(img, r, colour=(255, 170, 40), strength=0.55):
    cx, cy = (r[0] + r[2]) / 2, (r[1] + r[3]) / 2
    m = P.radial(img.size[0], img.size[1], cx, cy, (r[2] - r[0]) * 0.62, (r[3] - r[1]) * 0.75, 1.2)
    return P.add_light(img, m, colour, strength)


def bullet(img, x, cy, size=12, colour=(255, 224, 80)):
    spr = P.gem(size, colour, 3)
    return P.paste(img, spr, (x, cy - size // 2))


def title(img, text, cy, size=40, cx=W // 2, glow=(255, 150, 30), fnt=P.SERIF_B):
    return P.lit_text(img, (cx, cy), text, P.font(fnt, size), anchor="mm", stroke=2,
                      shadow=3, glow=glow, glow_radius=8, glow_strength=0.7)


def hint(img, text, cy, colour=(190, 170, 130), size=11):
    return P.plain_text(img, (W // 2, cy), text, P.font(P.SANS, size), colour, anchor="mm")


# ---------------------------------------------------------------- main menu

MAIN_WORDS = {1: "PLAY", 2: "PRACTICE", 3: "ABOUT", 4: "QUIT"}


def main_menu():
    base = cave_ground(101)
    base = title(base, "TAVRIN", 34, 44)
    # the tablet behind the entries, with room for the banner at its top-left
    base = slab(base, (56, 64, 218, 246), radius=8, alpha=170)
    base = embed_sprites(base, [("gem", 26, 14, 104, 0), ("rock", 36, 10, 150, 4), ("gem", 22, 22, 200, 1),
                                ("egg", 28, 12, 238, 2), ("rock", 17, 221, 100, 9), ("gem", 14, 223, 150, 2), ("gem", 13, 223, 200, 4),
                                ("rock", 40, 14, 276, 6), ("gem", 20, 62, 292, 3)])
    base = banner_look(base, MAIN_ORIGIN)
    word_font = P.font(P.SANS_B, 20)

    def text_y(r):
        return (r[1] + r[3]) // 2 + 1

    def normal(img, idx, r):
        img = bullet(img, r[0] + 10, text_y(r), 10, (120, 100, 80))
        return P.lit_text(img, (r[0] + 30, text_y(r)), MAIN_WORDS[idx], word_font, anchor="lm",
                          top=P.STONE_TOP, bottom=P.STONE_BOTTOM, stroke=1, shadow=2)

    def high(img, idx, r):
        img = entry_glow(img, r)
        img = bullet(img, r[0] + 8, text_y(r), 14)
        return P.lit_text(img, (r[0] + 30, text_y(r)), MAIN_WORDS[idx], word_font, anchor="lm",
                          stroke=1, shadow=2, glow=(255, 200, 60), glow_radius=4, glow_strength=0.6)

    bg, hl = menu_pair(base, MAIN_ORIGIN, MAIN_HIGHLIGHT_SIZE, MAIN_ENTRIES, normal, high)
    banner = bg.crop((MAIN_ORIGIN[0], MAIN_ORIGIN[1], MAIN_ORIGIN[0] + MAIN_BANNER_SIZE[0],
                      MAIN_ORIGIN[1] + MAIN_BANNER_SIZE[1]))
    return bg, hl, banner


def banner_look(img, origin):
    """The small plaque at the tablet's top-left corner."""
    x, y = origin
    w, h = MAIN_BANNER_SIZE
    img = img.copy()
    d = ImageDraw.Draw(img)
    d.rounded_rectangle((x + 2, y + 2, x + w - 3, y + h - 3), radius=5, fill=(70, 44, 16), outline=(230, 170, 60))
    face = P.vgradient(w - 8, h - 8, [(0, (150, 96, 30)), (0.5, (96, 58, 18)), (1, (60, 34, 10))])
    img.paste(face, (x + 4, y + 4))
    d = ImageDraw.Draw(img)
    d.rounded_rectangle((x + 2, y + 2, x + w - 3, y + h - 3), radius=5, outline=(240, 190, 80))
    img = P.lit_text(img, (x + w // 2, y + h // 2), "MENU", P.font(P.SERIF_B, 13), anchor="mm",
                     stroke=1, shadow=1)
    return img


# ---------------------------------------------------------------- practice menu

PRACTICE_WORDS = {
    0: ("1  DIGGING", "dig earth, take every diamond"),
    1: ("2  ROCKS", "falling, rolling, pushing"),
    2: ("3  KEYS", "safes, keys and bombs"),
    3: ("4  EGGS", "eggs hatch monsters"),
    4: ("BACK", None),
}
PRACTICE_ICONS = {0: "gem", 1: "rock", 2: "key", 3: "egg"}
PRACTICE_TILES = {0: 1, 1: 0, 2: 25, 3: 24}


def practice_menu(tiles):
    base = cave_ground(202, light_at=(0.5, 0.05))
    base = title(base, "PRACTICE", 17, 24)
    base = slab(base, (56, 32, 232, 162), radius=7, alpha=160)
    base = slab(base, (56, 189, 232, 228), radius=7, alpha=160)
    for idx in range(4):
        r = abs_rect(PRACTICE_ORIGIN, PRACTICE_ENTRIES[idx])
        cy = (r[1] + r[3]) // 2
        base = icon(base, idx, 22, cy - 12, tiles)
    base = embed_sprites(base, [("rock", 34, 20, 250, 11), ("gem", 22, 66, 262, 1), ("rock", 26, 96, 282, 12),
                                ("egg", 26, 146, 256, 3), ("gem", 18, 206, 286, 4), ("rock", 38, 196, 244, 13)])
    base = hint(base, "pick a lesson, then learn by playing", 306, size=10)

    def lines(img, idx, r, lit):
        top, bottom = (P.GOLD_TOP, P.GOLD_BOTTOM) if lit else (P.STONE_TOP, P.STONE_BOTTOM)
        glow = (255, 200, 60) if lit else None
        for kind, text, fnt, xy, anchor in practice_lines(idx):
            if kind == "sub":
                colour = (250, 226, 170) if lit else (150, 136, 112)
                img = P.plain_text(img, xy, text, fnt, colour)
            else:
                img = P.lit_text(img, xy, text, fnt, anchor=anchor, top=top, bottom=bottom, stroke=1,
                                 shadow=2 if kind == "back" else 1, glow=glow, glow_radius=4, glow_strength=0.6)
        return img

    def normal(img, idx, r):
        return lines(img, idx, r, False)

    def high(img, idx, r):
        img = entry_glow(img, r, strength=0.5)
        return lines(img, idx, r, True)

    bg, hl = menu_pair(base, PRACTICE_ORIGIN, PRACTICE_HIGHLIGHT_SIZE, PRACTICE_ENTRIES, normal, high)
    return bg, hl


def practice_lines(idx):
    """(kind, text, font, anchor point, anchor) of the words on practice entry idx."""
    r = abs_rect(PRACTICE_ORIGIN, PRACTICE_ENTRIES[idx])
    head, sub = PRACTICE_WORDS[idx]
    if sub is None:
        return [("back", "\u25c4 " + head, P.font(P.SANS_B, 17), (r[0] + 85, (r[1] + r[3]) // 2 + 1), "mm")]
    # the two lines' ink (descenders and shadow too) is 25 pixels high, from 3 below y0
    y0 = r[1] + (r[3] - r[1] - 24) // 2 - 3
    return [("head", head, P.font(P.SANS_B, 14), (r[0] + 12, y0), "la"),
            ("sub", sub, P.font(P.SANS, 10), (r[0] + 14, y0 + 15), "la")]


def icon(img, idx, x, y, tiles, size=24):
    """The lesson's key object beside each practice entry: the game's own tile when there is one."""
    d = ImageDraw.Draw(img)
    d.rounded_rectangle((x - 2, y - 2, x + size + 1, y + size + 1), radius=3, fill=(0, 0, 0), outline=(150, 110, 50))
    if tiles is not None:
        img.paste(tiles[PRACTICE_TILES[idx]].resize((size, size), Image.LANCZOS), (x, y))
    else:
        P.paste(img, sprite_for(PRACTICE_ICONS[idx], size, idx), (x, y))
    return img


def sprite_for(kind, size, seed):
    return {"gem": lambda: P.gem(size, seed_colour(seed), seed), "rock": lambda: P.rock(size, seed),
            "egg": lambda: P.egg(size, seed), "key": lambda: P.key(size), "skull": lambda: P.skull(size),
            "bomb": lambda: P.bomb(size), "safe": lambda: P.safe(size),
            "monster": lambda: P.monster(size, (80, 200, 60))}[kind]()


# ---------------------------------------------------------------- pause menu

PAUSE_WORDS = {0: "MAIN MENU", 1: "GIVE UP", 2: "CONTINUE", 3: "MAP"}
STATUS_LABELS = ("Score", "Diamonds", "Time", "Lives")


def status_labels(img, ys, x_right=158, box=None):
    if box is not None:
        img = slab(img, box, radius=6, alpha=185)
    f = P.font(P.SANS_B, 13)
    for label, y in zip(STATUS_LABELS, ys):
        img = P.lit_text(img, (x_right, y + 10), label + ":", f, anchor="rm", top=(220, 206, 180),
                         bottom=(150, 132, 104), stroke=1, shadow=1)
    return img


def pause_menu():
    base = cave_ground(303, light_at=(0.5, 0.35))
    base = title(base, "PAUSED", 15, 22)
    base = status_labels(base, STATUS_Y, box=STATUS_BOX)
    base = embed_sprites(base, [("gem", 20, 8, 160, 0), ("rock", 26, 4, 230, 5), ("gem", 18, 212, 190, 1),
                                ("rock", 28, 208, 250, 7)])
    base = hint(base, "cursor keys and fire, or tap", 306, size=10)
    f = P.font(P.SANS_B, 17)

    def pos(r):
        return ((r[0] + r[2]) // 2 + 6, (r[1] + r[3]) // 2 + 1)

    def normal(img, idx, r):
        img = slab(img, (r[0] + 2, r[1] + 2, r[2] - 3, r[3] - 3), radius=6, fill=(30, 20, 12), alpha=200,
                   edge=(170, 120, 60))
        img = bullet(img, r[0] + 12, pos(r)[1], 10, (120, 100, 80))
        return P.lit_text(img, pos(r), PAUSE_WORDS[idx], f, anchor="mm", top=P.STONE_TOP, bottom=P.STONE_BOTTOM,
                          stroke=1, shadow=2)

    def high(img, idx, r):
        img = entry_glow(img, r, strength=0.6)
        img = bullet(img, r[0] + 10, pos(r)[1], 14)
        return P.lit_text(img, pos(r), PAUSE_WORDS[idx], f, anchor="mm", stroke=1, shadow=2,
                          glow=(255, 200, 60), glow_radius=4, glow_strength=0.6)

    return menu_pair(base, PAUSE_ORIGIN, PAUSE_HIGHLIGHT_SIZE, PAUSE_ENTRIES, normal, high)


# ---------------------------------------------------------------- level selection

def select_screen():
    img = cave_ground(404, light_at=(0.1, 0.0), vig=0.6)
    # a mine shaft with a ladder on the left, lit by a lantern
    d = ImageDraw.Draw(img)
    shaft = P.vgradient(56, H, [(0, (40, 26, 14)), (1, (6, 4, 3))])
    img.paste(shaft, (30, 0))
    img = P.add_light(img, P.radial(W, H, 58, 40, 70, 110, 1.4), (255, 180, 80), 0.5)
    d = ImageDraw.Draw(img)
    for x in (38, 76):
        d.rectangle((x, 0, x + 4, H), fill=(92, 58, 26), outline=(40, 24, 10))
    for y in range(10, H, 22):
        d.rectangle((40, y, 78, y + 3), fill=(120, 78, 36), outline=(46, 28, 12))
    for x in (30, 85):
        d.line((x, 0, x, H), fill=(20, 12, 6), width=2)
    img = P.vignette(img, 0.35)
    img = embed_sprites(img, [("gem", 16, 8, 36, 0), ("rock", 22, 4, 250, 3), ("gem", 14, 94, 270, 2)])
    # the list panel: dark and quiet so the names read
    img = slab(img, (108, 2, 236, 317), radius=8, fill=(4, 3, 2), alpha=215)
    d = ImageDraw.Draw(img)
    for i in range(1, 16):
        y = 6 + 19 * i - 1
        d.line((118, y, 226, y), fill=(34, 26, 18))
    lab = Image.new("RGB", (200, 30), (0, 0, 0))
    m = P.text_mask((200, 30), (100, 15), "CHOOSE A LEVEL", P.font(P.SERIF_B, 15), anchor="mm", stroke=1)
    face = P.text_mask((200, 30), (100, 15), "CHOOSE A LEVEL", P.font(P.SERIF_B, 15), anchor="mm")
    lab.paste(P.vgradient(200, 30, [(0, P.GOLD_TOP), (1, P.GOLD_BOTTOM)]), (0, 0), face)
    both = Image.merge("L", (m,))
    lab_rgba = lab.convert("RGBA")
    lab_rgba.putalpha(both)
    rot = lab_rgba.rotate(90, expand=True)
    img.paste(rot, (4 + 0 * 15, 128 - 100), rot)
    return img


# ---------------------------------------------------------------- still pictures

def splash_screen():
    img = cave_ground(505, light_at=(0.5, 0.55), vig=0.75,
                      stops=[(0, (6, 5, 6)), (110, (30, 22, 20)), (190, (58, 42, 32)), (255, (92, 70, 50))])
    img = P.add_light(img, P.radial(W, H, 120, 205, 120, 90, 1.3), (255, 160, 50), 0.6)
    items = [("rock", 46, 16, 220, 1), ("rock", 38, 180, 232, 2), ("gem", 30, 62, 236, 1),
             ("gem", 24, 150, 250, 2), ("egg", 30, 196, 196, 3), ("rock", 54, 58, 262, 5),
             ("rock", 50, 132, 270, 6), ("gem", 22, 112, 262, 4), ("gem", 26, 20, 276, 3),
             ("rock", 40, 196, 282, 8), ("gem", 18, 40, 200, 0)]
    img = embed_sprites(img, items)
    big = P.gem(84, (255, 226, 90), 9)
    img = P.add_light(img, P.radial(W, H, 120, 190, 70, 60, 1.2), (255, 230, 140), 0.8)
    P.paste(img, big, (78, 146))
    img = P.sparkle(img, 98, 168, 16)
    img = P.sparkle(img, 150, 150, 9, strength=0.8)
    img = title(img, "TAVRIN", 70, 52)
    img = P.lit_text(img, (120, 112), "AN UNDERGROUND ADVENTURE", P.font(P.SANS_B, 11), anchor="mm",
                     top=(230, 214, 180), bottom=(170, 150, 110), stroke=1, shadow=1)
    return img


ABOUT_BOX = (10, 56, 230, 286)
ABOUT_LINES = [
    (True, "A digging adventure"),
    (False, "Dig through the earth, gather"),
    (False, "every diamond, dodge falling rocks"),
    (False, "and the monsters that hatch"),
    (False, "from eggs."),
    (None, ""),
    (True, "Made by the Tavrin team"),
    (False, "code, levels, pictures, sounds"),
    (None, ""),
    (True, "How to play"),
    (False, "move with the cursor keys, or tap"),
    (False, "the arrow pad or beside the player"),
    (False, "fire pauses: map, give up, menu"),
]


def about_layout():
    """(font, text, colour, top centre) of every line of the about picture."""
    out = []
    y = 66
    for bold, text in ABOUT_LINES:
        if bold is None:
            y += 7
            continue
        fnt = P.font(P.SANS_B, 12) if bold else P.font(P.SANS, 11)
        out.append((fnt, text, (255, 220, 120) if bold else (210, 196, 170), (120, y)))
        y += 17
    return out


def about_screen():
    img = cave_ground(606, light_at=(0.5, 0.0))
    img = title(img, "TAVRIN", 30, 34)
    img = slab(img, ABOUT_BOX, radius=8, alpha=175)
    for fnt, text, colour, xy in about_layout():
        img = P.plain_text(img, xy, text, fnt, colour, anchor="mt")
    img = embed_sprites(img, [("gem", 18, 14, 294, 0), ("rock", 22, 38, 292, 2), ("gem", 16, 66, 298, 4)])
    return img


def died_screen():
    img = cave_ground(707, light_at=(0.5, 0.9), vig=0.8,
                      stops=[(0, (6, 4, 6)), (110, (28, 18, 22)), (190, (54, 34, 38)), (255, (86, 58, 60))])
    img = P.lit_text(img, (120, 24), "OUCH!", P.font(P.SERIF_B, 30), anchor="mm", top=(255, 210, 190),
                     bottom=(200, 60, 40), stroke=2, shadow=3, glow=(255, 70, 30), glow_radius=8, glow_strength=0.6)
    img = status_labels(img, DIED_STATUS_Y, box=DIED_STATUS_BOX)
    img = P.add_light(img, P.radial(W, H, 120, 214, 70, 60, 1.2), (255, 90, 40), 0.45)
    img = embed_sprites(img, [("rock", 40, 34, 196, 3), ("skull", 56, 92, 180, 0), ("rock", 44, 156, 200, 4),
                              ("rock", 30, 70, 226, 6), ("gem", 18, 138, 236, 2)])
    img = P.lit_text(img, (120, 262), "a life is lost", P.font(P.SANS_B, 14), anchor="mm",
                     top=(240, 220, 200), bottom=(180, 150, 130), stroke=1, shadow=1)
    img = hint(img, "fire / tap to dig on", 300)
    return img


def gameover_screen():
    img = cave_ground(808, light_at=(0.5, 0.35), vig=0.8,
                      stops=[(0, (4, 4, 6)), (110, (22, 20, 26)), (190, (44, 40, 48)), (255, (76, 70, 78))])
    img = title(img, "GAME", 46, 44, glow=(255, 110, 30))
    img = title(img, "OVER", 96, 44, glow=(255, 110, 30))
    img = embed_sprites(img, [("rock", 44, 18, 140, 2), ("skull", 44, 98, 138, 1), ("rock", 40, 176, 146, 5),
                              ("gem", 18, 72, 168, 3), ("rock", 26, 144, 176, 7)])
    img = slab(img, (22, 214, 218, 276), radius=8, alpha=190)
    img = P.lit_text(img, (97, 227 + 10), "Score:", P.font(P.SANS_B, 14), anchor="rm",
                     top=(220, 206, 180), bottom=(150, 132, 104), stroke=1, shadow=1)
    img = hint(img, "fire / tap for the main menu", 300)
    return img


# ---------------------------------------------------------------- practice introductions

# Stand-ins for the play tiles, used only when the tile sheet has not been made.
FALLBACK_TILE = {0: "rock", 1: "gem", 5: "skull", 22: "safe", 24: "egg", 25: "key", 27: "bomb",
                 33: "monster", 34: "monster", 47: "egg", 30: "player", 37: "player", 2: "earth", 3: "earth", 6: None}


def tile_picture(tiles, t):
    if tiles is not None:
        return tiles[t]
    img = Image.new("RGB", (32, 32), (0, 0, 0))
    kind = FALLBACK_TILE.get(t)
    if kind == "earth":
        n = P.fractal(32, 32, 40 + t, (8, 4, 2))
        return P.colorize(n, [(0, (0, 0, 60)), (255, (60, 60, 220))])
    if kind == "player":
        d = ImageDraw.Draw(img)
        d.ellipse((10, 2, 22, 10), fill=(240, 200, 40))
        d.rectangle((11, 10, 21, 18), fill=(250, 200, 150))
        d.rectangle((9, 18, 23, 29), fill=(40, 60, 200))
        return img
    if kind is not None:
        P.paste(img, sprite_for(kind, 32, t), (0, 0))
    return img


def arrow(img, a, b, colour=(255, 220, 60), width=3, head=7):
    """A yellow arrow with a dark rim, from a to b."""
    d = ImageDraw.Draw(img)
    ca, sa = math.cos(math.atan2(b[1] - a[1], b[0] - a[0])), math.sin(math.atan2(b[1] - a[1], b[0] - a[0]))

    def head_points(size, push):
        tip = (b[0] + push * ca, b[1] + push * sa)
        base = (tip[0] - size * ca, tip[1] - size * sa)
        return [tip, (base[0] + size * 0.6 * sa, base[1] - size * 0.6 * ca),
                (base[0] - size * 0.6 * sa, base[1] + size * 0.6 * ca)]

    shaft_end = (b[0] - head * ca, b[1] - head * sa)
    d.line((a, shaft_end), fill=(20, 10, 0), width=width + 2)
    d.polygon(head_points(head + 3, 1.5), fill=(20, 10, 0))
    d.line((a, shaft_end), fill=colour, width=width)
    d.polygon(head_points(head, 0), fill=colour)
    return img


def cross(img, cx, cy, r=7):
    d = ImageDraw.Draw(img)
    for col, wd in (((30, 0, 0), 6), ((255, 70, 50), 3)):
        d.line((cx - r, cy - r, cx + r, cy + r), fill=col, width=wd)
        d.line((cx - r, cy + r, cx + r, cy - r), fill=col, width=wd)
    return img


def diagram(img, x, y, grid, tiles, arrows=(), crosses=(), cell=32):
    """A few squares of a level, drawn with the game's tiles, framed."""
    rows, cols = len(grid), len(grid[0])
    d = ImageDraw.Draw(img)
    d.rectangle((x - 3, y - 3, x + cols * cell + 2, y + rows * cell + 2), fill=(0, 0, 0), outline=(170, 124, 56))
    d.rectangle((x - 2, y - 2, x + cols * cell + 1, y + rows * cell + 1), outline=(70, 48, 20))
    for r, row in enumerate(grid):
        for c, t in enumerate(row):
            if t is None:
                continue
            pic = tile_picture(tiles, t)
            if cell != 32:
                pic = pic.resize((cell, cell), Image.LANCZOS)
            img.paste(pic, (x + c * cell, y + r * cell))

    def centre(p):
        return (x + p[0] * cell + cell // 2, y + p[1] * cell + cell // 2)

    for a, b in arrows:
        ca, cb = centre(a), centre(b)
        dx, dy = cb[0] - ca[0], cb[1] - ca[1]
        ln = max(1.0, (dx * dx + dy * dy) ** 0.5)
        s0, s1 = cell * 0.36, cell * 0.12
        img = arrow(img, (ca[0] + dx * s0 / ln, ca[1] + dy * s0 / ln), (cb[0] - dx * s1 / ln, cb[1] - dy * s1 / ln))
    for p in crosses:
        cx, cy = centre(p)
        img = cross(img, cx + cell // 2 - 4, cy - cell // 2 + 4)
    return img


def wrap(text, fnt, width):
    words, lines, cur = text.split(), [], ""
    for w in words:
        t = (cur + " " + w).strip()
        if fnt.getlength(t) <= width or not cur:
            cur = t
        else:
            lines.append(cur)
            cur = w
    if cur:
        lines.append(cur)
    return lines


E, D, R, G, S, K, B, X, P_, M, C, EA, CAP, TAN = 6, 2, 0, 1, 22, 25, 27, 5, 30, 33, 47, 24, 4, 26

LESSONS = {
    1: ("DIGGING", [
        ([[P_, D, D, G]], [((0, 0), (3, 0))], (),
         "Move with the cursor keys or tap the arrow pad; fire pauses. Every square of earth you dig "
         "scores 1 point."),
        ([[G, P_, G]], [((1, 0), (0, 0)), ((1, 0), (2, 0))], (),
         "Take every diamond: 50 points each. The last one ends the level, unless a bomb is left."),
        ([[P_, CAP, TAN], [None, X, None]], [((0, 0), (2, 0))], [(1, 1)],
         "Capsules and green tangles are harmless: walk through them. A skull kills at a touch."),
    ]),
    2: ("ROCKS", [
        ([[R], [E], [E]], [((0, 0), (0, 2))], (),
         "Rocks fall into empty squares. A falling rock kills whoever it lands on: you or a monster."),
        ([[E, R, E], [E, R, E]], [((1, 0), (0, 1))], (),
         "A rock resting on a rock or a diamond rolls off it: to the left if it can, else to the right."),
        ([[P_, R, E]], [((1, 0), (2, 0))], (),
         "Push a rock sideways into an empty square. Under a rock, step out sideways: step down and it "
         "falls on you."),
    ]),
    3: ("KEYS", [
        ([[K, S, S]], [], (),
         "Safes count as diamonds, but you cannot get into them..."),
        ([[P_, G, G]], [], (),
         "...until you take a key: then every safe turns into a diamond."),
        ([[E, P_, B]], [((1, 0), (2, 0))], (),
         "Bombs block the way until the last diamond is taken. Then walk onto each one to disarm it."),
    ]),
    4: ("EGGS", [
        ([[EA], [E], [D]], [((0, 0), (0, 1))], (),
         "Eggs fall and roll like rocks. An egg that falls cracks where it lands..."),
        ([[C, E, M]], [((0, 0), (2, 0))], (),
         "...and a monster hatches and hunts you. Its touch kills."),
        ([[R], [E], [M]], [((0, 0), (0, 2))], (),
         "Drop a rock on a monster to crush it. Keep away from eggs above your head."),
    ]),
}

CARD_TOP = 62      # the first lesson card
CARD_H = 74        # each card, and 3 pixels between cards
CARD_X = (6, 234)  # left and right of every card
CARD_TEXT = (108, 230)  # the captions never start left of 108 nor run past 230
CAPTION_SIZE, CAPTION_LEAD = 11, 13


def card_layout(n):
    """Where everything of practice introduction n goes: one dict per lesson card with its
    box, its diagram's box and cell, and its caption's lines with their top-left corners.
    The pictures are drawn from it, and the layout test checks it."""
    cards = []
    f = P.font(P.COND, CAPTION_SIZE)
    y = CARD_TOP
    for grid, arrows, crosses, text in LESSONS[n][1]:
        rows, cols = len(grid), len(grid[0])
        cell = 21 if rows > 2 or cols > 3 else 26
        box = (CARD_X[0], y - 4, CARD_X[1], y + CARD_H - 4)
        dy = box[1] + (CARD_H - rows * cell) // 2
        dx = 14 + (84 - cols * cell) // 2 if cols * cell < 84 else 14
        tx = max(dx + cols * cell + 10, CARD_TEXT[0])
        lines = wrap(text, f, CARD_TEXT[1] - tx)
        ty = box[1] + (CARD_H - len(lines) * CAPTION_LEAD) // 2 - 1
        cards.append({"box": box, "diagram": (dx, dy, dx + cols * cell, dy + rows * cell), "cell": cell,
                      "grid": grid, "arrows": arrows, "crosses": crosses,
                      "lines": [(line, (tx, ty + i * CAPTION_LEAD)) for i, line in enumerate(lines)]})
        y += CARD_H + 3
    return cards


def prescreen(n, tiles):
    name = LESSONS[n][0]
    img = cave_ground(900 + n, light_at=(0.5, 0.0), vig=0.65)
    img = P.lit_text(img, (120, 13), "PRACTICE %d" % n, P.font(P.SANS_B, 12), anchor="mm",
                     top=P.STONE_TOP, bottom=P.STONE_BOTTOM, stroke=1, shadow=1)
    img = title(img, name, 38, 24 if len(name) < 12 else 17)
    f = P.font(P.COND, CAPTION_SIZE)
    for card in card_layout(n):
        img = slab(img, card["box"], radius=6, alpha=170)
        dx, dy = card["diagram"][:2]
        img = diagram(img, dx, dy, card["grid"], tiles, card["arrows"], card["crosses"], card["cell"])
        for line, xy in card["lines"]:
            img = P.plain_text(img, xy, line, f, (226, 212, 184))
    img = P.lit_text(img, (120, 302), "fire / tap to start", P.font(P.SANS_B, 14), anchor="mm",
                     stroke=1, shadow=1, glow=(255, 170, 40), glow_radius=4, glow_strength=0.5)
    return img


# ---------------------------------------------------------------- registry

def menu_pictures(tiles):
    out = {}
    bg, hl, banner = main_menu()
    out["mainmenu.jpg"], out["mainmenuH.jpg"], out["mainmenuB.jpg"] = bg, hl, banner
    out["prac.jpg"], out["pracH.jpg"] = practice_menu(tiles)
    out["status.jpg"], out["statusH.jpg"] = pause_menu()
    return out


MENU_FILES = {"mainmenu.jpg", "mainmenuH.jpg", "mainmenuB.jpg", "prac.jpg", "pracH.jpg", "status.jpg", "statusH.jpg"}


def all_pictures(tiles):
    pics = {}
    pics.update(menu_pictures(tiles))
    pics["select.jpg"] = select_screen()
    pics["splash.jpg"] = splash_screen()
    pics["about.jpg"] = about_screen()
    pics["died.jpg"] = died_screen()
    pics["gameover.jpg"] = gameover_screen()
    for n in range(1, 5):
        pics["prescreen_%d.jpg" % n] = prescreen(n, tiles)
    for n in range(1, 17):
        pics["lc%d.jpg" % n] = scenes.level_complete(n)
    back = scenes.finale_back()
    pics["gcBack.jpg"] = back
    pics["gcTav2.jpg"] = scenes.finale_chest(back)
    pics["gcTav3.jpg"] = scenes.finale_scene(tiles)
    return pics


# ---------------------------------------------------------------- review sheets

ZONE = (255, 0, 255)
TAP = (0, 255, 120)
TEXT = (0, 200, 255)
GAME_WHITE, GAME_YELLOW, GAME_GREY, GAME_GREEN = (255, 255, 255), (255, 255, 0), (128, 128, 128), (0, 255, 0)


def _load(cat, name):
    return Image.open(os.path.join(cat, name)).convert("RGB")


_game_font = []


def _sample_text(img, xy, text, colour, align="la"):
    """Text where and as the game draws it: with the game's own glyphs when the font
    generator is at hand, else a DejaVu stand-in of about the same size."""
    if not _game_font:
        try:
            import font as font_module
            _game_font.append(font_module.FontRenderer())
        except Exception:  # the review sheet still helps without it
            _game_font.append(None)
    fr = _game_font[0]
    if fr is not None:
        fr.draw(img, xy[0], xy[1], text, colour, {"l": 0, "m": 1, "r": 2}[align[0]])
        return img
    f = P.font(P.SANS_B, 14)
    ImageDraw.Draw(img).text((xy[0], xy[1] + 2), text, font=f, fill=colour, anchor=align)
    return img


def _outline(img, box, colour, dashed=False):
    d = ImageDraw.Draw(img)
    x0, y0, x1, y1 = box
    if not dashed:
        d.rectangle((x0, y0, x1 - 1, y1 - 1), outline=colour)
        return img
    for x in range(x0, x1, 6):
        d.line((x, y0, min(x + 3, x1 - 1), y0), fill=colour)
        d.line((x, y1 - 1, min(x + 3, x1 - 1), y1 - 1), fill=colour)
    for y in range(y0, y1, 6):
        d.line((x0, y, x0, min(y + 3, y1 - 1)), fill=colour)
        d.line((x1 - 1, y, x1 - 1, min(y + 3, y1 - 1)), fill=colour)
    return img


def _darken(img, box, level):
    region = img.crop(box).point(lambda v: v >> level)
    img.paste(region, box[:2])
    return img


def _tap_anywhere(img):
    return _outline(img, (0, 32, W, H), TAP, dashed=True)


def _menu_frames(cat, bg_name, hl_name, origin, entries, banner=None):
    bg = _load(cat, bg_name)
    if banner:
        bg.paste(_load(cat, banner), origin)
    hl = _load(cat, hl_name)
    frames = []
    zones = bg.copy()
    for idx, r in entries.items():
        _outline(zones, abs_rect(origin, r), ZONE)
    frames.append(zones)
    for idx, r in entries.items():
        f = bg.copy()
        f.paste(hl.crop(r), abs_rect(origin, r)[:2])
        frames.append(f)
    return frames


def _row(frames, gap=6):
    w = sum(f.size[0] for f in frames) + gap * (len(frames) - 1)
    h = max(f.size[1] for f in frames)
    out = Image.new("RGB", (w, h), (40, 0, 40))
    x = 0
    for f in frames:
        out.paste(f, (x, 0))
        x += f.size[0] + gap
    return out


def contact(out_dir, contact_dir):
    """Review sheets: every picture with its touch zones and the game's text places marked."""
    cat = os.path.join(out_dir, "catalogue")
    os.makedirs(contact_dir, exist_ok=True)
    sheets = {}
    main = _menu_frames(cat, "mainmenu.jpg", "mainmenuH.jpg", MAIN_ORIGIN, MAIN_ENTRIES, "mainmenuB.jpg")
    for f in main:
        _sample_text(f, (236, 264), "Hi-score: 12345", GAME_WHITE, "ra")
    sheets["mainmenu"] = _row(main)
    sheets["practice"] = _row(_menu_frames(cat, "prac.jpg", "pracH.jpg", PRACTICE_ORIGIN, PRACTICE_ENTRIES))
    pause = _menu_frames(cat, "status.jpg", "statusH.jpg", PAUSE_ORIGIN, PAUSE_ENTRIES)
    for f in pause:
        for y, v in zip(STATUS_Y, ("1250", "Disarm bomb", "83.4s", "3")):
            _sample_text(f, (VALUE_X, y), v, GAME_YELLOW)
    sheets["pause"] = _row(pause)
    sel = _load(cat, "select.jpg")
    for i in range(16):
        colour = GAME_YELLOW if i == 0 else GAME_WHITE if i < 4 else GAME_GREY
        _sample_text(sel, (220, 6 + 19 * i), "LEVEL %02d" % (i + 1), colour, "ra")
        _outline(sel, (120, 6 + 19 * i, 220, 25 + 19 * i), ZONE if i < 4 else TEXT)
    sheets["select"] = sel
    stills = []
    for name in ("splash.jpg", "about.jpg") + tuple("prescreen_%d.jpg" % n for n in range(1, 5)):
        f = _tap_anywhere(_load(cat, name))
        if name == "about.jpg":
            _sample_text(f, (236, 296), "ver. 1.101", GAME_GREEN, "ra")
        stills.append(f)
    sheets["stills"] = _row(stills)
    died = _tap_anywhere(_load(cat, "died.jpg"))
    for y, v in zip(DIED_STATUS_Y, ("1250", "17", "83.4s", "2")):
        _sample_text(died, (VALUE_X, y), v, GAME_YELLOW)
    over = _tap_anywhere(_load(cat, "gameover.jpg"))
    _sample_text(over, (103, 227), "12345", GAME_YELLOW)
    _sample_text(over, (40, 247), "New Hi-score!", GAME_WHITE)
    sheets["died_gameover"] = _row([died, over])
    lcs = []
    for n in range(1, 17):
        f = _load(cat, "lc%d.jpg" % n)
        _darken(f, (32, 15, 208, 105), 2)
        _sample_text(f, (120, 20), "LEVEL %d" % n, GAME_WHITE, "ma")
        _sample_text(f, (120, 40), "LEVEL COMPLETE", GAME_WHITE, "ma")
        _sample_text(f, (135, 60), "score:", GAME_GREY, "ra")
        _sample_text(f, (139, 60), "2150", GAME_YELLOW)
        _sample_text(f, (135, 80), "time taken:", GAME_GREY, "ra")
        _sample_text(f, (139, 80), "61.2s", GAME_YELLOW)
        lcs.append(f)
    sheets["levelcomplete_1_8"] = _row(lcs[:8])
    sheets["levelcomplete_9_16"] = _row(lcs[8:])
    back = _load(cat, "gcBack.jpg")
    last = back.crop((0, 480, W, 800))
    f2 = last.copy()
    f2.paste(_load(cat, "gcTav2.jpg"), (77, 233))
    f3 = last.copy()
    f3.paste(_load(cat, "gcTav3.jpg"), (22, 28))
    _darken(f3, (0, 50, W, 90), 2)
    _sample_text(f3, (120, 60), "TAVRIN has been COMPLETED!", GAME_YELLOW, "ma")
    _tap_anywhere(f3)
    sheets["finale"] = _row([back.crop((0, 0, W, 320)), back.crop((0, 240, W, 560)), f2, f3, back])
    for name, img in sheets.items():
        img.save(os.path.join(contact_dir, name + ".png"))
    return sorted(sheets)


def save_jpeg(img, path, menu):
    img = img.convert("RGB")
    if menu:
        img.save(path, "JPEG", quality=MENU_QUALITY, subsampling=0, optimize=True, progressive=False)
    else:
        img.save(path, "JPEG", quality=PICTURE_QUALITY, subsampling=2, optimize=True, progressive=False)


def generate(out_dir, helpers=None):
    cat = os.path.join(out_dir, "catalogue")
    os.makedirs(cat, exist_ok=True)
    tiles = P.load_tiles(os.path.join(cat, "TavTile.565"))
    pics = all_pictures(tiles)
    for name in sorted(pics):
        save_jpeg(pics[name], os.path.join(cat, name), name in MENU_FILES)
    return sorted(pics)


if __name__ == "__main__":
    # screens.py [out_dir [contact_dir]]: the pictures alone, without the rest of the content.
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..", "assets")
    for n in generate(out):
        print(n)
    if len(sys.argv) > 2:
        contact(out, sys.argv[2])
