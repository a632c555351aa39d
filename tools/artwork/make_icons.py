#!/usr/bin/python3
"""Draws the program's icon in the desktop's sizes into packaging/icons/.

    /usr/bin/python3 tools/artwork/make_icons.py [output folder]

The same drawing as the application icon of make_artwork.py (Pillow and the DejaVu fonts
are needed); the files it writes are committed, so building the package needs neither.
"""

import os
import sys

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import make_artwork  # noqa: E402

SIZES = (16, 24, 32, 48, 64, 128, 256)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "packaging", "icons")
    os.makedirs(out, exist_ok=True)
    for size in SIZES:
        icon = make_artwork.smooth_icon(make_artwork.plan_app, make_artwork.APP_TRUE, size)
        icon.save(os.path.join(out, "quorail-%d.png" % size), optimize=True)


if __name__ == "__main__":
    main()
