#!/usr/bin/env python3
"""Writes the example site's survey: a gently sloping field of a few thousand points on a
jittered 0.8 m grid, with a drainage ditch along its north side whose bottom line is a
break line. Deterministic: the same files on every run."""

import math
import random

EAST, NORTH = 512000.0, 403000.0  # the site's corner in the survey's grid
WIDTH, DEPTH = 60, 40
STEP = 0.8
DITCH_Y = 33.0


def height(x, y):
    ground = 400.0 + 0.06 * x + 0.025 * y + 0.25 * math.sin(x / 7.0) * math.cos(y / 5.0)
    return ground - 0.6 * math.exp(-((y - DITCH_Y) / 1.2) ** 2)


def main():
    rng = random.Random(20261209)
    points = []
    columns, rows = int(WIDTH / STEP), int(DEPTH / STEP)
    for j in range(rows + 1):
        for i in range(columns + 1):
            x, y = i * STEP, j * STEP
            if 0 < i < columns and 0 < j < rows:
                x += rng.uniform(-0.25, 0.25)
                y += rng.uniform(-0.25, 0.25)
            if abs(y - DITCH_Y) < 0.6 and 0 < j < rows:
                continue  # the ditch's own line is surveyed below
            points.append((x, y))
    ditch = []
    for i in range(WIDTH + 1):
        ditch.append(len(points))
        points.append((float(i), DITCH_Y))
    with open("survey.xyz", "w") as out:
        out.write("# x y z: the example site's survey (metres)\n")
        for x, y in points:
            out.write(f"{EAST + x:.3f} {NORTH + y:.3f} {height(x, y):.3f}\n")
    with open("ditch.txt", "w") as out:
        out.write("# the ditch bottom: one break-line segment per line, by point number\n")
        for a, b in zip(ditch, ditch[1:]):
            out.write(f"{a} {b}\n")


if __name__ == "__main__":
    main()
