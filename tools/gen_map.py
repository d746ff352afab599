#!/usr/bin/env python3
"""Makes the default terrain map, data/map.mpk.gz.

The map is one island: smooth multi-octave value noise under a radial falloff,
sea all round it, gentle sandy beaches in places, hills of up to about 100
cells whose slopes a walker can climb, forest patches, bare dirt patches and
bare rock on the high ground. One sample covers a page column of 16x16 cells.

Grids, one float per sample (i, k) at index N*k + i:
  g0  ground height in cells (<= 0: sea)
  g1  above 0.75: bare dirt
  g2  below 0.2: bare rock
  g3  12 and more: forest; below 3: bare dirt

The file is gzip-compressed MessagePack: [N, g0, g1, g2, g3], every value a
float 32. Output is byte for byte the same on every run (fixed seeds, integer
hashing for the noise, a fixed gzip time stamp).

Before writing, the map is checked: the outer ring is sea, slopes are
walkable, each kind of ground occurs, and a new player, placed at height 4 on
the first land of the middle row, stands on a beach whose ground is 1 to 3.

Usage: gen_map.py [data directory]   (default: the repository's data/)
"""
import gzip
import math
import os
import struct
import sys

N = 256
HALF = N // 2
RING = 16          # samples from the edge that must be sea
MAX_STEP = 14.0    # largest height change between neighbouring samples
TOP = 100.0        # highest hills, in cells


def f32(x):
    """x rounded to single precision, as the game computes."""
    return struct.unpack("<f", struct.pack("<f", x))[0]


def hash01(ix, iy, seed):
    """A repeatable number in [0, 1) for a lattice point."""
    h = (ix * 0x27D4EB2D + iy * 0x165667B1 + seed * 0x9E3779B1) & 0xFFFFFFFF
    h ^= h >> 15
    h = (h * 0x85EBCA6B) & 0xFFFFFFFF
    h ^= h >> 13
    h = (h * 0xC2B2AE35) & 0xFFFFFFFF
    h ^= h >> 16
    return h / 4294967296.0


def value_noise(x, y, seed):
    """Smoothly interpolated lattice noise in [-1, 1]."""
    ix, iy = math.floor(x), math.floor(y)
    fx, fy = x - ix, y - iy
    sx = fx * fx * (3 - 2 * fx)
    sy = fy * fy * (3 - 2 * fy)
    a = hash01(ix, iy, seed)
    b = hash01(ix + 1, iy, seed)
    c = hash01(ix, iy + 1, seed)
    d = hash01(ix + 1, iy + 1, seed)
    top = a + (b - a) * sx
    bottom = c + (d - c) * sx
    return 2.0 * (top + (bottom - top) * sy) - 1.0


def fbm(x, y, seed, octaves=5):
    """Octaves of value noise, each twice as fine and half as strong; [-1, 1]."""
    total, amp, norm = 0.0, 1.0, 0.0
    for o in range(octaves):
        total += amp * value_noise(x, y, seed + 101 * o)
        norm += amp
        amp *= 0.5
        x *= 2.0
        y *= 2.0
    return total / norm


def smoothstep(e0, e1, x):
    t = min(1.0, max(0.0, (x - e0) / (e1 - e0)))
    return t * t * (3 - 2 * t)


def land_value(i, k):
    """Above 0 on the island: the falloff from the centre, its coast bent by noise."""
    u = (i - HALF) / HALF
    v = (k - HALF) / HALF
    r = math.sqrt(u * u + v * v)
    return 0.6 - r + 0.14 * fbm(i / 40.0, k / 40.0, 11)


def make_map():
    # Where the middle row first meets land: the spawn beach is made there.
    coast = next(i for i in range(HALF) if land_value(i, HALF) > 0)

    g0 = [0.0] * (N * N)
    g1 = [0.0] * (N * N)
    g2 = [0.0] * (N * N)
    g3 = [0.0] * (N * N)
    for k in range(N):
        for i in range(N):
            at = N * k + i
            land = land_value(i, k)
            if land <= 0:
                g0[at] = max(-24.0, land * 120.0 - 0.5)
                g1[at], g2[at], g3[at] = 0.3, 0.6, 5.0
                continue
            base = min(1.0, land / 0.6)
            # Ranges of hills, flatter country between them.
            ranges = 0.5 + 0.5 * fbm(i / 30.0, k / 30.0, 23)
            hills = TOP * min(1.0, base ** 1.3 * (0.25 + 1.1 * ranges))
            # Beaches where this low noise is high (and always at the spawn);
            # elsewhere the shore starts a few cells up.
            near_spawn = math.exp(-((i - coast) ** 2 + (k - HALF) ** 2) / 60.0)
            beachy = max(smoothstep(0.0, 0.35, fbm(i / 24.0, k / 24.0, 37)), near_spawn)
            shore = 0.7 + 3.0 * (1.0 - beachy)
            detail = 1.5 * fbm(i / 5.0, k / 5.0, 41, 3) * smoothstep(2.0, 8.0, hills)
            g0[at] = shore + hills + detail

    limit_slopes(g0)

    for k in range(N):
        for i in range(N):
            at = N * k + i
            h = g0[at]
            if h <= 0:
                continue
            coastal = h < 3.0
            # Bare rock up high, ragged at its edge.
            rock = h + 14.0 * fbm(i / 9.0, k / 9.0, 53, 3) > 66.0
            g2[at] = 0.1 if rock else 0.5 + 0.4 * (0.5 + 0.5 * fbm(i / 7.0, k / 7.0, 59, 2))
            # Dirt patches, never on the beaches.
            dirt = fbm(i / 8.0, k / 8.0, 67, 3)
            g1[at] = 0.3 if coastal else 0.45 + 0.5 * dirt
            # Woods: g3 of 12 and more; thin ground (below 3) here and there.
            wood = fbm(i / 11.0, k / 11.0, 71, 4)
            g3[at] = 8.0 + 11.0 * wood if not coastal else 6.0
    return g0, g1, g2, g3


def limit_slopes(g0):
    """Lowers samples until no neighbour is more than MAX_STEP below: walkable."""
    changed = True
    while changed:
        changed = False
        for order in (range(N * N), range(N * N - 1, -1, -1)):
            for at in order:
                i, k = at % N, at // N
                lowest = g0[at]
                for di, dk in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                    ni, nk = i + di, k + dk
                    if 0 <= ni < N and 0 <= nk < N:
                        lowest = min(lowest, g0[N * nk + ni] + MAX_STEP)
                if lowest < g0[at]:
                    g0[at] = lowest
                    changed = True


def ground_at_spawn(grids):
    """The rounded ground of the spawn column, as the game interpolates it."""
    g0 = [f32(v) for v in grids[0]]
    spawn = next((i for i in range(HALF) if g0[N * HALF + i] > 0.0), None)
    if spawn is None:
        return None, None

    def corner(i, k):
        return g0[N * k + i] if 0 <= i < N and 0 <= k < N else 0.0

    half = f32(0.5)  # column (8, 8): a = b = 0.5
    vz = f32(f32(corner(spawn, HALF) * half) + f32(corner(spawn + 1, HALF) * half))
    vz1 = f32(f32(corner(spawn, HALF + 1) * half) + f32(corner(spawn + 1, HALF + 1) * half))
    v = f32(f32(vz * half) + f32(vz1 * half))
    return spawn - HALF, round(v)  # Python rounds halves to even, like the game


def check(grids):
    g0, g1, g2, g3 = grids
    problems = []
    for g in grids:
        if len(g) != N * N or not all(math.isfinite(v) for v in g):
            problems.append("a grid is not N*N finite values")
    for k in range(N):
        for i in range(N):
            if min(i, k, N - 1 - i, N - 1 - k) < RING and g0[N * k + i] > 0:
                problems.append("land in the outer ring at %d %d" % (i, k))
                break
    land = [at for at in range(N * N) if g0[at] > 0]
    top = max(g0)
    if not 80 <= top <= 110:
        problems.append("highest ground %.1f, not about %d" % (top, TOP))
    steep = 0.0
    for at in land:
        i, k = at % N, at // N
        for ni, nk in ((i + 1, k), (i, k + 1)):
            if ni < N and nk < N:
                steep = max(steep, abs(g0[at] - g0[N * nk + ni]))
    if steep > 16.0:
        problems.append("slopes too steep to walk: %.1f cells a page" % steep)

    def share(test):
        return sum(1 for at in land if test(at)) / len(land)

    kinds = {
        "beach": share(lambda at: g0[at] <= 2.5 and g2[at] >= 0.2),
        "forest": share(lambda at: g3[at] >= 12 and g1[at] <= 0.75 and g2[at] >= 0.2),
        "bare dirt": share(lambda at: (g1[at] > 0.75 or g3[at] < 3) and g2[at] >= 0.2),
        "bare rock": share(lambda at: g2[at] < 0.2),
    }
    for name, part in kinds.items():
        if not 0.01 <= part <= 0.5:
            problems.append("%s covers %.1f%% of the land" % (name, 100 * part))
    spawn, ground = ground_at_spawn(grids)
    if spawn is None or not 1 <= ground <= 3:
        problems.append("spawn %s stands on ground %s, not 1 to 3" % (spawn, ground))
    return problems, kinds, spawn, ground


def encode(grids):
    out = bytearray(b"\x95\xcd" + struct.pack(">H", N))
    for g in grids:
        out += b"\xdd" + struct.pack(">I", len(g))
        for v in g:
            out += b"\xca" + struct.pack(">f", v)
    return bytes(out)


def main():
    data = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data")
    grids = make_map()
    problems, kinds, spawn, ground = check(grids)
    if problems:
        for p in problems:
            print("gen_map: " + p, file=sys.stderr)
        sys.exit(1)
    path = os.path.normpath(os.path.join(data, "map.mpk.gz"))
    with open(path, "wb") as f:
        f.write(gzip.compress(encode(grids), compresslevel=9, mtime=0))
    print("wrote %s: spawn page %d 0, ground %d there; %s" % (
        path, spawn, ground, ", ".join("%s %.0f%%" % (n, 100 * p) for n, p in kinds.items())))


if __name__ == "__main__":
    main()
