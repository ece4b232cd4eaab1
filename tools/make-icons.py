#!/usr/bin/env python3
"""make-icons.py DIR: draws the player's icons (the program icon and the six
tray controls) as 16 x 16 and 32 x 32 true-colour .ico files into DIR."""
import os
import struct
import sys


def inside_polygon(x, y, points):
    hit = False
    j = len(points) - 1
    for i, (xi, yi) in enumerate(points):
        xj, yj = points[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            hit = not hit
        j = i
    return hit


# Each glyph is a list of polygons in a 0..1 square.
def triangle(x0, x1):
    return [(x0, 0.2), (x1, 0.5), (x0, 0.8)]


def back_triangle(x0, x1):
    return [(x1, 0.2), (x0, 0.5), (x1, 0.8)]


def bar(x0, x1, y0=0.2, y1=0.8):
    return [(x0, y0), (x1, y0), (x1, y1), (x0, y1)]


GLYPHS = {
    "play": [triangle(0.3, 0.8)],
    "pause": [bar(0.28, 0.43), bar(0.57, 0.72)],
    "stop": [bar(0.25, 0.75, 0.25, 0.75)],
    "next": [triangle(0.2, 0.55), triangle(0.45, 0.8), bar(0.78, 0.86)],
    "previous": [back_triangle(0.45, 0.8), back_triangle(0.2, 0.55), bar(0.14, 0.22)],
    "open": [[(0.15, 0.6), (0.5, 0.25), (0.85, 0.6)], bar(0.15, 0.85, 0.68, 0.8)],
    # The program's own: a "Z" on the disc.
    "player": [[(0.25, 0.22), (0.75, 0.22), (0.75, 0.34), (0.42, 0.66), (0.75, 0.66), (0.75, 0.78),
                (0.25, 0.78), (0.25, 0.66), (0.58, 0.34), (0.25, 0.34)]],
}
DISC = (0xa8, 0x62, 0x2a)  # B, G, R
GLYPH = (0xff, 0xff, 0xff)


def image(glyph, size):
    rows = []
    for y in range(size - 1, -1, -1):  # bottom-up
        row = b""
        for x in range(size):
            samples = 4
            disc = mark = 0
            for sy in range(samples):
                for sx in range(samples):
                    u = (x + (sx + 0.5) / samples) / size
                    v = (y + (sy + 0.5) / samples) / size
                    if (u - 0.5) ** 2 + (v - 0.5) ** 2 <= 0.47 ** 2:
                        disc += 1
                        if any(inside_polygon(u, v, p) for p in GLYPHS[glyph]):
                            mark += 1
            n = samples * samples
            alpha = 255 * disc // n
            if disc:
                t = mark / disc
                colour = [int(DISC[i] * (1 - t) + GLYPH[i] * t) for i in range(3)]
            else:
                colour = [0, 0, 0]
            row += bytes(colour) + bytes([alpha])
        rows.append(row)
    pixels = b"".join(rows)
    mask_row = ((size + 31) // 32) * 4
    mask = bytes(mask_row * size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    return header + pixels + mask


def icon(glyph):
    images = [image(glyph, size) for size in (16, 32)]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip((16, 32), images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    for glyph in GLYPHS:
        with open(os.path.join(folder, glyph + ".ico"), "wb") as f:
            f.write(icon(glyph))


if __name__ == "__main__":
    main()
