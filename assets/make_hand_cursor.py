#!/usr/bin/python3
"""Draws Tabvale's pointing-hand cursor and writes it as a Windows cursor file.

Usage: make_hand_cursor.py [OUTPUT]   (default: HAND-M.CUR next to this script)

The hand is pixel art on a 32x32 canvas: a black outline around a white
fill, finger separations, and a soft shadow one pixel down and right. The
file holds one 32-bit image with alpha plus the 1-bit transparency mask that
older readers use; the hotspot is the tip of the index finger.
"""

import os
import struct
import sys

SIZE = 32

# Each finger: (left column, top row); every finger is four columns wide
# and reaches down to the palm.
FINGERS = [(5, 0), (8, 5), (11, 6), (14, 8)]
PALM_TOP = 10
# Rows of the palm and wrist below the fingers: (row, first column, last column).
PALM_ROWS = [(row, 5, 17) for row in range(PALM_TOP, 19)] + [
    (19, 6, 16),
    (20, 7, 16),
    (21, 7, 15),
    (22, 7, 15),
]
THUMB_ROWS = [(10, 2, 4), (11, 1, 5), (12, 1, 5), (13, 2, 5), (14, 3, 5), (15, 4, 5)]

HOTSPOT = (FINGERS[0][0] + 1, FINGERS[0][1])

TRANSPARENT, OUTLINE, FILL, SHADOW = 0, 1, 2, 3
COLOURS = {  # BGRA
    TRANSPARENT: (0, 0, 0, 0),
    OUTLINE: (0, 0, 0, 255),
    FILL: (255, 255, 255, 255),
    SHADOW: (0, 0, 0, 72),
}


def hand_shape():
    filled = set()
    for left, top in FINGERS:
        for row in range(top, PALM_TOP + 1):
            for col in range(left, left + 4):
                # Leave the top corners out so that each fingertip is round.
                if row == top and col in (left, left + 3):
                    continue
                filled.add((col, row))
    for rows in (PALM_ROWS, THUMB_ROWS):
        for row, first, last in rows:
            for col in range(first, last + 1):
                filled.add((col, row))
    return filled


def draw_hand():
    filled = hand_shape()
    canvas = [[TRANSPARENT] * SIZE for _ in range(SIZE)]
    for col, row in filled:
        neighbours = [(col - 1, row), (col + 1, row), (col, row - 1), (col, row + 1)]
        edge = any(n not in filled for n in neighbours)
        canvas[row][col] = OUTLINE if edge else FILL
    # Where two fingers stand side by side their shared column is a crease
    # down to the knuckles.
    for (left, top), (next_left, next_top) in zip(FINGERS, FINGERS[1:]):
        for row in range(max(top, next_top), PALM_TOP + 1):
            canvas[row][next_left] = OUTLINE
    # The thumb's crease where it meets the palm.
    for row in range(PALM_TOP, 14):
        canvas[row][5] = OUTLINE
    for col, row in filled:
        col2, row2 = col + 1, row + 1
        if col2 < SIZE and row2 < SIZE and (col2, row2) not in filled:
            canvas[row2][col2] = SHADOW
    return canvas


def cursor_file(canvas, hotspot):
    pixels = bytearray()
    mask = bytearray()
    mask_row_bytes = ((SIZE + 31) // 32) * 4
    for row in reversed(range(SIZE)):  # bitmaps are stored bottom-up
        bits = 0
        for col in range(SIZE):
            blue, green, red, alpha = COLOURS[canvas[row][col]]
            pixels += bytes((blue, green, red, alpha))
            if alpha == 0:
                bits |= 1 << (SIZE - 1 - col)
        mask += bits.to_bytes(SIZE // 8, "big").ljust(mask_row_bytes, b"\0")
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0,
                         len(pixels) + len(mask), 0, 0, 0, 0)
    image = header + bytes(pixels) + bytes(mask)
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, hotspot[0], hotspot[1],
                        len(image), 6 + 16)
    return directory + entry + image


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "HAND-M.CUR")
    canvas = draw_hand()
    with open(output, "wb") as out:
        out.write(cursor_file(canvas, HOTSPOT))
    if os.environ.get("SHOW"):
        for row in canvas:
            print("".join(" X.:"[cell] for cell in row))


if __name__ == "__main__":
    main()
