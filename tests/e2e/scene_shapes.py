#!/usr/bin/env python3
"""Measures what the scene drew, from screenshots, with the standard library only.

scene_shapes.py coverage BACKGROUND SHOT
    The share of the screen (0..1) where SHOT differs from BACKGROUND.
scene_shapes.py size BACKGROUND SHOT
    For a single bubble: the width and height of what it drew, or "clipped" when
    it touched an edge of the picture.
scene_shapes.py overlap BACKGROUND SHOT...
    For a single bubble: the least overlap (intersection over union) of its
    filled outlines in any two of the shots where it is clear of the screen's
    edges, one moved onto the other's centre; "clipped" when fewer than two
    shots show it clear of the edges.
"""
import subprocess
import sys

# A pixel belongs to a bubble when its channels differ from the background by
# this much in sum; the shadow alone darkens a pixel by about 13 %.
THRESHOLD = 45
EDGE_MARGIN = 4


def read(path):
    data = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True, capture_output=True).stdout
    fields = []
    pos = 0
    while len(fields) < 4:
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
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[pos + 1:]


def mask(background, shot):
    width, height, back = background
    width2, height2, pixels = shot
    if (width, height) != (width2, height2):
        sys.exit("the shots differ in size")
    points = set()
    for i in range(width * height):
        j = 3 * i
        if abs(pixels[j] - back[j]) + abs(pixels[j + 1] - back[j + 1]) + abs(pixels[j + 2] - back[j + 2]) > THRESHOLD:
            points.add((i % width, i // width))
    return width, height, points


def touches_edge(width, height, points):
    xs = [x for x, _ in points]
    ys = [y for _, y in points]
    return min(xs) < EDGE_MARGIN or min(ys) < EDGE_MARGIN or max(xs) >= width - EDGE_MARGIN or max(ys) >= height - EDGE_MARGIN


def silhouette(points):
    """The outline filled: every pixel between the drawn ones of its row and of its column.

    A bubble's body is nearly clear inside, so only its rim, highlights and shadow
    differ from the background, and which of them do depends on what lies behind.
    """
    rows = {}
    columns = {}
    for x, y in points:
        low, high = rows.get(y, (x, x))
        rows[y] = (min(low, x), max(high, x))
        low, high = columns.get(x, (y, y))
        columns[x] = (min(low, y), max(high, y))
    filled = set()
    for y, (low, high) in rows.items():
        for x in range(low, high + 1):
            top, bottom = columns.get(x, (y + 1, y))
            if top <= y <= bottom:
                filled.add((x, y))
    return filled


def centre(points):
    return (round(sum(x for x, _ in points) / len(points)), round(sum(y for _, y in points) / len(points)))


def main():
    command = sys.argv[1]
    background = read(sys.argv[2])
    if command == "coverage":
        width, height, points = mask(background, read(sys.argv[3]))
        print(f"{len(points) / (width * height):.4f}")
    elif command == "size":
        width, height, points = mask(background, read(sys.argv[3]))
        if not points or touches_edge(width, height, points):
            print("clipped")
            return
        xs = [x for x, _ in points]
        ys = [y for _, y in points]
        print(max(xs) - min(xs) + 1, max(ys) - min(ys) + 1)
    elif command == "overlap":
        shapes = []
        for path in sys.argv[3:]:
            width, height, points = mask(background, read(path))
            if points and not touches_edge(width, height, points):
                shapes.append(silhouette(points))
        if len(shapes) < 2:
            print("clipped")
            return
        least = 1.0
        for i, first in enumerate(shapes):
            x1, y1 = centre(first)
            for later in shapes[i + 1:]:
                x2, y2 = centre(later)
                moved = {(x - x2 + x1, y - y2 + y1) for x, y in later}
                least = min(least, len(first & moved) / len(first | moved))
        print(f"{least:.4f}")
    else:
        sys.exit(__doc__)


main()
