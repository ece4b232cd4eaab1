#!/usr/bin/env python3
"""Wears every shipped skin through skinview under Wine and checks the
pictures it draws: the default skin with DefaultSkin.xml and each unpacked
classic skin with WinAmpSkin.xml.

For every skin: skinview loads it and draws "MainSkin", "MainSkinMinimized"
and "PlayList"; each picture has the form's size and is not blank; the main
form shows the skin's own main bitmap wherever no control covers it; and
every form matches, pixel for pixel (text lines and the playlist rows left
out), the layout of the description painted independently by preview.py.
Pictures stay in OUT/<skin>/ (and as PNG where ImageMagick is installed)."""

import argparse
import os
import shutil
import subprocess
import sys
import xml.etree.ElementTree as ET

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.dirname(here))
import bmpfile  # noqa: E402
import preview  # noqa: E402

TOLERANCE = 8        # per channel: screen and DIB round-trips may shift a colour slightly
MATCH_NEEDED = 0.97  # share of compared pixels that must match
PLAYLIST_SIZE = (300, 200)   # the size a fresh player gives the playlist (skinview does the same)


def wine_path(path, folder=False):
    path = os.path.abspath(path)
    out = "Z:" + path.replace("/", "\\")
    return out + "\\" if folder and not out.endswith("\\") else out


def close(a, b):
    return abs(a[0] - b[0]) <= TOLERANCE and abs(a[1] - b[1]) <= TOLERANCE and abs(a[2] - b[2]) <= TOLERANCE


def not_blank(bmp):
    counts = {}
    for row in bmp.rows:
        for p in row:
            counts[p] = counts.get(p, 0) + 1
    top = max(counts.values())
    return len(counts) >= 8 and top < 0.9 * bmp.w * bmp.h, "%d colours, commonest covers %d%%" % (
        len(counts), 100 * top // (bmp.w * bmp.h))


def masks(description, form, size):
    """Pixels to leave out (text lines, the list and its rows) and pixels no
    child covers, for the form as laid out at `size`."""
    tree = ET.parse(description)
    node = [f for f in tree.iter("Form") if f.get("Name") == form][-1]
    root = preview.Element(node, {})
    if size:
        root.resize(*size)
    skip, covered = set(), set()

    def walk(e, ox, oy, top):
        for c in e.children:
            if c.hidden or c.popup:
                continue
            x, y = ox + c.x, oy + c.y
            rect = {(i, j) for i in range(x, x + c.w) for j in range(y, y + c.h)}
            if top:
                covered.update(rect)
            if c.type in ("Text", "List", "FileListZone"):
                skip.update(rect)
            walk(c, x, y, False)
    walk(root, 0, 0, True)
    return skip, covered


def compare(got, want, skip):
    same = total = 0
    for y in range(min(got.h, want.h)):
        for x in range(min(got.w, want.w)):
            if (x, y) in skip:
                continue
            total += 1
            same += close(got.rows[y][x], want.rows[y][x])
    return same, total


class Run:
    def __init__(self):
        self.passed = self.failed = 0

    def check(self, ok, what):
        print("%s: %s" % ("ok  " if ok else "FAIL", what))
        if ok:
            self.passed += 1
        else:
            self.failed += 1
        return ok


def start(args, label, description, folder):
    """Starts skinview on one skin; the skins are drawn side by side."""
    out = os.path.join(args.out, label)
    if os.path.isdir(out):
        shutil.rmtree(out)
    os.makedirs(out)
    cmd = [args.wine_run, args.skinview, wine_path(description), wine_path(folder, True), wine_path(out, True)]
    return subprocess.Popen(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)


def wear(run, args, label, description, folder, main_bitmap, proc):
    out = os.path.join(args.out, label)
    try:
        text = proc.communicate(timeout=180)[0].decode("utf-8", "replace")
    except subprocess.TimeoutExpired:
        proc.kill()
        text = proc.communicate()[0].decode("utf-8", "replace") + "\n(skinview did not finish)"
    if not run.check(proc.returncode == 0, "%s loads with %s" % (label, os.path.basename(description))):
        print(text)
        return
    tree = ET.parse(description)
    for form in ("MainSkin", "MainSkinMinimized", "PlayList"):
        path = os.path.join(out, form + ".bmp")
        if not run.check(os.path.isfile(path), "%s: %s drawn" % (label, form)):
            continue
        got = bmpfile.load(path)
        size = PLAYLIST_SIZE if form == "PlayList" else None
        node = [f for f in tree.iter("Form") if f.get("Name") == form][-1]
        w, h, canvas = preview.render(description, folder, form, size)
        if form != "PlayList":
            w, h = int(node.get("Width")), int(node.get("Height"))
        run.check((got.w, got.h) == (w, h), "%s: %s is %dx%d (wanted %dx%d)" % (label, form, got.w, got.h, w, h))
        ok, why = not_blank(got)
        run.check(ok, "%s: %s is not blank (%s)" % (label, form, why))
        skip, covered = masks(description, form, size)
        same, total = compare(got, bmpfile.Bitmap(w, h, canvas), skip)
        run.check(total > 0 and same >= MATCH_NEEDED * total,
                  "%s: %s matches its description's layout (%d of %d pixels)" % (label, form, same, total))
        if form == "MainSkin":
            # The skin's own main bitmap wherever no control lies over it.
            bg = bmpfile.load(os.path.join(folder, main_bitmap))
            same = total = 0
            for y in range(min(h, bg.h)):
                for x in range(min(w, bg.w)):
                    if (x, y) not in covered:
                        total += 1
                        same += close(got.rows[y][x], bg.rows[y][x])
            run.check(total >= 500 and same >= MATCH_NEEDED * total,
                      "%s: MainSkin shows %s (%d of %d uncovered pixels)" % (label, main_bitmap, same, total))
    convert = "/usr/bin/convert"
    if os.path.exists(convert):
        for name in os.listdir(out):
            if name.endswith(".bmp"):
                subprocess.run([convert, os.path.join(out, name), os.path.join(out, name[:-4] + ".png")],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--skinview", required=True)
    p.add_argument("--wine-run", required=True)
    p.add_argument("--unpacked", required=True)
    p.add_argument("--out", required=True)
    p.add_argument("--default", required=True)
    p.add_argument("--winamp", required=True)
    args = p.parse_args()
    run = Run()
    listing = os.path.join(args.unpacked, "skins.txt")
    names = [n.strip() for n in open(listing)] if os.path.exists(listing) else []
    jobs = [("DefaultSkin", args.default)] + [(n, args.winamp) for n in names if n]
    procs = [start(args, label, xml, os.path.join(args.unpacked, label)) for label, xml in jobs]
    for (label, xml), proc in zip(jobs, procs):
        wear(run, args, label, xml, os.path.join(args.unpacked, label), "main.bmp", proc)
    print("%d passed, %d failed" % (run.passed, run.failed))
    return 0 if run.failed == 0 and run.passed > 0 else 1


if __name__ == "__main__":
    sys.exit(main())
