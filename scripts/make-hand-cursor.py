#!/usr/bin/env python3
"""Draws resources/HAND-M.CUR: a 32x32 pointing hand, hotspot on the fingertip.

The cursor is committed; run this only to change it. '#' is the outline, '.' the
fill, anything else transparent.
"""
import struct
import sys

ART = [
    "      ##                        ",
    "     #..#                       ",
    "     #..#                       ",
    "     #..#                       ",
    "     #..#                       ",
    "     #..###                     ",
    "     #..#..###                  ",
    "     #..#..#..##                ",
    "     #..#..#..#.#               ",
    " ### #..#..#..#..#              ",
    " #..##.........#.#              ",
    " #...#...........#              ",
    "  #..#...........#              ",
    "  #..............#              ",
    "   #.............#              ",
    "   #.............#              ",
    "    #...........#               ",
    "    #...........#               ",
    "     #.........#                ",
    "     #.........#                ",
    "     ###########                ",
]
HOTSPOT = (6, 0)
SIZE = 32


def build():
    rows = [line.ljust(SIZE)[:SIZE] for line in ART] + [" " * SIZE] * (SIZE - len(ART))
    pixels = bytearray()
    mask = bytearray()
    for line in reversed(rows):  # bitmaps are stored bottom-up
        bits = 0
        for x, ch in enumerate(line):
            if ch == "#":
                pixels += bytes((0, 0, 0, 255))
            elif ch == ".":
                pixels += bytes((255, 255, 255, 255))
            else:
                pixels += bytes((0, 0, 0, 0))
                bits |= 1 << (31 - x)
        mask += struct.pack(">I", bits)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    image = header + pixels + mask
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, HOTSPOT[0], HOTSPOT[1], len(image), 6 + 16)
    return directory + entry + image


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else "resources/HAND-M.CUR"
    with open(out, "wb") as f:
        f.write(build())
