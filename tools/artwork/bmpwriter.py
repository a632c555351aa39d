"""Writers for palette bitmaps and icon files in the Windows formats the program loads.

Pillow draws the pictures; these functions pack palette images into uncompressed
BMP files (1, 4 or 8 bits per pixel, bottom-up rows padded to four bytes) and into
ICO files whose entries are classic DIB images with an AND mask.
"""

import struct


def _row_bytes(width, bits):
    return ((width * bits + 31) // 32) * 4


def _pack_rows(indices, width, height, bits):
    """Bottom-up rows of palette indices (a flat list, top row first)."""
    stride = _row_bytes(width, bits)
    out = bytearray()
    per_byte = 8 // bits
    for y in range(height - 1, -1, -1):
        row = bytearray(stride)
        for x in range(width):
            value = indices[y * width + x]
            if value >= (1 << bits):
                raise ValueError("palette index %d does not fit %d bits" % (value, bits))
            shift = 8 - bits * (x % per_byte + 1)
            row[x // per_byte] |= value << shift
        out += row
    return bytes(out)


def _palette_bytes(palette, bits):
    count = 1 << bits
    if len(palette) > count:
        raise ValueError("palette has more than %d colours" % count)
    entries = list(palette) + [(0, 0, 0)] * (count - len(palette))
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in entries)


def _info_header(width, height, bits, image_size, colours):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, image_size,
                       2835, 2835, colours, 0)


def dib(indices, width, height, palette, bits):
    """A BITMAPINFOHEADER, its palette and the pixel rows."""
    pixels = _pack_rows(indices, width, height, bits)
    return _info_header(width, height, bits, len(pixels), 1 << bits) \
        + _palette_bytes(palette, bits) + pixels


def write_bmp(path, indices, width, height, palette, bits):
    body = dib(indices, width, height, palette, bits)
    offset = 14 + 40 + 4 * (1 << bits)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(body), 0, 0, offset)
    with open(path, "wb") as handle:
        handle.write(header + body)


def icon_image(indices, mask, size, palette, bits):
    """One icon entry: the colour DIB (height doubled) followed by the AND mask.

    mask holds 1 for transparent pixels, top row first."""
    pixels = _pack_rows(indices, size, size, bits)
    and_bits = _pack_rows(mask, size, size, 1)
    header = _info_header(size, 2 * size, bits, len(pixels) + len(and_bits), 1 << bits)
    return header + _palette_bytes(palette, bits) + pixels + and_bits


def write_ico(path, images):
    """images: a list of (size, bits, entry bytes from icon_image)."""
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    blobs = b""
    for size, bits, blob in images:
        colours = (1 << bits) if bits < 8 else 0
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0, 1, bits,
                               len(blob), offset + len(blobs))
        blobs += blob
    with open(path, "wb") as handle:
        handle.write(directory + entries + blobs)
