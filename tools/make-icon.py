#!/usr/bin/env python3
"""Writes resources/varnello.ico: two overlapping pages, the front one with a red heading band.

Four images: 32x32 and 16x16, each in 32-bit colour (with alpha) and 8-bit colour (palette and
transparency mask). Run it again only to change the picture; the .ico is committed.
"""
import struct
import sys

OUTLINE = (60, 60, 70)
BACK = (200, 205, 215)
FRONT = (255, 255, 255)
BAND = (200, 40, 40)
TEXT = (120, 125, 140)


def pixel(x, y, s):
    """Colour of pixel (x, y), y from the top, on an s x s canvas; None is transparent."""
    def inside(x0, y0, x1, y1):
        return x0 * s <= x < x1 * s and y0 * s <= y < y1 * s

    def border(x0, y0, x1, y1):
        return inside(x0, y0, x1, y1) and not (
            x0 * s + 1 <= x < x1 * s - 1 and y0 * s + 1 <= y < y1 * s - 1)

    front = (0.34, 0.25, 0.94, 0.97)
    back = (0.06, 0.03, 0.66, 0.75)
    if border(*front):
        return OUTLINE
    if inside(*front):
        if front[1] * s + 1 <= y < front[1] * s + max(2, s // 6) + 1:
            return BAND
        row = int(y - front[1] * s)
        if row % 3 == 0 and row > s // 4 and front[0] * s + 2 <= x < front[2] * s - 3:
            return TEXT
        return FRONT
    if border(*back):
        return OUTLINE
    if inside(*back):
        return BACK
    return None


def rows(s):
    """Rows bottom-up, as bitmaps store them."""
    return [[pixel(x, y, s) for x in range(s)] for y in reversed(range(s))]


def and_mask(s):
    stride = ((s + 31) // 32) * 4
    out = b""
    for row in rows(s):
        bits = bytearray(stride)
        for x, colour in enumerate(row):
            if colour is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        out += bytes(bits)
    return out


def header(s, bits, colours):
    size = s * s * bits // 8 + len(and_mask(s))
    return struct.pack("<IiiHHIIiiII", 40, s, 2 * s, 1, bits, 0, size, 0, 0, colours, 0)


def image32(s):
    data = b""
    for row in rows(s):
        for colour in row:
            r, g, b = colour or (0, 0, 0)
            data += bytes((b, g, r, 0 if colour is None else 255))
    return header(s, 32, 0) + data + and_mask(s)


def image8(s):
    palette = [(0, 0, 0), OUTLINE, BACK, FRONT, BAND, TEXT]
    index = {c: i for i, c in enumerate(palette)}
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette) + bytes(4 * (256 - len(palette)))
    data = b""
    for row in rows(s):
        line = bytes(index[c] if c else 0 for c in row)
        data += line + bytes((-len(line)) % 4)
    return header(s, 8, 256) + table + data + and_mask(s)


def main(path):
    images = [(32, 32, image32(32)), (32, 8, image8(32)), (16, 32, image32(16)), (16, 8, image8(16))]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, bits, blob in images:
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, bits, len(blob), offset)
        offset += len(blob)
    out += b"".join(blob for _, _, blob in images)
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "resources/varnello.ico")
