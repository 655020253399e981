"""The program's icon: the digger in his yellow helmet and a big diamond, in front of the
blue brick wall of the play view, on a rounded tile framed in the panel's brass. Drawn from
the game's own tile pictures, enlarged pixel for pixel, so it looks like the game.

Written as assets/icons/tavrin-<size>.png for 48, 64, 128 and 256 pixels, RGBA, transparent
outside the rounded tile. The window uses the 64-pixel one; the install step puts all four
with the desktop's icons.
"""

import io
import os

from PIL import Image, ImageDraw

import tiles

SIZES = (48, 64, 128, 256)
BIG = 256  # drawn once at this size; the smaller ones are boxed down from it
BRASS = (232, 192, 112)
BRASS_DARK = (112, 82, 40)
SHADOW = (0, 0, 24)


def _enlarged(tile, scale):
    """A 32x32 tile scaled up pixel for pixel, its black background made transparent."""
    rgba = tile.convert("RGBA")
    px = rgba.load()
    for y in range(rgba.height):
        for x in range(rgba.width):
            if px[x, y][:3] == tiles.BLACK:
                px[x, y] = (0, 0, 0, 0)
    return rgba.resize((32 * scale, 32 * scale), Image.NEAREST)


def _shadow_of(sprite, offset):
    """A soft dark copy of the sprite's outline, to lift it off the wall."""
    alpha = sprite.getchannel("A").point(lambda a: 150 if a else 0)
    shadow = Image.new("RGBA", sprite.size, SHADOW + (0,))
    shadow.putalpha(alpha)
    out = Image.new("RGBA", (sprite.width + offset, sprite.height + offset), (0, 0, 0, 0))
    out.alpha_composite(shadow, (offset, offset))
    return out


def build_icon():
    """The 256-pixel icon as an RGBA image."""
    big = Image.new("RGBA", (BIG, BIG), (0, 0, 0, 0))
    # The wall: the brick tile at three times its size, repeated.
    wall = tiles.brick_wall().resize((96, 96), Image.NEAREST).convert("RGBA")
    back = Image.new("RGBA", (BIG, BIG))
    for y in range(0, BIG, 96):
        for x in range(0, BIG, 96):
            back.paste(wall, (x - 16, y - 16))
    # Darkened a little so the figure and the diamond stand out.
    back = Image.blend(back, Image.new("RGBA", (BIG, BIG), (0, 0, 24, 255)), 0.55)

    # Rounded tile with a brass frame; drawn four times larger and boxed down for smooth edges.
    m = 4
    mask = Image.new("L", (BIG * m, BIG * m), 0)
    ImageDraw.Draw(mask).rounded_rectangle([2 * m, 2 * m, (BIG - 3) * m, (BIG - 3) * m], radius=44 * m, fill=255)
    mask = mask.resize((BIG, BIG), Image.BOX)
    frame = Image.new("L", (BIG * m, BIG * m), 0)
    fd = ImageDraw.Draw(frame)
    fd.rounded_rectangle([2 * m, 2 * m, (BIG - 3) * m, (BIG - 3) * m], radius=44 * m, fill=255)
    fd.rounded_rectangle([14 * m, 14 * m, (BIG - 15) * m, (BIG - 15) * m], radius=34 * m, fill=0)
    frame = frame.resize((BIG, BIG), Image.BOX)
    inner = Image.new("L", (BIG * m, BIG * m), 0)
    ImageDraw.Draw(inner).rounded_rectangle([8 * m, 8 * m, (BIG - 9) * m, (BIG - 9) * m], radius=39 * m,
                                            outline=255, width=3 * m)
    inner = inner.resize((BIG, BIG), Image.BOX)

    big.paste(back, (0, 0), mask)
    big.paste(Image.new("RGBA", (BIG, BIG), BRASS + (255,)), (0, 0), frame)
    big.paste(Image.new("RGBA", (BIG, BIG), BRASS_DARK + (255,)), (0, 0), inner)

    # The digger, large, and the diamond he is after, in front of him.
    digger = _enlarged(tiles.player_front(), 6)
    gem = _enlarged(tiles.diamond(), 4)
    big.alpha_composite(_shadow_of(digger, 6), (10, 22))
    big.alpha_composite(digger, (10, 22))
    big.alpha_composite(_shadow_of(gem, 5), (118, 112))
    big.alpha_composite(gem, (118, 112))
    # Nothing may show outside the rounded tile.
    alpha = big.getchannel("A")
    big.putalpha(Image.composite(alpha, Image.new("L", (BIG, BIG), 0), mask))
    return big


def icon_sizes():
    """(size, RGBA image) for every icon size."""
    big = build_icon()
    return [(s, big if s == BIG else big.resize((s, s), Image.LANCZOS)) for s in SIZES]


def png_bytes(img):
    buf = io.BytesIO()
    img.save(buf, format="PNG", optimize=True)
    return buf.getvalue()


def generate(out_dir):
    """Writes out_dir/icons/tavrin-<size>.png."""
    icons = os.path.join(out_dir, "icons")
    os.makedirs(icons, exist_ok=True)
    for size, img in icon_sizes():
        with open(os.path.join(icons, "tavrin-%d.png" % size), "wb") as f:
            f.write(png_bytes(img))
