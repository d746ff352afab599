#!/usr/bin/env python3
"""How fast the real game runs: frames per second while walking, and how long
a fresh world takes to be ready and to be drawn in high detail.

Usage: bench/game_fps.py [build dir] [--view-distances 8,16] [--walk SECONDS] [--window 1280x720]
The build directory defaults to build/release (build it with
  cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTERRAFOLD_TESTS=OFF -DTERRAFOLD_BENCH=OFF
  cmake --build build/release).
Needs xvfb-run, xdotool and a C compiler; starts its own X server.

The game runs with its defaults except a 1280x720 window (not fullscreen)
and the view distance: "8 8 8", then "16 8 16" pages (the vertical distance
stays at its default 8). Each case starts two fresh worlds in a temporary
home, on this machine's OpenGL (under Xvfb: the software renderer).

How it is measured. The game reports no frame times of its own (its debug
pane's rate can't be read from outside), so a small library preloaded into
the game notes the time of two calls the game makes anyway: every
SDL_GL_SwapWindow (a frame drawn and shown) and every SDL_PollEvent that
finds the queue empty (the end of the event step, which the frame loop runs
exactly once a frame, drawn or dropped). Nothing else in the game changes.
- Ready: from starting the process to the line "Ready!" in its log.
- High detail drawn: the player stands still from the start. At the end
  the builder logs "<n> operations done in <f> frames": f counts the frames
  in which it built anything. Standing still, those are the first f frames,
  one after the other, and the world around the player is complete in frame
  f; the figure is the time of the first drawn frame from there. (Were the
  builder still working when the run ends, the figure is reported as not
  reached.)
- Frames per second while walking: a second start of the same fresh world;
  once the first start's high-detail time has passed, the player walks
  forward (key W held) for --walk seconds; frames drawn in that time divided
  by its length, and the slowest whole second. The frame pacer caps the rate
  at 30 frames per second, so 30 means the game keeps up; a frame whose
  drawing would start more than 33 ms (in whole milliseconds) after the last
  drawn one's is dropped, not drawn, and counted apart. The distance walked comes
  from the two worlds' saved player positions.
- Frame work: for each drawn frame of the walk, the time from the end of its
  event step to the end of its swap (the update, the drawing and the swap,
  not the pacer's sleep): what the frame cost, whatever the pacer and the
  frame dropping then made of it.
"""
import argparse
import bisect
import os
import pathlib
import re
import signal
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent
sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, str(ROOT / "tests" / "game"))
from game_env import Home, focus, read_mpk_gz, xdotool  # noqa: E402

SCREEN = "-screen 0 1920x1080x24"

SHIM = r"""
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

static int out = -1;

static void note(char kind) {
  if (out < 0) {
    char const* path = getenv("TERRAFOLD_FRAME_LOG");
    if (!path || (out = open(path, O_WRONLY | O_CREAT | O_APPEND, 0644)) < 0) return;
  }
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  char line[48];
  int n = snprintf(line, sizeof line, "%c %lld\n", kind, (long long)t.tv_sec * 1000000000LL + t.tv_nsec);
  if (write(out, line, (size_t)n) < 0) out = -2;
}

int SDL_PollEvent(void* event) {
  static int (*real)(void*);
  if (!real) real = (int (*)(void*))dlsym(RTLD_NEXT, "SDL_PollEvent");
  int r = real(event);
  if (r == 0) note('F');
  return r;
}

void SDL_GL_SwapWindow(void* window) {
  static void (*real)(void*);
  if (!real) real = (void (*)(void*))dlsym(RTLD_NEXT, "SDL_GL_SwapWindow");
  real(window);
  note('S');
}
"""


WINDOW = (1280, 720)


def config(view_distance):
    return (f"[window]\nwidth = {WINDOW[0]}\nheight = {WINDOW[1]}\nfullscreen = false\n"
            f"[server]\nview_distance = {view_distance}\n")


class Run:
    """One start of the game on a fresh world, its frames noted."""

    def __init__(self, program, share, shim, view_distance):
        self.home = Home(share, config(view_distance))
        self.frames_path = self.home.root / "frames.txt"
        self.home.env["LD_PRELOAD"] = str(shim)
        self.home.env["TERRAFOLD_FRAME_LOG"] = str(self.frames_path)
        self.start = time.monotonic_ns()
        self.game = self.home.start(program)
        self.ready = self.wait_for_line("Ready!", 60)

    def wait_for_line(self, text, timeout):
        """The time (ns, monotonic) at which the log first held the text."""
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            if text in self.game.log():
                return time.monotonic_ns()
            if self.game.proc.poll() is not None:
                break
            time.sleep(0.002)
        raise SystemExit(f"no {text!r} from the game:\n{self.game.log()}")

    def stop(self):
        status = self.game.stop(signal.SIGTERM, timeout=120)
        if status != 0:
            raise SystemExit(f"the game ended with {status}:\n{self.game.log()}")
        self.log = self.game.log()
        self.loops, self.swaps = [], []
        for line in self.frames_path.read_text().splitlines():
            kind, t = line.split()
            (self.loops if kind == "F" else self.swaps).append(int(t))
        world = read_mpk_gz(self.home.world_dir() / "world.mpk.gz")
        self.position = world[0][1]
        self.home.close()

    def working_frames(self):
        m = re.search(r"(\d+) operations done in (\d+) frames", self.log)
        return int(m.group(2)) if m else 0


def seconds(ns):
    return ns / 1e9


def rate(times, begin, end):
    """(frames per second over [begin, end), the slowest whole second)."""
    inside = [t for t in times if begin <= t < end]
    whole = int((end - begin) // 1_000_000_000)
    per_second = [sum(begin + i * 1_000_000_000 <= t < begin + (i + 1) * 1_000_000_000 for t in inside)
                  for i in range(whole)]
    return len(inside) / seconds(end - begin), min(per_second) if per_second else 0


def frame_work(loops, swaps, begin, end):
    """Milliseconds from the end of a drawn frame's event step to the end of
    its swap (update, drawing and the swap): (median, 95th percentile)."""
    work = []
    for s in swaps:
        if begin <= s < end:
            i = bisect.bisect_left(loops, s) - 1
            if i >= 0:
                work.append((s - loops[i]) / 1e6)
    if not work:
        return 0.0, 0.0
    work.sort()
    return statistics.median(work), work[min(len(work) - 1, int(len(work) * 0.95))]


def stand(program, share, shim, view_distance, limit):
    run = Run(program, share, shim, view_distance)
    time.sleep(limit)
    run.stop()
    f = run.working_frames()
    done = None
    if 0 < f < len(run.loops) - 30:  # the builder rested for the last second at least
        after = run.loops[f - 1]
        done = next((t for t in run.swaps if t >= after), None)
    end = run.loops[-1]
    idle_fps = rate(run.swaps, end - 5_000_000_000, end)[0]
    return {"ready": seconds(run.ready - run.start), "hd": seconds(done - run.start) if done else None,
            "idle_fps": idle_fps, "position": run.position, "working_frames": f}


def walk(program, share, shim, view_distance, settle, duration):
    run = Run(program, share, shim, view_distance)
    wait = settle - seconds(time.monotonic_ns() - run.start)
    time.sleep(max(wait, 1.0))
    focus()
    time.sleep(0.5)
    xdotool("keydown", "w")
    begin = time.monotonic_ns()
    time.sleep(duration)
    end = time.monotonic_ns()
    xdotool("keyup", "w")
    time.sleep(0.5)
    run.stop()
    fps, slowest = rate(run.swaps, begin, end)
    loops = rate(run.loops, begin, end)[0]
    return {"ready": seconds(run.ready - run.start), "fps": fps, "slowest": slowest,
            "dropped": loops - fps, "work": frame_work(run.loops, run.swaps, begin, end), "position": run.position}


def main():
    if not os.environ.get("TERRAFOLD_BENCH_IN_X"):
        env = dict(os.environ, TERRAFOLD_BENCH_IN_X="1")
        return subprocess.call(["xvfb-run", "-a", "-s", SCREEN, sys.executable, __file__, *sys.argv[1:]], env=env)

    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build", nargs="?", default=str(ROOT / "build" / "release"))
    parser.add_argument("--view-distances", default="8,16")
    parser.add_argument("--walk", type=float, default=10.0, help="seconds of walking")
    parser.add_argument("--stand", type=float, default=0.0,
                        help="seconds of standing still (default: 10 + 1 per page of view distance)")
    parser.add_argument("--window", default="1280x720", help="window size, WIDTHxHEIGHT")
    args = parser.parse_args()
    global WINDOW
    WINDOW = tuple(int(n) for n in args.window.split("x"))
    build = pathlib.Path(args.build).resolve()
    program, share = build / "game" / "terrafold", build / "share"
    if not program.exists():
        raise SystemExit(f"no {program}: build it first (see --help)")

    with tempfile.TemporaryDirectory(prefix="terrafold-bench-") as tmp:
        shim = pathlib.Path(tmp) / "frames.so"
        source = pathlib.Path(tmp) / "frames.c"
        source.write_text(SHIM)
        subprocess.run(["cc", "-shared", "-fPIC", "-O2", "-o", str(shim), str(source), "-ldl"], check=True)

        print(f"terrafold at {WINDOW[0]}x{WINDOW[1]}, {program}")
        print(f"{'view distance':>14} {'ready s':>8} {'HD drawn s':>11} {'idle fps':>9} "
              f"{'walking fps':>12} {'slowest s':>10} {'dropped/s':>10} {'work ms':>12} {'walked':>7}")
        for d in (int(x) for x in args.view_distances.split(",")):
            distance = f"{d} 8 {d}"
            standing = stand(program, share, shim, distance, args.stand or 10 + d)
            settle = (standing["hd"] or 0) + 1
            walking = walk(program, share, shim, distance, settle, args.walk)
            a, b = standing["position"], walking["position"]
            walked = ((a[0] - b[0]) ** 2 + (a[2] - b[2]) ** 2) ** 0.5
            hd = f"{standing['hd']:.2f}" if standing["hd"] is not None else "not reached"
            ready = max(standing["ready"], walking["ready"])
            work = "%.1f / %.1f" % walking["work"]
            print(f"{distance:>14} {ready:>8.2f} {hd:>11} {standing['idle_fps']:>9.1f} {walking['fps']:>12.1f} "
                  f"{walking['slowest']:>10} {walking['dropped']:>10.1f} {work:>12} {walked:>7.1f}", flush=True)
    print("ready: the slower of the two starts; idle fps: frames drawn per second standing, the last 5 s;\n"
          "slowest s: frames drawn in the slowest whole second of the walk; dropped/s: frames dropped per second\n"
          "of the walk; work ms: a drawn frame's update, drawing and swap while walking, median / 95th percentile;\n"
          "walked: cells")
    return 0


if __name__ == "__main__":
    sys.exit(main())
