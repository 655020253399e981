#!/usr/bin/env python3
"""Remakes docs/screenshots.png, the picture at the top of the README: eight screens of the
offscreen demo (tools/scripts/demo.script) and of the whole-game run
(tools/scripts/fullgame.script), in two rows of four, as the game shows them at zoom 1.

    /usr/bin/python3 tools/demo/make_readme_shots.py [build/tavrin] [docs/screenshots.png]

Both runs play in scratch folders with a scratch HOME; nothing else is written. Remake the
picture whenever the art, the font or the levels change.
"""
import os
import subprocess
import sys
import tempfile

from PIL import Image

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
# (script, screenshot) in the order they appear, left to right, top row first.
PICKS = [
    ("demo", "01_splash.png"),
    ("demo", "02_main_menu.png"),
    ("demo", "06_play_half_way.png"),
    ("fullgame", "fullgame_08_level04_play.png"),
    ("demo", "07_pause_menu.png"),
    ("demo", "08_map_view.png"),
    ("fullgame", "fullgame_33_level16_complete.png"),
    ("fullgame", "fullgame_43_completed_banner.png"),
]
GAP = 4


def play(game, script, folder, home):
    env = dict(os.environ, HOME=home)
    for name in ("XDG_DATA_HOME", "XDG_CONFIG_HOME"):
        env.pop(name, None)
    path = os.path.join(ROOT, "tools", "scripts", script + ".script")
    subprocess.run([game, "-platform", "offscreen", "-script", path], cwd=folder, env=env,
                   stdout=subprocess.DEVNULL, check=True)


def main():
    game = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build", "tavrin"))
    out = sys.argv[2] if len(sys.argv) > 2 else os.path.join(ROOT, "docs", "screenshots.png")
    with tempfile.TemporaryDirectory(prefix="tavrin-shots-") as scratch:
        folders = {}
        for script in sorted({s for s, _ in PICKS}):
            folders[script] = os.path.join(scratch, script)
            home = os.path.join(scratch, script + "-home")
            os.makedirs(folders[script])
            os.makedirs(home)
            play(game, script, folders[script], home)
        shots = [Image.open(os.path.join(folders[s], name)).convert("RGB") for s, name in PICKS]
    w, h = shots[0].size
    sheet = Image.new("RGB", (4 * w + 3 * GAP, 2 * h + GAP), (0, 0, 0))
    for i, shot in enumerate(shots):
        sheet.paste(shot, ((i % 4) * (w + GAP), (i // 4) * (h + GAP)))
    sheet.save(out, optimize=True)
    print(f"make_readme_shots: {out}: {len(shots)} screens")


if __name__ == "__main__":
    main()
