#!/usr/bin/env python3
"""Draws the configurator's icon (a window with a tree on the left and tabbed
pages on the right) at 32 x 32 and 16 x 16 and writes it as an .ico file."""
import struct
import sys

BACK = (0, 0, 0, 0)
FRAME = (40, 40, 40, 255)
TITLE = (160, 80, 20, 255)
PAPER = (245, 245, 240, 255)
TREE = (30, 110, 60, 255)
TAB = (200, 200, 195, 255)
SLIDER = (20, 60, 160, 255)


def draw(size):
    s = size / 32.0
    pixels = [[BACK] * size for _ in range(size)]

    def box(x0, y0, x1, y1, colour):
        for y in range(int(y0 * s), max(int(y0 * s) + 1, int(y1 * s))):
            for x in range(int(x0 * s), max(int(x0 * s) + 1, int(x1 * s))):
                if 0 <= x < size and 0 <= y < size:
                    pixels[y][x] = colour

    box(1, 3, 31, 29, FRAME)
    box(2, 4, 30, 8, TITLE)
    box(2, 9, 30, 28, PAPER)
    # the tree: a trunk and three branches
    box(4, 11, 5, 25, TREE)
    for y in (12, 17, 22):
        box(4, y, 10, y + 2, TREE)
    # the tabs and a page with two sliders
    box(13, 11, 18, 13, TAB)
    box(19, 11, 24, 13, TAB)
    box(13, 13, 29, 26, TAB)
    box(15, 16, 27, 17, SLIDER)
    box(20, 15, 22, 18, FRAME)
    box(15, 21, 27, 22, SLIDER)
    box(17, 20, 19, 23, FRAME)
    return pixels


def image(size):
    pixels = draw(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = b''.join(bytes((b, g, r, a)) for row in reversed(pixels) for (r, g, b, a) in row)
    mask_row = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(mask_row)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + rows + bytes(mask)


def main():
    sizes = (32, 16)
    images = [image(n) for n in sizes]
    out = struct.pack('<HHH', 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for n, data in zip(sizes, images):
        out += struct.pack('<BBBBHHII', n, n, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(sys.argv[1], 'wb') as f:
        f.write(out + b''.join(images))


if __name__ == '__main__':
    main()
