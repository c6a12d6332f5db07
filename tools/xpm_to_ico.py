#!/usr/bin/env python3
"""Turns the icon's text source (a 32 x 32 XPM of at most 16 colours, one character a
pixel) into a Windows .ico holding one 4-bit, fully opaque image."""
import re
import struct
import sys


def read_xpm(path):
    strings = re.findall(r'"([^"]*)"', open(path, encoding="ascii").read())
    width, height, count, chars = (int(v) for v in strings[0].split()[:4])
    if chars != 1 or count > 16:
        sys.exit(f"{path}: one character a pixel and at most 16 colours, please")
    colours = {}
    for line in strings[1:1 + count]:
        key, _, value = line[0], line[1:].split()[0], line[1:].split()[1]
        colours[key] = tuple(int(value[i:i + 2], 16) for i in (1, 3, 5))
    rows = strings[1 + count:1 + count + height]
    if len(rows) != height or any(len(row) != width for row in rows):
        sys.exit(f"{path}: the picture is not {width} x {height}")
    return width, height, colours, rows


def write_ico(path, width, height, colours, rows):
    keys = sorted(colours)
    palette = b"".join(struct.pack("<BBBB", *reversed(colours[k]), 0) for k in keys)
    palette += b"\0" * (64 - len(palette))
    index = {k: i for i, k in enumerate(keys)}
    xor = b""
    for row in reversed(rows):  # bottom-up
        for x in range(0, width, 2):
            xor += bytes([index[row[x]] << 4 | index[row[x + 1]]])
    mask = b"\0" * (((width + 31) // 32) * 4 * height)  # all opaque
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 4, 0, len(xor) + len(mask),
                         0, 0, 16, 0)
    image = header + palette + xor + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", width, height, 16, 0, 1, 4, len(image), 6 + 16)
    open(path, "wb").write(directory + entry + image)


if __name__ == "__main__":
    write_ico(sys.argv[2], *read_xpm(sys.argv[1]))
