#!/usr/bin/env python3
"""Picture checks of a screenshot of the demo's window (a binary PPM), by pixel classes
rather than positions: a client area of exactly 640 x 480, black far outside the wall,
many lit grey wall pixels, and one small cluster of pure white marker pixels.
   picture_check.py SHOT.ppm"""
import sys


def read_ppm(path):
    with open(path, "rb") as f:
        data = f.read()
    fields, pos = [], 0
    while len(fields) < 4:  # magic, width, height, maximum, skipping comments
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos) + 1
            continue
        start = pos
        while not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(data[start:pos])
    if fields[0] != b"P6" or fields[3] != b"255":
        sys.exit("not an 8-bit binary PPM: %r" % fields)
    width, height = int(fields[1]), int(fields[2])
    return width, height, data[pos + 1:pos + 1 + width * height * 3]


def is_black(pixel):
    return max(pixel) <= 8


# The client area inside the window: Wine draws its own frame into the shot when no
# window manager runs. Rows and columns are peeled off each side until one is mostly
# black, as every edge of the client area is (the wall stays well inside it).
def client_area(width, height, pixel):
    def black_share(points):
        points = list(points)
        return sum(1 for p in points if is_black(pixel(*p))) / len(points)

    left, top, right, bottom = 0, 0, width - 1, height - 1
    while top < bottom and black_share((x, top) for x in range(left, right + 1)) < 0.9:
        top += 1
    while bottom > top and black_share((x, bottom) for x in range(left, right + 1)) < 0.9:
        bottom -= 1
    while left < right and black_share((left, y) for y in range(top, bottom + 1)) < 0.9:
        left += 1
    while right > left and black_share((right, y) for y in range(top, bottom + 1)) < 0.9:
        right -= 1
    return left, top, right - left + 1, bottom - top + 1


# Groups of 4-connected pure white pixels, as lists of points.
def white_clusters(white):
    left = set(white)
    clusters = []
    while left:
        stack = [left.pop()]
        cluster = []
        while stack:
            x, y = stack.pop()
            cluster.append((x, y))
            for q in ((x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)):
                if q in left:
                    left.remove(q)
                    stack.append(q)
        clusters.append(cluster)
    return clusters


# A marker: a compact, roughly round cluster (a disc fills 79 % of its box, a clipped
# one still more than half), neither a stray pixel nor a long highlight.
def is_marker(cluster):
    xs = [p[0] for p in cluster]
    ys = [p[1] for p in cluster]
    w, h = max(xs) - min(xs) + 1, max(ys) - min(ys) + 1
    return len(cluster) >= 20 and max(w, h) <= 80 and len(cluster) >= 0.5 * w * h


def main():
    width, height, pixels = read_ppm(sys.argv[1])

    def pixel(x, y):
        i = (y * width + x) * 3
        return pixels[i:i + 3]

    x0, y0, w, h = client_area(width, height, pixel)
    area = w * h
    black = grey = 0
    white = []
    for y in range(y0, y0 + h):
        for x in range(x0, x0 + w):
            r, g, b = pixel(x, y)
            if r == g == b == 255:
                white.append((x, y))
            elif max(r, g, b) <= 8:
                black += 1
            elif 40 <= min(r, g, b) and max(r, g, b) <= 250 and max(r, g, b) - min(r, g, b) <= 6:
                grey += 1
    markers = [c for c in white_clusters(white) if is_marker(c)]
    print("client %dx%d at %d,%d: black %.1f%%, lit grey %.1f%%, white %d, marker-like "
          "clusters %s" % (w, h, x0, y0, 100.0 * black / area, 100.0 * grey / area,
                           len(white), [len(c) for c in markers]))
    failures = []
    if (w, h) != (640, 480):
        failures.append("the client area is %d x %d, not 640 x 480" % (w, h))
    if black < 0.30 * area:
        failures.append("too few black pixels outside the wall")
    if grey < 0.05 * area:
        failures.append("too few lit grey wall pixels")
    if not markers:
        failures.append("no small round cluster of white marker pixels")
    for failure in failures:
        print("FAIL: " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
