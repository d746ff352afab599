#!/usr/bin/env python3
"""A stack held on the pointer outlives the game, driven like a player.

First run: the inventory screen's palette gives a stack of 16, put into the
player's first slot, half of it taken up again and held while the screen
closes; the main menu's exit row ends the game. The world file holds 8 in
the slot and 8 held. Second run: the held 8 are drawn at the pointer when the
screen opens and go into the second slot; SIGTERM ends the game through the
saving exit, and the world file holds 8 and 8 in the slots, nothing held.
Run inside an X server (xvfb-run). Usage: held_stack_xrun.py <terrafold> <share dir>"""
import os
import signal
import sys

from game_env import (Checks, Home, after_frames, changed_share, click, grab, hold, noise_in, point, read_mpk_gz,
                      wait_state)

READY_TIMEOUT = 60
WIDTH, HEIGHT = 800, 600
# The inventory screen at the default ui_scale of 3: 420 pixels high in the
# middle of the window, under a 22-pixel title bar and 8 pixels of padding,
# slots of 48 pixels 8 apart; the player's pane from x 156, the palette's
# from x 404.
TOP = (HEIGHT - 420) // 2 + 22 + 8


def slot(pane_x, i):
    return pane_x + 24 + 56 * (i % 4), TOP + 24 + 56 * (i // 4)


def player_slot(i):
    return slot(156, i)


PALETTE_FIRST = slot(404, 0)
# Below the panes, where the screen shows nothing but its background.
EMPTY = (WIDTH // 2, HEIGHT // 2 + 150)
EXIT_ROW = (WIDTH // 2, (HEIGHT - 200) // 2 + 26 + 8 + 2 * 24 + 10)


def open_screen():
    hold("Tab")
    wait_state(False, what="the inventory screen open")


def close_screen():
    hold("Tab")
    wait_state(True, what="the inventory screen closed")


def world_record(home):
    return read_mpk_gz(home.world_dir() / "world.mpk.gz")


def main():
    program, share = (os.path.abspath(a) for a in sys.argv[1:3])
    check = Checks()
    with Home(share) as home:
        game = home.start(program)
        try:
            window = game.ready(READY_TIMEOUT)
            open_screen()
            click(window, *PALETTE_FIRST, button=3)  # 16 held
            click(window, *player_slot(0))  # put down
            click(window, *player_slot(0), button=3)  # half taken up
            close_screen()
            hold("Escape")
            wait_state(False, what="the main menu open")
            click(window, *EXIT_ROW, ends=True)
            status = game.wait_end(60)
        finally:
            game.kill()
        check(f"status {status} after the main menu's exit", status == 0, game.log()[-3000:])
        record = world_record(home)
        check("the world file holds the player and the held stack", len(record) == 2, repr(record))
        first, held = record[0][5][0], record[1] if len(record) > 1 else None
        check(f"8 in the first slot and 8 held: {first}, {held}",
              first[1] == 8 and held == [first[0], 8] and first[0] != "")
        name = first[0]

        game = home.start(program)
        try:
            window = game.ready(READY_TIMEOUT)
            open_screen()
            # The screen's background there with the pointer away, then with
            # the pointer on it.
            box = (EMPTY[0] - 30, EMPTY[1] - 30, 60, 60)
            point(window, 10, HEIGHT - 10)
            after_frames(2)
            background = grab(window, box)
            point(window, *EMPTY)
            after_frames(2)
            check("the held stack drawn at the pointer when the screen opens",
                  changed_share(background, grab(window, box)) > 0.2)
            click(window, *player_slot(1))  # put down
            close_screen()
            status = game.stop(signal.SIGTERM)
        finally:
            game.kill()
        log = game.log()
        check(f"status {status} after SIGTERM", status == 0, log[-3000:])
        check("no error and no warning logged", not noise_in(log), "\n".join(noise_in(log)))
        record = world_record(home)
        slots = record[0][5][:2]
        check(f"8 and 8 in the first two slots, nothing held: {slots}, {record[1:]}",
              slots == [[name, 8], [name, 8]] and record[1:] == [["", 0]])
    return check.report("held stack: ok")


if __name__ == "__main__":
    sys.exit(main())
