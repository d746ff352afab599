#!/usr/bin/env python3
"""What is typed right after the console opens reaches its line, under X.

The player's update script runs a busy loop sized by the stones in a chest
above the player; the stones are set so that a frame takes about 0.3 s.
Then the console is opened by its key, held until the console is open (past
the key repeat's delay), and a line is typed at once: right after the press
while the key is still held, and 0, 50, 150 and 400 ms after its release,
each followed by Return. Every line runs whole, once,
without the key's own character; Escape closes the console between them.
SIGTERM then ends the game through the saving exit.
Run inside an X server (xvfb-run). Usage: console_opening_xrun.py <terrafold> <share dir>"""
import os
import signal
import sys
import time

from game_env import Checks, Home, after_frames, focus, player_update, tap, wait_drawn, xdotool

READY_TIMEOUT = 60
# Far beyond what the slowest machine needs: a guard against a stalled
# console, not a measure of its speed.
STALL = 20
FRAME = 0.3  # seconds a frame should take
STEPS = 10000  # loop steps a stone: a few milliseconds even in a sanitizer build

# Two cells up and aside from the player, out of the way: a Vec takes no
# Int, so the offset is made of Vecs.
CHEST = ["u = here()", "one = -(~(u - u))", "u = u + one + one"]

BUSY_UPDATE = "\n".join(CHEST) + f"""
# A busy loop of {STEPS} steps a stone in the chest there, and a tick; again
# in the next frame.
k = has(u, "basic.stone") * {STEPS}
n = 0
while n < k:
    n = n + 1
print("tick")
mob_wait(@0, 0)
"""


def main():
    program, share = (os.path.abspath(a) for a in sys.argv[1:3])
    check = Checks()
    with Home(share) as home:
        player_update(home.own_packs(share), "busy.ks", BUSY_UPDATE)
        game = home.start(program)

        def frame_time(seconds=1.0):
            """The seconds a frame takes now, from the ticks on standard output."""
            start = game.stdout().count("tick\n")
            time.sleep(seconds)
            ticks = game.stdout().count("tick\n") - start
            return seconds / max(ticks, 1)

        try:
            game.wait_for("Ready!", READY_TIMEOUT)
            wait_drawn(focus())
            for line in CHEST:
                game.console(line)
            check("chest placed", game.console('place(u, "basic.chest")').startswith("true"), game.log())
            # A frame of about FRAME seconds, whatever the machine's speed:
            # stones doubled until they cost a quarter of it, then scaled
            # toward it, at most fourfold a step, so that a measure thrown by a
            # busy moment can't make frames that near the scripts' budget.
            base = frame_time()
            stones = 0
            while True:
                more = max(stones, 4)
                game.console(f'give(u, "basic.stone", {more})')
                stones += more
                spent = frame_time()
                if spent - base > FRAME / 4 or stones >= 4096:
                    break
            for _ in range(6):
                if FRAME * 0.9 <= spent <= FRAME * 1.6:
                    break
                scale = (FRAME - base) / (spent - base) if spent > base else 4.0
                want = max(1, round(stones * min(4.0, max(0.25, scale))))
                if want == stones:
                    break
                game.console(f'give(u, "basic.stone", {want - stones})' if want > stones
                             else f'take(u, "basic.stone", {stones - want})', STALL)
                stones = want
                spent = frame_time(2.0)
            spent = frame_time(3.0)
            print(f"frames of {spent:.2f} s ({stones} stones; {base:.3f} s without)")
            check(f"frames of {FRAME} s or more: {spent:.2f} s", spent > FRAME / 2)

            cases = [("with the key, still held", None), ("right after its release", 0.0), ("50 ms after", 0.05),
                     ("150 ms after", 0.15), ("400 ms after", 0.4)]
            # Held over two drawn frames, and past the key repeat's delay
            # where the text comes after.
            held = 1.0
            for i, (what, after) in enumerate(cases):
                line = f"print({i} + {100 * (i + 1)})"
                since = len(game.stdout())
                xdotool("keydown", "period")
                if after is None:
                    xdotool("type", "--delay", "12", line)
                    after_frames(2, held)
                    xdotool("keyup", "period")
                else:
                    after_frames(2, held)
                    xdotool("keyup", "period")
                    time.sleep(after)
                    xdotool("type", "--delay", "12", line)
                tap("Return")
                answer = f"> {line}\n{i + 100 * (i + 1)}\n"
                try:
                    game.wait_for_output(answer, STALL, since)
                except AssertionError:
                    pass
                # The console's own lines: its echoes and their answers.
                out = "".join(l + "\n" for l in game.stdout()[since:].splitlines() if l != "tick")
                check(f"the line typed {what} runs whole and once: {out!r}", out == answer)
                game.close_console()

            status = game.stop(signal.SIGTERM, timeout=60)
            check(f"status {status} after SIGTERM, not 0", status == 0, game.log()[-3000:])
        finally:
            game.kill()
    return check.report("console opening: ok")


if __name__ == "__main__":
    sys.exit(main())
