#!/usr/bin/env python3
"""Draws the game's 16x16 pixel-art textures into data/.

Everything is procedural (seeded noise and simple shapes) and every colour
comes from PALETTE, so the look of the whole game changes in one place.
Images with several 16x16 squares stacked vertically are texture variants
(cells) or animation frames (mobs).

Usage: gen_textures.py [data directory]   (default: the repository's data/)
"""
import math
import os
import random
import struct
import sys
import zlib

N = 16

# Colour ramps, darkest first. Alpha is 255 unless given.
PALETTE = {
    "stone": [(0x56, 0x57, 0x5f), (0x6b, 0x6c, 0x74), (0x82, 0x83, 0x8a), (0x9a, 0x9b, 0xa0)],
    "dirt": [(0x58, 0x3a, 0x25), (0x70, 0x4b, 0x30), (0x88, 0x5e, 0x3c), (0x9d, 0x71, 0x49)],
    "grass": [(0x38, 0x68, 0x29), (0x4a, 0x83, 0x33), (0x5d, 0x9b, 0x3d), (0x74, 0xb3, 0x49)],
    "sand": [(0xbf, 0xad, 0x78), (0xcf, 0xbf, 0x88), (0xde, 0xd0, 0x9a), (0xeb, 0xdf, 0xae)],
    "leaves": [(0x27, 0x52, 0x20), (0x33, 0x68, 0x28), (0x42, 0x7d, 0x31), (0x53, 0x93, 0x3b)],
    "water": [(0x28, 0x4c, 0x96, 170), (0x31, 0x5c, 0xac, 170), (0x3d, 0x6f, 0xc0, 170), (0x58, 0x8a, 0xd4, 180)],
    "bark": [(0x45, 0x30, 0x1e), (0x58, 0x3d, 0x26), (0x6a, 0x4b, 0x2f), (0x7d, 0x5a, 0x38)],
    "wood": [(0x86, 0x61, 0x38), (0x9c, 0x73, 0x43), (0xb1, 0x86, 0x50), (0xc4, 0x98, 0x5e)],
    "ink": [(0x24, 0x24, 0x2a), (0x34, 0x34, 0x3c)],
    "lamp": [(0xff, 0xc2, 0x4c), (0xff, 0xda, 0x78), (0xff, 0xec, 0xa8), (0xff, 0xf8, 0xde)],
    "glass": [(0xbe, 0xe0, 0xec, 70), (0xd4, 0xec, 0xf4, 110), (0xea, 0xf7, 0xfb, 200)],
    "petal": [(0xb8, 0x2c, 0x30), (0xd8, 0x3e, 0x3c), (0xf0, 0x66, 0x54)],
    "pollen": [(0xe8, 0xc4, 0x38), (0xf6, 0xdc, 0x5a)],
    "brick": [(0x86, 0x38, 0x2a), (0x9e, 0x46, 0x32), (0xb4, 0x56, 0x3c)],
    "mortar": [(0xb4, 0xa8, 0x94), (0xc8, 0xbc, 0xa8)],
    "stripe": [(0x36, 0x54, 0x86), (0x44, 0x66, 0x9c), (0xd6, 0xce, 0xb4), (0xe4, 0xdc, 0xc4)],
    "hopper": [(0x46, 0x80, 0x3c), (0x5a, 0x9c, 0x4c), (0x74, 0xb8, 0x60), (0x92, 0xd0, 0x78)],
    "eye": [(0x1c, 0x1c, 0x22), (0xf2, 0xf2, 0xee)],
    "egg": [(0xc8, 0xbc, 0x9c), (0xdc, 0xd2, 0xb6), (0xee, 0xe8, 0xd4)],
    "bad": [(0x00, 0x00, 0x00), (0xff, 0x00, 0xff)],
    "sun": [(0x0e, 0x10, 0x16), (0xf4, 0xf6, 0xff)],
    "spot": [(0x00, 0x00, 0x00), (0xff, 0xd8, 0x9c)],
}

CLEAR = (0, 0, 0, 0)


def rgba(c):
    return c if len(c) == 4 else (c[0], c[1], c[2], 255)


def shade(name, level):
    """A colour of a ramp by level 0..1 (clamped)."""
    ramp = PALETTE[name]
    i = min(len(ramp) - 1, max(0, int(level * len(ramp))))
    return rgba(ramp[i])


def pick(name, i):
    return rgba(PALETTE[name][i])


class Image:
    def __init__(self, frames=1, fill=CLEAR):
        self.w = N
        self.h = N * frames
        self.px = [fill] * (self.w * self.h)

    def set(self, x, y, c, frame=0):
        if 0 <= x < N and 0 <= y < N:
            self.px[(frame * N + y) * N + x] = c

    def get(self, x, y, frame=0):
        return self.px[(frame * N + y) * N + x]

    def png(self):
        raw = b"".join(
            b"\x00" + b"".join(bytes(self.px[y * self.w + x]) for x in range(self.w))
            for y in range(self.h))

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

        header = struct.pack(">IIBBBBB", self.w, self.h, 8, 6, 0, 0, 0)
        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def noise(seed, scale=4.0):
    """Tileable value noise over the 16x16 square, 0..1."""
    rnd = random.Random(seed)
    cells = int(N / scale)
    grid = [[rnd.random() for _ in range(cells)] for _ in range(cells)]

    def smooth(t):
        return t * t * (3 - 2 * t)

    def at(x, y):
        gx, gy = x / scale, y / scale
        x0, y0 = int(gx), int(gy)
        tx, ty = smooth(gx - x0), smooth(gy - y0)
        x1, y1 = (x0 + 1) % cells, (y0 + 1) % cells
        x0, y0 = x0 % cells, y0 % cells
        a = grid[y0][x0] + (grid[y0][x1] - grid[y0][x0]) * tx
        b = grid[y1][x0] + (grid[y1][x1] - grid[y1][x0]) * tx
        return a + (b - a) * ty

    return at


def speckled(ramp, seed, frames=1, grain=0.35, scale=4.0):
    """Noise shading plus per-pixel grain: the base of most natural cells."""
    img = Image(frames)
    for f in range(frames):
        n = noise(seed * 31 + f, scale)
        rnd = random.Random(seed * 97 + f)
        for y in range(N):
            for x in range(N):
                v = n(x, y) * (1 - grain) + rnd.random() * grain
                img.set(x, y, shade(ramp, v), f)
    return img


def stone():
    img = speckled("stone", 1, frames=2)
    for f in range(2):
        rnd = random.Random(11 + f)
        # A few dark cracks.
        for _ in range(3):
            x, y = rnd.randrange(N), rnd.randrange(N)
            for _ in range(rnd.randrange(3, 6)):
                img.set(x, y, pick("stone", 0), f)
                x += rnd.choice((-1, 0, 1))
                y += 1
    return img


def dirt():
    img = speckled("dirt", 2, frames=2, grain=0.5)
    for f in range(2):
        rnd = random.Random(21 + f)
        for _ in range(4):  # pebbles
            img.set(rnd.randrange(N), rnd.randrange(N), pick("stone", 2), f)
    return img


def grass_top():
    img = speckled("grass", 3, frames=2, grain=0.55)
    for f in range(2):
        rnd = random.Random(31 + f)
        for _ in range(10):  # blades catching the light
            img.set(rnd.randrange(N), rnd.randrange(N), pick("grass", 3), f)
    return img


def grass_side():
    img = speckled("dirt", 4, grain=0.5)
    rnd = random.Random(41)
    g = speckled("grass", 5, grain=0.5)
    for x in range(N):
        depth = 3 + rnd.randrange(3)
        for y in range(depth):
            img.set(x, y, g.get(x, y))
    return img


def sand():
    img = speckled("sand", 6, grain=0.6, scale=8.0)
    rnd = random.Random(61)
    for _ in range(6):
        img.set(rnd.randrange(N), rnd.randrange(N), pick("sand", 0))
    return img


def leaves():
    img = speckled("leaves", 7, grain=0.6)
    rnd = random.Random(71)
    for _ in range(14):  # gaps between the leaves let light through
        img.set(rnd.randrange(N), rnd.randrange(N), CLEAR)
    return img


def water():
    img = Image(2)
    for f in range(2):
        for y in range(N):
            for x in range(N):
                v = 0.5 + 0.5 * math.sin((x + 2 * f) * 0.8 + math.sin(y * 0.6) * 1.5)
                img.set(x, y, shade("water", v * 0.9), f)
    return img


def wood_side():
    img = Image()
    n = noise(81, 8.0)
    rnd = random.Random(82)
    for x in range(N):
        groove = x % 4 == 0
        for y in range(N):
            v = 0.3 + 0.4 * n(x, y) + 0.2 * rnd.random()
            img.set(x, y, pick("bark", 0) if groove and rnd.random() < 0.7 else shade("bark", v))
    return img


def wood_top():
    img = Image()
    for y in range(N):
        for x in range(N):
            r = math.hypot(x - 7.5, y - 7.5)
            if r > 7.0:
                img.set(x, y, shade("bark", 0.4))
            else:
                ring = (int(r * 1.2) % 2) * 0.3
                img.set(x, y, shade("wood", 0.4 + ring))
    return img


def planks():
    img = Image()
    rnd = random.Random(91)
    n = noise(92, 8.0)
    for y in range(N):
        board = y // 4
        offset = (board * 7) % N
        for x in range(N):
            if y % 4 == 3:
                img.set(x, y, pick("wood", 0))
            elif (x + offset) % N == 0:
                img.set(x, y, pick("wood", 0))
            else:
                img.set(x, y, shade("wood", 0.25 + 0.5 * n(x, y * 3) + 0.2 * rnd.random()))
    return img


def framed(inner, edge="ink"):
    img = Image()
    for y in range(N):
        for x in range(N):
            border = x in (0, N - 1) or y in (0, N - 1)
            img.set(x, y, pick(edge, 0) if border else inner(x, y))
    return img


def lamp():
    def inner(x, y):
        r = math.hypot(x - 7.5, y - 7.5)
        return shade("lamp", 1.0 - r / 8.0)
    img = framed(inner)
    for i in range(1, N - 1):  # a cross of the frame holds the glass
        img.set(i, 7, pick("ink", 1))
        img.set(7, i, pick("ink", 1))
    return img


def chest(face):
    def inner(x, y):
        if face == "top":
            return pick("wood", 1) if (x + y) % 5 else pick("wood", 0)
        if y in (5, 6):
            return pick("bark", 0)
        return shade("wood", 0.3 + 0.15 * ((x // 3 + y) % 3))
    img = framed(inner, "bark")
    if face == "front":
        for x, y in ((7, 6), (8, 6), (7, 7), (8, 7)):
            img.set(x, y, pick("pollen", 1))  # the lock
    return img


def workbench(face):
    if face == "top":
        img = planks()
        for i in range(3, 13):  # a saw and a square drawn on the top
            img.set(i, 4, pick("stone", 3))
            img.set(4, i, pick("ink", 1))
            img.set(i, 12, pick("ink", 1))
        return img
    img = framed(lambda x, y: shade("wood", 0.5 if y < 4 else 0.2), "bark")
    for y in range(5, N - 1):
        for x in (3, 12):
            img.set(x, y, pick("bark", 1))
    return img


def door(is_open):
    img = Image()
    for y in range(N):
        for x in range(N):
            jamb = x in (0, N - 1) or y == 0
            if jamb:
                img.set(x, y, pick("bark", 0))
            elif not is_open:
                panel = 3 <= x <= 12 and (2 <= y <= 6 or 9 <= y <= 14)
                img.set(x, y, shade("wood", 0.2 if panel else 0.6))
    if not is_open:
        img.set(12, 8, pick("pollen", 1))  # handle
    return img


def glass():
    img = Image()
    for y in range(N):
        for x in range(N):
            edge = x in (0, N - 1) or y in (0, N - 1)
            glint = (x - y) in (3, 4) and 2 <= x <= 9
            img.set(x, y, pick("glass", 2 if edge else 1 if glint else 0))
    return img


def flower():
    img = Image()
    for y in range(7, N):
        img.set(7 + (1 if y > 11 else 0), y, pick("grass", 1))  # stem
    for x, y in ((5, 11), (6, 11), (6, 10), (10, 12), (9, 12), (9, 13)):
        img.set(x, y, pick("grass", 2))  # leaves
    for y in range(1, 9):
        for x in range(3, 12):
            r = math.hypot(x - 7, y - 4.5)
            angle = math.atan2(y - 4.5, x - 7)
            petal = r <= 3.2 + 0.8 * math.cos(angle * 5)
            if r < 1.3:
                img.set(x, y, pick("pollen", 0 if r > 0.8 else 1))
            elif petal:
                img.set(x, y, pick("petal", 2 if r < 2.2 else 1 if r < 3.2 else 0))
    return img


def wallpaper_brick():
    img = Image()
    rnd = random.Random(101)
    for y in range(N):
        row = y // 4
        for x in range(N):
            mortar = y % 4 == 3 or (x + (row % 2) * 4) % 8 == 7
            img.set(x, y, pick("mortar", rnd.randrange(2)) if mortar else shade("brick", rnd.random()))
    return img


def wallpaper_stripes():
    img = Image()
    for y in range(N):
        for x in range(N):
            dark = (x // 2) % 4 == 0
            fleck = (x * 7 + y * 3) % 11 == 0
            img.set(x, y, pick("stripe", (0 if dark else 2) + (1 if fleck else 0)))
    return img


def hopper(back):
    """Three frames: two of a hop cycle, one asleep."""
    img = Image(3)
    for f in range(3):
        squash = (1 if f == 1 else 0) + (2 if f == 2 else 0)
        top = 5 + squash
        for y in range(top, 15):
            t = (y - top) / max(1, 14 - top)
            half = int(6.5 * math.sqrt(max(0.0, 1 - (1 - t) ** 2 * 0.9))) if y < 14 else 5
            for x in range(8 - half, 8 + half):
                lit = 1 - abs(x - 6) / 8 - t * 0.4
                img.set(x, y, shade("hopper", lit), f)
        img.set(5, 15, pick("hopper", 0), f)  # feet
        img.set(10, 15, pick("hopper", 0), f)
        if back:
            img.set(8, top + 2, pick("hopper", 3), f)  # a tuft
            continue
        ey = top + 3
        for ex in (5, 10):
            if f == 2:
                img.set(ex, ey, pick("eye", 0), f)
                img.set(ex + 1, ey, pick("eye", 0), f)
            else:
                img.set(ex, ey, pick("eye", 1), f)
                img.set(ex + 1, ey, pick("eye", 0), f)
    return img


def hopper_egg():
    img = Image()
    rnd = random.Random(111)
    for y in range(2, 15):
        for x in range(N):
            dx, dy = (x - 7.5) / 5.0, (y - 9.0) / (6.5 if y < 9 else 5.5)
            if dx * dx + dy * dy <= 1.0:
                spot = rnd.random() < 0.12
                img.set(x, y, pick("hopper", 1) if spot else shade("egg", 0.9 - dx * 0.4 - dy * 0.2))
    return img


def bad_tex():
    img = Image()
    for y in range(N):
        for x in range(N):
            img.set(x, y, pick("bad", ((x // 4) + (y // 4)) % 2))
    return img


def light():
    """Light lookup: column = sunlight level, row = spotlight level (0..15)."""
    img = Image()
    dark, day = PALETTE["sun"]
    _, warm = PALETTE["spot"]
    for y in range(N):
        for x in range(N):
            s = (x / 15.0) ** 1.6
            p = (y / 15.0) ** 1.4
            c = tuple(max(d + (b - d) * s, w * p) for d, b, w in zip(dark, day, warm))
            img.set(x, y, tuple(int(round(v)) for v in c) + (255,))
    return img


PACK_TEXTURES = {
    "stone.png": stone,
    "dirt.png": dirt,
    "grass_top.png": grass_top,
    "grass_side.png": grass_side,
    "sand.png": sand,
    "leaves.png": leaves,
    "water.png": water,
    "wood_side.png": wood_side,
    "wood_top.png": wood_top,
    "planks.png": planks,
    "lamp.png": lamp,
    "chest_top.png": lambda: chest("top"),
    "chest_side.png": lambda: chest("side"),
    "chest_front.png": lambda: chest("front"),
    "workbench_top.png": lambda: workbench("top"),
    "workbench_side.png": lambda: workbench("side"),
    "door.png": lambda: door(False),
    "door_open.png": lambda: door(True),
    "glass.png": glass,
    "flower.png": flower,
    "wallpaper_brick.png": wallpaper_brick,
    "wallpaper_stripes.png": wallpaper_stripes,
    "hopper_front.png": lambda: hopper(False),
    "hopper_back.png": lambda: hopper(True),
    "hopper_egg.png": hopper_egg,
}

SHARED_TEXTURES = {
    "bad_tex.png": bad_tex,
    "light.png": light,
}


def write(path, image):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(image.png())


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    data = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "data")
    for name, draw in PACK_TEXTURES.items():
        write(os.path.join(data, "packs", "basic", "textures", name), draw())
    for name, draw in SHARED_TEXTURES.items():
        write(os.path.join(data, "textures", name), draw())


if __name__ == "__main__":
    main()
