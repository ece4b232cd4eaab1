#!/usr/bin/env python3
"""unpack_skins.py OUT DefaultSkin.wsz [WINAMP_SKIN_FOLDER]

Unpacks the default skin and every classic skin of the folder into
OUT/<archive name>/, each member reduced to its plain lower-case file name
(skins keep their bitmaps in sub-folders and spell names in any case; the
player opens them case-insensitively). Stale folders are emptied first."""

import os
import shutil
import sys
import zipfile


def unpack(archive, target):
    if os.path.isdir(target):
        shutil.rmtree(target)
    os.makedirs(target)
    count = 0
    with zipfile.ZipFile(archive) as z:
        for info in z.infolist():
            name = info.filename.replace("\\", "/").split("/")[-1]
            if not name or name in (".", "..") or info.is_dir():
                continue
            with open(os.path.join(target, name.lower()), "wb") as f:
                f.write(z.read(info))
            count += 1
    return count


def main(argv):
    if len(argv) < 3:
        sys.stderr.write(__doc__)
        return 2
    out, default = argv[1], argv[2]
    os.makedirs(out, exist_ok=True)
    archives = [default]
    if len(argv) > 3 and argv[3]:
        archives += sorted(os.path.join(argv[3], n) for n in os.listdir(argv[3]) if n.lower().endswith(".wsz"))
    for archive in archives:
        name = os.path.splitext(os.path.basename(archive))[0]
        n = unpack(archive, os.path.join(out, name))
        print("unpacked %s: %d files" % (name, n))
    with open(os.path.join(out, "skins.txt"), "w") as f:
        for archive in archives[1:]:
            f.write(os.path.splitext(os.path.basename(archive))[0] + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
