#!/usr/bin/env python3
"""Draws the sample POI symbols (8-bit bitmaps, 64 x 64, silver = transparent)
and their hotspot file. Every shape is drawn here.
    python3 samples/poi/make_poi.py        (writes into samples/poi/)"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
SIZE = 64
PALETTE = [(192, 192, 192), (0, 0, 0), (255, 255, 255), (200, 30, 30), (30, 90, 200), (40, 140, 40),
           (120, 80, 40), (250, 210, 60)]
SILVER, BLACK, WHITE, RED, BLUE, GREEN, BROWN, YELLOW = range(8)


def canvas():
    return [[SILVER] * SIZE for _ in range(SIZE)]


def fill(img, inside, colour):
    for y in range(SIZE):
        for x in range(SIZE):
            if inside(x + 0.5, y + 0.5):
                img[y][x] = colour


def pin(img, colour):
    # A map pin whose tip is the bottom-centre pixel (32, 62).
    fill(img, lambda x, y: math.hypot(x - 32, y - 22) <= 20 or (y >= 22 and abs(x - 32) <= (62 - y) * 0.5), BLACK)
    fill(img, lambda x, y: math.hypot(x - 32, y - 22) <= 17 or (y >= 22 and abs(x - 32) <= (59 - y) * 0.42), colour)


def hotel():
    img = canvas()
    pin(img, BLUE)
    # An "H" in white.
    fill(img, lambda x, y: 12 <= y <= 32 and (22 <= x <= 26 or 38 <= x <= 42 or (20 <= y <= 24 and 22 <= x <= 42)), WHITE)
    return img


def summit():
    img = canvas()
    fill(img, lambda x, y: y <= 60 and y >= 8 and abs(x - 32) <= (y - 8) * 0.55, BLACK)
    fill(img, lambda x, y: y <= 57 and y >= 13 and abs(x - 32) <= (y - 13) * 0.5, BROWN)
    fill(img, lambda x, y: y >= 13 and y <= 26 and abs(x - 32) <= (y - 13) * 0.5, WHITE)
    return img


def camping():
    img = canvas()
    fill(img, lambda x, y: 4 <= y <= 60 and 4 <= x <= 60, BLACK)
    fill(img, lambda x, y: 7 <= y <= 57 and 7 <= x <= 57, GREEN)
    fill(img, lambda x, y: 18 <= y <= 50 and abs(x - 32) <= (y - 18) * 0.6, YELLOW)
    fill(img, lambda x, y: 36 <= y <= 50 and abs(x - 32) <= (y - 36) * 0.3, BLACK)
    return img


def write_bmp(path, img):
    row_bytes = (SIZE + 3) & ~3
    pixels = b"".join(bytes(img[y]) + b"\x00" * (row_bytes - SIZE) for y in range(SIZE - 1, -1, -1))
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in PALETTE)
    offset = 14 + 40 + len(palette)
    header = b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 8, 0, len(pixels), 3780, 3780, len(PALETTE), 0)
    with open(path, "wb") as f:
        f.write(header + info + palette + pixels)


if __name__ == "__main__":
    write_bmp(os.path.join(HERE, "Hotel.bmp"), hotel())
    write_bmp(os.path.join(HERE, "Summit.bmp"), summit())
    write_bmp(os.path.join(HERE, "camping.bmp"), camping())
    # Hotspots are given for the bitmap, which is drawn at half its size.
    with open(os.path.join(HERE, "hotspot.txt"), "wb") as f:
        f.write(b"Hotel: 32,62\r\nSummit. 32,60\r\n")
