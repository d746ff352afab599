#!/usr/bin/env python3
"""No GUI settings file in the working directory can crash, hang or stop the
game. For each file of a table (empty, NUL bytes, random bytes, extreme
window entries, tables of impossible column counts, many sections, a file
over the size limit, a directory, a pipe, a link that can't be followed) the
game reaches "Ready!", draws a few seconds' frames, ends with status 0 on
SIGTERM having saved its world, and holds no more memory at its peak than a
start without the file, give or take a margin. What the game can't read it
says in one warning; what it reads it takes without a word.
The games run a few at a time, each in its own small window.
Run inside an X server (xvfb-run). Usage: gui_settings_xrun.py <terrafold> <share dir>"""
import concurrent.futures
import os
import queue
import random
import signal
import sys
import time

from game_env import Checks, game_cfg, Home, noise_in, peak_rss_mib, wait_drawn, window_of, xdotool
from x_frames import survive_x_errors

CONFIG = game_cfg(320, 240, view="1 1 1", high_def=1)
# Places for the windows on the 1024x768 screen, so that none hides another.
SLOTS = [(x, y) for y in (0, 260) for x in (0, 340, 680)]
PARALLEL = 3
READY_TIMEOUT = 60
PLAY_FRAMES = 90  # three seconds at the game's pace
# Far below the 1.2 GB that 10^8 columns cost, far above the games' spread.
MEMORY_MARGIN_MIB = 100


def sections(limit):
    """Window sections of distinct names, as many as fit in the size in
    bytes: the library looks each up among those before it."""
    out, n, size = [], 0, 0
    while True:
        s = f"[Window][{n:x}]\n"
        if size + len(s) > limit:
            return "".join(out)
        out.append(s)
        size += len(s)
        n += 1


TABLE = "[Table][0x00000003,{}]\nRefScale=13\nColumn 0  Width=100 Visible=1 Order=0 Sort=0v\n"
EXTREME = ("[Window][Debug]\nPos=2147483647,-2147483648\nSize=99999999999,-99999999999\nCollapsed=-1\n"
           "[Window][###ui.hotbar]\nPos=nan,inf\nSize=1e30,1e30\nCollapsed=1\n"
           "[Window][###ui.console]\nPos=-32768,32767\nSize=0,0\n"
           f"[Window][{'n' * 60000}]\nPos=1,1\n")


def settings_cases():
    """(name, how to make the settings file in the working directory, whether
    the game can't read it)."""
    def text(data):
        def make(path):
            path.write_bytes(data if isinstance(data, bytes) else data.encode())
        return make

    return [
        ("none", None, False),
        ("empty", text(b""), False),
        ("NUL bytes", text(b"[Window][Debug]\n\0\0\0Pos=1,1\n" + b"\0" * 4096), False),
        ("random bytes", text(random.Random(1).randbytes(1 << 16)), False),
        ("no final newline", text("[Window][Debug]\nPos=10,10\nSize=200,100"), False),
        ("extreme window entries", text(EXTREME), False),
        ("-5 columns", text(TABLE.format(-5)), False),
        ("10^8 columns", text(TABLE.format(10 ** 8)), False),
        ("2^31-1 columns", text(TABLE.format(2 ** 31 - 1)), False),
        ("many sections", text(sections((1 << 20) - 1)), False),
        ("a large file", text(sections(32 << 20)), True),
        ("a directory", lambda path: path.mkdir(), True),
        ("a pipe", lambda path: os.mkfifo(path), True),
        ("a link to itself", lambda path: path.symlink_to(path.name), True),
    ]


def play(program, share, case, slots):
    """Runs the game over one settings file; returns (failures, peak MiB)."""
    name, make, unreadable = case
    failures = []

    def check(what, ok, detail=""):
        if not ok:
            failures.append(f"{name}: {what}\n{detail}")

    slot = slots.get()
    try:
        with Home(share, config=CONFIG) as home:
            if make:
                make(home.work / "imgui.ini")
            game = home.start(program)
            peak = None
            try:
                game.wait_for("Ready!", READY_TIMEOUT)
                window = window_of(game.proc.pid)
                xdotool("windowmove", "--sync", window, str(slot[0]), str(slot[1]))
                wait_drawn(window, timeout=30, frames=PLAY_FRAMES)
                check("the game still runs after its frames", game.proc.poll() is None, game.log())
                peak = peak_rss_mib(game.proc.pid)
                status = game.stop(signal.SIGTERM)
                check(f"status {status} on SIGTERM", status == 0, game.log())
            except Exception as e:  # a window that never came included
                check("the game played", False, f"{e!r}\n{game.log()}")
            finally:
                game.kill()
            log = game.log()
            check("the world saved", (home.world_dir() / "world.mpk.gz").exists(), log)
            noise = noise_in(log)
            if unreadable:
                check(f"one warning that the file is not read: {noise}",
                      len(noise) == 1 and "GUI settings" in noise[0] and "imgui.ini" in noise[0], log)
            else:
                check(f"read without a word: {noise}", not noise, log)
            return failures, peak
    finally:
        slots.put(slot)


def main():
    program, share = (os.path.abspath(a) for a in sys.argv[1:3])
    check = Checks()
    survive_x_errors()
    slots = queue.Queue()
    for s in SLOTS[:PARALLEL]:
        slots.put(s)
    cases = settings_cases()
    with concurrent.futures.ThreadPoolExecutor(PARALLEL) as pool:
        results = list(pool.map(lambda c: play(program, share, c, slots), cases))
    for failures, _ in results:
        for f in failures:
            check(f, False)
    base = results[0][1]
    check("the start without a file measured", base is not None)
    for (name, _, _), (_, peak) in zip(cases, results):
        print(f"{name}: peak {'-' if peak is None else f'{peak:.0f} MiB'}")
        if base is not None and peak is not None:
            check(f"{name}: peak {peak:.0f} MiB, without a file {base:.0f} MiB",
                  peak <= base + MEMORY_MARGIN_MIB)
    return check.report(f"{len(cases)} settings files: each game played, saved and ended 0")


if __name__ == "__main__":
    sys.exit(main())
