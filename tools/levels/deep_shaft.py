#!/usr/bin/python3
"""DEEP SHAFT: ten floors stacked in one 11-square-wide shaft, each with a trick of its own.

Every floor is one of the kinds below, and no kind comes twice: a band of earth on top (its
two lighter grains alternate from floor to floor), a few rows with the floor's trick, and a
floor line with one way through. The level is the start row, the floors in the order of
FLOORS, and a bottom room. The source in assets/levels/ is what this writes: change the floors here and
run

    /usr/bin/python3 tools/levels/deep_shaft.py > assets/levels/m09_shaft.txt

`--check FILE` compares instead (make test does, through CTest).
"""

import sys

WIDTH = 11  # inside the side walls

HEADER = """\
# Main 9: the long way down, ten floors, each with its own trick. Every floor has one way
# through, and rocks wait above most of them: push them aside or let them fall before you
# go down, never walk down out from under one. One floor hides its diamond behind a
# trapdoor, and further down a key opens the safe that plugs its floor.
# Written by tools/levels/deep_shaft.py: change the floors there, not here.
name: DEEP SHAFT
colour: 4
map:
"""

START = ".....@....."


def grain(n):
    """The earth band on top of floor n: two lighter grains, shifted on every other floor."""
    return ",.......,.." if n % 2 == 0 else "..,.......,"


def place(row, col, ch):
    return row[:col] + ch + row[col + 1:]


# Each kind gives the rows of a floor below its earth band, the floor line last.

def rock_row(loose=8):
    # a row of rocks with diamonds between; one loose rock waits over the gap in the floor
    return [".O.O.*.O.O.", "...........", ".*..,,,..*.", place("...........", loose, "O"),
            "=====.====="]


def pit():
    # a hole in the floor, with a rock beside it and a yellow edge to stop what rolls
    return ["...*....O..", ".........*.", ".... .O....", "###.###^###"]


def corners(rock_left=True):
    # rounded corners send the rock one way only; the gap is on the other side
    hill = ".O.\\...../." if rock_left else ".\\...../.O."
    gap = 6 if rock_left else 4
    return [".....O.....", "..,.....,..", hill, ".*.)...(.*.", "...........",
            place("###########", gap, ".")]


def skulls():
    return ["..X..*..X..", ".X..X.X..X.", "..*..X..*..", ".X.......X.", "######.####"]


def rings():
    # rocks on lying rings roll off as soon as a side opens
    return ["...O...O...", "...0...0...", "..*.*.*.*..", "...........", "8888.888888"]


def speckle():
    return [".O.......O.", ".~.~~*~~.~.", "..~.....~..", "-----.-----"]


def capsules():
    return ["c.c.c*c.c.c", "...........", ".O.*.O.*.O.", "...,,.,,...", "]]]].]]]]]]"]


def blocks(gaps=(1, 7)):
    line = "==========="
    for g in gaps:
        line = place(line, g, ".")
    return ["..O.....O..", "=.*=.=.=*.=", "=...=.=...=", line]


def trapdoor():
    # the nearest diamond lies in a cell under a trapdoor: a rock on a rounded corner rolls
    # into the way in behind you, and the cell's door rock cannot be pushed out into the
    # earth beyond it. Fetch the diamond through the door instead: push the door rock in
    # from outside, and it drops into the sump.
    return ["O.####.....", "\\.*__O.....", "#### ####.#", "#########.#"]


def vault():
    # the key opens the safe that plugs the floor
    return ["..S..K..S..", ".=S=...=S=.", "..O.....O..", "...........", "%%%%%S%%%%%"]


BOTTOM = [",.........,", ".#########.", ".*.......*."]

FLOORS = [
    rock_row(), pit(), trapdoor(), skulls(), corners(), rings(), vault(), speckle(), capsules(),
    blocks(),
]


def level():
    rows = [START]
    for n, floor in enumerate(FLOORS):
        rows.append(grain(n))
        rows.extend(floor)
    rows.extend(BOTTOM)
    for r in rows:
        assert len(r) == WIDTH, r
    wall = "#" * (WIDTH + 2)
    return HEADER + "\n".join([wall] + ["#" + r + "#" for r in rows] + [wall]) + "\n"


def main(argv):
    text = level()
    if len(argv) == 3 and argv[1] == "--check":
        with open(argv[2], encoding="ascii") as f:
            if f.read() != text:
                sys.stderr.write("%s is not what tools/levels/deep_shaft.py writes; remake it with\n"
                                 "  /usr/bin/python3 tools/levels/deep_shaft.py > %s\n" % (argv[2], argv[2]))
                return 1
        print("deep_shaft: %s is what the generator writes" % argv[2])
        return 0
    if len(argv) != 1:
        sys.stderr.write("usage: deep_shaft.py [--check FILE]\n")
        return 2
    sys.stdout.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
