#!/usr/bin/python3
"""Builds the game's content: tile sheets, glyph sheet, panel, map bar, the hero
figure of the closing sequence, the sound effects, and (through screens.py) the
screen pictures.

    /usr/bin/python3 tools/assets/generate.py [--out DIR] [--contact DIR]

Writes DIR/catalogue/* and DIR/sounds/* (DIR defaults to assets/). The output is
the same byte for byte on every run, so CI can regenerate and compare.
"""

import argparse
import importlib
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import pix  # noqa: E402
import tiles  # noqa: E402
import font  # noqa: E402
import sounds  # noqa: E402
import panel  # noqa: E402
import hero  # noqa: E402
import icon  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(HERE))

# Level colours a level can have: every combination of the three colour flags.
LEVEL_COLOURS = [0x0000FF, 0xFF0000, 0x00FF00, 0xFFFF00, 0xFF00FF, 0x00FFFF, 0xFFFFFF, 0x000000]


class Helpers:
    """What the screens module gets to build its pictures from our content."""

    def __init__(self, tile_images, map_images, font_sheet):
        self._tiles = tile_images
        self._maps = map_images
        self.font = font.FontRenderer(font_sheet)
        self.font_file = font.FONT_FILE
        self.font_dir = os.path.dirname(font.FONT_FILE)
        self.level_colours = list(LEVEL_COLOURS)
        self.hero = hero.build_hero

    def tile(self, t, colour=0x0000FF):
        """Tile t as a 32x32 PIL RGB image, recoloured for a level colour."""
        img = self._tiles[t & 63]
        return tinted(img, colour, t & 63)

    def map_tile(self, t, colour=0x0000FF):
        """Tile t as an 8x8 PIL RGB image, recoloured for a level colour."""
        return tinted(self._maps[t & 63], colour, t & 63)

    def text(self, img, x, y, string, colour=(255, 255, 255), align=0):
        """Draws string with the game's font onto an RGB image (align 0/1/2 = left/centre/right)."""
        return self.font.draw(img, x, y, string, colour, align)

    def text_width(self, string):
        return self.font.width(string)


def tinted(img, colour, t):
    if colour == 0x0000FF or t in (0, 22):
        return img.copy()
    vals = [pix.tint(p, colour) for p in pix.image_to_565(img)]
    return pix.image_from_565(vals, img.width, img.height)


def write_outputs(out_dir):
    cat = os.path.join(out_dir, "catalogue")
    snd = os.path.join(out_dir, "sounds")

    tile_images = tiles.build_tiles()
    map_images = tiles.build_map_tiles(tile_images)
    pix.write_bytes(os.path.join(cat, "TavTile.565"),
                    pix.pack565(pix.image_to_565(tiles.sheet_image(tile_images, 32))))
    pix.write_bytes(os.path.join(cat, "maptile.565"),
                    pix.pack565(pix.image_to_565(tiles.sheet_image(map_images, 8))))

    sheet = font.build_font_sheet()
    pix.write_bytes(os.path.join(cat, "harvest.565"), pix.pack565(font.sheet_565(sheet)))

    helpers = Helpers(tile_images, map_images, sheet)

    pix.write_bytes(os.path.join(cat, "gcTav1.565"), pix.pack565(hero.hero_565()))
    pix.write_bytes(os.path.join(cat, "panel.jpg"), pix.jpeg_bytes(panel.build_panel(helpers)))
    pix.write_bytes(os.path.join(cat, "mapback.jpg"), pix.jpeg_bytes(panel.build_map_bar(helpers)))

    for name, samples in sounds.build_all():
        pix.write_bytes(os.path.join(snd, "samp_%s.wvx" % name), sounds.wav_bytes(samples))
        pix.write_bytes(os.path.join(cat, "samp_%s.raw" % name), sounds.raw_bytes(samples))

    icon.generate(out_dir)

    screens = _screens_module()
    if screens is not None and hasattr(screens, "generate"):
        screens.generate(out_dir, helpers)
    return tile_images, map_images, sheet, helpers, screens


def _screens_module():
    if not os.path.exists(os.path.join(HERE, "screens.py")):
        return None
    return importlib.import_module("screens")


def write_contact(out_dir, contact_dir, tile_images, map_images, sheet, helpers, screens):
    import contact
    os.makedirs(contact_dir, exist_ok=True)
    contact.tiles_sheet(tile_images, LEVEL_COLOURS, tinted).save(
        os.path.join(contact_dir, "tiles.png"))
    contact.map_sheet(map_images, LEVEL_COLOURS, tinted).save(
        os.path.join(contact_dir, "maptiles.png"))
    contact.font_sheet(sheet, helpers).save(os.path.join(contact_dir, "font.png"))
    contact.panel_sheet(out_dir).save(os.path.join(contact_dir, "panel.png"))
    contact.hero_sheet(out_dir).save(os.path.join(contact_dir, "hero.png"))
    contact.animation_sheet(tile_images).save(os.path.join(contact_dir, "animation.png"))
    if screens is not None and hasattr(screens, "contact"):
        screens.contact(out_dir, contact_dir)


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--out", default=os.path.join(ROOT, "assets"))
    ap.add_argument("--contact", default=None)
    args = ap.parse_args(argv)
    made = write_outputs(args.out)
    if args.contact:
        write_contact(args.out, args.contact, *made)
    return 0


if __name__ == "__main__":
    sys.exit(main())
