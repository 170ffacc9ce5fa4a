#!/usr/bin/env python3
"""Zone plate for compare.sh.

  zone_plate.py make <side> <out.pgm>     a plate whose local frequency grows from 0 at the
                                          centre to 0.5 cycles a pixel at the corners
  zone_plate.py alias <side> <image>      RMS distance from mid-grey of a reduced copy, over the
                                          pixels whose source frequency lies beyond 1.5 x the new
                                          Nyquist: what is left there is aliasing
  zone_plate.py ssim <image> <reference>  mean SSIM of the two images' luminance over 8 x 8
                                          blocks (ImageMagick 6 has no SSIM metric)
"""
import math
import os
import subprocess
import sys


def make(side, path):
    centre = side / 2.0
    r_max = centre * math.sqrt(2.0)
    k = math.pi / (2.0 * r_max)
    squares = [(x + 0.5 - centre) ** 2 for x in range(side)]
    with open(path, "wb") as out:
        out.write(b"P5\n%d %d\n255\n" % (side, side))
        for y in range(side):
            dy2 = (y + 0.5 - centre) ** 2
            out.write(bytes(int(127.5 + 127.0 * math.cos(k * (dx2 + dy2)) + 0.5)
                            for dx2 in squares))


def read_grey(path):
    # ImageMagick by a name that is ImageMagick: compare.sh passes the one it found.
    magick = os.environ.get("MAGICK", "convert-im6.q16")
    pgm = subprocess.run([magick, path, "-colorspace", "gray", "-depth", "8", "pgm:-"],
                         check=True, capture_output=True).stdout
    fields = pgm.split(maxsplit=4)
    return int(fields[1]), int(fields[2]), fields[4]


def alias(side, path):
    width, height, pixels = read_grey(path)
    scale = side / width
    nyquist = 0.5 / scale
    centre = side / 2.0
    r_max = centre * math.sqrt(2.0)
    total = 0.0
    count = 0
    for y in range(height):
        dy = (y + 0.5) * scale - centre
        row = pixels[y * width:(y + 1) * width]
        for x in range(width):
            dx = (x + 0.5) * scale - centre
            if math.hypot(dx, dy) / (2.0 * r_max) < 1.5 * nyquist:
                continue
            total += (row[x] - 127.5) ** 2
            count += 1
    print("%.2f" % math.sqrt(total / count) if count else "n/a")


def ssim(path, reference):
    width, height, a = read_grey(path)
    rw, rh, b = read_grey(reference)
    if (width, height) != (rw, rh):
        sys.exit("sizes differ: %dx%d and %dx%d" % (width, height, rw, rh))
    c1, c2 = (0.01 * 255) ** 2, (0.03 * 255) ** 2
    total = 0.0
    blocks = 0
    for by in range(0, height - 7, 8):
        for bx in range(0, width - 7, 8):
            xs = [a[(by + j) * width + bx + i] for j in range(8) for i in range(8)]
            ys = [b[(by + j) * width + bx + i] for j in range(8) for i in range(8)]
            mx = sum(xs) / 64.0
            my = sum(ys) / 64.0
            vx = sum((x - mx) ** 2 for x in xs) / 63.0
            vy = sum((y - my) ** 2 for y in ys) / 63.0
            cov = sum((x - mx) * (y - my) for x, y in zip(xs, ys)) / 63.0
            total += ((2 * mx * my + c1) * (2 * cov + c2)) / ((mx * mx + my * my + c1) * (vx + vy + c2))
            blocks += 1
    print("%.4f" % (total / blocks))


if __name__ == "__main__":
    if sys.argv[1] == "make":
        make(int(sys.argv[2]), sys.argv[3])
    elif sys.argv[1] == "ssim":
        ssim(sys.argv[2], sys.argv[3])
    else:
        alias(int(sys.argv[2]), sys.argv[3])
