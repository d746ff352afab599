#!/usr/bin/env python3
"""Pages that leave the view while no byte can be written are not lost
quietly: a player script edits the pages a page east and west of the player
(a stone, a hopper standing on it) and steps the player one page across, so
that the page behind leaves the view with its saves failing. The game ended
by SIGTERM then tries those pages again in its last save and ends with -1,
its last line counting every mob page it could not write, the one that left
the view included.
Usage: held_pages_xrun.py <terrafold> <share dir>"""
import os
import re
import sys

from game_env import Checks, game_cfg, Home, file_size_limit, player_update

CONFIG = game_cfg(800, 600, view="1 1 1", high_def=1)

# The player's update script: first lets the world around be built, then
# edits both neighbouring pages, then crosses into one of them. A Vec takes
# only its own component values, made here from a zero one.
LEAVE = """s = mob_state(@0)
if s == 0:
    mob_state(@0, 1)
    mob_wait(@0, 120)
    return false
u = here()
z = u - u
one = -(~(z[0]))
n = one + one + one + one
n = n + n + n + n
e = u - u
e[0] = n
if s == 1:
    up = u - u
    up[1] = one
    if replace(u - e, "basic.stone") and replace(u + e, "basic.stone"):
        spawn(u - e + up, "basic.hopper")
        spawn(u + e + up, "basic.hopper")
        mob_state(@0, 2)
    mob_wait(@0, 1)
    return false
dy = z[0]
while dy < n:
    e[1] = dy
    if cross(u, u + e) or cross(u, u - e):
        mob_wait(@0, -1)
        return true
    dy = dy + one
mob_wait(@0, 1)
"""

SAVING = re.compile(r"Saving (\S+)")


def main():
    program, share = (os.path.abspath(a) for a in sys.argv[1:3])
    check = Checks()

    with Home(share, config=CONFIG) as home:
        player_update(home.own_packs(share), "leave.ks", LEAVE)
        world = home.world_dir()
        mobs = f"Saving {world / 'mobs'}/"
        # The first mob file the game tries to write is that of the page
        # that left: nothing else is saved before the end.
        code, err = home.run_until(program, mobs, timeout=90, preexec_fn=file_size_limit(), SDL_VIDEODRIVER="offscreen")
        check(f"status {code}", code == 255, err)
        lines = err.splitlines()
        end = next((i for i, line in enumerate(lines) if "Cleaning up..." in line), None)
        check("the game ended through its last save", end is not None, err)
        if end is not None:
            before = {m.group(1) for line in lines[:end] for m in SAVING.finditer(line)}
            after = {m.group(1) for line in lines[end:] for m in SAVING.finditer(line)}
            left = {p for p in before if "/mobs/" in p}
            check("a mob page failed to save as it left the view", left, err)
            check(f"what failed as it left is tried again at the end: {sorted(before - after)}",
                  before <= after, err)
            last = lines[-1] if lines else ""
            tried = len({p for p in after if "/mobs/" in p})
            count = re.search(r"(\d+) mob pages?", last)
            check(f"the last line counts the {tried} mob pages tried at the end: {last!r}",
                  f"{world}: not saved: " in last and count and int(count.group(1)) == tried and
                  last.endswith("the player"), err)
        written = [f for f in world.rglob("*") if f.is_file()]
        check(f"no file written: {written}", not written, err)

    return check.report("held pages: ok")


if __name__ == "__main__":
    sys.exit(main())
