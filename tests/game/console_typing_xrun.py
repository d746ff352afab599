#!/usr/bin/env python3
"""The console under slow frames and a flood of printing, driven like a player.

The game runs pinned to one CPU. With six busy processes sharing that CPU, so
that its frames come slowly, thirty lines are typed into the console, each
right after the Enter of the line before: every one arrives whole and in
order. Still at slow frames, Escape tapped within a frame while a line is
typed leaves the console open and the line as typed; Escape pressed right
after a line's Enter, while keys the GUI acts on still wait, runs that line
before the console closes, and the text typed after it is there when the
console opens again. Then, at the usual pace, a loop prints a MiB a line
until the script budget stops it, and the console still answers the next
line, typed while the loop ran: standard output holds every printed line.
SIGTERM then ends the game through the saving exit.
Run inside an X server (xvfb-run). Usage: console_typing_xrun.py <terrafold> <share dir>"""
import os
import re
import signal
import subprocess
import sys
import threading
import time

from game_env import Home, focus, hold, noise_in, wait_drawn, wait_state, xdotool

READY_TIMEOUT = 60
BUSY = 6
LINES = 30
# Far beyond what the slowest machine needs: a guard against a stalled
# console, not a measure of its speed.
STALL = 120


class Output:
    """The game's standard output through a pipe, read as it comes: the byte
    count of all of it, and its newest part as text."""

    # Several printed lines of a MiB, so the newest part always holds whole
    # ones before the stop.
    KEEP = 4 << 20

    def __init__(self, pipe):
        self.total = 0
        self._base = 0
        self._buf = bytearray()
        self._lock = threading.Lock()
        self._thread = threading.Thread(target=self._read, args=(pipe,), daemon=True)
        self._thread.start()

    def _read(self, pipe):
        fd = pipe.fileno()
        while True:
            chunk = os.read(fd, 1 << 20)
            if not chunk:
                return
            with self._lock:
                self._buf += chunk
                self.total += len(chunk)
                if len(self._buf) > 8 * self.KEEP:
                    drop = len(self._buf) - self.KEEP
                    del self._buf[:drop]
                    self._base += drop

    def since(self, offset):
        """The text from the offset on (from the oldest part kept, when that
        is later)."""
        with self._lock:
            return self._buf[max(offset - self._base, 0):].decode(errors="replace")

    def wait_lines(self, n, since, timeout, game):
        """The text from the offset on once it holds n whole lines."""
        return self.wait_for("", since, timeout, game, lines=n)

    def wait_for(self, text, since, timeout, game, lines=0):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            out = self.since(since)
            if text in out and out.count("\n") >= lines:
                return out
            if game.poll() is not None:
                break
            time.sleep(0.05)
        raise AssertionError(f"no {text!r} on standard output within {timeout} s; after {since} it holds "
                             f"(end):\n{self.since(since)[-4000:]}")


def type_lines(lines, delay_ms=12):
    """Types the lines in one go, each followed by Enter held 50 ms, the next
    line's first key right after Enter's release."""
    args = []
    for line in lines:
        args += ["type", "--delay", str(delay_ms), "--args", "1", line]
        args += ["keydown", "Return", "sleep", "0.05", "keyup", "Return"]
    subprocess.run(["xdotool", *args], check=True, capture_output=True, timeout=STALL)


def main():
    program, share = (os.path.abspath(a) for a in sys.argv[1:3])
    cpu = str(max(os.sched_getaffinity(0)))
    busy = []
    with Home(share) as home:
        err_path = home.root / "game.err"
        with open(err_path, "w") as err:
            game = subprocess.Popen(["taskset", "-c", cpu, program], cwd=home.work, env=home.env,
                                    stdout=subprocess.PIPE, stderr=err)
        out = Output(game.stdout)

        def log():
            return err_path.read_text(errors="replace")

        def check(ok, what):
            if not ok:
                raise AssertionError(f"{what}\n--- log:\n{log()}")

        try:
            end = time.monotonic() + READY_TIMEOUT
            while "Ready!" not in log():
                check(game.poll() is None and time.monotonic() < end, "the game is ready")
                time.sleep(0.1)
            wait_drawn(focus(), timeout=READY_TIMEOUT)

            # The console open and its line holding the keyboard.
            hold("period")
            wait_state(False, what="the console open")
            since = out.total
            type_lines(["1"])
            out.wait_for("> 1\n1\n", since, STALL, game)

            # Slow frames: six busy processes on the game's CPU.
            for _ in range(BUSY):
                busy.append(subprocess.Popen(["taskset", "-c", cpu, sys.executable, "-c", "while True: pass"]))
            time.sleep(1.0)
            since = out.total
            numbers = [str(5000 + i) for i in range(LINES)]
            started = time.monotonic()
            type_lines([f"print({n})" for n in numbers])
            typed = time.monotonic()
            wanted = "".join(f"> print({n})\n{n}\n" for n in numbers)
            got = out.wait_for(f"> print({numbers[-1]})\n{numbers[-1]}\n", since, STALL, game)
            answered = time.monotonic()
            check(got == wanted, f"thirty lines typed right after Enter arrive whole and in order:\n{got}")
            print(f"slow frames: {LINES} lines typed in {typed - started:.1f} s, all answered "
                  f"{answered - typed:.1f} s after the last")

            # Escape tapped within a frame, twice, in the middle of a line.
            since = out.total
            xdotool("type", "--delay", "12", "print(4")
            for _ in range(2):
                xdotool("key", "--delay", "0", "Escape")
                time.sleep(0.2)
            type_lines(["2)"])
            got = out.wait_lines(2, since, STALL, game)  # the echo, then the answer
            check(got == "> print(42)\n42\n", f"the line typed around Escape taps runs whole: {got!r}")

            # Escape right after a line's Enter, the GUI still some frames
            # behind (each arrow press takes one), and a start of the next
            # line before it: the line runs, then the console closes; opened
            # again, it holds the start.
            since = out.total
            xdotool("type", "--delay", "12", "print(1")
            xdotool("key", "--delay", "12", *["Left", "Right"] * 4)
            xdotool("type", "--delay", "12", "23)")
            xdotool("key", "Return")
            xdotool("type", "--delay", "12", "print(5")
            hold("Escape")
            got = out.wait_lines(2, since, STALL, game)  # the echo, then the answer
            check(got == "> print(123)\n123\n", f"the line entered before Escape runs: {got!r}")
            wait_state(True, what="the console closed by Escape")
            hold("period")
            wait_state(False, what="the console open again")
            since = out.total
            type_lines(["6)"])
            got = out.wait_lines(2, since, STALL, game)
            check(got == "> print(56)\n56\n", f"the console closed on Escape and kept the next line's start: {got!r}")
            for p in busy:
                p.kill()
                p.wait()
            busy.clear()

            # A MiB a line for the whole budget; the next line waits its turn.
            since = out.total
            type_lines(['t = "x"', "while size(t) < 1048576: t = t + t"])
            out.wait_for("> while size(t) < 1048576: t = t + t\n", since, STALL, game)
            since = out.total
            type_lines(["while 1: print(t)", "print(1 + 2)"])
            stop = "script ran too long: stopped after"
            out.wait_for(stop, since, STALL, game)
            stopped = time.monotonic()
            after = out.wait_for("> print(1 + 2)\n3\n", since, STALL, game)
            answered = time.monotonic()
            printed = out.total - since
            # Every line whole on standard output: the echo, lines of a MiB
            # and a newline each, the stop and the answer.
            suffix = after[after.index(f"\n{stop}") + 1:]
            check(re.fullmatch(r"script ran too long: stopped after \d+\.\d s \(the frame's scripts: \d+\.\d s\)\n"
                               r"> print\(1 \+ 2\)\n3\n", suffix),
                  f"the stop, then the answer: {suffix!r}")
            body = printed - len("> while 1: print(t)\n") - len(suffix)
            check(body > 0 and body % ((1 << 20) + 1) == 0, f"whole lines of a MiB: {body} bytes")
            lines = after[:after.index(f"\n{stop}")].split("\n")[1:]
            check(lines and all(line == "x" * (1 << 20) for line in lines),
                  f"the newest lines as printed: {[len(line) for line in lines]}")
            print(f"flood: {printed / (1 << 20):.0f} MiB printed; print(1 + 2) answered "
                  f"{answered - stopped:.2f} s after the stop")

            game.send_signal(signal.SIGTERM)
            status = game.wait(60)
            check(status == 0, f"status {status} after SIGTERM, not 0")
            noise = noise_in(log())
            check(not noise, f"no error and no warning logged: {noise}")
        finally:
            for p in busy:
                p.kill()
                p.wait()
            if game.poll() is None:
                game.kill()
                game.wait()
    print("console typing: ok")


if __name__ == "__main__":
    main()
