#!/usr/bin/env python3
"""Whether a screenshot is exactly the render tool's frame, fitted into the screen.

Usage: picture_check.py [--centres] SCREENSHOT FRAME.raw

FRAME.raw is what glimmerhex-render --out FRAME.raw writes: 320 x 200 palette indices, a
line after another, then 256 colours of four bytes (red, green, blue, flags). The frame is
fitted here by the rule alone, not by the programs' own code: the largest rectangle of its
aspect, rounded to the nearest pixel, centred, black around it; screen pixel x of a
rectangle w wide shows picture column floor(x * 320 / w), and likewise for lines. The
screenshot (any format ImageMagick reads) must equal that, pixel for pixel. With --centres,
the rule of a texture sampled at each pixel's centre, as OpenGL's nearest filtering does:
floor((x + 1/2) * 320 / w), either side where that is a whole number. One line tells
what was found; the status is 0 only when nothing differs.
"""
import subprocess
import sys

WIDTH, HEIGHT = 320, 200


def read_ppm(path):
    data = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True,
                          capture_output=True).stdout
    # P6, width, height, maxval, one blank, then the pixels.
    fields, at = [], 0
    while len(fields) < 4:
        while data[at:at + 1].isspace():
            at += 1
        start = at
        while not data[at:at + 1].isspace():
            at += 1
        fields.append(data[start:at])
    if fields[0] != b"P6" or fields[3] != b"255":
        raise SystemExit(f"{path}: not an 8-bit RGB picture")
    return int(fields[1]), int(fields[2]), data[at + 1:]


def fitted_rect(w, h):
    if w * HEIGHT <= h * WIDTH:  # bars above and below
        pw, ph = w, (w * HEIGHT + WIDTH // 2) // WIDTH
    else:  # bars left and right
        pw, ph = (h * WIDTH + HEIGHT // 2) // HEIGHT, h
    return (w - pw) // 2, (h - ph) // 2, pw, ph


def positions(size, count, centres):
    """For each of size screen positions, the picture positions it may show: with centres,
    a centre exactly on the edge between two texels may take either, as the rasteriser's
    rounding falls."""
    if not centres:
        return [(s * count // size,) for s in range(size)]
    shown = []
    for s in range(size):
        p, off = divmod((2 * s + 1) * count, 2 * size)
        shown.append((p, p - 1) if off == 0 and p > 0 else (p,))
    return shown


def main():
    arguments = sys.argv[1:]
    centres = arguments[:1] == ["--centres"]
    arguments = arguments[1:] if centres else arguments
    if len(arguments) != 2:
        raise SystemExit(__doc__.split("\n\n")[1])
    w, h, pixels = read_ppm(arguments[0])
    with open(arguments[1], "rb") as f:
        frame = f.read()
    if len(frame) != WIDTH * HEIGHT + 256 * 4:
        raise SystemExit(f"{arguments[1]}: {len(frame)} bytes, not a 320 x 200 raw frame")
    indices, entries = frame[:WIDTH * HEIGHT], frame[WIDTH * HEIGHT:]
    colours = [entries[4 * i:4 * i + 3] for i in range(256)]
    x, y, pw, ph = fitted_rect(w, h)
    columns, rows = positions(pw, WIDTH, centres), positions(ph, HEIGHT, centres)
    black = bytes(3)

    def may_show(sx, sy):
        if not (x <= sx < x + pw and y <= sy < y + ph):
            return {black}
        return {colours[indices[py * WIDTH + px]] for py in rows[sy - y] for px in columns[sx - x]}

    # Each screen line as built from the first of its positions; only a line that differs
    # is gone through pixel by pixel.
    built = {}
    stride = 3 * w
    differ, first, lines_off = 0, None, 0
    for sy in range(h):
        py = rows[sy - y][0] if y <= sy < y + ph else None
        if py not in built:
            built[py] = black * w if py is None else black * x + b"".join(
                colours[indices[py * WIDTH + c[0]]] for c in columns) + black * (w - x - pw)
        got = pixels[sy * stride:(sy + 1) * stride]
        if got == built[py]:
            continue
        off_before = differ
        for sx in range(w):
            pixel = got[3 * sx:3 * sx + 3]
            if pixel == built[py][3 * sx:3 * sx + 3] or pixel in may_show(sx, sy):
                continue
            differ += 1
            if first is None:
                first = (sx, sy, pixel.hex(), built[py][3 * sx:3 * sx + 3].hex())
        lines_off += differ > off_before
    in_frame = len({colours[i] for i in set(indices)})
    said = f"{w}x{h}: picture {pw}x{ph}+{x}+{y}, {in_frame} colours in the frame; "
    if differ:
        sx, sy, got, want = first
        said += (f"{differ} pixels on {lines_off} lines differ, the first at {sx},{sy}: "
                 f"#{got} where the frame has #{want}")
    else:
        said += "every pixel as the frame"
    print("  " + said)
    # A frame of a colour or two would hide a picture shown shifted or not at all.
    sys.exit(0 if differ == 0 and in_frame > 4 else 1)


if __name__ == "__main__":
    main()
