#!/usr/bin/env python3
"""Closing a window never turns the view, driven like a player.

The inventory, the main menu, its settings and the console are each opened
and closed ten times, the pointer left about 150 pixels off the window's
middle in them. Some closing keys are pressed while the game is stopped for a
moment, so the frame that takes the key comes late and is not drawn; the main
menu is also left by a click on its resume row, which closes it from within
its own frame. Then the mouse moves by a known amount. The look the game saves
on SIGTERM is that motion's turn alone: 0.0025 radians a pixel, nothing from
where the pointer was left in the windows.
Run inside an X server (xvfb-run). Usage: look_after_windows_xrun.py <terrafold> <share dir>"""
import os
import signal
import sys
import time

from game_env import Checks, Home, after_frames, click, noise_in, read_mpk_gz, wait_state, xdotool

READY_TIMEOUT = 60
WIDTH, HEIGHT = 800, 600
RADIANS_PER_PIXEL = 0.0025
# Where the pointer is left in a window: within a quarter window of the
# middle on both axes, where a pointer position would still turn the view.
PLACES = [(520, 400), (290, 210), (510, 190), (300, 420), (560, 330)]
# The main menu's rows (a 200x200 window in the middle; a 26-pixel title bar,
# 8 pixels of padding, rows 24 apart): resume, toward its left end, and
# settings.
RESUME = (330, 244)
SETTINGS = (400, 268)
# Longer than the 50 ms after which a frame is not drawn.
STALL = 0.08
# The motion at the end, in small steps (a quarter window in one frame is
# ignored).
STEP, STEPS = (20, 12), 5


class Player:
    def __init__(self, game, window):
        self.game = game
        self.window = window

    def key(self, name, roaming, stalled=False):
        """Presses and releases a key, each over two drawn frames, and waits
        until the game roams or shows a window as `roaming` says. `stalled`
        stops the game while the key goes down, so the frame that takes it
        is late and its drawing dropped. After a key that closes a window,
        a few frames of roaming follow (a look that still read the
        pointer's place would turn there)."""
        if stalled:
            self.game.proc.send_signal(signal.SIGSTOP)
            try:
                xdotool("keydown", name, "sleep", str(STALL))
            finally:
                self.game.proc.send_signal(signal.SIGCONT)
        else:
            xdotool("keydown", name)
        after_frames(2)
        xdotool("keyup", name)
        self.settle(roaming, name)

    def settle(self, roaming, what):
        wait_state(roaming, what=f"{'roaming' if roaming else 'a window open'} after {what}")
        if roaming:
            after_frames(3)

    def point(self, place):
        """Moves the pointer; the game takes the motion before any key that
        follows."""
        xdotool("mousemove", "--window", self.window, str(place[0]), str(place[1]))

    def click(self, place, roaming):
        click(self.window, *place)
        self.settle(roaming, f"a click at {place}")


def close_each_window(p):
    """Ten closes of each window, alternating the ways; returns how many."""
    closes = 0
    for i in range(10):
        place = PLACES[i % len(PLACES)]
        stalled = i % 2 == 1

        p.key("Tab", False)
        p.point(place)
        p.key("Tab" if i < 5 else "Escape", True, stalled)

        p.key("period", False)
        p.point(place)
        p.key("Escape", True, stalled)

        p.key("Escape", False)
        if i < 5:
            p.click((RESUME[0], RESUME[1] + i % 2 * 4), True)
        else:
            p.point(place)
            p.key("Escape", True, stalled)

        p.key("Escape", False)
        p.click(SETTINGS, False)
        p.point(place)
        p.key("Escape", False, stalled)
        p.key("Escape", True)
        closes += 5
    return closes


def main():
    program, share = (os.path.abspath(a) for a in sys.argv[1:3])
    check = Checks()
    with Home(share) as home:
        game = home.start(program)
        try:
            window = game.ready(READY_TIMEOUT)
            p = Player(game, window)
            p.point((WIDTH // 2, HEIGHT // 2))
            started = time.monotonic()
            closes = close_each_window(p)
            took = time.monotonic() - started
            # Each step in a frame of its own, the last one taken before the
            # end (the first look after the last window is past already).
            for _ in range(STEPS):
                xdotool("mousemove_relative", "--", str(STEP[0]), str(STEP[1]))
                after_frames(2)
            status = game.stop(signal.SIGTERM)
        finally:
            game.kill()
        log = game.log()
        check(f"status {status} after SIGTERM, not 0", status == 0, log)
        check("no error and no warning logged", not noise_in(log), "\n".join(noise_in(log)))
        pitch, yaw = read_mpk_gz(home.world_dir() / "world.mpk.gz")[0][3]
        # A new player looks level along -z.
        want_pitch = -STEP[1] * STEPS * RADIANS_PER_PIXEL
        want_yaw = -STEP[0] * STEPS * RADIANS_PER_PIXEL
        print(f"{closes} windows closed in {took:.1f} s; beyond the final motion the view turned "
              f"{pitch - want_pitch:+.4f} in pitch and {yaw - want_yaw:+.4f} in yaw")
        check(f"the view turned only by the final motion: pitch {pitch:.4f}, yaw {yaw:.4f}, "
              f"not {want_pitch:.4f}, {want_yaw:.4f}",
              abs(pitch - want_pitch) < 1e-4 and abs(yaw - want_yaw) < 1e-4)
    return check.report("look after windows: ok")


if __name__ == "__main__":
    sys.exit(main())
