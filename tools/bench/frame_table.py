#!/usr/bin/python3
"""Runs the frame benchmarks several times with --tsv and prints, for every figure, the
median and the range of the runs next to its goal.

    tools/bench/frame_table.py [--runs N] [--bin DIR]
"""
import argparse
import os
import statistics
import subprocess
import sys

BENCHES = ["bench_screens", "bench_gfx", "bench_world"]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--bin", default="build", help="folder holding the bench_* programs")
    args = parser.parse_args()

    figures = {}  # (name, orientation) -> (ratios, goal), in the order first seen
    for run in range(args.runs):
        for bench in BENCHES:
            path = os.path.join(args.bin, bench)
            out = subprocess.run([path, "--tsv"], check=True, capture_output=True, text=True).stdout
            for line in out.splitlines():
                fields = line.split("\t")
                if len(fields) != 4:
                    continue
                name, orientation, ratio, goal = fields
                figures.setdefault((name, orientation), ([], goal))[0].append(float(ratio))
        print(f"run {run + 1} of {args.runs} done", file=sys.stderr)

    missed = 0
    print(f"{'figure':40} {'orient':>6} {'median':>7} {'min-max':>12} {'goal':>6}")
    for (name, orientation), (ratios, goal) in figures.items():
        median = statistics.median(ratios)
        mark = ""
        if goal != "-" and median > float(goal):
            mark = "  over the goal"
            missed += 1
        span = f"{min(ratios):.2f}-{max(ratios):.2f}"
        print(f"{name:40} {orientation:>6} {median:7.2f} {span:>12} {goal:>6}{mark}")
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main())
