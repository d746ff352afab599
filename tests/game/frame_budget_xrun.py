#!/usr/bin/env python3
"""The scripts of one frame share the script time budget, under X.

A wood cell is placed through the console, then four hoppers are spawned on
it. A hopper's update script counts twice as far as in its last run, takes a
stone for each run it finished and runs again in the next frame: whatever the
machine's speed, the runs grow until the four of one frame pass the budget
together while each alone stays within it. The game then stops the script
running, saves and exits with -1, naming the script in its last log line
with its own time and the frame's total.
The saved world holds the wood cell and the four hoppers, and their stones
show that the frame's runs were stopped together: some hoppers finished their
run in the frame that stopped another (a budget counted a run at a time would
stop the first hopper's longer run, with all four even).
Run inside an X server (xvfb-run). Usage: frame_budget_xrun.py <terrafold> <share dir>"""
import os
import re
import sys

from game_env import Home, focus, read_mpk_gz, saved_cell, vec, wait_drawn

READY_TIMEOUT = 60
# Ample for the runs to grow and the world to be saved on a slow machine.
END_TIMEOUT = 90
# The longest a frame's scripts may run, in seconds.
SCRIPT_BUDGET = 2.0

GROWING_UPDATE = """\
# Twice the count of the run before; a stone for each run finished.
n = 0
k = 1000 << has(@0, "basic.stone")
while n < k:
    n = n + 1
give(@0, "basic.stone")
mob_wait(@0, 0)
"""


def saved_hoppers(world):
    """The stones of every hopper in the world's mob page files; a mob record
    is [type, position, velocity, angles, size, inventory], a slot [item, count]."""
    stones = []
    for page in sorted((world / "mobs").glob("*.mpk.gz")):
        for record in read_mpk_gz(page) or []:
            if record and record[0] == "basic.hopper":
                stones.append(sum(slot[1] for slot in record[5] if slot and slot[0] == "basic.stone"))
    return stones


def main():
    program, share = (os.path.abspath(a) for a in sys.argv[1:3])
    with Home(share) as home:
        packs = home.own_packs(share)
        (packs / "basic" / "scripts" / "hopper_update.ks").write_text(GROWING_UPDATE)
        world = home.world_dir()
        game = home.start(program)

        def expect(ok, what):
            if not ok:
                raise AssertionError(f"{what}\n--- log:\n{game.log()}\n--- standard output:\n{game.stdout()}")

        try:
            game.wait_for("Ready!", READY_TIMEOUT)
            wait_drawn(focus())
            # Above the player's head: open air in the first world.
            game.console("u = here()")
            game.console("u[1] = u[1] + 3")
            placed = game.console('print(u, " ", place(u, "basic.wood"))').split()
            wood = vec(placed[0])
            expect(placed[1] == "true", f"basic.wood placed at {wood}: {placed}")
            game.console("u[1] = u[1] + 1")
            since = game.enter('for i in [1, 2, 3, 4]: spawn(u, "basic.hopper")')
            game.wait_for_output("spawn(u", 15, since)
            status = game.wait_end(END_TIMEOUT)
            expect(status is not None, f"the game ended by itself within {END_TIMEOUT} s")
        finally:
            game.kill()

        log = game.log()
        expect(status == 255, f"status {status} after a pack script ran too long, not -1")
        last = re.search(r"ERROR: mob basic\.hopper, update script: script ran too long: "
                         r"stopped after (\d+\.\d) s \(the frame's scripts: (\d+\.\d) s\)$", log.rstrip())
        expect(last, "the log ends with the hopper's update script named and the budget's error")
        own, total = float(last.group(1)), float(last.group(2))
        expect(total >= SCRIPT_BUDGET, f"stopped only past the budget: {last.group(0)}")
        # The stopped hopper's own time, short of the frame's total: the
        # hoppers before it in the frame ran the rest.
        expect(own < total and own < SCRIPT_BUDGET, f"the stopped script's own time said: {last.group(0)}")
        world_file = world / "world.mpk.gz"
        expect(f"Saving {world_file}" in log and world_file.exists(), "the world saved on the way out")
        found = saved_cell(world, wood)
        expect(found == "basic.wood", f"the saved page gives {wood} as {found}, not basic.wood")
        stones = saved_hoppers(world)
        expect(len(stones) == 4, f"the four hoppers saved, found {len(stones)}")
        expect(min(stones) >= 1 and max(stones) == min(stones) + 1,
               f"the hoppers' finished runs {stones}: some finished the frame that stopped another")
    print("four scripts that together passed a frame's budget ended the game, which saved the world")
    return 0


if __name__ == "__main__":
    sys.exit(main())
