#!/usr/bin/env python3
"""Synthesizes the game's short sound effects as WAV files into data/.

Every sound is a few lines of additive synthesis and filtered noise, seeded so
that the output is the same on every run. Files are mono, 16-bit, 22050 Hz.

Usage: gen_sounds.py [data directory]   (default: the repository's data/)
"""
import math
import os
import random
import struct
import sys
import wave

RATE = 22050


def silence(seconds):
    return [0.0] * int(RATE * seconds)


def env(n, attack=0.005, decay=8.0):
    """Fast attack, exponential decay (decay in 1/s)."""
    a = max(1, int(RATE * attack))
    return [(i / a) if i < a else math.exp(-decay * (i - a) / RATE) for i in range(n)]


def white(n, seed):
    rnd = random.Random(seed)
    return [rnd.uniform(-1.0, 1.0) for _ in range(n)]


def lowpass(xs, cutoff):
    k = 1.0 - math.exp(-2.0 * math.pi * cutoff / RATE)
    y, out = 0.0, []
    for x in xs:
        y += k * (x - y)
        out.append(y)
    return out


def highpass(xs, cutoff):
    low = lowpass(xs, cutoff)
    return [x - l for x, l in zip(xs, low)]


def tone(n, freq, end_freq=None, shape="sine"):
    """An oscillator gliding from freq to end_freq."""
    end_freq = freq if end_freq is None else end_freq
    phase, out = 0.0, []
    for i in range(n):
        f = freq + (end_freq - freq) * i / max(1, n - 1)
        phase += 2 * math.pi * f / RATE
        if shape == "square":
            out.append(1.0 if math.sin(phase) >= 0 else -1.0)
        elif shape == "tri":
            out.append(2 / math.pi * math.asin(math.sin(phase)))
        else:
            out.append(math.sin(phase))
    return out


def mix(*tracks):
    n = max(len(t) for t in tracks)
    return [sum(t[i] for t in tracks if i < len(t)) for i in range(n)]


def scale(xs, gains):
    if isinstance(gains, (int, float)):
        return [x * gains for x in xs]
    return [x * g for x, g in zip(xs, gains)]


def concat(*parts):
    out = []
    for p in parts:
        out.extend(p)
    return out


def normalize(xs, peak=0.8):
    top = max(1e-9, max(abs(x) for x in xs))
    return [x * peak / top for x in xs]


# Materials: a thump of filtered noise plus a few resonances.
MATERIALS = {
    "stone": dict(cut=1800, modes=(310, 520, 870), ring=28.0, noise=0.9),
    "soft": dict(cut=600, modes=(120, 190), ring=40.0, noise=1.0),
    "wood": dict(cut=1200, modes=(240, 410, 690), ring=22.0, noise=0.5),
    "glass": dict(cut=5000, modes=(1900, 2750, 3900), ring=14.0, noise=0.4),
}


def hit(material, seconds, seed, pitch=1.0, noise_gain=1.0):
    m = MATERIALS[material]
    n = int(RATE * seconds)
    body = scale(lowpass(white(n, seed), m["cut"] * pitch), m["noise"] * noise_gain)
    rings = [scale(tone(n, f * pitch), 0.35 / (k + 1)) for k, f in enumerate(m["modes"])]
    return scale(mix(body, *rings), env(n, 0.002, m["ring"]))


def place(material, seed):
    return normalize(hit(material, 0.22, seed), 0.75)


def crumble(material, seed):
    """Breaking: a hit followed by a rattle of smaller fragments."""
    out = hit(material, 0.3, seed, 0.9)
    rnd = random.Random(seed)
    for k in range(5):
        start = int(RATE * (0.03 + 0.045 * k + rnd.uniform(0, 0.02)))
        shard = hit(material, 0.08, seed + 10 + k, 1.3 + rnd.uniform(0, 0.5), 0.7)
        out.extend([0.0] * max(0, start + len(shard) - len(out)))
        for i, x in enumerate(shard):
            out[start + i] += x * (0.6 - 0.08 * k)
    return normalize(out, 0.8)


def step(material, seed):
    out = hit(material, 0.09, seed, 0.8 + 0.1 * (seed % 3), 1.2)
    return normalize(out, 0.45)


def splash(seed):
    n = int(RATE * 0.25)
    rnd = random.Random(seed)
    wash = scale(highpass(lowpass(white(n, seed), 3000), 400), env(n, 0.01, 14.0))
    bubbles = []
    for k in range(3):
        f = rnd.uniform(500, 900)
        b = scale(tone(int(RATE * 0.05), f, f * 1.8), env(int(RATE * 0.05), 0.002, 50.0))
        bubbles.append(silence(0.04 * k + rnd.uniform(0, 0.03)) + b)
    return normalize(mix(wash, *[scale(b, 0.5) for b in bubbles]), 0.5)


def chime(freqs, gap, seconds, shape="sine", peak=0.6):
    notes = []
    for k, f in enumerate(freqs):
        n = int(RATE * seconds)
        notes.append(silence(gap * k) + scale(tone(n, f, shape=shape), env(n, 0.004, 18.0)))
    return normalize(mix(*notes), peak)


def fail():
    n = int(RATE * 0.22)
    buzz = lowpass(tone(n, 180, 110, "square"), 900)
    return normalize(scale(buzz, env(n, 0.005, 10.0)), 0.5)


def paper(seed, seconds, tear):
    n = int(RATE * seconds)
    rustle = highpass(white(n, seed), 1500 if not tear else 900)
    rnd = random.Random(seed)
    grain = []
    level = 0.5
    for i in range(n):
        if i % 90 == 0:
            level = rnd.uniform(0.2, 1.0) if tear else 0.6 + 0.4 * math.sin(i / n * math.pi)
        grain.append(level)
    shape = env(n, 0.02, 6.0 if tear else 9.0)
    return normalize(scale(scale(rustle, grain), shape), 0.45)


def chirp(seed):
    rnd = random.Random(seed)
    parts = []
    for k in range(2):
        n = int(RATE * 0.07)
        f = rnd.uniform(1300, 1600)
        parts.append(scale(tone(n, f, f * 1.6, "tri"), env(n, 0.004, 30.0)))
        parts.append(silence(0.04))
    return normalize(concat(*parts), 0.55)


def squeak():
    n = int(RATE * 0.18)
    s = scale(tone(n, 1400, 600, "tri"), env(n, 0.003, 14.0))
    return normalize(mix(s, scale(lowpass(white(n, 5), 2000), env(n, 0.001, 60.0))), 0.6)


def click(freq, seconds, seed):
    n = int(RATE * seconds)
    tick = scale(highpass(white(n, seed), 2000), env(n, 0.0005, 120.0))
    body = scale(tone(n, freq), env(n, 0.001, 45.0))
    return normalize(mix(tick, scale(body, 0.8)), 0.5)


def pop():
    n = int(RATE * 0.09)
    return normalize(scale(tone(n, 300, 900), env(n, 0.002, 35.0)), 0.5)


BASIC = {
    "place_stone.wav": lambda: place("stone", 1),
    "break_stone.wav": lambda: crumble("stone", 2),
    "step_stone_1.wav": lambda: step("stone", 3),
    "step_stone_2.wav": lambda: step("stone", 4),
    "place_soft.wav": lambda: place("soft", 5),
    "break_soft.wav": lambda: crumble("soft", 6),
    "step_soft_1.wav": lambda: step("soft", 7),
    "step_soft_2.wav": lambda: step("soft", 8),
    "step_soft_3.wav": lambda: step("soft", 9),
    "place_wood.wav": lambda: place("wood", 10),
    "break_wood.wav": lambda: crumble("wood", 11),
    "step_wood_1.wav": lambda: step("wood", 12),
    "step_wood_2.wav": lambda: step("wood", 13),
    "place_glass.wav": lambda: place("glass", 14),
    "break_glass.wav": lambda: crumble("glass", 15),
    "step_glass.wav": lambda: step("glass", 16),
    "step_water_1.wav": lambda: splash(17),
    "step_water_2.wav": lambda: splash(18),
    "use.wav": lambda: chime((660, 990), 0.06, 0.18),
    "fail.wav": fail,
    "place_wallpaper.wav": lambda: paper(19, 0.25, False),
    "break_wallpaper.wav": lambda: paper(20, 0.3, True),
    "hopper_chirp.wav": lambda: chirp(21),
    "hopper_hurt.wav": squeak,
}

UI = {
    "open_menu.wav": lambda: chime((520, 780), 0.05, 0.15, "tri", 0.4),
    "move_item.wav": lambda: click(1100, 0.05, 22),
    "pick_item.wav": pop,
}


def write(path, samples):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    frames = b"".join(struct.pack("<h", int(max(-1.0, min(1.0, s)) * 32767)) for s in samples)
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(frames)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    data = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "data")
    for name, make in BASIC.items():
        write(os.path.join(data, "packs", "basic", "sounds", name), make())
    for name, make in UI.items():
        write(os.path.join(data, "packs", "ui", "sounds", name), make())


if __name__ == "__main__":
    main()
