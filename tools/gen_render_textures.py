#!/usr/bin/env python3
"""Draws the shared images the renderers and the hotbar load into data/textures.

occlusion.png  256 x 256 grey: 16 x 16 tiles of 16 x 16 pixels, tile m (column
               m % 16, row m // 16) the shading of a face whose closed
               neighbours are the bits of m; pixel (x, y) of a tile is the face
               point u = x / 15, v = y / 15.
waves.png      64 x 64 grey, tileable ripples for liquid surfaces.
cross.png      16 x 16 crosshair; only the alpha counts (the pixels beneath
square.png     are inverted).
hotbar.png     16 x 16 frame drawn over the selected hotbar slot.

The output depends only on this file: running it twice gives the same bytes.

Usage: gen_render_textures.py [data directory]   (default: the repository's data/)
"""
import math
import os
import struct
import sys
import zlib

# Brightness of a face corner by how many of its three neighbours are closed
# (two closed sides count as three: the corner is shut either way).
CORNER_SHADE = [1.0, 0.78, 0.62, 0.48]

# Occlusion mask bits: neighbour (row, column) offsets; u falls along rows and
# v along columns, so row + 1 is the edge u = 0 and column + 1 is v = 0.
EDGE_BITS = {"u0": 7, "u1": 3, "v0": 1, "v1": 5}
CORNER_BITS = {(0, 0): 0, (1, 0): 2, (1, 1): 4, (0, 1): 6}


def png(width, height, rows, colour_type):
    """PNG bytes of 8-bit rows (bytes objects), grey (0) or RGBA (6)."""
    raw = b"".join(b"\x00" + row for row in rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) +
            chunk(b"IEND", b""))


def corner_level(mask, u, v):
    """Closed-neighbour level 0..3 of the face corner at (u, v), each 0 or 1."""
    side_u = mask >> EDGE_BITS["u1" if u else "u0"] & 1
    side_v = mask >> EDGE_BITS["v1" if v else "v0"] & 1
    diagonal = mask >> CORNER_BITS[(u, v)] & 1
    return 3 if side_u and side_v else side_u + side_v + diagonal


def occlusion():
    tile = 16
    rows = []
    for y in range(256):
        row = bytearray()
        for x in range(256):
            mask = (y // tile) * 16 + x // tile
            u, v = (x % tile) / (tile - 1), (y % tile) / (tile - 1)
            c = [[CORNER_SHADE[corner_level(mask, a, b)] for b in (0, 1)] for a in (0, 1)]
            value = (c[0][0] * (1 - u) * (1 - v) + c[1][0] * u * (1 - v) + c[0][1] * (1 - u) * v +
                     c[1][1] * u * v)
            row.append(int(round(value * 255)))
        rows.append(bytes(row))
    return png(256, 256, rows, 0)


def waves():
    n = 64
    # Whole wave numbers keep the image seamless when it repeats.
    terms = [(1, 2, 0.9, 0.35), (3, -1, 2.1, 0.25), (-2, 3, 4.0, 0.2), (5, 4, 1.3, 0.12), (-7, 2, 5.5, 0.08)]
    rows = []
    for y in range(n):
        row = bytearray()
        for x in range(n):
            s = sum(a * math.sin(2 * math.pi * (kx * x + ky * y) / n + phase) for kx, ky, phase, a in terms)
            row.append(max(0, min(255, int(round((0.5 + 0.5 * s) * 255)))))
        rows.append(bytes(row))
    return png(n, n, rows, 0)


def rgba_image(n, colour_at):
    return png(n, n, [bytes(c for x in range(n) for c in colour_at(x, y)) for y in range(n)], 6)


CLEAR = (0, 0, 0, 0)
WHITE = (255, 255, 255, 255)


def cross():
    def at(x, y):
        arm_x = 7 <= x <= 8 and 1 <= y <= 14
        arm_y = 7 <= y <= 8 and 1 <= x <= 14
        return WHITE if arm_x or arm_y else CLEAR
    return rgba_image(16, at)


def square():
    def at(x, y):
        inside = 3 <= x <= 12 and 3 <= y <= 12
        hollow = 5 <= x <= 10 and 5 <= y <= 10
        return WHITE if inside and not hollow else CLEAR
    return rgba_image(16, at)


def hotbar():
    def at(x, y):
        ring = min(x, y, 15 - x, 15 - y)
        if ring == 0:
            return (0xf6, 0xee, 0xd2, 255)
        if ring == 1:
            return (0x2a, 0x26, 0x20, 200)
        return CLEAR
    return rgba_image(16, at)


IMAGES = {
    "occlusion.png": occlusion,
    "waves.png": waves,
    "cross.png": cross,
    "square.png": square,
    "hotbar.png": hotbar,
}


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    data = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "data")
    out = os.path.join(data, "textures")
    os.makedirs(out, exist_ok=True)
    for name, draw in IMAGES.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(draw())


if __name__ == "__main__":
    main()
