#!/usr/bin/env python3
"""Makes the demo map of the samples: a synthetic topographic picture of a
2 x 2 km area around 48.137 N 11.575 E (hills with contour lines, forest, a
river, a lake and roads), its description file in our own format, and an
NMEA log of a walk across it. Everything here is drawn by this script.
    python3 samples/map/make_map.py        (writes into samples/map/)"""
import math
import os
import random
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SIZE = 1000                      # pixels, 2 m each
CENTRE_LAT, CENTRE_LON = 48.137, 11.575
METRES_PER_UNIT = 0.06378137     # one geo unit (1e-8 rad) on the program's sphere
UNITS_PER_DEGREE = 1745329.2519943295
SPAN_M = 2000.0
LAT_SPAN = SPAN_M / METRES_PER_UNIT / UNITS_PER_DEGREE
LON_SPAN = LAT_SPAN / math.cos(math.radians(CENTRE_LAT))
SOUTH, WEST = CENTRE_LAT - LAT_SPAN / 2, CENTRE_LON - LON_SPAN / 2

random.seed(7)

# Walk and roads in pixel coordinates (x right, y down).
WALK = [(60, 930), (180, 840), (260, 700), (330, 610), (470, 560), (560, 470), (610, 350), (720, 260),
        (820, 190), (940, 70)]
ROADS = [WALK, [(0, 420), (200, 450), (400, 500), (620, 520), (1000, 600)], [(560, 470), (520, 250), (540, 0)]]
RIVER = [(0, 150), (150, 200), (300, 320), (380, 420), (420, 560), (520, 700), (700, 780), (850, 900), (1000, 960)]
LAKE = (760, 650, 70, 45)        # centre x, y, radii


def height(x, y):
    u, v = x / SIZE, y / SIZE
    h = 520 + 70 * math.exp(-((u - 0.28) ** 2 + (v - 0.3) ** 2) / 0.03)
    h += 50 * math.exp(-((u - 0.78) ** 2 + (v - 0.35) ** 2) / 0.02)
    h += 25 * math.exp(-((u - 0.35) ** 2 + (v - 0.85) ** 2) / 0.015)
    h += 6 * math.sin(u * 17 + v * 5) + 4 * math.cos(v * 23 - u * 7)
    return h


def tint(h):
    stops = [(500, (196, 222, 170)), (540, (220, 232, 176)), (570, (236, 226, 180)), (600, (228, 206, 166)),
             (650, (214, 186, 150))]
    for (h0, c0), (h1, c1) in zip(stops, stops[1:]):
        if h <= h1:
            t = max(0.0, (h - h0) / (h1 - h0))
            return tuple(int(a + (b - a) * t) for a, b in zip(c0, c1))
    return stops[-1][1]


def stamp_path(img, points, radius, colour):
    for (x0, y0), (x1, y1) in zip(points, points[1:]):
        steps = int(max(abs(x1 - x0), abs(y1 - y0))) + 1
        for i in range(steps + 1):
            cx, cy = x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps
            for dy in range(-radius, radius + 1):
                for dx in range(-radius, radius + 1):
                    if dx * dx + dy * dy <= radius * radius:
                        px, py = int(cx) + dx, int(cy) + dy
                        if 0 <= px < SIZE and 0 <= py < SIZE:
                            img[py][px] = colour


def draw_map():
    heights = [[height(x, y) for x in range(SIZE)] for y in range(SIZE)]
    forest_seeds = [(random.uniform(0, SIZE), random.uniform(0, SIZE), random.uniform(60, 140)) for _ in range(9)]
    img = []
    for y in range(SIZE):
        row = []
        hy = heights[y]
        below = heights[min(y + 1, SIZE - 1)]
        for x in range(SIZE):
            h = hy[x]
            r, g, b = tint(h)
            forest = any((x - fx) ** 2 + (y - fy) ** 2 < fr * fr for fx, fy, fr in forest_seeds)
            if forest:
                r, g, b = int(r * 0.72), int(g * 0.86), int(b * 0.62)
                if (x * 7 + y * 13) % 23 == 0:
                    r, g, b = 60, 110, 50
            level = math.floor(h / 10)
            right = hy[min(x + 1, SIZE - 1)]
            if math.floor(right / 10) != level or math.floor(below[x] / 10) != level:
                r, g, b = (150, 90, 40) if level % 5 == 0 else (185, 135, 90)
            row.append((r, g, b))
        img.append(row)
    lx, ly, rx, ry = LAKE
    for y in range(ly - ry - 2, ly + ry + 3):
        for x in range(lx - rx - 2, lx + rx + 3):
            d = ((x - lx) / rx) ** 2 + ((y - ly) / ry) ** 2
            if d <= 1.0:
                img[y][x] = (140, 190, 235)
            elif d <= 1.08:
                img[y][x] = (60, 110, 190)
    stamp_path(img, RIVER, 4, (60, 110, 190))
    stamp_path(img, RIVER, 2, (140, 190, 235))
    for road in ROADS:
        stamp_path(img, road, 4, (110, 110, 110))
    for road in ROADS:
        stamp_path(img, road, 2, (255, 250, 235))
    return img


def write_png(path, img):
    raw = b"".join(b"\x00" + bytes(c for px in row for c in px) for row in img)
    def chunk(tag, data):
        return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF)
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", SIZE, SIZE, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def pixel_to_degrees(x, y_down):
    y_up = SIZE - y_down
    return WEST + x * LON_SPAN / SIZE, SOUTH + y_up * LAT_SPAN / SIZE


def write_description(path):
    def deg(v, pos, neg):
        return f"{abs(v):.7f}".encode() + b"\xb0" + (pos if v >= 0 else neg).encode()
    lines = [b"TYPE:      RASTERMAP", b"NAME:      Trekvane demo hills", b"DATE:      2024/06/15", b"VISIBLE:    YES"]
    for x, y in ((0, 0), (SIZE, SIZE)):
        lon, lat = WEST + x * LON_SPAN / SIZE, SOUTH + y * LAT_SPAN / SIZE
        lines.append(f"REFERENCE_POINT: ({x},{y}) ==> (".encode() + deg(lon, "E", "W") + b"," + deg(lat, "N", "S") + b")")
    lines += [b"HEIGHTDIFF:\t    0", b"PROJECTION:\t    WGS84", b"ELLIPSOID:\t    WGS84", b"FILENAME:  demo_map.png"]
    with open(path, "wb") as f:
        f.write(b"\r\n".join(lines) + b"\r\n")


def nmea(body):
    check = 0
    for c in body.encode():
        check ^= c
    return f"${body}*{check:02X}\r\n"


def coordinate(value, width, pos, neg):
    a = abs(value)
    d = int(a)
    return f"{d:0{width}d}{(a - d) * 60:07.4f}", pos if value >= 0 else neg


def write_walk(path):
    step = 2.5  # pixels per second: 5 m/s
    points = []
    for (x0, y0), (x1, y1) in zip(WALK, WALK[1:]):
        n = max(1, int(math.hypot(x1 - x0, y1 - y0) / step))
        for i in range(n):
            points.append((x0 + (x1 - x0) * i / n + random.uniform(-0.8, 0.8),
                           y0 + (y1 - y0) * i / n + random.uniform(-0.8, 0.8)))
    points.append(WALK[-1])
    out = []
    start = 10 * 3600
    for i, (x, y) in enumerate(points):
        lon, lat = pixel_to_degrees(x, y)
        nx, ny = points[min(i + 1, len(points) - 1)]
        course = (math.degrees(math.atan2(nx - x, -(ny - y))) + 360) % 360 if i + 1 < len(points) else 0
        t = start + i
        hhmmss = f"{t // 3600:02d}{t // 60 % 60:02d}{t % 60:02d}.00"
        la, ns = coordinate(lat, 2, "N", "S")
        lo, ew = coordinate(lon, 3, "E", "W")
        alt = height(x, y)
        out.append(nmea(f"GPGGA,{hhmmss},{la},{ns},{lo},{ew},1,08,0.9,{alt:.1f},M,47.0,M,,"))
        out.append(nmea("GPGSA,A,3,02,05,07,09,13,16,20,29,,,,,1.6,0.9,1.3"))
        out.append(nmea(f"GPRMC,{hhmmss},A,{la},{ns},{lo},{ew},{5 / 0.514444:.1f},{course:.1f},150624,,,A"))
    with open(path, "w", newline="") as f:
        f.writelines(out)


if __name__ == "__main__":
    write_png(os.path.join(HERE, "demo_map.png"), draw_map())
    write_description(os.path.join(HERE, "demo_map.CAL"))
    write_walk(os.path.join(HERE, "walk.nmea"))
