#!/usr/bin/env python3
"""The whole game under X, driven like a player: start on a fresh world, walk,
take a screenshot, run a line in the console, end with SIGTERM (the world is
saved), start again on the saved world, fail to take a screenshot. Run inside an X server (xvfb-run).
Usage: end_to_end.py <terrafold> <share dir>"""
import os
import shutil
import signal
import sys
import time

from game_env import Home, focus, hold, read_mpk_gz, read_png, xdotool

READY_TIMEOUT = 25


def wait_until(ready, timeout):
    end = time.monotonic() + timeout
    while not ready() and time.monotonic() < end:
        time.sleep(0.1)


def close(a, b, tolerance):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


def main():
    program, share = (os.path.abspath(a) for a in sys.argv[1:3])
    with Home(share) as home:
        world = home.world_dir()
        world_file = world / "world.mpk.gz"

        game = home.start(program)
        try:
            game.wait_for("Ready!", READY_TIMEOUT)
            assert not world_file.exists(), "a new world has no world file yet"
            focus()
            time.sleep(0.5)
            hold("w", 1.0)
            hold("0")
            wait_until(lambda: list(home.work.glob("*.png")), 10)
            # The console runs typed code; its transcript goes to standard output.
            hold("period")
            time.sleep(0.3)
            xdotool("type", "--delay", "80", "print(1 + 2)")
            hold("Return")
            wait_until(lambda: "> print(1 + 2)\n3\n" in game.stdout(), 10)
            hold("Escape")
            status = game.stop(signal.SIGTERM)
        finally:
            game.kill()
        log = game.log()
        assert status == 0, f"status {status} after SIGTERM:\n{log}"
        assert "> print(1 + 2)\n3\n" in game.stdout(), f"console output:\n{game.stdout()}"
        assert world_file.exists(), f"no {world_file}:\n{log}"
        assert f"Saving {world_file}" in log, log
        assert "Session profile:" in log, log
        first = read_mpk_gz(world_file)
        assert isinstance(first, list) and len(first) == 1 and len(first[0]) == 6, first
        player_type, position = first[0][0], first[0][1]
        assert player_type == "basic.player", first

        shots = sorted(home.work.glob("*.png"))
        assert len(shots) == 1, f"screenshots: {shots}\n{log}"
        width, height, rows = read_png(shots[0])
        assert (width, height) == (800, 600), (width, height)
        # Looking ahead from the ground: sky above, the ground below.
        sky = (99, 156, 255)
        top, bottom = rows[5][width // 2], rows[height - 10][width // 2]
        assert close(top, sky, 3), f"top pixel {top} is not the sky"
        assert not close(bottom, sky, 30) and bottom != (0, 0, 0), f"bottom pixel {bottom} is not ground"

        # The saved world is found again: the player starts where it was left.
        # A screenshot that can't be written (the working directory is gone)
        # is reported, and the game goes on.
        game = home.start(program)
        try:
            game.wait_for("Ready!", READY_TIMEOUT)
            focus()
            shutil.rmtree(home.work)
            hold("0")
            game.wait_for("can't save the screenshot", 10)
            status = game.stop(signal.SIGTERM)
        finally:
            game.kill()
        log = game.log()
        assert status == 0, f"status {status} after SIGTERM:\n{log}"
        assert f"Loading {world_file}" in log, log
        second = read_mpk_gz(world_file)
        assert second[0][0] == "basic.player", second
        # x and z stay put; the body may still settle vertically.
        moved = [abs(a - b) for a, b in zip(position, second[0][1])]
        assert moved[0] < 0.5 and moved[2] < 0.5, f"{position} then {second[0][1]}"
    print("the game started, saved, and found its world again")
    return 0


if __name__ == "__main__":
    sys.exit(main())
