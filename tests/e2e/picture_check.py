#!/usr/bin/env python3
"""Usage: picture_check.py [--centres] SCREENSHOT FRAME.raw

Whether a screenshot is exactly glimmerhex-render's raw frame (320 x 200 indices, then 256
colours of four bytes) fitted by the rule alone: the largest rectangle of its aspect, rounded,
centred, black around it, screen column x of w showing picture column floor(x * 320 / w)
(with --centres, OpenGL's floor((x + 1/2) * 320 / w), either side on an edge); lines alike.
"""
import subprocess
import sys

WIDTH, HEIGHT = 320, 200


def positions(size, count, centres):
    """The picture positions each of size screen positions may show, the likeliest first."""
    if not centres:
        return [(s * count // size,) for s in range(size)]
    shown = [divmod((2 * s + 1) * count, 2 * size) for s in range(size)]
    return [(p, p - 1) if edge == 0 and p > 0 else (p,) for p, edge in shown]


def main():
    centres = sys.argv[1:2] == ["--centres"]
    if len(sys.argv) != 3 + centres:
        raise SystemExit(__doc__)
    shot, raw = sys.argv[1 + centres:]
    ppm = subprocess.run(["convert", shot, "-depth", "8", "ppm:-"], check=True,
                         capture_output=True).stdout
    magic, size, _, pixels = ppm.split(b"\n", 3)  # as ImageMagick writes P6
    w, h = map(int, size.split())
    frame = open(raw, "rb").read()
    if magic != b"P6" or len(frame) != WIDTH * HEIGHT + 1024:
        raise SystemExit(f"{shot} or {raw} is not what the check reads")
    indices = frame[:WIDTH * HEIGHT]
    colours = [frame[WIDTH * HEIGHT + 4 * i:WIDTH * HEIGHT + 4 * i + 3] for i in range(256)]
    if w * HEIGHT <= h * WIDTH:  # bars above and below
        pw, ph = w, (w * HEIGHT + WIDTH // 2) // WIDTH
    else:
        pw, ph = (h * WIDTH + HEIGHT // 2) // HEIGHT, h
    x, y = (w - pw) // 2, (h - ph) // 2
    columns, rows = positions(pw, WIDTH, centres), positions(ph, HEIGHT, centres)
    black = bytes(3)
    differ, lines_off, first = 0, 0, None
    for sy in range(h):
        got = pixels[3 * w * sy:3 * w * (sy + 1)]
        inside = y <= sy < y + ph
        line = [colours[indices[rows[sy - y][0] * WIDTH + c[0]]] for c in columns] if inside else []
        want = black * x + b"".join(line) + black * (w - x - len(line)) if inside else black * w
        if got == want:  # most lines: only one that differs is gone through pixel by pixel
            continue
        before = differ
        for sx in range(w):
            pixel = got[3 * sx:3 * sx + 3]
            expected = want[3 * sx:3 * sx + 3]
            may = {expected}
            if inside and x <= sx < x + pw:
                may |= {colours[indices[py * WIDTH + px]] for py in rows[sy - y]
                        for px in columns[sx - x]}
            if pixel not in may:
                differ += 1
                first = first or f"{sx},{sy}: #{pixel.hex()} where the frame has #{expected.hex()}"
        lines_off += differ > before
    in_frame = len({colours[i] for i in set(indices)})
    said = f"{w}x{h}: picture {pw}x{ph}+{x}+{y}, {in_frame} colours in the frame; "
    print("  " + said + (f"{differ} pixels on {lines_off} lines differ, the first at {first}"
                         if differ else "every pixel as the frame"))
    sys.exit(0 if differ == 0 and in_frame > 4 else 1)


if __name__ == "__main__":
    main()
