#!/usr/bin/env python3
"""Draws the player's own look and writes it as a skin pair:

    DefaultSkin.wsz   the bitmaps (24-bit BMP) and pledit.txt, zipped
    DefaultSkin.xml   the description laying the forms out over them

Usage: make_default_skin.py OUTPUT_FOLDER [--bitmaps]
(--bitmaps also leaves the loose bitmap files in OUTPUT_FOLDER/DefaultSkin/).

Every pixel is drawn here; nothing is read from anywhere. The layout of each
form lives in one place below and gives both the artwork and the description.
"""

import math
import os
import sys
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from skinart import (Canvas, Sheet, circle, clamp01, draw_text, hexcol, hgrad, intersect,  # noqa: E402
                     halfplane, mix, polygon, polyline, ring, rotated_box, rrect, segment, subtract,
                     text_width, union, vgrad)
from skinxml import Form, document  # noqa: E402

# ----------------------------------------------------------------- palette

BORDER = hexcol("0a0b0e")
BODY_TOP = hexcol("2e323b")
BODY_BOTTOM = hexcol("16181d")
HILITE = hexcol("565d6b")
BEZEL = hexcol("0c0e11")
LCD = (107, 117, 107)          # the player's status-line brush: text lines sit on it seamlessly
LCD_ON = hexcol("151b16")
LCD_OFF = hexcol("646d64")
ACCENT_A = hexcol("38d0c2")
ACCENT_B = hexcol("3c8dff")
ACCENT = hexcol("4aa8ff")
ICON = hexcol("e6e9ef")
ICON_DIM = hexcol("99a1ae")
ICON_OFF = hexcol("7c8491")
BTN_TOP = hexcol("3d424d")
BTN_BOTTOM = hexcol("252930")
BTN_HOVER_TOP = hexcol("4d5361")
BTN_HOVER_BOTTOM = hexcol("2f333c")
DANGER = hexcol("e0474c")
GROOVE = hexcol("0f1114")
GROOVE_RIM = hexcol("3a3f49")

PLAYLIST_BG = hexcol("14161b")
PLAYLIST_TEXT = hexcol("b9c0cb")
PLAYLIST_CURRENT = hexcol("ffffff")
PLAYLIST_SELECTED = hexcol("2d6bc4")

# Bitmap slots of the description.
SLOT_MAIN, SLOT_CONTROLS, SLOT_DIGITS, SLOT_SEEK, SLOT_LEVELS, SLOT_COMPACT, SLOT_PLAYLIST = range(7)
BITMAP_FILES = {
    SLOT_MAIN: "main.bmp", SLOT_CONTROLS: "controls.bmp", SLOT_DIGITS: "digits.bmp",
    SLOT_SEEK: "seekbar.bmp", SLOT_LEVELS: "levels.bmp", SLOT_COMPACT: "compact.bmp",
    SLOT_PLAYLIST: "playlist.bmp",
}

LEVEL_STATES = 28   # volume and balance, as in classic skins
SEEK_STATES = 64

# ----------------------------------------------------------------- common art


def body(cv, x0, y0, x1, y1, radius=6, top=BODY_TOP, bottom=BODY_BOTTOM):
    """The player's dark casing: a rounded slab with a faint top highlight."""
    shape = rrect(x0, y0, x1, y1, radius)
    cv.fill(shape, (x0, y0, x1, y1), vgrad(y0, y1, top, bottom))
    rim = intersect(ring(rrect(x0 + 0.5, y0 + 0.5, x1 - 0.5, y1 - 0.5, radius - 0.5), 0.5),
                    halfplane(0, 1, 0, y0 + radius + 2))
    cv.fill(rim, (x0, y0, x1, y0 + radius + 3), HILITE, 0.55)


def lcd_panel(cv, x0, y0, x1, y1, radius=5):
    """A recessed display: dark bezel, flat glass in the status-line colour, an
    inner shadow along its edge only (text lines need the flat colour)."""
    cv.glow(rrect(x0, y0 + 1, x1, y1 + 1, radius), (x0, y0, x1, y1), hexcol("3b404a"), 1.6, 0.5)
    cv.fill(rrect(x0, y0, x1, y1, radius), (x0, y0, x1, y1), BEZEL)
    glass = rrect(x0 + 2, y0 + 2, x1 - 2, y1 - 2, radius - 1.5)
    cv.fill(glass, (x0, y0, x1, y1), LCD)
    # Inner shadow, strongest at the top edge.
    x0i, y0i, x1i, y1i = x0 + 2, y0 + 2, x1 - 2, y1 - 2
    p, w = cv.px, cv.w
    for py in range(int(y0i), int(y1i)):
        for px in range(int(x0i), int(x1i)):
            d = -glass(px + 0.5, py + 0.5)
            if d <= 0 or d >= 3.0:
                continue
            a = 0.38 * (1 - d / 3.0) ** 2 * (1.4 if py < y0i + 3 else 1.0)
            i = (py * w + px) * 3
            p[i] *= 1 - a
            p[i + 1] *= 1 - a
            p[i + 2] *= 1 - a


def logo(cv, cx, cy, r):
    cv.glow(circle(cx, cy, r), (cx - r, cy - r, cx + r, cy + r), ACCENT_B, 3.0, 0.25)
    cv.fill(circle(cx, cy, r), (cx - r, cy - r, cx + r, cy + r),
            lambda x, y: mix(ACCENT_A, ACCENT_B, clamp01(((x - cx) + (y - cy)) / (2.6 * r) + 0.5)))
    s = r * 0.42
    z = polyline([(cx - s, cy - s * 1.1), (cx + s, cy - s * 1.1), (cx - s, cy + s * 1.1),
                  (cx + s, cy + s * 1.1)], 0.8)
    cv.fill(z, (cx - r, cy - r, cx + r, cy + r), (255, 255, 255))


# ----------------------------------------------------------------- icons
# Each icon draws itself centred at (cx, cy) with size scale s (about the
# half-size of the glyph) in the given colour.


def icon_play(cv, cx, cy, s, col):
    pts = [(cx - s * 0.55, cy - s), (cx + s * 0.95, cy), (cx - s * 0.55, cy + s)]
    cv.fill(polygon(pts, 0.0), (cx - s * 2, cy - s * 2, cx + s * 2, cy + s * 2), col)


def icon_pause(cv, cx, cy, s, col):
    w = s * 0.36
    for dx in (-s * 0.45, s * 0.45):
        cv.fill(rrect(cx + dx - w, cy - s * 0.9, cx + dx + w, cy + s * 0.9, w * 0.6),
                (cx - s * 2, cy - s * 2, cx + s * 2, cy + s * 2), col)


def icon_stop(cv, cx, cy, s, col):
    h = s * 0.78
    cv.fill(rrect(cx - h, cy - h, cx + h, cy + h, s * 0.2), (cx - s, cy - s, cx + s, cy + s), col)


def icon_skip(cv, cx, cy, s, col, forward):
    d = 1 if forward else -1
    tri = [(cx - d * s * 0.75, cy - s * 0.85), (cx + d * s * 0.55, cy), (cx - d * s * 0.75, cy + s * 0.85)]
    cv.fill(polygon(tri), (cx - s * 2, cy - s * 2, cx + s * 2, cy + s * 2), col)
    bx = cx + d * s * 0.72
    cv.fill(rrect(bx - s * 0.16, cy - s * 0.85, bx + s * 0.16, cy + s * 0.85, s * 0.1),
            (cx - s * 2, cy - s * 2, cx + s * 2, cy + s * 2), col)


def icon_eject(cv, cx, cy, s, col):
    tri = [(cx - s * 0.85, cy + s * 0.12), (cx, cy - s * 0.85), (cx + s * 0.85, cy + s * 0.12)]
    cv.fill(polygon(tri), (cx - s * 2, cy - s * 2, cx + s * 2, cy + s * 2), col)
    cv.fill(rrect(cx - s * 0.85, cy + s * 0.42, cx + s * 0.85, cy + s * 0.78, s * 0.1),
            (cx - s * 2, cy - s * 2, cx + s * 2, cy + s * 2), col)


def icon_close(cv, cx, cy, s, col, weight=0.85):
    shape = union(segment(cx - s, cy - s, cx + s, cy + s, weight), segment(cx - s, cy + s, cx + s, cy - s, weight))
    cv.fill(shape, (cx - s - 2, cy - s - 2, cx + s + 2, cy + s + 2), col)


def icon_tray(cv, cx, cy, s, col):
    """Minimise to the tray: the usual minimise bar."""
    cv.fill(segment(cx - s * 0.8, cy + s * 0.55, cx + s * 0.8, cy + s * 0.55, 0.8),
            (cx - s - 2, cy - s - 2, cx + s + 2, cy + s + 2), col)


def icon_compact(cv, cx, cy, s, col):
    """Compact mode: two chevrons closing in on a line."""
    shape = union(polyline([(cx - s * 0.65, cy - s * 0.95), (cx, cy - s * 0.4), (cx + s * 0.65, cy - s * 0.95)], 0.7),
                  polyline([(cx - s * 0.65, cy + s * 0.95), (cx, cy + s * 0.4), (cx + s * 0.65, cy + s * 0.95)], 0.7),
                  segment(cx - s, cy, cx + s, cy, 0.55))
    cv.fill(shape, (cx - s - 2, cy - s - 2, cx + s + 2, cy + s + 2), col)


def icon_expand(cv, cx, cy, s, col):
    """Back to the full window: the usual maximise square."""
    shape = union(ring(rrect(cx - s * 0.85, cy - s * 0.8, cx + s * 0.85, cy + s * 0.8, 1.0), 0.55),
                  rrect(cx - s * 0.85, cy - s * 0.8, cx + s * 0.85, cy - s * 0.35, 0.8))
    cv.fill(shape, (cx - s - 2, cy - s - 2, cx + s + 2, cy + s + 2), col)


def icon_sliders(cv, cx, cy, s, col):
    """Options: three slider lines with their knobs."""
    parts = []
    for k, at in ((-1, 0.45), (0, -0.4), (1, 0.15)):
        y = cy + k * s * 0.72
        parts.append(segment(cx - s, y, cx + s, y, 0.5))
        parts.append(rrect(cx + at * s - 1.4, y - 1.6, cx + at * s + 1.4, y + 1.6, 0.8))
    cv.fill(union(*parts), (cx - s - 2, cy - s - 2, cx + s + 2, cy + s + 2), col)


def icon_info(cv, cx, cy, s, col):
    shape = union(ring(circle(cx, cy, s * 0.95), 0.6), circle(cx, cy - s * 0.42, s * 0.15),
                  segment(cx, cy - s * 0.08, cx, cy + s * 0.5, 0.75))
    cv.fill(shape, (cx - s - 2, cy - s - 2, cx + s + 2, cy + s + 2), col)


def icon_ontop(cv, cx, cy, s, col):
    """Always on top: a window outline behind a solid one."""
    front = rrect(cx - s * 0.3, cy - s, cx + s, cy + s * 0.3, 1.0)
    back = subtract(ring(rrect(cx - s, cy - s * 0.3, cx + s * 0.3, cy + s, 1.0), 0.55),
                    rrect(cx - s * 0.3 - 1.3, cy - s - 1.3, cx + s + 1.3, cy + s * 0.3 + 1.3, 2.0))
    cv.fill(union(front, back), (cx - s - 2, cy - s - 2, cx + s + 2, cy + s + 2), col)


def _speaker(cx, cy, s):
    return union(rrect(cx - s * 0.95, cy - s * 0.33, cx - s * 0.4, cy + s * 0.33, 0.6),
                 polygon([(cx - s * 0.6, cy - s * 0.33), (cx + s * 0.05, cy - s * 0.9),
                          (cx + s * 0.05, cy + s * 0.9), (cx - s * 0.6, cy + s * 0.33)]))


def icon_volume(cv, cx, cy, s, col):
    right = halfplane(-1, 0, cx + s * 0.2, cy)
    waves = union(intersect(ring(circle(cx + s * 0.05, cy, s * 0.5), 0.55), right),
                  intersect(ring(circle(cx + s * 0.05, cy, s * 0.95), 0.55), right))
    cv.fill(union(_speaker(cx - s * 0.1, cy, s * 0.95), waves), (cx - s - 2, cy - s - 2, cx + s + 2, cy + s + 2), col)


def icon_muted(cv, cx, cy, s, col, cross=DANGER):
    cv.fill(_speaker(cx - s * 0.25, cy, s * 0.95), (cx - s - 2, cy - s - 2, cx + s + 2, cy + s + 2), col)
    icon_close(cv, cx + s * 0.62, cy, s * 0.3, cross, 0.65)


def icon_repeat(cv, cx, cy, s, col):
    loop = ring(rrect(cx - s, cy - s * 0.55, cx + s, cy + s * 0.55, s * 0.45), 0.65)
    gap = halfplane(0, 1, 0, cy - s * 0.55 + 2.2)          # keeps the loop below this line ...
    keep = union(gap, halfplane(1, 0, cx - s * 0.05, 0), halfplane(-1, 0, cx - s * 0.6, 0))
    shape = intersect(loop, keep)
    ax, ay = cx + s * 0.1, cy - s * 0.55
    head = polygon([(ax - s * 0.05, ay - s * 0.42), (ax + s * 0.5, ay), (ax - s * 0.05, ay + s * 0.42)])
    cv.fill(union(shape, head), (cx - s - 2, cy - s - 2, cx + s + 2, cy + s + 2), col)


def icon_shuffle(cv, cx, cy, s, col):
    a = polyline([(cx - s, cy - s * 0.55), (cx - s * 0.45, cy - s * 0.55), (cx + s * 0.3, cy + s * 0.55),
                  (cx + s * 0.65, cy + s * 0.55)], 0.65)
    b = polyline([(cx - s, cy + s * 0.55), (cx - s * 0.45, cy + s * 0.55), (cx + s * 0.3, cy - s * 0.55),
                  (cx + s * 0.65, cy - s * 0.55)], 0.65)
    heads = []
    for y in (cy - s * 0.55, cy + s * 0.55):
        heads.append(polygon([(cx + s * 0.55, y - s * 0.36), (cx + s * 1.05, y), (cx + s * 0.55, y + s * 0.36)]))
    cv.fill(union(a, b, *heads), (cx - s - 2, cy - s - 2, cx + s + 2, cy + s + 2), col)


def icon_list(cv, cx, cy, s, col):
    parts = []
    for k in (-1, 0, 1):
        y = cy + k * s * 0.62
        parts.append(circle(cx - s * 0.82, y, 0.95))
        parts.append(segment(cx - s * 0.35, y, cx + s, y, 0.65))
    cv.fill(union(*parts), (cx - s - 2, cy - s - 2, cx + s + 2, cy + s + 2), col)


def icon_menu(cv, cx, cy, s, col):
    parts = [segment(cx - s, cy + k * s * 0.6, cx + s, cy + k * s * 0.6, 0.7) for k in (-1, 0, 1)]
    cv.fill(union(*parts), (cx - s - 2, cy - s - 2, cx + s + 2, cy + s + 2), col)


def icon_plus(cv, cx, cy, s, col):
    cv.fill(union(segment(cx - s, cy, cx + s, cy, 0.8), segment(cx, cy - s, cx, cy + s, 0.8)),
            (cx - s - 2, cy - s - 2, cx + s + 2, cy + s + 2), col)


def icon_minus(cv, cx, cy, s, col):
    cv.fill(segment(cx - s, cy, cx + s, cy, 0.8), (cx - s - 2, cy - s - 2, cx + s + 2, cy + s + 2), col)


def icon_trash(cv, cx, cy, s, col):
    can = ring(polygon([(cx - s * 0.62, cy - s * 0.5), (cx + s * 0.62, cy - s * 0.5),
                        (cx + s * 0.48, cy + s), (cx - s * 0.48, cy + s)]), 0.55)
    lid = segment(cx - s * 0.95, cy - s * 0.72, cx + s * 0.95, cy - s * 0.72, 0.6)
    handle = segment(cx - s * 0.25, cy - s * 1.0, cx + s * 0.25, cy - s * 1.0, 0.6)
    ribs = union(segment(cx - s * 0.2, cy - s * 0.15, cx - s * 0.15, cy + s * 0.65, 0.45),
                 segment(cx + s * 0.2, cy - s * 0.15, cx + s * 0.15, cy + s * 0.65, 0.45))
    cv.fill(union(can, lid, handle, ribs), (cx - s - 2, cy - s - 2, cx + s + 2, cy + s + 2), col)


def icon_folder(cv, cx, cy, s, col):
    back = ring(polygon([(cx - s, cy - s * 0.7), (cx - s * 0.25, cy - s * 0.7), (cx, cy - s * 0.42),
                         (cx + s * 0.8, cy - s * 0.42), (cx + s * 0.8, cy + s * 0.75), (cx - s, cy + s * 0.75)]), 0.55)
    front = polygon([(cx - s * 0.7, cy - s * 0.05), (cx + s * 1.05, cy - s * 0.05),
                     (cx + s * 0.8, cy + s * 0.75), (cx - s, cy + s * 0.75)])
    cv.fill(union(back, front), (cx - s - 2, cy - s - 2, cx + s + 2, cy + s + 2), col)


def icon_save(cv, cx, cy, s, col, hole):
    outer = polygon([(cx - s, cy - s), (cx + s * 0.6, cy - s), (cx + s, cy - s * 0.6), (cx + s, cy + s),
                     (cx - s, cy + s)], 0.3)
    shutter = rrect(cx - s * 0.5, cy - s * 1.0, cx + s * 0.4, cy - s * 0.3, 0.5)
    label = rrect(cx - s * 0.6, cy + s * 0.15, cx + s * 0.6, cy + s * 1.0, 0.6)
    cv.fill(outer, (cx - s - 2, cy - s - 2, cx + s + 2, cy + s + 2), col)
    cv.fill(union(shutter, label), (cx - s - 2, cy - s - 2, cx + s + 2, cy + s + 2), hole)


# ----------------------------------------------------------------- button faces


def round_button(cv, cx, cy, r, hover, accent=False):
    """A raised, anti-aliased circular button face."""
    box = (cx - r - 3, cy - r - 3, cx + r + 3, cy + r + 3)
    cv.glow(circle(cx, cy + 1.2, r), box, (0, 0, 0), 3.2, 0.55)
    if accent:
        top, bottom = (hexcol("6cc4ff"), hexcol("2f72e6")) if hover else (hexcol("52b2ff"), hexcol("2a63cf"))
        if hover:
            cv.glow(circle(cx, cy, r), box, ACCENT, 4.0, 0.45)
    else:
        top, bottom = (BTN_HOVER_TOP, BTN_HOVER_BOTTOM) if hover else (BTN_TOP, BTN_BOTTOM)
    cv.fill(circle(cx, cy, r), box, vgrad(cy - r, cy + r, top, bottom))
    rim_top = mix(top, (255, 255, 255), 0.35)
    cv.fill(intersect(ring(circle(cx, cy, r - 0.5), 0.5), halfplane(0, 1, 0, cy)), box, rim_top, 0.7)
    if hover and not accent:
        cv.fill(ring(circle(cx, cy, r - 0.6), 0.6), box, ACCENT, 0.75)


def flat_button(cv, x0, y0, x1, y1, hover, on=False, danger=False, radius=4):
    """A small square-ish button: invisible at rest, lit on hover; 'on' keeps a tinted pill."""
    shape = rrect(x0 + 0.5, y0 + 0.5, x1 - 0.5, y1 - 0.5, radius)
    box = (x0, y0, x1, y1)
    if on:
        cv.fill(shape, box, hexcol("1c2b3d") if not hover else hexcol("24384f"))
        cv.fill(ring(rrect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, radius - 0.5), 0.5), box, ACCENT, 0.55)
    elif hover:
        cv.fill(shape, box, DANGER if danger else hexcol("3b404b"))


def pill(cv, x0, y0, x1, y1, hover, on):
    """The toggle buttons' rounded pill: dark at rest, tinted when on."""
    shape = rrect(x0 + 0.5, y0 + 0.5, x1 - 0.5, y1 - 0.5, (y1 - y0) / 2.0 - 1)
    box = (x0, y0, x1, y1)
    if on:
        fill = hexcol("1f3550") if hover else hexcol("1a2c42")
        rim = ACCENT
    else:
        fill = hexcol("323640") if hover else hexcol("22252c")
        rim = hexcol("3e434e")
    cv.fill(shape, box, fill)
    cv.fill(ring(rrect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, (y1 - y0) / 2.0 - 1.5), 0.5), box, rim, 0.7)


# ----------------------------------------------------------------- digits

_SEGMENTS = {0: "abcdef", 1: "bc", 2: "abged", 3: "abgcd", 4: "fgbc", 5: "afgcd", 6: "afgedc",
             7: "abc", 8: "abcdefg", 9: "abcdfg"}


def seven_segment(cv, x, y, w, h, digit, t):
    """Digit cell at (x, y) of size w x h; t = segment thickness."""
    m = t * 0.5 + 1.0
    x0, x1 = x + m, x + w - m
    ya, yg, yd = y + m, y + h / 2.0, y + h - m
    gap = 0.7
    half = t / 2.0

    def hseg(xa, xb, yy):
        return polygon([(xa + gap, yy), (xa + gap + half, yy - half), (xb - gap - half, yy - half),
                        (xb - gap, yy), (xb - gap - half, yy + half), (xa + gap + half, yy + half)])

    def vseg(xx, ya_, yb):
        return polygon([(xx, ya_ + gap), (xx + half, ya_ + gap + half), (xx + half, yb - gap - half),
                        (xx, yb - gap), (xx - half, yb - gap - half), (xx - half, ya_ + gap + half)])

    segs = {"a": hseg(x0, x1, ya), "g": hseg(x0, x1, yg), "d": hseg(x0, x1, yd),
            "f": vseg(x0, ya, yg), "b": vseg(x1, ya, yg), "e": vseg(x0, yg, yd), "c": vseg(x1, yg, yd)}
    on = _SEGMENTS[digit]
    box = (x, y, x + w, y + h)
    off = [s for k, s in segs.items() if k not in on]
    lit = [s for k, s in segs.items() if k in on]
    if off:
        cv.fill(union(*off), box, LCD_OFF)
    if lit:
        cv.glow(union(*lit), box, hexcol("4f574f"), 1.5, 0.35)
        cv.fill(union(*lit), box, LCD_ON)


def digit_strip(sheet, w, h, t):
    """Ten cells side by side on the glass colour; returns (x, y) of digit 0."""
    cv = Canvas(w * 10, h, LCD)
    for d in range(10):
        seven_segment(cv, d * w, 0, w, h, d, t)
    x, y, _, _ = sheet.add(cv)
    return x, y


def colon(cv, x, y0, y1, r=1.4):
    for yy in (y0, y1):
        cv.fill(rrect(x - r, yy - r, x + r, yy + r, 0.6), (x - 3, yy - 3, x + 3, yy + 3), LCD_ON)


# ----------------------------------------------------------------- builders


class Builder:
    """Crops a form's background under each control, draws its states on top
    and files them in a sheet; returns the description element."""

    def __init__(self, background, sheet, slot, origin=(0, 0)):
        self.bg = background
        self.sheet = sheet
        self.slot = slot
        self.ox, self.oy = origin

    def states(self, x, y, w, h, painters):
        rects = []
        for paint in painters:
            cv = self.bg.crop(x + self.ox, y + self.oy, w, h)
            paint(cv)
            rects.append(self.sheet.add(cv))
        return rects

    def button(self, name, rect, painter, send, tooltip, hover=None, **attrs):
        x, y, w, h = rect
        f = Form(name, "Button", x, y, w, h, ToolTip=tooltip, **attrs)
        for state, r in enumerate(self.states(x, y, w, h, [lambda cv: painter(cv, False),
                                                           lambda cv: painter(cv, True)])):
            f.bmp(self.slot, r, state)
        f.on("WM_LBUTTONCLICK", send)
        if hover:
            f.on("WM_MOUSEHOVER", hover)
        return f

    def toggle(self, base, rect, painter, cmd_on, cmd_off, tips, hovers=(None, None)):
        """Two buttons at one place: the 'off' form turns the feature on and
        the 'on' form turns it off; each hides when the other state arrives."""
        off = self.button(base + "Off", rect, lambda cv, hv: painter(cv, hv, False), cmd_on, tips[0],
                          hovers[0], ShowMessage=cmd_off, HideMessage=cmd_on)
        on = self.button(base + "On", rect, lambda cv, hv: painter(cv, hv, True), cmd_off, tips[1],
                         hovers[1], ShowMessage=cmd_on, HideMessage=cmd_off, Hide=1)
        return off, on

    def zone(self, name, type_, rect, src=None, **attrs):
        """A plain piece; src, when given, is where its tile is cut from."""
        x, y, w, h = rect
        f = Form(name, type_, x, y, w, h, **attrs)
        sx, sy, sw, sh = src or rect
        f.bmp(self.slot, self.states(sx, sy, sw, sh, [lambda cv: None])[0])
        return f


def centred(cx, cy, w, h):
    return (int(round(cx - w / 2.0)), int(round(cy - h / 2.0)), w, h)


# ----------------------------------------------------------------- main form

MAIN_W, MAIN_H = 275, 180
LCD_BOX = (8, 22, 267, 88)
DIGIT_W, DIGIT_H, DIGIT_STEP = 15, 28, 17
DIGIT_X = [17, 34, 51, 74, 91]   # minute hundreds, tens, units : second tens, units
DIGIT_Y = 41
TEXT_X, TEXT_W = 114, 146
SEEK = (8, 92, 259, 14)
THUMB = 14
TRANSPORT_Y = 129


def draw_main_background():
    cv = Canvas(MAIN_W, MAIN_H, BORDER)
    body(cv, 0, 0, MAIN_W, MAIN_H, 7)
    logo(cv, 14, 11, 6.5)
    draw_text(cv, "ZELVO VANTOR", 26, 7.5, 7, hexcol("c3c9d3"), weight=0.62)
    lcd_panel(cv, *LCD_BOX)
    colon(cv, 70.5, DIGIT_Y + 9, DIGIT_Y + 19)
    label = hexcol("404840")
    draw_text(cv, "TIME", 18, 30, 5, label, weight=0.5)
    cv.fill(rrect(TEXT_X - 6.5, 28, TEXT_X - 5.5, 82, 0.5), (0, 0, MAIN_W, MAIN_H), hexcol("5d665d"))
    # The seek groove runs the whole width; the bar's sprites repeat it.
    return cv


def groove(cv, x0, x1, cy, half, fill_to=None, centre_from=None):
    """A slim recessed track; filled in the accent gradient up to fill_to."""
    shape = rrect(x0, cy - half, x1, cy + half, half)
    box = (x0, cy - half, x1, cy + half)
    cv.fill(rrect(x0 - 0.5, cy - half - 0.5, x1 + 0.5, cy + half + 1.0, half + 0.5), box, GROOVE_RIM, 0.6)
    cv.fill(shape, box, GROOVE)
    if fill_to is not None:
        start = x0 if centre_from is None else min(centre_from, fill_to)
        end = fill_to if centre_from is None else max(centre_from, fill_to)
        if end - start > 0.2:
            bar = intersect(shape, intersect(halfplane(-1, 0, start, 0), halfplane(1, 0, end, 0)))
            cv.fill(bar, box, hgrad(x0, x1, ACCENT_A, ACCENT_B))


def knob(cv, cx, cy, r, hover=False):
    box = (cx - r, cy - r, cx + r, cy + r)
    cv.glow(circle(cx, cy + 1, r), box, (0, 0, 0), 2.5, 0.6)
    cv.fill(circle(cx, cy, r), box, vgrad(cy - r, cy + r, hexcol("ffffff"), hexcol("c9d0da")))
    cv.fill(circle(cx, cy, r * 0.34), box, ACCENT)


def build_main(sheets):
    bg = draw_main_background()
    ctl = Builder(bg, sheets[SLOT_CONTROLS], SLOT_CONTROLS)

    form = Form("MainSkin", "Main", 0, 0, MAIN_W, MAIN_H, Title="Zelvo Vantor Player", Dragable=1)
    form.comment = "The main window: casing, display, seek bar, transport and sound controls."

    # Title row.
    def title_button(cx, paint, danger=False):
        def painter(cv, hover):
            flat_button(cv, 0, 0, 16, 16, hover, danger=danger)
            paint(cv, 8, 8, 4.6, ICON if hover else ICON_DIM)
        return painter

    tb = [(165, "OptionsButton", icon_sliders, "IDM_OPTIONS", "Options", "IDM_HOVER_OPTIONS"),
          (183, "AboutButton", icon_info, "IDM_ABOUT", "About Zelvo Vantor Player", "IDM_HOVER_ABOUT"),
          (219, "CompactButton", icon_compact, "IDM_MINIMIZEMAINWINDOW", "Compact mode", None),
          (237, "TrayButton", icon_tray, "IDM_MINIMIZETOTRAY", "Minimise to tray", "IDM_HOVER_MINIMIZE"),
          (255, "ExitButton", icon_close, "IDM_EXIT", "Exit", "IDM_HOVER_EXIT")]
    for x, name, paint, send, tip, hover in tb:
        p = paint if paint is not icon_close else (lambda cv, cx, cy, s, c: icon_close(cv, cx, cy, s * 0.72, c, 0.8))
        form.add(ctl.button(name, (x, 3, 16, 16), title_button(x, p, danger=(name == "ExitButton")), send, tip, hover))

    def pin_painter(cv, hover, on):
        flat_button(cv, 0, 0, 16, 16, hover, on=on)
        icon_ontop(cv, 8, 8, 4.4, ACCENT if on else (ICON if hover else ICON_DIM))
    for f in ctl.toggle("OnTop", (201, 3, 16, 16), pin_painter, "IDM_TOPMOST_ON", "IDM_TOPMOST_OFF",
                        ("Keep the player on top", "Stop keeping the player on top"),
                        ("IDM_HOVER_TOPMOST", "IDM_HOVER_TOPMOST")):
        form.add(f)

    # The display: time digits and the three text lines.
    digits = sheets[SLOT_DIGITS]
    dx0, dy0 = digit_strip(digits, DIGIT_W, DIGIT_H, 3.0)
    for x, cmd in zip(DIGIT_X, ["IDM_SET_HHMINUTES", "IDM_SET_HMINUTES", "IDM_SET_LMINUTES",
                                "IDM_SET_HSECONDS", "IDM_SET_LSECONDS"]):
        f = Form("TimeDigit", "Number", x, DIGIT_Y, DIGIT_W, DIGIT_H, CacheMessage=cmd,
                 SpriteDX=DIGIT_W, SpriteDY=0, Dragable=1, ToolTip="Playing time")
        f.bmp(SLOT_DIGITS, (dx0, dy0, DIGIT_W, DIGIT_H))
        form.add(f)
    for name, y in (("ZelvoStatusText", 29), ("ZelvoVideoDurationText", 47), ("ZelvoVideoInfoText", 65)):
        form.add(Form(name, "Text", TEXT_X, y, TEXT_W, 17, Dragable=1))

    # Seek bar: a track whose fill follows the position, and a thumb to drag.
    sx, sy, sw, sh = SEEK
    seek_sheet = sheets[SLOT_SEEK]
    empty = bg.crop(sx, sy, sw, sh)
    groove(empty, THUMB / 2.0, sw - THUMB / 2.0, sh / 2.0, 2.0)
    full = bg.crop(sx, sy, sw, sh)
    groove(full, THUMB / 2.0, sw - THUMB / 2.0, sh / 2.0, 2.0, fill_to=sw)
    seek = Form("SeekBar", "PositionBar", sx, sy, sw, sh, NumberOfStates=SEEK_STATES,
                BoundsX=THUMB // 2, BoundsY=0, BoundsW=THUMB // 2, BoundsH=0, Message="IDM_SET_POSITION",
                CatchMessage="IDM_SET_POSITION_REFRESHCURSOR", ToolTip="Position")
    span = sw - THUMB
    for s in range(SEEK_STATES):
        end = THUMB / 2.0 + (s + 0.5) / SEEK_STATES * span
        cv = empty.copy()
        # Columns left of the fill's end come from the filled track; the end
        # column mixes the two by its coverage.
        for yy in range(sh):
            row = yy * sw * 3
            whole = int(end)
            cv.px[row:row + whole * 3] = full.px[row:row + whole * 3]
            frac = end - whole
            if whole < sw and frac > 0:
                i = row + whole * 3
                for c in range(3):
                    cv.px[i + c] = empty.px[i + c] + (full.px[i + c] - empty.px[i + c]) * frac
        seek.bmp(SLOT_SEEK, seek_sheet.add(cv), s)
    thumb_cv = bg.crop(sx, sy, THUMB, sh)
    groove(thumb_cv, -4, THUMB + 4, sh / 2.0, 2.0, fill_to=THUMB / 2.0)
    knob(thumb_cv, THUMB / 2.0, sh / 2.0, 5.6)
    thumb = Form("SeekThumb", "ScrollBar", 0, 0, THUMB, sh, BoundsX=0, BoundsY=0, BoundsW=0, BoundsH=0,
                 Message="IDM_SET_POSITION", CatchMessage="IDM_SET_POSITION_REFRESHCURSOR",
                 ToolTip="Drag to seek")
    thumb.bmp(SLOT_SEEK, seek_sheet.add(thumb_cv))
    seek.add(thumb)
    form.add(seek)

    # Transport.
    def round_painter(rect, icon, r, accent=False):
        def painter(cv, hover):
            cx, cy = TRANSPORT_CENTRES[icon][0] - rect[0], TRANSPORT_Y - rect[1]
            round_button(cv, cx, cy, r, hover, accent)
            col = (255, 255, 255) if (hover or accent) else ICON
            s = r * 0.42
            if icon == "open":
                icon_eject(cv, cx, cy, s, col)
            elif icon == "prev":
                icon_skip(cv, cx, cy, s, col, False)
            elif icon == "play":
                icon_play(cv, cx + s * 0.12, cy, s * 1.05, col)
            elif icon == "pause":
                icon_pause(cv, cx, cy, s, col)
            elif icon == "stop":
                icon_stop(cv, cx, cy, s * 0.9, col)
            elif icon == "next":
                icon_skip(cv, cx, cy, s, col, True)
        return painter

    transport = [("open", "OpenButton", "IDM_FILE_OPEN", "Open a file", "IDM_HOVER_OPEN"),
                 ("prev", "PreviousButton", "IDM_PLAYPREVIOUS", "Previous", "IDM_HOVER_PREVIOUS"),
                 ("play", "PlayButton", "IDM_FILE_PLAY", "Play", "IDM_HOVER_PLAY"),
                 ("pause", "PauseButton", "IDM_FILE_PAUSE", "Pause", "IDM_HOVER_PAUSE"),
                 ("stop", "StopButton", "IDM_STOP", "Stop", "IDM_HOVER_STOP"),
                 ("next", "NextButton", "IDM_PLAYNEXT", "Next", "IDM_HOVER_NEXT")]
    for icon, name, send, tip, hover in transport:
        cx, r = TRANSPORT_CENTRES[icon]
        size = int(2 * r + 8)
        rect = centred(cx, TRANSPORT_Y, size, size)
        form.add(ctl.button(name, rect, round_painter(rect, icon, r, accent=(icon == "play")), send, tip, hover))

    # Sound and list row.
    row_y, row_h = 156, 20
    levels = sheets[SLOT_LEVELS]

    def mute_painter(cv, hover, on):
        flat_button(cv, 0, 0, 22, row_h, hover)
        if on:
            icon_muted(cv, 11, row_h / 2.0, 6.0, ICON if hover else ICON_DIM)
        else:
            icon_volume(cv, 11, row_h / 2.0, 6.0, ICON if hover else ICON_DIM)
    for f in ctl.toggle("Mute", (10, row_y, 22, row_h), mute_painter, "IDM_VOLUME_MUTE_ON", "IDM_VOLUME_MUTE_OFF",
                        ("Mute", "Sound on")):
        form.add(f)

    def level_bar(name, rect, centre, tip, send):
        x, y, w, h = rect
        base = bg.crop(x, y, w, h)
        bar = Form(name, "PositionBar", x, y, w, h, NumberOfStates=LEVEL_STATES, BoundsX=7, BoundsY=0,
                   BoundsW=7, BoundsH=0, Message=send, CatchMessage=send, ToolTip=tip)
        for s in range(LEVEL_STATES):
            cv = base.copy()
            at = 7 + (s + 0.5) / LEVEL_STATES * (w - 14)
            groove(cv, 5, w - 5, h / 2.0, 1.8, fill_to=at, centre_from=(w / 2.0 if centre else None))
            if centre:
                cv.fill(rrect(w / 2.0 - 0.6, h / 2.0 - 4.5, w / 2.0 + 0.6, h / 2.0 + 4.5, 0.5),
                        (0, 0, w, h), hexcol("5a616e"))
            knob(cv, at, h / 2.0, 4.6)
            bar.bmp(SLOT_LEVELS, levels.add(cv), s)
        return bar

    form.add(level_bar("VolumeBar", (34, row_y, 86, row_h), False, "Volume", "IDM_SET_VOLUME"))
    form.add(level_bar("BalanceBar", (124, row_y, 56, row_h), True, "Balance", "IDM_SET_BALANCE"))

    def toggle_painter(icon):
        def painter(cv, hover, on):
            pill(cv, 0, 0, cv.w, row_h, hover, on)
            col = ACCENT if on else (ICON if hover else ICON_OFF)
            if on and hover:
                col = hexcol("7cc2ff")
            icon(cv, cv.w / 2.0, row_h / 2.0, 5.4, col)
        return painter

    for f in ctl.toggle("Repeat", (186, row_y, 26, row_h), toggle_painter(icon_repeat), "IDM_REPEAT_ON",
                        "IDM_REPEAT_OFF", ("Repeat: off", "Repeat: on"), ("IDM_HOVER_REPEAT_ON", "IDM_HOVER_REPEAT_OFF")):
        form.add(f)
    for f in ctl.toggle("Shuffle", (214, row_y, 26, row_h), toggle_painter(icon_shuffle), "IDM_SHUFFLE_ON",
                        "IDM_SHUFFLE_OFF", ("Shuffle: off", "Shuffle: on")):
        form.add(f)
    for f in ctl.toggle("Playlist", (242, row_y, 26, row_h), toggle_painter(icon_list), "IDM_PLAYLIST_SHOW",
                        "IDM_PLAYLIST_HIDE", ("Show the playlist", "Hide the playlist")):
        form.add(f)

    form.bmp(SLOT_MAIN, (0, 0, MAIN_W, MAIN_H))
    return form, bg


TRANSPORT_CENTRES = {"open": (25, 14.0), "prev": (70, 15.0), "play": (112, 20.0), "pause": (154, 15.0),
                     "stop": (193, 15.0), "next": (232, 15.0)}


# ----------------------------------------------------------------- compact form

MINI_W, MINI_H = 275, 30
MINI_DIGIT_W, MINI_DIGIT_H = 9, 16
MINI_DIGIT_X = [31, 41, 51, 65, 75]


def build_compact(sheets, sheet):
    bg = Canvas(MINI_W, MINI_H, BORDER)
    body(bg, 0, 0, MINI_W, MINI_H, 6)
    logo(bg, 13, 15, 6.5)
    lcd_panel(bg, 24, 4, 91, 26, 4)
    colon(bg, 62.5, 12, 19, 1.1)
    b = Builder(bg, sheet, SLOT_COMPACT)
    form = Form("MainSkinMinimized", "Main", 0, 0, MINI_W, MINI_H, Title="Zelvo Vantor Player", Dragable=1)
    form.comment = "The compact main window: time, transport, back to the full window, exit."

    dx0, dy0 = digit_strip(sheets[SLOT_DIGITS], MINI_DIGIT_W, MINI_DIGIT_H, 2.0)
    for x, cmd in zip(MINI_DIGIT_X, ["IDM_SET_HHMINUTES", "IDM_SET_HMINUTES", "IDM_SET_LMINUTES",
                                     "IDM_SET_HSECONDS", "IDM_SET_LSECONDS"]):
        f = Form("TimeDigit", "Number", x, 7, MINI_DIGIT_W, MINI_DIGIT_H, CacheMessage=cmd,
                 SpriteDX=MINI_DIGIT_W, SpriteDY=0, Dragable=1, ToolTip="Playing time")
        f.bmp(SLOT_DIGITS, (dx0, dy0, MINI_DIGIT_W, MINI_DIGIT_H))
        form.add(f)

    items = [("prev", "PreviousButton", "IDM_PLAYPREVIOUS", "Previous", "IDM_HOVER_PREVIOUS", 105),
             ("play", "PlayButton", "IDM_FILE_PLAY", "Play", "IDM_HOVER_PLAY", 128),
             ("pause", "PauseButton", "IDM_FILE_PAUSE", "Pause", "IDM_HOVER_PAUSE", 151),
             ("stop", "StopButton", "IDM_STOP", "Stop", "IDM_HOVER_STOP", 173),
             ("next", "NextButton", "IDM_PLAYNEXT", "Next", "IDM_HOVER_NEXT", 195),
             ("open", "OpenButton", "IDM_FILE_OPEN", "Open a file", "IDM_HOVER_OPEN", 217)]
    for icon, name, send, tip, hover, cx in items:
        r = 10.5 if icon == "play" else 9.0
        rect = centred(cx, 15, 22, 24)

        def painter(cv, hv, icon=icon, r=r, cx=cx, rect=rect):
            lx, ly = cx - rect[0], 15 - rect[1]
            round_button(cv, lx, ly, r, hv, accent=(icon == "play"))
            col = (255, 255, 255) if (hv or icon == "play") else ICON
            s = r * 0.42
            {"prev": lambda: icon_skip(cv, lx, ly, s, col, False),
             "play": lambda: icon_play(cv, lx + 0.6, ly, s * 1.05, col),
             "pause": lambda: icon_pause(cv, lx, ly, s, col),
             "stop": lambda: icon_stop(cv, lx, ly, s * 0.9, col),
             "next": lambda: icon_skip(cv, lx, ly, s, col, True),
             "open": lambda: icon_eject(cv, lx, ly, s, col)}[icon]()
        form.add(b.button(name, rect, painter, send, tip, hover))

    def small(paint, danger=False):
        def painter(cv, hv):
            flat_button(cv, 0, 0, 16, 16, hv, danger=danger)
            paint(cv, 8, 8, 4.6, ICON if hv else ICON_DIM)
        return painter
    form.add(b.button("NormalButton", (234, 7, 16, 16), small(icon_expand), "IDM_NORMALIZEMAINWINDOW",
                      "Full window"))
    form.add(b.button("ExitButton", (253, 7, 16, 16),
                      small(lambda cv, cx, cy, s, c: icon_close(cv, cx, cy, s * 0.72, c, 0.8), True),
                      "IDM_EXIT", "Exit", "IDM_HOVER_EXIT"))
    x, y, w, h = sheet.add(bg)
    form.bmp(SLOT_COMPACT, (x, y, w, h))
    return form, bg


# ----------------------------------------------------------------- playlist form

PL_W, PL_H = 300, 200          # the player's first-run playlist size
PL_TOP, PL_BOTTOM = 24, 28
PL_LEFT, PL_RIGHT = 6, 16
PL_CORNER_L, PL_CORNER_R = 150, 28


def draw_playlist_frame(w, h):
    """The whole frame at one size; the pieces are cut from it."""
    cv = Canvas(w, h, BORDER)
    body(cv, 0, 0, w, h, 7)
    # Well for the list.
    cv.fill(rrect(PL_LEFT - 1, PL_TOP - 1, w - PL_RIGHT + 1, h - PL_BOTTOM + 1, 3),
            (0, 0, w, h), BEZEL)
    cv.rect(PL_LEFT, PL_TOP, w - PL_LEFT - PL_RIGHT, h - PL_TOP - PL_BOTTOM, PLAYLIST_BG)
    draw_text(cv, "PLAYLIST", 26, 9, 6.5, hexcol("c3c9d3"))
    # Scroll groove.
    gx = w - PL_RIGHT / 2.0
    cv.fill(rrect(gx - 2.5, PL_TOP + 1, gx + 2.5, h - PL_BOTTOM - 1, 2.5), (0, 0, w, h), GROOVE)
    # Resize grip: three diagonal ridges.
    for k in range(3):
        o = 4 + k * 4
        cv.fill(segment(w - 4 - o, h - 4, w - 4, h - 4 - o, 0.6), (w - 20, h - 20, w, h), hexcol("5d6471"))
    return cv


def build_playlist(sheet):
    w, h = PL_W, PL_H
    frame = draw_playlist_frame(w, h)
    b = Builder(frame, sheet, SLOT_PLAYLIST)
    form = Form("PlayList", "Main", 0, 0, w, h, Title="Playlist", MinWidth=220, MinHeight=110, Dragable=1)
    form.comment = "The playlist window: resizable frame, list, scroll bar, file buttons and resize grip."
    form.bmp(SLOT_PLAYLIST, sheet.add(frame.crop(PL_LEFT + 2, PL_TOP + 2, 8, 8)))  # list colour

    mid_w = w - PL_CORNER_L - PL_CORNER_R
    top_left = b.zone("TitleLeft", "Zone", (0, 0, PL_CORNER_L, PL_TOP), Dragable=1)
    top_mid = b.zone("TitleMiddle", "Zone", (PL_CORNER_L, 0, mid_w, PL_TOP), src=(PL_CORNER_L, 0, 8, PL_TOP),
                     Dragable=1, HScale=1)
    top_right = b.zone("TitleRight", "Zone", (w - PL_CORNER_R, 0, PL_CORNER_R, PL_TOP), Dragable=1, HAlign=1)

    def icon_button(paint, danger=False, size=(16, 16)):
        def painter(cv, hv):
            flat_button(cv, 0, 0, size[0], size[1], hv, danger=danger)
            paint(cv, size[0] / 2.0, size[1] / 2.0, 4.6, ICON if hv else ICON_DIM)
        return painter

    menu = b.button("PlaylistMenuButton", (5, 4, 16, 16), icon_button(icon_menu), "IDM_PLAYLISTBUTTONSBAR",
                    "Playlist files")
    top_left.add(menu)
    close = Builder(frame, sheet, SLOT_PLAYLIST, (w - PL_CORNER_R, 0)).button(
        "PlaylistCloseButton", (7, 4, 16, 16),
        icon_button(lambda cv, cx, cy, s, c: icon_close(cv, cx, cy, s * 0.72, c, 0.8), True),
        "IDM_PLAYLIST_HIDE", "Hide the playlist")
    top_right.add(close)

    body_h = h - PL_TOP - PL_BOTTOM
    mid_y = PL_TOP + body_h // 2
    left = b.zone("FrameLeft", "Zone", (0, PL_TOP, PL_LEFT, body_h), src=(0, mid_y, PL_LEFT, 8), Dragable=1,
                  VScale=1)
    area = Form("FileListArea", "FileListZone", PL_LEFT, PL_TOP, w - PL_LEFT - PL_RIGHT, body_h, HScale=1, VScale=1)
    lst = Form("FileList", "List", 0, 0, w - PL_LEFT - PL_RIGHT, body_h, Message="IDM_PLAYLIST_SETITEM",
               UpMessage="IDM_PLAYLIST_SCROLLUP", DownMessage="IDM_PLAYLIST_SCROLLDOWN",
               ScrollMessage="IDM_PLAYLIST_SCROLL", PlayItemMessage="IDM_PLAYLIST_DBLCLICK", HScale=1, VScale=1)
    lst.bmp(SLOT_PLAYLIST, form.bmps[0][1])
    area.add(lst)
    track = b.zone("ScrollTrack", "Zone", (w - PL_RIGHT, PL_TOP, PL_RIGHT, body_h),
                   src=(w - PL_RIGHT, mid_y, PL_RIGHT, 8), HAlign=1, VScale=1)
    thumb_cv = Canvas(8, 26, frame.get(w - 2, PL_TOP + 10))
    gx = 4.0
    thumb_cv.fill(rrect(gx - 2.5, 0, gx + 2.5, 26, 2.5), (0, 0, 8, 26), GROOVE)
    thumb_cv.fill(rrect(gx - 3.2, 1, gx + 3.2, 25, 3.2), (0, 0, 8, 26), vgrad(1, 25, hexcol("6b7382"), hexcol("4a515e")))
    thumb = Form("PlaylistScrollThumb", "ScrollBar", 4, 2, 8, 26, BoundsX=4, BoundsY=2, BoundsW=4, BoundsH=2,
                 Message="IDM_PLAYLIST_SCROLL", CatchMessage="IDM_PLAYLIST_SCROLL", ToolTip="Scroll the playlist")
    thumb.bmp(SLOT_PLAYLIST, sheet.add(thumb_cv))
    track.add(thumb)

    by = h - PL_BOTTOM
    bottom_left = b.zone("BottomLeft", "Zone", (0, by, PL_CORNER_L, PL_BOTTOM), Dragable=1, VAlign=1)
    bottom_mid = b.zone("BottomMiddle", "Zone", (PL_CORNER_L, by, mid_w, PL_BOTTOM),
                        src=(PL_CORNER_L, by, 8, PL_BOTTOM), Dragable=1, VAlign=1, HScale=1)
    bottom_right = b.zone("BottomRight", "Zone", (w - PL_CORNER_R, by, PL_CORNER_R, PL_BOTTOM), Dragable=1,
                          VAlign=1, HAlign=1)
    inner = Builder(frame, sheet, SLOT_PLAYLIST, (0, by))
    buttons = [("AddFilesButton", icon_plus, "IDM_PLAYLIST_ADDFILES", "Add files"),
               ("DeleteItemButton", icon_minus, "IDM_PLAYLIST_DELETEITEM", "Remove the selected item"),
               ("ClearPlaylistButton", icon_trash, "IDM_CLEARPLAYLISTDIALOG", "Clear the playlist"),
               ("LoadPlaylistButton", icon_folder, "IDM_LOADPLAYLISTDIALOG", "Load a playlist"),
               ("SavePlaylistButton", lambda cv, cx, cy, s, c: icon_save(cv, cx, cy, s * 0.9, c, hexcol("23262d")),
                "IDM_SAVEPLAYLISTDIALOG", "Save the playlist")]
    x = 6
    for i, (name, paint, send, tip) in enumerate(buttons):
        if i == 3:
            x += 6
        bottom_left.add(inner.button(name, (x, 4, 22, 20), icon_button(paint, size=(22, 20)), send, tip))
        x += 24
    grip = Builder(frame, sheet, SLOT_PLAYLIST, (w - PL_CORNER_R, by)).zone(
        "ResizeGrip", "ResizeZone", (PL_CORNER_R - 18, PL_BOTTOM - 18, 18, 18), ToolTip="Drag to resize")
    bottom_right.add(grip)

    # The pop-up bar of playlist file buttons, opened by the menu button.
    bar_w, bar_h = 78, 28
    pop = Canvas(bar_w, bar_h, hexcol("2a2e36"))
    pop.fill(ring(rrect(0.5, 0.5, bar_w - 0.5, bar_h - 0.5, 0.01), 0.5), (0, 0, bar_w, bar_h), hexcol("4d5461"))
    pop.rect(1, 1, bar_w - 2, 1, hexcol("3a3f49"))
    pb = Builder(pop, sheet, SLOT_PLAYLIST)
    bar = Form("LoadPlaylistFileBar", "Zone", 5, PL_TOP - 2, bar_w, bar_h, NoParent=1, Hide=1, OnTop=1,
               HideMessage="IDM_HIDEBUTTONSBAR")
    bar.bmp(SLOT_PLAYLIST, sheet.add(pop))
    for i, (name, paint, send, tip) in enumerate(buttons[3:] + buttons[2:3]):
        bar.add(pb.button("Bar" + name, (4 + i * 24, 4, 22, 20), icon_button(paint, size=(22, 20)), send, tip))

    for f in (top_left, top_mid, top_right, left, area, track, bottom_left, bottom_mid, bottom_right, bar):
        form.add(f)
    return form, frame


# ----------------------------------------------------------------- output

PLEDIT_TXT = "[Text]\r\nNormal=#%02X%02X%02X\r\nCurrent=#%02X%02X%02X\r\nNormalBG=#%02X%02X%02X\r\nSelectedBG=#%02X%02X%02X\r\nFont=Arial\r\n" % (
    PLAYLIST_TEXT + PLAYLIST_CURRENT + PLAYLIST_BG + PLAYLIST_SELECTED)


def build():
    sheets = {slot: Sheet(name) for slot, name in BITMAP_FILES.items()}
    main, main_bg = build_main(sheets)
    compact, _ = build_compact(sheets, sheets[SLOT_COMPACT])
    playlist, _ = build_playlist(sheets[SLOT_PLAYLIST])
    bitmaps = {SLOT_MAIN: main_bg}
    for slot, sheet in sheets.items():
        if slot != SLOT_MAIN:
            bitmaps[slot] = sheet.render(BORDER)
    xml = document("ZelvoSkin", [(slot, BITMAP_FILES[slot], True) for slot in sorted(BITMAP_FILES)],
                   [main, compact, playlist],
                   header="Zelvo Vantor Player: the player's own look. Written by make_default_skin.py.")
    return {BITMAP_FILES[slot]: cv.bmp() for slot, cv in bitmaps.items()}, xml


def main(argv):
    if len(argv) < 2:
        sys.stderr.write("usage: make_default_skin.py OUTPUT_FOLDER [--bitmaps]\n")
        return 2
    out = argv[1]
    os.makedirs(out, exist_ok=True)
    files, xml = build()
    wsz = os.path.join(out, "DefaultSkin.wsz")
    tmp = wsz + ".tmp"
    with zipfile.ZipFile(tmp, "w", zipfile.ZIP_DEFLATED) as z:
        for name in sorted(files):
            info = zipfile.ZipInfo(name, date_time=(2024, 1, 1, 0, 0, 0))
            info.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(info, files[name])
        info = zipfile.ZipInfo("pledit.txt", date_time=(2024, 1, 1, 0, 0, 0))
        info.compress_type = zipfile.ZIP_DEFLATED
        z.writestr(info, PLEDIT_TXT)
    os.replace(tmp, wsz)
    with open(os.path.join(out, "DefaultSkin.xml"), "w", newline="\r\n") as f:
        f.write(xml)
    if "--bitmaps" in argv:
        loose = os.path.join(out, "DefaultSkin")
        os.makedirs(loose, exist_ok=True)
        for name, data in files.items():
            with open(os.path.join(loose, name), "wb") as f:
                f.write(data)
        with open(os.path.join(loose, "pledit.txt"), "w", newline="") as f:
            f.write(PLEDIT_TXT)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
