#!/usr/bin/python3
"""Draws the program's artwork into res/images/.

    /usr/bin/python3 tools/artwork/make_artwork.py [output folder]

Needs Pillow (Debian: python3-pil) and the DejaVu fonts; the files it writes are
committed, so building the program needs neither.

toolbar.bmp   160 x 15, 4 bits per pixel: ten 16 x 15 button pictures
splash.bmp    520 x 317, 4 bits per pixel: the start-up picture
icon128.ico   the application: 32 x 32 and 16 x 16 with 16 colours, 32 x 32 with 256
icon129.ico   the document, in the same three forms
icon128.png   the application at 48 x 48 for the desktop entry
"""

import math
import os
import sys

from PIL import Image, ImageDraw, ImageFilter, ImageFont

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import bmpwriter  # noqa: E402
import toolbar  # noqa: E402

FONT_BOLD = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
FONT_PLAIN = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"

SPLASH_SIZE = (520, 317)
SPLASH_PALETTE = [
    (6, 14, 40), (12, 28, 70), (20, 44, 100), (30, 64, 130),
    (44, 88, 160), (70, 120, 190), (120, 170, 220), (200, 220, 240),
    (255, 255, 255), (0, 130, 150), (70, 210, 215), (255, 196, 50),
    (250, 120, 30), (215, 35, 45), (150, 160, 185), (90, 100, 135),
]

# The route across the splash picture, in picture pixels: from the user's machine (first)
# to the target (last).
SPLASH_ROUTE = [(44, 268), (104, 236), (150, 250), (206, 206), (262, 222), (318, 172),
                (372, 184), (420, 138), (472, 110)]


def palette_image(palette):
    """A palette image whose unused entries repeat the first colour."""
    image = Image.new("P", (16, 16))
    padded = list(palette) + [palette[0]] * (256 - len(palette))
    image.putpalette([c for rgb in padded for c in rgb])
    return image


def to_indices(rgb_image, palette, dither):
    mode = Image.Dither.FLOYDSTEINBERG if dither else Image.Dither.NONE
    quantized = rgb_image.quantize(palette=palette_image(palette), dither=mode)
    return [i if i < len(palette) else 0 for i in quantized.getdata()]


# ---------------------------------------------------------------------------------------
# Splash picture


def splash_background(size):
    width, height = size
    top, bottom = (8, 18, 52), (28, 72, 128)
    image = Image.new("RGB", size)
    draw = ImageDraw.Draw(image)
    for y in range(height):
        t = y / (height - 1)
        draw.line([(0, y), (width, y)],
                  fill=tuple(round(a + (b - a) * t) for a, b in zip(top, bottom)))
    return image


def draw_globe(draw, scale):
    """A large faint globe on the right, its meridians and parallels."""
    cx, cy, r = 430 * scale, 250 * scale, 230 * scale
    line = (46, 92, 150)
    width = max(1, scale)
    draw.ellipse([cx - r, cy - r, cx + r, cy + r], outline=line, width=2 * width)
    for k in range(1, 5):
        rx = r * k / 5
        draw.ellipse([cx - rx, cy - r, cx + rx, cy + r], outline=line, width=width)
    for k in range(-4, 5):
        y = cy + r * k / 5
        half = math.sqrt(max(0.0, r * r - (y - cy) ** 2))
        draw.line([(cx - half, y), (cx + half, y)], fill=line, width=width)


def draw_route(draw, scale, font):
    points = [(x * scale, y * scale) for x, y in SPLASH_ROUTE]
    draw.line(points, fill=(70, 210, 215), width=3 * scale, joint="curve")
    for number, (x, y) in enumerate(points):
        last = number == len(points) - 1
        if number == 0:
            r = 9 * scale
            draw.rounded_rectangle([x - r, y - r * 0.8, x + r, y + r * 0.8], radius=2 * scale,
                                   fill=(70, 210, 215), outline=(255, 255, 255), width=2 * scale)
            continue
        if last:
            for ring, colour in ((16, (215, 35, 45)), (11, (255, 255, 255)), (6, (215, 35, 45))):
                r = ring * scale
                draw.ellipse([x - r, y - r, x + r, y + r], fill=colour)
            continue
        r = 7 * scale
        draw.ellipse([x - r, y - r, x + r, y + r], fill=(255, 196, 50),
                     outline=(255, 255, 255), width=2 * scale)
        draw.text((x, y + 18 * scale), str(number), font=font, fill=(200, 220, 240), anchor="mt")


def make_splash():
    scale = 2
    width, height = SPLASH_SIZE
    big = splash_background((width * scale, height * scale))
    draw = ImageDraw.Draw(big)
    draw_globe(draw, scale)
    draw_route(draw, scale, ImageFont.truetype(FONT_BOLD, 11 * scale))

    title = ImageFont.truetype(FONT_BOLD, 64 * scale)
    shadow = Image.new("L", big.size, 0)
    ImageDraw.Draw(shadow).text((42 * scale, 40 * scale), "Quorail", font=title, fill=255)
    shadow = shadow.filter(ImageFilter.GaussianBlur(4 * scale))
    big.paste((4, 10, 30), mask=shadow)
    draw.text((38 * scale, 36 * scale), "Quorail", font=title, fill=(255, 255, 255))
    underline_y = 118 * scale
    draw.line([(40 * scale, underline_y), (300 * scale, underline_y)], fill=(255, 196, 50),
              width=3 * scale)
    subtitle = ImageFont.truetype(FONT_PLAIN, 18 * scale)
    draw.text((40 * scale, 130 * scale), "Version 1.0", font=subtitle, fill=(200, 220, 240))

    picture = big.resize(SPLASH_SIZE, Image.LANCZOS)
    border = ImageDraw.Draw(picture)
    border.rectangle([0, 0, width - 1, height - 1], outline=(150, 160, 185))
    return picture


# ---------------------------------------------------------------------------------------
# Icons


# Icons are drawn on a 512 x 512 plan. The 256-colour image and the PNG come from a smooth
# drawing scaled down; the 16-colour images are drawn pixel by pixel at their own size with
# the standard palette, so their edges stay crisp.

TRANSPARENT = 255

APP_TRUE = {"globe": (30, 90, 200), "rim": (0, 0, 90), "grid": (110, 170, 240),
            "route": (255, 230, 0), "edge": (0, 0, 0), "target": (230, 0, 0),
            "white": (255, 255, 255)}
APP_VGA = {"globe": 12, "rim": 0, "grid": 4, "route": 11, "edge": 0, "target": 9, "white": 15}

DOC_TRUE = {"page": (255, 255, 255), "edge": (0, 0, 0), "fold": (192, 192, 192),
            "text": (128, 128, 128), "route": (0, 0, 200), "hop": (0, 160, 0),
            "target": (230, 0, 0)}
DOC_VGA = {"page": 15, "edge": 0, "fold": 7, "text": 8, "route": 12, "hop": 2, "target": 9}


class Plan:
    """Maps the 512-unit plan onto a canvas of the given size."""

    def __init__(self, draw, size, colours, smooth):
        self.draw = draw
        self.s = size / 512
        self.colours = colours
        self.smooth = smooth
        self.size = size

    def c(self, name):
        colour = self.colours[name]
        return colour + (255,) if self.smooth else colour

    def p(self, value):
        return value * self.s

    def w(self, value):
        return max(1, round(value * self.s))

    def box(self, x, y, r):
        return [self.p(x - r), self.p(y - r), self.p(x + r) - (0 if self.smooth else 1),
                self.p(y + r) - (0 if self.smooth else 1)]


def plan_app(plan):
    """The application: a globe crossed by a route of hops to a red target."""
    d = plan.draw
    tiny = plan.size <= 16
    d.ellipse(plan.box(256, 280 if tiny else 256, 232), fill=plan.c("globe"),
              outline=plan.c("rim"), width=plan.w(24))
    if not tiny:
        for k in (0.45, 0.8):
            d.ellipse([plan.p(256 - 216 * k), plan.p(40), plan.p(256 + 216 * k), plan.p(472)],
                      outline=plan.c("grid"), width=plan.w(14))
        for y in (148, 256, 364):
            half = math.sqrt(max(0.0, 216 ** 2 - (y - 256) ** 2))
            d.line([(plan.p(256 - half), plan.p(y)), (plan.p(256 + half), plan.p(y))],
                   fill=plan.c("grid"), width=plan.w(14))
    route = [(96, 400), (200, 300), (300, 340), (400, 150)]
    d.line([(plan.p(x), plan.p(y)) for x, y in route], fill=plan.c("route"),
           width=plan.w(40 if not tiny else 32))
    for x, y in route[:-1]:
        d.ellipse(plan.box(x, y, 42), fill=plan.c("route"), outline=plan.c("edge"),
                  width=plan.w(14) if not tiny else 0)
    tx, ty = route[-1]
    rings = [(96, "edge"), (82, "target"), (50, "white"), (26, "target")]
    if tiny:
        rings = [(112, "edge"), (90, "target"), (36, "white")]
    for ring, colour in rings:
        d.ellipse(plan.box(tx, ty, ring), fill=plan.c(colour))


def plan_doc(plan):
    """The document: a page with lines of a listing and a small route."""
    d = plan.draw
    tiny = plan.size <= 16
    left, top, right, bottom, fold = 80, 24, 432 if not tiny else 448, 488, 128
    page = [(left, top), (right - fold, top), (right, top + fold), (right, bottom), (left, bottom)]
    d.polygon([(plan.p(x), plan.p(y)) for x, y in page], fill=plan.c("page"),
              outline=plan.c("edge"))
    d.polygon([(plan.p(x), plan.p(y)) for x, y in
               [(right - fold, top), (right - fold, top + fold), (right, top + fold)]],
              fill=plan.c("fold"), outline=plan.c("edge"))
    if plan.smooth:
        d.line([(plan.p(x), plan.p(y)) for x, y in page + [page[0]]], fill=plan.c("edge"),
               width=plan.w(20))
    rows = (160, 256) if tiny else (150, 200, 250)
    for number, y in enumerate(rows):
        d.line([(plan.p(150), plan.p(y)), (plan.p(300 if number == 0 else 370), plan.p(y))],
               fill=plan.c("text"), width=plan.w(22))
    route = [(150, 420), (230, 350), (300, 390), (370, 310)]
    d.line([(plan.p(x), plan.p(y)) for x, y in route], fill=plan.c("route"), width=plan.w(26))
    if not tiny:
        for x, y in route[1:-1]:
            d.ellipse(plan.box(x, y, 26), fill=plan.c("hop"))
    tx, ty = route[-1]
    d.ellipse(plan.box(tx, ty, 48 if tiny else 36), fill=plan.c("target"))


def smooth_icon(plan_function, colours, size):
    image = Image.new("RGBA", (512, 512), (0, 0, 0, 0))
    plan_function(Plan(ImageDraw.Draw(image), 512, colours, True))
    return image.resize((size, size), Image.LANCZOS)


def pixel_icon(plan_function, colours, size):
    """Palette indices and the transparency mask of a crisp 16-colour image."""
    image = Image.new("P", (size, size), TRANSPARENT)
    plan_function(Plan(ImageDraw.Draw(image), size, colours, False))
    data = list(image.getdata())
    mask = [1 if i == TRANSPARENT else 0 for i in data]
    return [0 if i == TRANSPARENT else i for i in data], mask


def true_colour_entry(rgba):
    size = rgba.size[0]
    opaque = rgba.getchannel("A").point(lambda a: 255 if a >= 128 else 0)
    mask = [0 if a else 1 for a in opaque.getdata()]
    flat = Image.new("RGB", rgba.size, (0, 0, 0))
    flat.paste(rgba, mask=opaque)
    reduced = flat.quantize(colors=255, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    raw = reduced.getpalette()
    palette = [(0, 0, 0)] + [tuple(raw[3 * i:3 * i + 3]) for i in range(len(raw) // 3)][:255]
    indices = [0 if m else i + 1 for i, m in zip(reduced.getdata(), mask)]
    return size, 8, bmpwriter.icon_image(indices, mask, size, palette, 8)


def write_icon(path, plan_function, vga, true):
    entries = []
    for size in (32, 16):
        indices, mask = pixel_icon(plan_function, vga, size)
        entries.append((size, 4, bmpwriter.icon_image(indices, mask, size, toolbar.VGA16, 4)))
    entries.append(true_colour_entry(smooth_icon(plan_function, true, 32)))
    bmpwriter.write_ico(path, entries)


# ---------------------------------------------------------------------------------------


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "res", "images")
    os.makedirs(out, exist_ok=True)

    indices, width, height = toolbar.strip_indices()
    bmpwriter.write_bmp(os.path.join(out, "toolbar.bmp"), indices, width, height, toolbar.VGA16, 4)

    splash = make_splash()
    bmpwriter.write_bmp(os.path.join(out, "splash.bmp"), to_indices(splash, SPLASH_PALETTE, True),
                        *SPLASH_SIZE, SPLASH_PALETTE, 4)

    write_icon(os.path.join(out, "icon128.ico"), plan_app, APP_VGA, APP_TRUE)
    write_icon(os.path.join(out, "icon129.ico"), plan_doc, DOC_VGA, DOC_TRUE)
    smooth_icon(plan_app, APP_TRUE, 48).save(os.path.join(out, "icon128.png"))


if __name__ == "__main__":
    main()
