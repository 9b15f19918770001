#!/usr/bin/env python3
"""Reads the two red status lines from a screenshot of the main dialog.

The status control is the largest white area of the picture (the text on it
counts as part of it). Inside it, the rows holding red text must form exactly
two bands with at least one blank row between them and below the second, and
the second line must start 20 pixels at 96 DPI below the first, scaled to DPI
(both lines start with a capital, so their first rows are the same distance
below where each was drawn).

Usage: status_lines.py SCREENSHOT.ppm DPI   (binary PPM, as `convert x.png ppm:-` writes)
Prints what it measured; exits 1 when a check fails.
"""
import sys
from collections import deque


def read_ppm(path):
    data = open(path, "rb").read()
    fields, pos = [], 0
    while len(fields) < 4:  # magic, width, height, maximum
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    if fields[0] != b"P6" or fields[3] != b"255":
        sys.exit(f"{path}: not an 8-bit binary PPM")
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[pos + 1:pos + 1 + 3 * width * height]


def main():
    path, dpi = sys.argv[1], int(sys.argv[2])
    width, height, pixels = read_ppm(path)

    def rgb(x, y):
        i = 3 * (y * width + x)
        return pixels[i], pixels[i + 1], pixels[i + 2]

    def red(x, y):  # the text's red, smoothed edges included
        r, g, b = rgb(x, y)
        return r >= 128 and r - max(g, b) >= 64

    def white(x, y):
        return min(rgb(x, y)) >= 250

    # The largest area of white and red pixels, 4-connected.
    seen = bytearray(width * height)
    best = None
    for start in range(width * height):
        sx, sy = start % width, start // width
        if seen[start] or not white(sx, sy):
            continue
        seen[start] = 1
        queue, area = deque([(sx, sy)]), 0
        left, top, right, bottom = sx, sy, sx, sy
        while queue:
            x, y = queue.popleft()
            area += 1
            left, right, top, bottom = min(left, x), max(right, x), min(top, y), max(bottom, y)
            for nx, ny in ((x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)):
                if 0 <= nx < width and 0 <= ny < height and not seen[ny * width + nx] and (
                        white(nx, ny) or red(nx, ny)):
                    seen[ny * width + nx] = 1
                    queue.append((nx, ny))
        if best is None or area > best[0]:
            best = (area, left, top, right, bottom)
    if best is None:
        sys.exit(f"FAIL {path}: no white status area")
    _, left, top, right, bottom = best

    rows = [y for y in range(top, bottom + 1) if any(red(x, y) for x in range(left, right + 1))]
    bands = []
    for y in rows:
        if bands and y == bands[-1][1] + 1:
            bands[-1][1] = y
        else:
            bands.append([y, y])
    want_step = round(20 * dpi / 96)
    print(f"{path} at {dpi} DPI: status area x {left}..{right}, y {top}..{bottom}; "
          f"red rows in bands {[(a - top, b - top) for a, b in bands]} (from the area's top)")
    problems = []
    if len(bands) != 2:
        problems.append(f"{len(bands)} bands of red rows, want 2 separate lines")
    else:
        (top1, bottom1), (top2, bottom2) = bands
        if top2 - bottom1 < 2:
            problems.append("no blank row between the lines")
        if bottom2 >= bottom:
            problems.append("the second line reaches the status area's bottom edge (clipped)")
        if abs((top2 - top1) - want_step) > 1:
            problems.append(f"the second line starts {top2 - top1} px below the first, want {want_step}")
    if problems:
        print(f"FAIL {path}: " + "; ".join(problems))
        return 1
    print(f"ok   two status lines, {want_step} px apart, inside the status area at {dpi} DPI")
    return 0


if __name__ == "__main__":
    sys.exit(main())
