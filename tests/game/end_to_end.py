#!/usr/bin/env python3
"""The whole game under X, driven like a player.

First run, on a fresh world: build on a pillar straight ahead, walk forward, take a screenshot (sky above, the
ground below), look down, pick the cell under the crosshair into the empty
hand, erase that cell, look a little further and place the held item there,
open the inventory screen and close it, run a line in the console, and leave
through the main menu's "exit" entry: status 0, no error or warning logged,
the world and the edited page saved, the log's closing lines.
Second run: the saved world is found again, the player where it was left
and the edit still there; a screenshot that can't be written is reported;
a console input that loops for ever is stopped at the time budget and the
console goes on; SIGTERM stops a second such loop and ends the game through
the saving exit, which saves a cell placed in this run.
Run inside an X server (xvfb-run). Usage: end_to_end.py <terrafold> <share dir>"""
import os
import re
import shutil
import signal
import sys
import time

from game_env import (Home, after_frames, frames, cell_page_file, changed_share, click, focus, grab, hold, noise_in,
                      read_mpk_gz, read_png, saved_cell, vec, wait_drawn, wait_state, xdotool)

READY_TIMEOUT = 60
# Far beyond what the slowest machine needs: a guard against a stalled
# game, not a measure of its speed.
STALL = 30
WIDTH, HEIGHT = 800, 600
SKY = (99, 156, 255)
# The main menu: a 200x200 window in the middle; under its title bar (a
# 20-pixel font with 3 pixels above and below) and 8 pixels of padding, rows
# of 20 pixels 4 apart: resume, settings, exit.
EXIT_ROW = (WIDTH // 2, (HEIGHT - 200) // 2 + 26 + 8 + 2 * 24 + 10)


def wait_until(ready, timeout):
    end = time.monotonic() + timeout
    while not ready() and time.monotonic() < end:
        time.sleep(0.1)
    return ready()


def close(a, b, tolerance):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


def look(dy, steps):
    """Turns the view by relative mouse motion in small steps (0.0025 radians
    a pixel), each taken by a frame of its own: a quarter of the window in
    one frame would be ignored."""
    for _ in range(steps):
        xdotool("mousemove_relative", "--", "0", str(dy))
        after_frames(2)


def press(button):
    """Presses and releases a mouse button, each over two drawn frames."""
    xdotool("mousedown", str(button))
    after_frames(2)
    xdotool("mouseup", str(button))
    after_frames(2)


class Expect:
    """Failures that say what was expected, with the game's log and output."""

    def __init__(self, game):
        self.game = game

    def __call__(self, ok, what):
        if not ok:
            raise AssertionError(f"{what}\n--- log:\n{self.game.log()}\n--- standard output:\n{self.game.stdout()}")


def first_run(home, program, world):
    world_file = world / "world.mpk.gz"
    game = home.start(program)
    expect = Expect(game)
    try:
        game.wait_for("Ready!", READY_TIMEOUT)
        expect(not world_file.exists(), "a new world has no world file yet")
        window = focus()
        wait_drawn(window)
        start = vec(game.console("print(here())"))

        # A new player stands at whole x and z looking along -z, so the view
        # ray lies in a cell plane. A stone pillar three cells straight
        # ahead, put there through the console; the middle button picks its
        # stone into the empty hand and the right button places it against
        # the pillar: in front of it, not beside it.
        for line in ("u = here()", "d = u - u", "d[1] = ~(d[0])", "f = u - u", "f[2] = d[1]", "p = u + f + f + f",
                     'for k in [p, p - d, p - d - d]: place(k, "basic.stone")'):
            game.console(line)
        aimed = game.console('print(cubr(), " ", cupl())').split()
        hit, front = vec(aimed[0]), vec(aimed[1])
        x, y, z = start
        expect(hit[0] == x and hit[2] == z - 3 and y <= hit[1] <= y + 2 and front == (x, hit[1], z - 2),
               f"the crosshair on the pillar at x {x}, z {z - 3}, the face toward the player: {hit} {front}")
        press(2)
        press(3)
        built = game.console('print(cubr(), " ", cell(cubr()))').split()
        expect(vec(built[0]) == front and built[1] == "basic.stone",
               f"the stone placed in front of the pillar at {front}: {built}")
        game.console('for k in [p, p - d, p - d - d, cubr()]: replace(k, "basic.none")')

        hold("w", 1.5)
        walked = vec(game.console("print(here())"))
        expect(abs(walked[0] - start[0]) + abs(walked[2] - start[2]) >= 1,
               f"walking forward moved the player from {start} to {walked}")

        # Looking ahead from the ground: sky above, the ground below.
        hold("0")
        expect(wait_until(lambda: list(home.work.glob("*.png")), 10), "a screenshot in the working directory")

        # Down about 35 degrees: the crosshair meets the ground a few cells ahead.
        look(30, 8)
        game.console("p = cubr()")
        aimed = game.console('print(p, " ", cell(p))')
        cell_p, type_p = aimed.split()
        p = vec(cell_p)
        expect(type_p not in ("basic.none", "basic.water"), f"the crosshair on the ground, not on {type_p} at {p}")

        # The new player's hand is empty: the middle button picks the cell's
        # drop into it; the left button erases the cell.
        press(2)
        press(1)
        erased = game.console('print(cell(p))')
        expect(erased.strip() == "basic.none", f"the erased cell {p} is empty, not {erased.strip()}")

        # Further up, onto the ground beyond the hole: the right button places
        # the held item in front of the face the crosshair meets. Down about
        # 21 degrees the ground is met at least 1.8 times as far as before,
        # past the far side of the hole wherever in its cell the player stands.
        look(-12, 8)
        game.console("q = cupl()")
        target = game.console('print(q, " ", cell(q))')
        cell_q, type_q = target.split()
        q = vec(cell_q)
        expect(type_q == "basic.none" and q != p, f"an empty cell to place in, not {type_q} at {q}")
        press(3)
        placed = game.console('print(cell(q))').strip()
        expect(placed not in ("basic.none", ""), f"a cell placed at {q}, found {placed}")

        # The inventory screen covers the middle of the window while it is open.
        box = (WIDTH // 2 - 60, HEIGHT // 2 - 60, 120, 120)
        before = grab(window, box)
        hold("Tab")
        wait_state(False, what="the inventory screen open")
        shown = grab(window, box)
        hold("Tab")
        wait_state(True, what="the inventory screen closed")
        after = grab(window, box)
        expect(changed_share(before, shown) > 0.5, "the inventory screen drawn over the middle of the window")
        expect(changed_share(before, after) < 0.2, "the inventory screen gone again")

        out = game.console("print(1 + 2)")
        expect(out == "3\n", f"the console printed {out!r} for print(1 + 2), not '3\\n'")

        # The main menu's third row leaves the game.
        hold("Escape")
        wait_state(False, what="the main menu open")
        click(window, *EXIT_ROW, ends=True)
        status = game.wait_end(30)
        expect(status is not None, f"the game ended by a click on the main menu's exit row at {EXIT_ROW}")
    finally:
        game.kill()

    expect(status == 0, f"status {status} after the main menu's exit, not 0")
    log = game.log()
    noise = noise_in(log)
    expect(not noise, f"a normal start and game log no error and no warning: {noise}")
    expect(world_file.exists(), f"the world file {world_file} saved")
    expect(f"Saving {world_file}" in log, f'"Saving {world_file}" in the log')
    expect("Session profile:" in log, '"Session profile:" in the log')
    for cell, wanted in ((p, "basic.none"), (q, placed)):
        page = cell_page_file(world, cell)
        expect(f"Saving {page}" in log and page.exists(), f"the edited page saved as {page}")
        found = saved_cell(world, cell)
        expect(found == wanted, f"the saved page gives {cell} as {found}, not {wanted}")

    shots = sorted(home.work.glob("*.png"))
    expect(len(shots) == 1, f"one screenshot, found {shots}")
    width, height, rows = read_png(shots[0])
    expect((width, height) == (WIDTH, HEIGHT), f"a screenshot of {WIDTH}x{HEIGHT}, not {width}x{height}")
    top, bottom = rows[5][width // 2], rows[height - 10][width // 2]
    expect(close(top, SKY, 3), f"the screenshot's top pixel {top} is the sky {SKY}")
    expect(not close(bottom, SKY, 30) and bottom != (0, 0, 0), f"the screenshot's bottom pixel {bottom} is ground")

    record = read_mpk_gz(world_file)
    expect(isinstance(record, list) and len(record) >= 1 and len(record[0]) == 6 and
           record[0][0] == "basic.player", f"the world file holds the player: {record}")
    hand = record[0][5][0]
    expect(hand == ["basic.stone", 1], f"the pillar's picked stone in the player's first slot, not {hand}")
    return record[0], p, q, placed


def second_run(home, program, world, player, p, q, placed):
    world_file = world / "world.mpk.gz"
    game = home.start(program)
    expect = Expect(game)
    try:
        game.wait_for("Ready!", READY_TIMEOUT)
        wait_drawn(focus())
        # The player stands where it was left, looking the same way: the
        # crosshair is on the placed cell again, read back from its page.
        here = game.console('print(cubr(), " ", cell(cubr()))').strip()
        wanted = "[%d,%d,%d] %s" % (*q, placed)
        expect(here == wanted, f"the crosshair on the placed cell again: {wanted}, not {here}")
        # A screenshot that can't be written (the working directory is gone)
        # is reported, and the game goes on.
        shutil.rmtree(home.work)
        hold("0")
        game.wait_for("can't save the screenshot", 10)

        # A cell placed now is saved by nothing but the exit at the end.
        game.console("r = cupl()")
        r = vec(game.console("print(r)"))
        expect(game.console('print(place(r, "basic.wood"))') == "true\n", f"basic.wood placed at {r}")

        # An input that loops for ever is stopped at the budget; the console
        # answers the next one.
        since = game.enter("while 1: 0")
        out = game.wait_for_output("script ran too long: stopped after", STALL, since)
        expect(re.search(r"^script ran too long: stopped after \d+\.\d s \(the frame's scripts: \d+\.\d s\)$", out, re.M),
               f"the budget's error in {out!r}")
        game.close_console()
        out = game.console("print(1 + 2)")
        expect(out == "3\n", f"the console printed {out!r} for print(1 + 2) after a stopped loop, not '3\\n'")

        # SIGTERM stops a loop at once (no "ran too long") and leaves through
        # the saving exit.
        gap = 5 * frames().period()
        since = game.enter("while 1: 0")
        # While the loop runs no frame is drawn.
        frames().wait_stall(max(gap, 0.25))
        status = game.stop(signal.SIGTERM)
        out = game.stdout()[since:]
        expect("> while 1: 0\nscript interrupted\n" in out, f"the loop stopped by SIGTERM: {out!r}")
    finally:
        game.kill()
    log = game.log()
    expect(status == 0, f"status {status} after SIGTERM, not 0")
    expect(f"Loading {world_file}" in log, f'"Loading {world_file}" in the log')
    for cell, wanted in ((p, "basic.none"), (q, placed), (r, "basic.wood")):
        found = saved_cell(world, cell)
        expect(found == wanted, f"the page saved again gives {cell} as {found}, not {wanted}")
    second = read_mpk_gz(world_file)[0]
    expect(second[0] == "basic.player", f"the player saved again: {second}")
    # x and z stay put; the body may still settle vertically.
    moved = [abs(a - b) for a, b in zip(player[1], second[1])]
    expect(moved[0] < 0.5 and moved[2] < 0.5, f"the player found where it was left: {player[1]}, then {second[1]}")


def main():
    program, share = (os.path.abspath(a) for a in sys.argv[1:3])
    with Home(share) as home:
        world = home.world_dir()
        player, p, q, placed = first_run(home, program, world)
        second_run(home, program, world, player, p, q, placed)
    # A first start as a player makes it: no settings file yet, so the
    # default window and swapping on this X server. It is normal, not noise.
    with Home(share, config=None) as home:
        code, log = home.run_until(program, "Ready!")
        noise = noise_in(log)
        if code != 0 or "Ready!" not in log or noise:
            print(f"a first start: status {code}, errors or warnings {noise}\n{log}")
            return 1
    print("the game started, was played, saved, and found its world again")
    return 0


if __name__ == "__main__":
    sys.exit(main())
