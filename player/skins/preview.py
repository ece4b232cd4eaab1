#!/usr/bin/env python3
"""Paints one form of a skin description the way the skin engine lays it out
(sprites tiled into each element, children on top, hidden elements left out,
text lines filled with the status colour), without Windows. For looking at
artwork quickly; the real check is skinview under Wine.

usage: preview.py DESCRIPTION SKIN(.wsz or folder) FORM OUT.bmp
                  [--size WxH] [--state NAME=N ...] [--show NAME ...]
"""

import os
import sys
import xml.etree.ElementTree as ET
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bmpfile  # noqa: E402

STATUS = (107, 117, 107)


def skin_files(path):
    """Bitmap files by lower-case plain name, from a folder or an archive."""
    files = {}
    if os.path.isdir(path):
        for name in os.listdir(path):
            with open(os.path.join(path, name), "rb") as f:
                files[name.lower()] = f.read()
    else:
        with zipfile.ZipFile(path) as z:
            for info in z.infolist():
                base = info.filename.replace("\\", "/").split("/")[-1]
                if base:
                    files[base.lower()] = z.read(info)
    return files


def _int(node, key, default=0):
    try:
        return int(node.get(key, default))
    except (TypeError, ValueError):
        return default


class Element:
    def __init__(self, node, bitmaps, parent=None):
        self.node = node
        self.name = node.get("Name")
        self.type = node.get("Type")
        self.x, self.y = _int(node, "XCoord"), _int(node, "YCoord")
        self.w, self.h = _int(node, "Width"), _int(node, "Height")
        for k in ("HAlign", "VAlign", "HScale", "VScale", "MinWidth", "MinHeight"):
            setattr(self, k, _int(node, k))
        self.dw = max(1, _int(node, "DWidth", 1))
        self.dh = max(1, _int(node, "DHeight", 1))
        self.hidden = _int(node, "Hide") != 0
        self.popup = node.get("NoParent") is not None and parent is not None
        states = _int(node, "NumberOfStates", 1) if self.type == "PositionBar" else (2 if self.type == "Button" else 1)
        self.sprites = [None] * states
        self.state = 0
        for b in node.findall("BMP"):
            slot, st = _int(b, "Bitmap", -1), _int(b, "State")
            if slot in bitmaps and 0 <= st < states:
                self.sprites[st] = (bitmaps[slot], _int(b, "SrcX"), _int(b, "SrcY"), _int(b, "SrcW"), _int(b, "SrcH"))
        self.children = [Element(c, bitmaps, self) for c in node.findall("Form")
                         if c.get("Name") and c.get("Type")]

    def walk(self):
        yield self
        for c in self.children:
            yield from c.walk()

    def resize(self, w, h):
        nw = self.MinWidth + self.dw * ((w - self.MinWidth) // self.dw)
        if nw <= self.MinWidth:
            nw = self.MinWidth
        h = max(h, self.MinHeight)
        nh = self.MinHeight + self.dh * ((h - self.MinHeight) // self.dh)
        ow, oh = self.w, self.h
        self.w, self.h = nw, nh
        for c in self.children:
            cw = c.w + (nw - ow if c.HScale == 1 else 0)
            ch = c.h + (nh - oh if c.VScale == 1 else 0)
            if c.HAlign == 1 and nw != ow:
                c.x += nw - ow
            if c.VAlign == 1 and nh != oh:
                c.y += nh - oh
            c.resize(cw, ch)

    def paint(self, canvas, ox, oy, digit=0):
        if self.hidden:
            return
        cw, ch = len(canvas[0]), len(canvas)
        if self.type == "Text":
            for y in range(max(0, oy), min(ch, oy + self.h)):
                for x in range(max(0, ox), min(cw, ox + self.w)):
                    canvas[y][x] = STATUS
        sprite = self.sprites[min(self.state, len(self.sprites) - 1)]
        if sprite and sprite[3] > 0 and sprite[4] > 0:
            bmp, sx, sy, sw, sh = sprite
            if self.type == "Number":
                sx += digit * _int(self.node, "SpriteDX")
                sy += digit * _int(self.node, "SpriteDY")
                tiles = [(0, 0, self.w, self.h)]
            else:
                tiles = [(i * sw, j * sh, min(sw, self.w - i * sw), min(sh, self.h - j * sh))
                         for i in range((self.w + sw - 1) // sw) for j in range((self.h + sh - 1) // sh)]
            for tx, ty, tw, th in tiles:
                for yy in range(th):
                    y = oy + ty + yy
                    if not 0 <= y < ch:
                        continue
                    src_y = sy + yy
                    row = bmp.rows[src_y] if 0 <= src_y < bmp.h else None
                    for xx in range(tw):
                        x = ox + tx + xx
                        if 0 <= x < cw:
                            src_x = sx + xx
                            canvas[y][x] = row[src_x] if row is not None and 0 <= src_x < bmp.w else (0, 0, 0)
        for c in self.children:
            if c.popup:
                continue
            c.paint(canvas, ox + c.x, oy + c.y)


def render(description, skin, form_name, size=None, states=None, show=()):
    tree = ET.parse(description)
    files = skin_files(skin)
    bitmaps = {}
    for b in tree.iter("Bitmap"):
        data = files.get(os.path.basename(b.get("Name", "")).lower())
        number = _int(b, "Number", -1)
        if data is not None and 0 <= number < 100 and number not in bitmaps:
            try:
                bitmaps[number] = bmpfile.parse(data)
            except bmpfile.BmpError:
                pass
    nodes = [f for f in tree.iter("Form") if f.get("Name") == form_name and f.get("Type")]
    if not nodes:
        raise SystemExit("no form named %s" % form_name)
    root = Element(nodes[-1], bitmaps)
    if size:
        root.resize(*size)
    for e in root.walk():
        if states and e.name in states:
            e.state = states[e.name]
        if e.name in show:
            e.hidden = False
    canvas = [[(0, 0, 0)] * root.w for _ in range(root.h)]
    root.paint(canvas, 0, 0)
    return root.w, root.h, canvas


def main(argv):
    if len(argv) < 5:
        sys.stderr.write(__doc__)
        return 2
    size, states, show = None, {}, []
    args = argv[5:]
    while args:
        a = args.pop(0)
        if a == "--size":
            w, h = args.pop(0).lower().split("x")
            size = (int(w), int(h))
        elif a == "--state":
            k, v = args.pop(0).split("=")
            states[k] = int(v)
        elif a == "--show":
            show.append(args.pop(0))
    w, h, canvas = render(argv[1], argv[2], argv[3], size, states, show)
    bmpfile.write(argv[4], w, h, canvas)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
