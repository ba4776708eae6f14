#!/usr/bin/python3
"""Draws Tabvale's application icon and writes it as PNG files.

Usage: make_app_icon.py [FOLDER]   (default: icon/ next to this script)

The icon is a sheet with a blue header row and a grid of cells, and a pencil
lying across it: a table that can be edited. It is drawn from shapes with
supersampling, so that every size is rendered at its own resolution instead
of being scaled from a bigger one.
"""

import math
import os
import struct
import sys
import zlib

SIZES = [16, 24, 32, 48, 64, 128, 256]


# Shapes take a point in the unit square and answer whether it is inside.

def rounded_rect(x0, y0, x1, y1, radius):
    def inside(x, y):
        dx = max(x0 + radius - x, 0.0, x - (x1 - radius))
        dy = max(y0 + radius - y, 0.0, y - (y1 - radius))
        return x0 <= x <= x1 and y0 <= y <= y1 and dx * dx + dy * dy <= radius * radius
    return inside


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def both(first, second):
    return lambda x, y: first(x, y) and second(x, y)


def capsule(ax, ay, bx, by, radius):
    length2 = (bx - ax) ** 2 + (by - ay) ** 2

    def inside(x, y):
        t = ((x - ax) * (bx - ax) + (y - ay) * (by - ay)) / length2
        t = min(1.0, max(0.0, t))
        px, py = ax + t * (bx - ax), ay + t * (by - ay)
        return (x - px) ** 2 + (y - py) ** 2 <= radius * radius
    return inside


def polygon(points):
    def inside(x, y):
        result = False
        j = len(points) - 1
        for i, (xi, yi) in enumerate(points):
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                result = not result
            j = i
        return result
    return inside


def band_across(ax, ay, bx, by, start, end, radius):
    """The part of the capsule a-b between fractions start and end of its length."""
    ux, uy = bx - ax, by - ay
    length = math.hypot(ux, uy)
    ux, uy = ux / length, uy / length
    body = capsule(ax, ay, bx, by, radius)

    def inside(x, y):
        t = ((x - ax) * ux + (y - ay) * uy) / length
        return start <= t <= end and body(x, y)
    return inside


def hex_colour(text, alpha=255):
    text = text.lstrip("#")
    return (int(text[0:2], 16), int(text[2:4], 16), int(text[4:6], 16), alpha)


def layers():
    outline = hex_colour("2f4858")
    shapes = []
    # Soft shadow of the sheet.
    shapes.append((rounded_rect(0.10, 0.15, 0.84, 0.92, 0.07), hex_colour("000000", 60)))
    # The sheet: outline, white body, blue header row.
    shapes.append((rounded_rect(0.06, 0.10, 0.80, 0.88, 0.07), outline))
    body = rounded_rect(0.09, 0.13, 0.77, 0.85, 0.05)
    shapes.append((body, hex_colour("ffffff")))
    shapes.append((both(body, rect(0.0, 0.0, 1.0, 0.31)), hex_colour("2b7bb9")))
    # Grid lines of the cells.
    grid = hex_colour("9fb3c8")
    for y in (0.31, 0.49, 0.67):
        shapes.append((rect(0.09, y - 0.012, 0.77, y + 0.012), grid))
    for x in (0.31, 0.54):
        shapes.append((rect(x - 0.012, 0.31, x + 0.012, 0.85), grid))
    # Header separators, lighter on the blue.
    for x in (0.31, 0.54):
        shapes.append((rect(x - 0.010, 0.16, x + 0.010, 0.28), hex_colour("7fb3dd")))
    # The pencil, from its eraser (top right) to its point (lower left).
    ax, ay, bx, by = 0.93, 0.17, 0.56, 0.63
    radius = 0.075
    shapes.append((capsule(ax + 0.02, ay + 0.03, bx + 0.02, by + 0.03, radius), hex_colour("000000", 60)))
    shapes.append((capsule(ax, ay, bx, by, radius + 0.025), outline))
    shapes.append((band_across(ax, ay, bx, by, 0.0, 1.0, radius), hex_colour("f4b23c")))
    shapes.append((band_across(ax, ay, bx, by, 0.0, 0.16, radius), hex_colour("e06666")))
    shapes.append((band_across(ax, ay, bx, by, 0.16, 0.24, radius), hex_colour("c9ccd1")))
    # Light edge along the pencil's body.
    shapes.append((band_across(ax - 0.025, ay - 0.02, bx - 0.025, by - 0.02, 0.24, 1.0, radius * 0.35),
                   hex_colour("f9d48a")))
    # The sharpened wood and the lead point.
    ux, uy = bx - ax, by - ay
    length = math.hypot(ux, uy)
    ux, uy = ux / length, uy / length
    nx, ny = -uy, ux
    tip = (bx + ux * 0.22, by + uy * 0.22)
    left = (bx + nx * radius, by + ny * radius)
    right = (bx - nx * radius, by - ny * radius)
    shapes.append((polygon([(left[0] + nx * 0.025, left[1] + ny * 0.025),
                            (right[0] - nx * 0.025, right[1] - ny * 0.025),
                            (tip[0] + ux * 0.03, tip[1] + uy * 0.03)]), outline))
    shapes.append((polygon([left, right, tip]), hex_colour("f3dcb2")))
    lead = 0.4
    shapes.append((polygon([(tip[0] + (left[0] - tip[0]) * lead, tip[1] + (left[1] - tip[1]) * lead),
                            (tip[0] + (right[0] - tip[0]) * lead, tip[1] + (right[1] - tip[1]) * lead),
                            tip]), outline))
    return shapes


def render(size, shapes, samples=4):
    rows = []
    step = 1.0 / (size * samples)
    for py in range(size):
        row = bytearray()
        for px in range(size):
            red = green = blue = alpha = 0.0
            for sy in range(samples):
                y = (py * samples + sy + 0.5) * step
                for sx in range(samples):
                    x = (px * samples + sx + 0.5) * step
                    r = g = b = a = 0.0  # premultiplied, painted back to front
                    for inside, (cr, cg, cb, ca) in shapes:
                        if inside(x, y):
                            k = ca / 255.0
                            r = cr * k + r * (1 - k)
                            g = cg * k + g * (1 - k)
                            b = cb * k + b * (1 - k)
                            a = k + a * (1 - k)
                    red += r
                    green += g
                    blue += b
                    alpha += a
            count = samples * samples
            if alpha == 0:
                row += bytes(4)
            else:
                row += bytes((round(red / alpha), round(green / alpha), round(blue / alpha),
                              round(alpha / count * 255)))
        rows.append(bytes(row))
    return rows


def png(size, rows):
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    raw = b"".join(b"\0" + row for row in rows)
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "icon")
    os.makedirs(folder, exist_ok=True)
    shapes = layers()
    for size in SIZES:
        with open(os.path.join(folder, "tabvale-%d.png" % size), "wb") as out:
            out.write(png(size, render(size, shapes, 4 if size >= 64 else 6)))


if __name__ == "__main__":
    main()
