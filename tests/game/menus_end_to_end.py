#!/usr/bin/env python3
"""The menus of the whole game under X, driven like a player: open the
inventory and close it, open the main menu and leave through its exit entry
with a click; the game ends by itself and its world is saved. Run inside an
X server (xvfb-run).
Usage: menus_end_to_end.py <terrafold> <share dir>"""
import subprocess
import sys
import time

from game_env import Home, focus, hold, xdotool

READY_TIMEOUT = 25
# Keys and buttons are held for several frames of a slow (sanitized,
# software-rendered, busy) game.
HOLD = 1.0

# The main menu: 200 x 200 pixels centred in the 800 x 600 window; a 20 px
# font under a 26 px title bar and 8 px of padding, rows 24 px apart. The
# third row is "exit".
EXIT_ROW = (400, 200 + 26 + 8 + 2 * 24 + 10)


def roaming(game, n):
    """Proves the game roams: only there does the console key open the
    console, whose output reaches standard output."""
    hold("period", HOLD)
    time.sleep(HOLD)  # the console's line takes the keys from its second or third frame on
    xdotool("type", "--delay", "80", f"print({n})")
    hold("Return", HOLD)
    end = time.monotonic() + 60
    while f"\n{n}\n" not in game.stdout():
        assert time.monotonic() < end, f"the console did not answer {n}:\n{game.stdout()}\n{game.log()}"
        time.sleep(0.1)
    hold("Escape", HOLD)


def click(window, x, y):
    # Small steps, as a hand moves the pointer.
    for i in range(1, 6):
        xdotool("mousemove", "--window", window, str(400 + (x - 400) * i // 5), str(300 + (y - 300) * i // 5))
        time.sleep(0.05)
    time.sleep(HOLD)
    xdotool("mousedown", "1")
    time.sleep(HOLD)
    xdotool("mouseup", "1")


def main():
    program, share = sys.argv[1], sys.argv[2]
    with Home(share) as home:
        world_file = home.world_dir() / "world.mpk.gz"
        game = home.start(program)
        try:
            game.wait_for("Ready!", READY_TIMEOUT)
            window = focus()
            roaming(game, 11)
            # The inventory opens and closes: had only one of the two keys
            # arrived, the game would not roam afterwards.
            hold("Tab", HOLD)
            hold("Tab", HOLD)
            roaming(game, 22)
            hold("Escape", HOLD)  # the main menu
            click(window, *EXIT_ROW)
            try:
                status = game.proc.wait(60)
            except subprocess.TimeoutExpired:
                raise AssertionError(f"the game still runs after a click on exit:\n{game.log()}")
        finally:
            game.kill()
        log = game.log()
        assert status == 0, f"status {status} after the exit entry:\n{log}"
        assert world_file.exists(), f"no {world_file}:\n{log}"
        assert f"Saving {world_file}" in log, log
    print("the inventory opened and closed, and the main menu's exit ended the game with its world saved")
    return 0


if __name__ == "__main__":
    sys.exit(main())
