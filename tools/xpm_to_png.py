#!/usr/bin/env python3
"""Turns the icon's text source into an opaque RGB PNG of a given size: whole multiples of
the picture's size repeat each pixel (the cells stay sharp), whole fractions average each
block of pixels."""
import struct
import sys
import zlib

from xpm_to_ico import read_xpm


def scaled(width, height, colours, rows, size):
    pixels = [[colours[key] for key in row] for row in rows]
    if size % width == 0 and size % height == 0:
        fx, fy = size // width, size // height
        return [[pixels[y // fy][x // fx] for x in range(size)] for y in range(size)]
    if width % size == 0 and height % size == 0:
        bx, by = width // size, height // size
        count = bx * by

        def average(x, y):
            block = [pixels[y * by + j][x * bx + i] for j in range(by) for i in range(bx)]
            return tuple((sum(p[c] for p in block) + count // 2) // count for c in range(3))

        return [[average(x, y) for x in range(size)] for y in range(size)]
    sys.exit(f"{size} is neither a whole multiple nor a whole fraction of {width} x {height}")


def write_png(path, picture):
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    height, width = len(picture), len(picture[0])
    raw = b"".join(b"\0" + bytes(c for pixel in row for c in pixel) for row in picture)
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)  # 8-bit RGB
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                  chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit("usage: xpm_to_png.py ICON.xpm OUT.png SIZE")
    write_png(sys.argv[2], scaled(*read_xpm(sys.argv[1]), int(sys.argv[3])))
