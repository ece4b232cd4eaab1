"""Drawing core of the default skin generator: an RGB canvas, anti-aliased
shapes described by signed distance functions, a small stroke font, 24-bit
BMP writing and a sprite-sheet packer. Standard library only.

Coordinates are in pixels with pixel centres at +0.5. A shape is a function
sdf(x, y) giving the signed distance to its outline (negative inside).
Pixels well inside or outside are decided by one evaluation; pixels near the
outline are covered by sampling the shape on a 4 x 4 grid.
"""

import math
import struct

_SAMPLES = [((i + 0.5) / 4.0, (j + 0.5) / 4.0) for j in range(4) for i in range(4)]


def hexcol(text):
    text = text.lstrip("#")
    return (int(text[0:2], 16), int(text[2:4], 16), int(text[4:6], 16))


def mix(a, b, t):
    return (a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t, a[2] + (b[2] - a[2]) * t)


def clamp01(v):
    return 0.0 if v < 0.0 else (1.0 if v > 1.0 else v)


# ----------------------------------------------------------------- shapes

def circle(cx, cy, r):
    def sdf(x, y):
        return math.hypot(x - cx, y - cy) - r
    return sdf


def rrect(x0, y0, x1, y1, r):
    """Rounded rectangle from (x0, y0) to (x1, y1) with corner radius r."""
    cx, cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
    hx, hy = (x1 - x0) / 2.0 - r, (y1 - y0) / 2.0 - r

    def sdf(x, y):
        qx = abs(x - cx) - hx
        qy = abs(y - cy) - hy
        ox = qx if qx > 0 else 0.0
        oy = qy if qy > 0 else 0.0
        inside = qx if qx > qy else qy
        return math.hypot(ox, oy) + (inside if inside < 0 else 0.0) - r
    return sdf


def segment(ax, ay, bx, by, r):
    dx, dy = bx - ax, by - ay
    ll = dx * dx + dy * dy or 1e-9

    def sdf(x, y):
        t = ((x - ax) * dx + (y - ay) * dy) / ll
        t = 0.0 if t < 0 else (1.0 if t > 1 else t)
        return math.hypot(x - ax - t * dx, y - ay - t * dy) - r
    return sdf


def polyline(points, r):
    segs = [segment(points[i][0], points[i][1], points[i + 1][0], points[i + 1][1], 0.0)
            for i in range(len(points) - 1)]

    def sdf(x, y):
        return min(s(x, y) for s in segs) - r
    return sdf


def polygon(points, r=0.0):
    """Convex polygon (any winding), optionally rounded by r (grows it)."""
    n = len(points)
    area = sum(points[i][0] * points[(i + 1) % n][1] - points[(i + 1) % n][0] * points[i][1]
               for i in range(n))
    sign = 1.0 if area > 0 else -1.0
    edges = []
    for i in range(n):
        ax, ay = points[i]
        bx, by = points[(i + 1) % n]
        ln = math.hypot(bx - ax, by - ay)
        # Inward normal for a counter-clockwise (in y-down space: area > 0) outline.
        nx, ny = -(by - ay) / ln * sign, (bx - ax) / ln * sign
        edges.append((ax, ay, bx, by, nx, ny))
    segs = [segment(e[0], e[1], e[2], e[3], 0.0) for e in edges]

    def sdf(x, y):
        inside = True
        for ax, ay, bx, by, nx, ny in edges:
            if (x - ax) * nx + (y - ay) * ny < 0:
                inside = False
                break
        d = min(s(x, y) for s in segs)
        return (-d if inside else d) - r
    return sdf


def ring(shape, half_width):
    def sdf(x, y):
        return abs(shape(x, y)) - half_width
    return sdf


def union(*shapes):
    def sdf(x, y):
        return min(s(x, y) for s in shapes)
    return sdf


def subtract(a, b):
    def sdf(x, y):
        da = a(x, y)
        db = -b(x, y)
        return da if da > db else db
    return sdf


def intersect(a, b):
    def sdf(x, y):
        da = a(x, y)
        db = b(x, y)
        return da if da > db else db
    return sdf


def halfplane(nx, ny, px, py):
    """Everything on the side of (px, py) that the normal (nx, ny) points away from."""
    ln = math.hypot(nx, ny)
    nx, ny = nx / ln, ny / ln

    def sdf(x, y):
        return (x - px) * nx + (y - py) * ny
    return sdf


def rotated_box(cx, cy, hw, hh, angle, r=0.0):
    c, s = math.cos(angle), math.sin(angle)
    box = rrect(-hw, -hh, hw, hh, r)

    def sdf(x, y):
        dx, dy = x - cx, y - cy
        return box(dx * c + dy * s, -dx * s + dy * c)
    return sdf


# ----------------------------------------------------------------- paints

def vgrad(y0, y1, c0, c1):
    span = (y1 - y0) or 1.0

    def paint(x, y):
        return mix(c0, c1, clamp01((y - y0) / span))
    return paint


def hgrad(x0, x1, c0, c1):
    span = (x1 - x0) or 1.0

    def paint(x, y):
        return mix(c0, c1, clamp01((x - x0) / span))
    return paint


# ----------------------------------------------------------------- canvas

class Canvas:
    def __init__(self, w, h, colour=(0, 0, 0)):
        self.w, self.h = w, h
        self.px = [float(colour[0]), float(colour[1]), float(colour[2])] * (w * h)

    def copy(self):
        c = Canvas.__new__(Canvas)
        c.w, c.h, c.px = self.w, self.h, list(self.px)
        return c

    def crop(self, x, y, w, h):
        c = Canvas.__new__(Canvas)
        c.w, c.h = w, h
        rows = []
        for j in range(h):
            i = ((y + j) * self.w + x) * 3
            rows.extend(self.px[i:i + w * 3])
        c.px = rows
        return c

    def paste(self, other, x, y):
        for j in range(other.h):
            i = ((y + j) * self.w + x) * 3
            k = j * other.w * 3
            self.px[i:i + other.w * 3] = other.px[k:k + other.w * 3]

    def get(self, x, y):
        i = (y * self.w + x) * 3
        return (self.px[i], self.px[i + 1], self.px[i + 2])

    def _bbox(self, bbox):
        x0, y0, x1, y1 = bbox
        return (max(0, int(math.floor(x0)) - 1), max(0, int(math.floor(y0)) - 1),
                min(self.w, int(math.ceil(x1)) + 1), min(self.h, int(math.ceil(y1)) + 1))

    def fill(self, sdf, bbox, paint, alpha=1.0):
        """Covers the shape with paint (a colour or a function of x, y)."""
        x0, y0, x1, y1 = self._bbox(bbox)
        p, w = self.px, self.w
        flat = not callable(paint)
        for py in range(y0, y1):
            cy = py + 0.5
            for px_ in range(x0, x1):
                cx = px_ + 0.5
                d = sdf(cx, cy)
                if d >= 0.75:
                    continue
                if d <= -0.75:
                    a = alpha
                else:
                    hits = 0
                    for ox, oy in _SAMPLES:
                        if sdf(px_ + ox, py + oy) <= 0.0:
                            hits += 1
                    if not hits:
                        continue
                    a = alpha * hits / 16.0
                col = paint if flat else paint(cx, cy)
                i = (py * w + px_) * 3
                p[i] += (col[0] - p[i]) * a
                p[i + 1] += (col[1] - p[i + 1]) * a
                p[i + 2] += (col[2] - p[i + 2]) * a

    def glow(self, sdf, bbox, colour, radius, strength, inside=False):
        """A soft halo (or shadow) around the shape, fading over radius pixels."""
        x0, y0, x1, y1 = self._bbox((bbox[0] - radius, bbox[1] - radius,
                                     bbox[2] + radius, bbox[3] + radius))
        p, w = self.px, self.w
        for py in range(y0, y1):
            for px_ in range(x0, x1):
                d = sdf(px_ + 0.5, py + 0.5)
                if d < 0 and not inside:
                    d = 0.0
                if d < 0:
                    d = -d
                if d >= radius:
                    continue
                t = 1.0 - d / radius
                a = strength * t * t
                i = (py * w + px_) * 3
                p[i] += (colour[0] - p[i]) * a
                p[i + 1] += (colour[1] - p[i + 1]) * a
                p[i + 2] += (colour[2] - p[i + 2]) * a

    def rect(self, x, y, w, h, paint):
        """Axis-aligned rectangle on whole pixels, no anti-aliasing needed."""
        flat = not callable(paint)
        for py in range(max(0, y), min(self.h, y + h)):
            for px_ in range(max(0, x), min(self.w, x + w)):
                col = paint if flat else paint(px_ + 0.5, py + 0.5)
                i = (py * self.w + px_) * 3
                self.px[i], self.px[i + 1], self.px[i + 2] = col

    def bmp(self):
        """The canvas as a bottom-up 24-bit BMP file."""
        stride = (self.w * 3 + 3) & ~3
        pad = b"\0" * (stride - self.w * 3)
        out = bytearray()
        p = self.px
        for y in range(self.h - 1, -1, -1):
            row = bytearray(self.w * 3)
            base = y * self.w * 3
            for x in range(self.w):
                i = base + x * 3
                r, g, b = p[i], p[i + 1], p[i + 2]
                row[x * 3] = 0 if b < 0 else (255 if b > 255 else int(b + 0.5))
                row[x * 3 + 1] = 0 if g < 0 else (255 if g > 255 else int(g + 0.5))
                row[x * 3 + 2] = 0 if r < 0 else (255 if r > 255 else int(r + 0.5))
            out += row + pad
        header = struct.pack("<2sIHHI", b"BM", 54 + len(out), 0, 0, 54)
        info = struct.pack("<IiiHHIIiiII", 40, self.w, self.h, 1, 24, 0, len(out), 2835, 2835, 0, 0)
        return header + info + bytes(out)


# ----------------------------------------------------------------- stroke font
# Glyphs on a grid 4 units wide and 6 high; each is a list of polylines, or
# ("ring",) for the rounded O. Advance is the glyph width plus spacing.

_S_CURVE = [(4, 0.9), (3.2, 0), (0.8, 0), (0, 0.8), (0, 2.1), (0.8, 2.9), (3.2, 3.1),
            (4, 3.9), (4, 5.2), (3.2, 6), (0.8, 6), (0, 5.1)]
GLYPHS = {
    "A": (4, [[(0, 6), (2, 0), (4, 6)], [(0.7, 4), (3.3, 4)]]),
    "E": (3.6, [[(3.6, 0), (0, 0), (0, 6), (3.6, 6)], [(0, 3), (3, 3)]]),
    "I": (0, [[(0, 0), (0, 6)]]),
    "L": (3.4, [[(0, 0), (0, 6), (3.4, 6)]]),
    "M": (4.6, [[(0, 6), (0, 0), (2.3, 3.8), (4.6, 0), (4.6, 6)]]),
    "N": (4, [[(0, 6), (0, 0), (4, 6), (4, 0)]]),
    "O": (4.4, "ring"),
    "P": (3.8, [[(0, 6), (0, 0), (2.8, 0), (3.8, 1), (3.8, 2), (2.8, 3), (0, 3)]]),
    "R": (3.8, [[(0, 6), (0, 0), (2.8, 0), (3.8, 1), (3.8, 2), (2.8, 3), (0, 3)], [(2, 3), (3.8, 6)]]),
    "S": (4, [_S_CURVE]),
    "T": (4, [[(0, 0), (4, 0)], [(2, 0), (2, 6)]]),
    "V": (4.4, [[(0, 0), (2.2, 6), (4.4, 0)]]),
    "Y": (4.4, [[(0, 0), (2.2, 3), (4.4, 0)], [(2.2, 3), (2.2, 6)]]),
    "Z": (4, [[(0, 0), (4, 0), (0, 6), (4, 6)]]),
    " ": (2.4, []),
}


def text_width(text, cap, spacing=1.6):
    u = cap / 6.0
    return sum((GLYPHS[ch][0] + spacing) * u for ch in text) - spacing * u


def draw_text(canvas, text, x, y, cap, paint, weight=0.62, spacing=1.6):
    """Uppercase stroke text with its cap height `cap`, top-left at (x, y)."""
    u = cap / 6.0
    for ch in text:
        adv, strokes = GLYPHS[ch]
        if strokes == "ring":
            shape = ring(rrect(x, y, x + adv * u, y + 6 * u, 2.0 * u), weight)
            canvas.fill(shape, (x - 2, y - 2, x + adv * u + 2, y + cap + 2), paint)
        elif strokes:
            parts = [polyline([(x + px * u, y + py * u) for px, py in line], weight) for line in strokes]
            canvas.fill(union(*parts), (x - 2, y - 2, x + adv * u + 2, y + cap + 2), paint)
        x += (adv + spacing) * u
    return x


# ----------------------------------------------------------------- sheets

class Sheet:
    """Packs sprites into one bitmap: shelves left to right, top to bottom."""

    def __init__(self, name, width=512):
        self.name = name
        self.width = width
        self.items = []  # (canvas, x, y)
        self.x = self.y = self.shelf = 0

    def add(self, canvas):
        if self.x + canvas.w > self.width:
            self.x, self.y, self.shelf = 0, self.y + self.shelf, 0
        pos = (self.x, self.y)
        self.items.append((canvas, self.x, self.y))
        self.x += canvas.w
        self.shelf = max(self.shelf, canvas.h)
        return (pos[0], pos[1], canvas.w, canvas.h)

    def render(self, background=(255, 0, 255)):
        w = max((x + c.w for c, x, y in self.items), default=1)
        h = max((y + c.h for c, x, y in self.items), default=1)
        out = Canvas(w, h, background)
        for c, x, y in self.items:
            out.paste(c, x, y)
        return out
