"""Small pixel helpers shared by the asset generators: RGB565 packing and the
level-colour rule the game applies to its tile sheets."""

import io
import os
import struct


def rgb565(r, g, b):
    return ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3)


def rgb888(p):
    r = (p >> 11) & 31
    g = (p >> 5) & 63
    b = p & 31
    return ((r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2))


def is_tinted(p):
    """True for the pixels that take the level colour in the game."""
    return (p & 0x001F) != 0 and (p & 0x8400) == 0


def tint(p, colour):
    """The game's recolouring of one RGB565 pixel (colour is 0xRRGGBB)."""
    if not is_tinted(p):
        return p
    cr, cg, cb = colour >> 16, (colour >> 8) & 0xFF, colour & 0xFF
    i = (p & 0x001F) * 8
    r = min(255, ((p & 0xF800) >> 8) + (cr * i >> 8))
    g = min(255, ((p & 0x07E0) >> 3) + (cg * i >> 8))
    b = cb * i >> 8
    return ((r << 8) & 0xF800) | ((g << 3) & 0x07E0) | ((b >> 3) & 0x001F)


def image_to_565(img):
    """PIL RGB image -> list of RGB565 values, row after row."""
    img = img.convert("RGB")
    return [rgb565(r, g, b) for (r, g, b) in img.getdata()]


def pack565(values):
    return struct.pack("<%dH" % len(values), *values)


def unpack565(data):
    return list(struct.unpack("<%dH" % (len(data) // 2), data))


def image_from_565(values, width, height):
    from PIL import Image
    img = Image.new("RGB", (width, height))
    img.putdata([rgb888(p) for p in values])
    return img


def write_bytes(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def jpeg_bytes(img, quality=90):
    """Baseline JPEG, three components, no metadata: the same bytes every run."""
    buf = io.BytesIO()
    img.convert("RGB").save(buf, "JPEG", quality=quality, subsampling=0,
                            progressive=False, optimize=False)
    return buf.getvalue()
