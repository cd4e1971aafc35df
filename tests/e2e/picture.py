#!/usr/bin/env python3
"""Measures a screenshot for the end-to-end scripts (PPM read through ImageMagick's convert).

  picture.py display FILE X      the first and last rows of the black display run in column X
                                  (below the menu and tool bar, above the status line)
  picture.py content FILE Y0 Y1   the box "LEFT TOP RIGHT BOTTOM" of everything lit between
                                  rows Y0 and Y1 (a pixel is lit when a channel is above 60)
  picture.py red FILE X0 Y0 X1 Y1 how many pixels of the box are red (red above 150, green and
                                  blue below 80)
  picture.py box FILE R G B       the box "LEFT TOP RIGHT BOTTOM" of the pixels of that colour
                                  ("none" when there are none)
"""
import subprocess
import sys


def load(path):
    data = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True,
                          capture_output=True).stdout
    # P6 header: magic, width, height, maxval, each followed by white space.
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        start = pos
        while not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(data[start:pos])
    pos += 1
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[pos:]


def lit(pixels, width, x, y):
    i = (y * width + x) * 3
    return max(pixels[i], pixels[i + 1], pixels[i + 2]) > 60


def display(path, x):
    width, height, pixels = load(path)
    black = [not lit(pixels, width, x, y) for y in range(height)]
    # The longest run of black rows is the display.
    best, run_start = (0, -1, -1), None
    for y, b in enumerate(black + [False]):
        if b and run_start is None:
            run_start = y
        elif not b and run_start is not None:
            if y - run_start > best[0]:
                best = (y - run_start, run_start, y - 1)
            run_start = None
    print(best[1], best[2])


def content(path, y0, y1):
    width, _, pixels = load(path)
    left, top, right, bottom = width, None, -1, None
    for y in range(y0, y1 + 1):
        row = [x for x in range(width) if lit(pixels, width, x, y)]
        if row:
            left, right = min(left, row[0]), max(right, row[-1])
            top = y if top is None else top
            bottom = y
    if top is None:
        sys.exit("nothing lit between rows %d and %d" % (y0, y1))
    print(left, top, right, bottom)


def red(path, x0, y0, x1, y1):
    width, _, pixels = load(path)
    count = 0
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            i = (y * width + x) * 3
            if pixels[i] > 150 and pixels[i + 1] < 80 and pixels[i + 2] < 80:
                count += 1
    print(count)


def box(path, r, g, b):
    width, height, pixels = load(path)
    want = bytes((r, g, b))
    left, top, right, bottom = width, height, -1, -1
    for y in range(height):
        row = pixels[y * width * 3:(y + 1) * width * 3]
        first = next((x for x in range(width) if row[x * 3:x * 3 + 3] == want), None)
        if first is None:
            continue
        last = next(x for x in range(width - 1, -1, -1) if row[x * 3:x * 3 + 3] == want)
        left, right = min(left, first), max(right, last)
        top, bottom = min(top, y), y
    print("none" if right < 0 else "%d %d %d %d" % (left, top, right, bottom))


if __name__ == "__main__":
    if sys.argv[1] == "display":
        display(sys.argv[2], int(sys.argv[3]))
    elif sys.argv[1] == "content":
        content(sys.argv[2], int(sys.argv[3]), int(sys.argv[4]))
    elif sys.argv[1] == "red":
        red(sys.argv[2], *(int(a) for a in sys.argv[3:7]))
    elif sys.argv[1] == "box":
        box(sys.argv[2], *(int(a) for a in sys.argv[3:6]))
    else:
        sys.exit(__doc__)
