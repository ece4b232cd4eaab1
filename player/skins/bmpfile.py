"""Reading Windows BMP files (1, 4, 8, 24 and 32 bits a pixel, RLE8 and
RLE4 compression, bottom-up or top-down) into rows of (r, g, b) tuples.
Standard library only; used by the preview tool and the skin tests."""

import struct


class BmpError(ValueError):
    pass


class Bitmap:
    def __init__(self, w, h, rows):
        self.w, self.h, self.rows = w, h, rows   # rows[y][x] = (r, g, b), top row first

    def pixel(self, x, y):
        return self.rows[y][x]


def _rle(data, w, h, bits):
    """Decodes RLE8 / RLE4 into palette indexes, rows bottom-up."""
    out = [[0] * w for _ in range(h)]
    x = y = i = 0
    n = len(data)
    while i + 1 < n and y < h:
        count, value = data[i], data[i + 1]
        i += 2
        if count:
            for k in range(count):
                if x < w:
                    out[y][x] = value if bits == 8 else (value >> 4 if k % 2 == 0 else value & 15)
                x += 1
        elif value == 0:
            x, y = 0, y + 1
        elif value == 1:
            break
        elif value == 2:
            if i + 1 >= n:
                break
            x += data[i]
            y += data[i + 1]
            i += 2
        else:
            for k in range(value):
                if bits == 8:
                    v = data[i + k] if i + k < n else 0
                else:
                    b = data[i + k // 2] if i + k // 2 < n else 0
                    v = b >> 4 if k % 2 == 0 else b & 15
                if x < w and y < h:
                    out[y][x] = v
                x += 1
            used = value if bits == 8 else (value + 1) // 2
            i += used + (used & 1)
    return out


def parse(data):
    if len(data) < 26 or data[:2] != b"BM":
        raise BmpError("not a BMP file")
    offset = struct.unpack_from("<I", data, 10)[0]
    hsize = struct.unpack_from("<I", data, 14)[0]
    if hsize == 12:
        w, h, _, bpp = struct.unpack_from("<HHHH", data, 18)
        comp, ncol, pal_entry = 0, 0, 3
    elif hsize >= 40:
        w, h, _, bpp, comp, _, _, _, ncol = struct.unpack_from("<iiHHIIiiI", data, 18)
        pal_entry = 4
    else:
        raise BmpError("unknown BMP header size %d" % hsize)
    top_down = h < 0
    h = abs(h)
    if w <= 0 or h <= 0 or w > 16384 or h > 16384:
        raise BmpError("bad BMP size %dx%d" % (w, h))
    palette = []
    if bpp <= 8:
        count = ncol or (1 << bpp)
        base = 14 + hsize
        for k in range(count):
            b, g, r = data[base + k * pal_entry: base + k * pal_entry + 3]
            palette.append((r, g, b))
    pixels = data[offset:]
    rows = []
    if comp in (1, 2):
        idx = _rle(pixels, w, h, 8 if comp == 1 else 4)
        rows = [[palette[v] if v < len(palette) else (0, 0, 0) for v in row] for row in idx]
    elif comp in (0, 3):
        if bpp not in (1, 4, 8, 16, 24, 32):
            raise BmpError("unsupported depth %d" % bpp)
        stride = ((w * bpp + 31) // 32) * 4
        if len(pixels) < stride * h:
            raise BmpError("BMP pixel data is truncated")
        for y in range(h):
            line = pixels[y * stride:(y + 1) * stride]
            if bpp == 24:
                row = [(line[x * 3 + 2], line[x * 3 + 1], line[x * 3]) for x in range(w)]
            elif bpp == 32:
                row = [(line[x * 4 + 2], line[x * 4 + 1], line[x * 4]) for x in range(w)]
            elif bpp == 16:
                row = []
                for x in range(w):
                    v = line[x * 2] | line[x * 2 + 1] << 8
                    row.append((((v >> 10) & 31) * 255 // 31, ((v >> 5) & 31) * 255 // 31, (v & 31) * 255 // 31))
            else:
                per = 8 // bpp
                mask = (1 << bpp) - 1
                row = []
                for x in range(w):
                    byte = line[x // per]
                    v = (byte >> (8 - bpp * (x % per + 1))) & mask
                    row.append(palette[v] if v < len(palette) else (0, 0, 0))
            rows.append(row)
    else:
        raise BmpError("unsupported BMP compression %d" % comp)
    if not top_down:
        rows.reverse()
    return Bitmap(w, h, rows)


def load(path):
    with open(path, "rb") as f:
        return parse(f.read())


def write(path, w, h, rows):
    """Writes rows of (r, g, b) as a 24-bit BMP."""
    stride = (w * 3 + 3) & ~3
    body = bytearray()
    for y in range(h - 1, -1, -1):
        line = bytearray()
        for r, g, b in rows[y]:
            line += bytes((b, g, r))
        line += b"\0" * (stride - w * 3)
        body += line
    with open(path, "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", 54 + len(body), 0, 0, 54))
        f.write(struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(body), 2835, 2835, 0, 0))
        f.write(body)
