#!/usr/bin/env python3
"""What the console does with memory can't stop the game, under X.

A hopper is spawned whose update script builds 4 MiB of text every frame and
prints its run count now and then. Through the console: printing a list of
512 references to a string of a MiB, and showing it as a result, stop with
"script out of memory" without the game's memory growing by the text's size,
and the console answers the next line. Then a list that holds itself grows
until it stops, twice, and is let go of: memory no script can free any more.
The hopper's update goes on running and the game goes on; SIGTERM then ends
it through the saving exit.
Run inside an X server (xvfb-run). Usage: console_memory_xrun.py <terrafold> <share dir>"""
import os
import re
import signal
import sys
import time

from game_env import Checks, Home, focus, wait_drawn

READY_TIMEOUT = 60
# Far beyond what the slowest machine needs for a hopper's few runs.
RUNS_TIMEOUT = 30
MIB = 1 << 20

COUNTING_UPDATE = """\
# Four MiB of text every run; the run count every 32 runs.
t = "x"
while size(t) < 4 << 20:
    t = t + t
mob_state(@0, mob_state(@0) + 1)
if mob_state(@0) % 32 == 0:
    print("hopper ", mob_state(@0))
mob_wait(@0, 0)
"""


def peak_rss(pid):
    """The process's peak resident memory in bytes."""
    with open(f"/proc/{pid}/status") as f:
        return int(re.search(r"^VmHWM:\s+(\d+) kB", f.read(), re.M).group(1)) * 1024


def main():
    program, share = (os.path.abspath(a) for a in sys.argv[1:3])
    check = Checks()
    with Home(share) as home:
        packs = home.own_packs(share)
        (packs / "basic" / "scripts" / "hopper_update.ks").write_text(COUNTING_UPDATE)
        game = home.start(program)

        def answer(line):
            """The console's answer to the line: its first line (the hopper
            prints between inputs)."""
            return game.console(line).split("\n", 1)[0]

        def hopper_runs():
            counts = re.findall(r"^hopper (\d+)$", game.stdout(), re.M)
            return int(counts[-1]) if counts else 0

        def hopper_goes_on(what):
            before = hopper_runs()
            end = time.monotonic() + RUNS_TIMEOUT
            while hopper_runs() <= before and game.proc.poll() is None and time.monotonic() < end:
                time.sleep(0.1)
            check(f"the hopper runs on {what}", hopper_runs() > before,
                  f"status {game.proc.poll()}\n--- log:\n{game.log()[-3000:]}")

        try:
            game.wait_for("Ready!", READY_TIMEOUT)
            wait_drawn(focus())
            # Above the player's head: open air in the first world.
            game.console("u = here()")
            game.console("u[1] = u[1] + 3")
            check("wood placed", answer('place(u, "basic.wood")') == "true")
            game.console("u[1] = u[1] + 1")
            game.console('spawn(u, "basic.hopper")')
            hopper_goes_on("once spawned")

            game.console('t = "x"')
            game.console("while size(t) < 1 << 20: t = t + t")
            game.console("l = []")
            game.console("while size(l) < 512: push(l, t)")
            before = peak_rss(game.proc.pid)
            for line in ("print(l)", "l"):
                out = answer(line)
                check(f"{line}: the memory limit's error", out == "script out of memory", repr(out[:200]))
            grown = peak_rss(game.proc.pid) - before
            # Half a GiB of text each, but never more than the scripts' limit.
            check(f"the game's memory grew by {grown // MIB} MiB for them", grown < 384 * MIB)
            check("the next line answered", answer("1 + 2") == "3")
            game.console("l = null")

            game.console("c = [t]")
            game.console("push(c, c)")
            for _ in range(2):
                out = answer('while 1: push(c, t + "")')
                check("a growing cycle stops", out == "script out of memory", repr(out[:200]))
            game.console("c = null")
            hopper_goes_on("after the console used up its memory")
            check("the game still runs", game.proc.poll() is None, game.log()[-3000:])
            status = game.stop(signal.SIGTERM)
            check(f"SIGTERM: the saving exit, status {status}", status == 0, game.log()[-3000:])
        finally:
            game.kill()
    return check.report("the console's memory use stopped where it should and the game went on")


if __name__ == "__main__":
    sys.exit(main())
