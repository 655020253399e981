#!/usr/bin/python3
"""Writes tools/scripts/demo.script, the offscreen demo of `make run` on a machine without a display.

The demo goes from the splash through the main and practice menus, plays the first practice
level by its solution (assets/levels/p1_*.sol), opens the pause menu and the map view on the
way (by pen, to show the touch zones), starts the second practice level, goes back to the main
menu and quits. Screenshots land in the working directory of the run.

Every move is its own key press, held long enough to include one tick of the world's
four-tick cycle and released before the move (16 ticks) is over, so exactly one square is
moved whatever the phase of the cycle: the script does not depend on tick-exact timing.

    python3 tools/demo/make_demo_script.py > tools/scripts/demo.script
"""
import glob
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
KEYS = {"U": "Up", "D": "Down", "L": "Left", "R": "Right"}
MOVE_MS = 220   # one move is 16 ticks of 10 ms; the rest is margin for the cycle phase
HOLD_MS = 60    # covers one tick of world phase 0
FADE_MS = 1000  # a mode change: 32 ticks out, 32 ticks in, and time to look


def solution_tokens(path):
    text = open(path).read()
    text = "\n".join(line.split("#", 1)[0] for line in text.splitlines())
    tokens = []
    for kind, count in re.findall(r"([UDLRW])(\d*)", text):
        n = int(count) if count else (4 if kind == "W" else 1)
        tokens.append((kind, n))
    return tokens


class Script:
    def __init__(self):
        self.t = 0
        self.lines = []

    def at(self, t, event, comment=None):
        self.t = max(self.t, t)
        self.lines.append(f"{self.t:<7d} {event}" + (f"  # {comment}" if comment else ""))

    def wait(self, ms):
        self.t += ms

    def key(self, name, comment=None):
        self.at(self.t, f"key tap {name}", comment)
        self.wait(150)

    def pen_tap(self, x, y, comment=None):
        self.at(self.t, f"pen press {x} {y}", comment)
        self.at(self.t + 30, "pen release")
        self.wait(150)

    def shot(self, name, comment=None):
        self.at(self.t, f"shot {name}", comment)

    def move(self, kind):
        self.at(self.t, f"key press {KEYS[kind]}")
        self.at(self.t + HOLD_MS, f"key release {KEYS[kind]}")
        self.t += MOVE_MS - HOLD_MS


def main():
    sols = sorted(glob.glob(os.path.join(ROOT, "assets", "levels", "p1_*.sol")))
    if not sols:
        sys.exit("no solution of the first practice level in assets/levels")
    moves = []
    for kind, n in solution_tokens(sols[0]):
        moves += [(kind, 1)] * n if kind != "W" else [(kind, n)]
    pause_after = len(moves) // 2

    s = Script()
    s.at(1000, "shot 01_splash.png", "the start-up picture")
    s.wait(200)
    s.key("Space", "to the main menu")
    s.wait(FADE_MS)
    s.shot("02_main_menu.png")
    s.key("Down", "practice")
    s.key("Space")
    s.wait(FADE_MS)
    s.shot("03_practice_menu.png")
    s.key("Space", "practice level 1")
    s.wait(FADE_MS)
    s.shot("04_practice_intro.png")
    s.key("Space", "play")
    s.wait(FADE_MS)
    s.shot("05_play_banner.png", "the level's name for the first seconds")
    for i, (kind, n) in enumerate(moves):
        if i == pause_after:
            s.wait(100)
            s.shot("06_play_half_way.png")
            s.key("Space", "the pause menu")
            s.wait(FADE_MS)
            s.shot("07_pause_menu.png")
            s.pen_tap(120, 262, "map view, by pen")
            s.wait(FADE_MS)
            s.shot("08_map_view.png")
            s.pen_tap(120, 300, "a tap on the bar goes back to play")
            s.wait(FADE_MS)
        if kind == "W":
            s.wait(n * 10)
        else:
            s.move(kind)
    s.wait(300 + FADE_MS)  # the last diamond ends the level: on to the next practice level
    s.shot("09_practice_intro_2.png")
    s.key("Space", "play practice level 2")
    s.wait(FADE_MS + 400)
    s.shot("10_play_level_2.png")
    s.key("Space", "pause menu")
    s.wait(FADE_MS)
    s.key("Up")
    s.key("Up", "entry 0: back to the main menu")
    s.shot("11_pause_menu_main.png")
    s.key("Space")
    s.wait(FADE_MS)
    s.shot("12_main_menu_again.png")
    s.key("Down")
    s.key("Down", "quit")
    s.key("Space")
    s.wait(3000)
    s.at(s.t, "close", "only if the game has not ended by itself")

    print("# The offscreen demo of `make run` without a display. Made by")
    print("# tools/demo/make_demo_script.py from the first practice level's solution; remake it")
    print("# when that changes. Times are milliseconds of the virtual clock.")
    print("\n".join(s.lines))


if __name__ == "__main__":
    main()
