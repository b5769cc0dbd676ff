#!/usr/bin/env python3
"""Draws the picture of the demo's band saw and writes it as a 4-bit
palette BMP (uncompressed), the form the library reads.

The palette holds the library's 16 reference colours, so every pixel maps
to its colour exactly.  Usage: tools/demo_bitmap.py [OUTPUT]
(default examples/demo/SAW.BMP).
"""
import math
import os
import struct
import sys

WIDTH, HEIGHT = 160, 96

# The reference colours of the library's palette, index: (red, green, blue).
PALETTE = [
    (0, 0, 0), (0, 84, 84), (0, 0, 192), (84, 168, 252),
    (152, 152, 152), (168, 168, 252), (168, 252, 252), (252, 252, 252),
    (232, 232, 232), (192, 192, 192), (112, 112, 112), (252, 252, 0),
    (0, 252, 252), (252, 0, 0), (0, 120, 0), (0, 152, 0),
]
BLACK, TEAL, BLUE, SKY, GREY, LILAC, ICE, WHITE = range(8)
LIGHT, BACK, DARK, YELLOW, CYAN, RED, GREEN, LEAF = range(8, 16)


def canvas():
    return [[BACK] * WIDTH for _ in range(HEIGHT)]


def box(pic, x0, y0, x1, y1, colour):
    """Fills the box from (x0, y0) to (x1, y1), both included."""
    for y in range(max(y0, 0), min(y1, HEIGHT - 1) + 1):
        for x in range(max(x0, 0), min(x1, WIDTH - 1) + 1):
            pic[y][x] = colour


def frame(pic, x0, y0, x1, y1, colour):
    box(pic, x0, y0, x1, y0, colour)
    box(pic, x0, y1, x1, y1, colour)
    box(pic, x0, y0, x0, y1, colour)
    box(pic, x1, y0, x1, y1, colour)


def disc(pic, cx, cy, r, colour):
    for y in range(cy - r, cy + r + 1):
        for x in range(cx - r, cx + r + 1):
            if (x - cx) ** 2 + (y - cy) ** 2 <= r * r and 0 <= x < WIDTH and 0 <= y < HEIGHT:
                pic[y][x] = colour


def wheel(pic, cx, cy, r):
    disc(pic, cx, cy, r, BLACK)
    disc(pic, cx, cy, r - 2, GREY)
    disc(pic, cx, cy, 3, DARK)
    for k in range(8):
        a = k * math.pi / 4
        for t in range(4, r - 2):
            pic[round(cy + t * math.sin(a))][round(cx + t * math.cos(a))] = DARK


def saw():
    """A horizontal band saw: the bow with its two wheels over the vise,
    the lower run of the band cutting the bar."""
    pic = canvas()
    box(pic, 4, 84, 155, 91, DARK)              # base
    box(pic, 22, 66, 28, 83, DARK)              # legs
    box(pic, 132, 66, 138, 83, DARK)
    box(pic, 8, 62, 152, 65, GREY)              # table
    box(pic, 140, 20, 150, 61, DARK)            # pivot column
    frame(pic, 140, 20, 150, 61, BLACK)
    box(pic, 24, 6, 142, 12, BLUE)              # bow
    frame(pic, 24, 6, 142, 12, BLACK)
    wheel(pic, 30, 28, 17)
    wheel(pic, 126, 28, 17)
    box(pic, 30, 10, 126, 11, CYAN)             # upper run of the band
    box(pic, 30, 44, 126, 45, CYAN)             # lower run: the blade
    box(pic, 52, 40, 58, 48, BLUE)              # blade guides
    box(pic, 98, 40, 104, 48, BLUE)
    box(pic, 8, 49, 152, 61, SKY)               # the bar
    frame(pic, 8, 49, 152, 61, BLACK)
    box(pic, 66, 46, 72, 61, YELLOW)            # vise jaws
    frame(pic, 66, 46, 72, 61, BLACK)
    box(pic, 84, 46, 90, 61, YELLOW)
    frame(pic, 84, 46, 90, 61, BLACK)
    box(pic, 10, 73, 40, 74, RED)               # feed of the bar
    for i in range(5):
        box(pic, 40 + i, 69 + i, 40 + i, 78 - i, RED)
    box(pic, 140, 86, 146, 89, LEAF)            # lamp: ready
    return pic


def bmp(pic):
    """The picture as a 4-bit BMP: rows bottom first, two pixels a byte."""
    rows = []
    for row in reversed(pic):
        data = bytes((row[x] << 4) | row[x + 1] for x in range(0, WIDTH, 2))
        rows.append(data + b"\0" * (-len(data) % 4))
    pixels = b"".join(rows)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 4, 0, len(pixels),
                       2835, 2835, 16, 16)
    return header + info + palette + pixels


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "examples", "demo", "SAW.BMP")
    with open(out, "wb") as f:
        f.write(bmp(saw()))


if __name__ == "__main__":
    main()
