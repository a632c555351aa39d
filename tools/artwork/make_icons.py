#!/usr/bin/python3
"""Draws the program's icon in the desktop's sizes, and scalable, into packaging/icons/.

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


class SvgDraw:
    """The two drawing calls of the icon's plan (ellipse, line), written as SVG."""

    def __init__(self):
        self.shapes = []

    @staticmethod
    def colour(rgba):
        return "#%02x%02x%02x" % tuple(rgba[:3]) if rgba else "none"

    def ellipse(self, box, fill=None, outline=None, width=0):
        x0, y0, x1, y1 = box
        stroke = ' stroke="%s" stroke-width="%g"' % (self.colour(outline), width) if outline and width else ""
        self.shapes.append('<ellipse cx="%g" cy="%g" rx="%g" ry="%g" fill="%s"%s/>'
                           % ((x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2, (y1 - y0) / 2, self.colour(fill), stroke))

    def line(self, points, fill=None, width=1):
        path = " ".join("%g,%g" % point for point in points)
        self.shapes.append('<polyline points="%s" fill="none" stroke="%s" stroke-width="%g" '
                           'stroke-linejoin="round"/>' % (path, self.colour(fill), width))

    def svg(self):
        return ('<svg xmlns="http://www.w3.org/2000/svg" width="512" height="512" viewBox="0 0 512 512">\n'
                + "\n".join(self.shapes) + "\n</svg>\n")


def scalable_icon():
    draw = SvgDraw()
    make_artwork.plan_app(make_artwork.Plan(draw, 512, make_artwork.APP_TRUE, True))
    return draw.svg()


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "packaging", "icons")
    os.makedirs(out, exist_ok=True)
    for size in SIZES:
        icon = make_artwork.smooth_icon(make_artwork.plan_app, make_artwork.APP_TRUE, size)
        icon.save(os.path.join(out, "quorail-%d.png" % size), optimize=True)
    with open(os.path.join(out, "quorail.svg"), "w", encoding="ascii") as svg:
        svg.write(scalable_icon())


if __name__ == "__main__":
    main()
