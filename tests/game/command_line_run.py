#!/usr/bin/env python3
"""The terrafold program without a window: options, texts and exit codes,
how errors end it, and damaged saves set aside.
Usage: command_line_run.py <terrafold> <share dir>"""
import gzip
import os
import pathlib
import re
import shutil
import signal
import struct
import sys

from game_env import Checks, Home, file_size_limit, player_update, read_mpk_gz

USAGE = ("Usage: terrafold --help\n       terrafold --version\n       terrafold --config\n"
         "       terrafold [<world name>]\n")
OPTIONS = ("Options:\n  -h, --help           display this help and exit\n"
           "  -v, --version        display version string and exit\n"
           "  -c, --config         create configuration file\n")


def full_disk(program, home, check, limit=0, ignored=True):
    """A game whose saves at the end all fail (no byte can be written, as on
    a full disk; root is not spared) ends with -1 and a last line saying
    what was not saved, and every file saved before stays as it was. With
    `ignored` false the game starts with the default action of the signal
    that a write past the file size limit raises (ending the process)."""
    world = home.world_dir()
    before = {f: f.read_bytes() for f in world.rglob("*") if f.is_file()}
    what = f"a file size limit of {limit} bytes" + ("" if ignored else " and the default signal action")

    code, err = home.run_until(program, "Ready!", preexec_fn=file_size_limit(limit, ignored),
                               SDL_VIDEODRIVER="offscreen")
    check(f"{what}: status {code}", code == 255, err)
    last = err.rstrip().splitlines()[-1] if err.strip() else ""
    check(f"{what}: the last line says what was not saved",
          f"{world}: not saved: " in last and last.endswith("the player"), err)
    after = {f: f.read_bytes() for f in world.rglob("*") if f.is_file()}
    check(f"{what}: the old files stay as they were", after == before,
          f"{sorted(map(str, before))}\n{sorted(map(str, after))}\n{err}")


def forged_mobs(n):
    """A mob file of n empty records, each of which would be a mob."""
    return gzip.compress(b"\xdd" + struct.pack(">I", n) + b"\x90" * n, 9)


def forged_cells(size):
    """A cell file of stone whose skipped sixth element makes it `size`
    bytes uncompressed."""
    page = (b"\x96\x91\xabbasic.stone\xdc\x10\x00" + bytes(4096) + b"\xc5\x10\x00" + bytes(4096) + b"\x80\x80")
    return gzip.compress(page + b"\xc6" + struct.pack(">I", size - len(page) - 5) + bytes(size - len(page) - 5), 9)


def main():
    program, share = (os.path.abspath(a) for a in sys.argv[1:3])
    check = Checks()

    with Home(share, config=None) as home:
        # No video driver at all: a case that tried to open a window would fail with -1.
        def run(*args):
            return home.run(program, *args, SDL_VIDEODRIVER="no-such-driver")

        cases = [
            (("-h",), 0, [USAGE, OPTIONS], []),
            (("--help", "-v"), 0, [USAGE, OPTIONS], ["1.0.0"]),
            (("-v", "mars"), 0, ["1.0.0"], ["Usage", "Terrafold "]),
            (("mars", "--version"), 0, ["1.0.0"], ["Usage"]),
            (("-x",), 1, [USAGE, "invalid option"], ["Options:"]),
            (("--nope",), 1, [USAGE, "unrecognized option"], []),
            (("mars", "venus"), 1, [USAGE], ["Terrafold "]),
            (("..",), 1, [USAGE], ["Terrafold "]),
            ((".",), 1, [USAGE], []),
            (("",), 1, [USAGE], []),
            (("a/b",), 1, [USAGE], []),
            (("w" * 256,), 1, [USAGE], ["Terrafold "]),  # longer than a file name may be
        ]
        for args, status, wanted, unwanted in cases:
            code, out, err = run(*args)
            check(f"{args}: status {code}, wanted {status}", code == status, err)
            for w in wanted:
                check(f"{args}: missing {w!r}", w in err, err)
            for u in unwanted:
                check(f"{args}: unexpected {u!r}", u not in err, err)
        check("nothing was saved", not (home.data_home / "terrafold").exists())

        # -c writes every setting, keeping what the file already holds. On a
        # first start no settings file is normal: one line says so.
        code, _, err = run("-c")
        check(f"-c: status {code}", code == 0, err)
        check("a first start logs no error or warning", "ERROR" not in err and "WARN" not in err, err)
        check("a first start says once that the defaults apply",
              err.splitlines()[:1] == ["INFO: No terrafold/game.cfg yet: the default settings apply"] and
              err.count("INFO:") == 2 and "INFO: Saving " in err, err)
        text = home.config_file.read_text() if home.config_file.exists() else ""
        check("-c writes the defaults", "field_of_view = 62" in text and "width = -1" in text, text)
        home.config_file.write_text("[window]\nwidth = 640\n")
        code, _, err = run("--config")
        text = home.config_file.read_text()
        check("-c keeps the file's values", code == 0 and "width = 640" in text and "height = -1" in text, text)

        # An unusable configuration directory: the settings file can't be written.
        home.config_file.unlink()
        home.config_file.parent.rmdir()
        home.config_file.parent.write_text("a file where a directory should be")
        code, _, err = run("-c")
        check(f"-c that can't write reports it: status {code}", code == 255, err)

        # A world that can't start (no window here) ends with the error and -1.
        code, _, err = run("mars")
        check(f"no window: status {code}", code == 255, err)
        check("the revision is logged first", "Terrafold " in err, err)
        rev = err.split("Terrafold ", 1)[-1].split()[0] if "Terrafold " in err else ""
        check(f"the revision is 40 hex digits: {rev!r}",
              len(rev) == 40 and all(c in "0123456789abcdef" for c in rev), err)

        # A directory of a search list that can't be examined is passed over.
        code, _, err = home.run(program, "mars", SDL_VIDEODRIVER="no-such-driver",
                                XDG_CONFIG_DIRS="/" + "c" * 300 + ":/etc/xdg")
        check(f"an unexaminable XDG directory: status {code}", code == 255 and "no-such-driver" in err, err)
        check("an unexaminable XDG directory is no error", "too long" not in err, err)

        # A world that can't be saved is not played: with a file where its
        # folder, or the folder of every world, should be, the start is
        # refused before any window is tried, with the folder and the reason.
        save = home.data_home / "terrafold" / "save"
        (save / "venus").write_text("not a world")
        code, _, err = run("venus")
        check(f"a file for the world folder: status {code}", code == 255, err)
        check("the world folder and the reason are said",
              err.rstrip().endswith(f"can't save the world in {save / 'venus'}: Not a directory"), err)
        check("no window was tried", "no-such-driver" not in err, err)
        check("the file in the way is kept", (save / "venus").read_text() == "not a world")
        shutil.rmtree(save)
        save.write_text("not a folder")
        code, _, err = run("venus")
        check(f"a file for the worlds' folder: status {code}", code == 255, err)
        check("a folder above the world's that can't be made is said in the same one line",
              err.rstrip().endswith(f"can't save the world in {save / 'venus'}: Not a directory") and
              err.count("ERROR") == 1, err)
        check("no window was tried for it", "no-such-driver" not in err, err)

    # A pack script that fails ends the game through the entry point: at
    # start-up (it does not compile) or while playing (it raises, or loops
    # until the time budget stops it), the world saved in the latter cases.
    # No X server: the offscreen driver draws.
    named = "mob basic.player, update script: "
    for script, message, saved in (("1 +\n", "compilation failed", False), ("1 + null\n", named + "bad cast", True),
                                   ("while 1:\n    x = 1\n",
                                    named + r"script ran too long: stopped after \d+\.\d s \(the frame's scripts: \d+\.\d s\)",
                                    True)):
        with Home(share) as home:
            packs = home.own_packs(share)
            player_update(packs, "boom.ks", script)
            types = packs / "basic" / "mob_types.cfg"
            code, _, err = home.run(program, timeout=60, SDL_VIDEODRIVER="offscreen")
            what = f"a player script {script.strip()!r}"
            check(f"{what}: status {code}", code == 255, err)
            check(f"{what}: the error is logged last", re.search(f"ERROR: {message}$", err.rstrip()), err)
            world_file = home.world_dir() / "world.mpk.gz"
            check(f"{what}: world saved {world_file.exists()}", world_file.exists() == saved, err)
            check(f"{what}: started {'Ready!' in err}", ("Ready!" in err) == saved, err)
            if saved:
                types.write_text(types.read_text().replace("update.fun = scripts/boom.ks\n", ""))
                # The world file is written at the end in one piece larger
                # than this: its first write passes the limit.
                full_disk(program, home, check, limit=16, ignored=False)
                full_disk(program, home, check)

    # Damaged saves are set aside and the game plays on: a world file whose
    # player stands at x = 3e10 (no cell coordinate reaches that far), a
    # folder where a flat page file should be (it can't be read, even by
    # root), a flat file of other bytes, and forged page files around the
    # player that would cost gigabytes: 20 million empty mob records in
    # 19 KiB, and a cell file grown past the size cap. The game then ends by
    # SIGTERM through the saving exit, with status 0.
    with Home(share) as home:
        world = home.world_dir()
        flat = world / "flat"
        flat.mkdir(parents=True)
        forged = {world / "mobs" / "0.4.0.mpk.gz": (forged_mobs(20_000_000), "too many mobs"),
                  world / "cells" / "0.3.0.mpk.gz": (forged_cells(17 << 20), "too large")}
        for path, (data, _) in forged.items():
            path.parent.mkdir(exist_ok=True)
            path.write_bytes(data)
        far = gzip.compress(b"\x91\x92\xacbasic.player\x93" + b"".join(b"\xca" + struct.pack(">f", v)
                                                                        for v in (3e10, 8.0, 9.0)))
        (world / "world.mpk.gz").write_bytes(far)
        (flat / "0.0.mpk.gz").mkdir()
        (flat / "0.0.mpk.gz" / "inside").write_bytes(b"the player's bytes")
        (flat / "1.0.mpk.gz").write_bytes(b"not a flat page")
        home.env["SDL_VIDEODRIVER"] = "offscreen"
        game = home.start(program)
        try:
            game.wait_for("Ready!", 60)
            for path, (_, why) in forged.items():
                game.wait_for(f"{path}: {why}", 60)
            code = game.stop(signal.SIGTERM)
        finally:
            game.kill()
        log = game.log()
        check(f"a far player: status {code}", code == 0, log)
        check("the far world file is kept", (world / "world.mpk.gz.bad").read_bytes() == far, log)
        check("the far position is refused", "world.mpk.gz: position out of range" in log, log)
        x = read_mpk_gz(world / "world.mpk.gz")[0][1][0]
        check(f"the player is saved where it played: x = {x}", abs(x) < 2 ** 30, log)
        for name, what in (("0.0.mpk.gz", "a folder"), ("1.0.mpk.gz", "other bytes")):
            check(f"{what} in place of a flat file is set aside", f"{name}: unreadable, kept as" in log, log)
        check("the folder keeps its file",
              (flat / "0.0.mpk.gz.bad" / "inside").read_bytes() == b"the player's bytes", log)
        check("the other bytes are kept", (flat / "1.0.mpk.gz.bad").read_bytes() == b"not a flat page", log)
        for path, (data, _) in forged.items():
            check(f"{path.name} forged is set aside", pathlib.Path(f"{path}.bad").read_bytes() == data, log)

    # A damaged world file whose ".bad" names are all taken can't be set
    # aside: it stays as it is, session after session, each of them played
    # from a new player and ending with -1 and the player not saved.
    with Home(share) as home:
        world = home.world_dir()
        world.mkdir(parents=True)
        damaged = world / "world.mpk.gz"
        damaged.write_bytes(b"the player's damaged bytes")
        for n in range(1, 1001):
            pathlib.Path(f"{damaged}.bad{n if n > 1 else ''}").write_bytes(b"kept earlier")
        for session in (1, 2):
            code, err = home.run_until(program, "Ready!", SDL_VIDEODRIVER="offscreen")
            check(f"no name left, session {session}: status {code}", code == 255, err)
            check(f"no name left, session {session}: the player is said not saved",
                  err.rstrip().endswith(f"{world}: not saved: the player") and
                  f"{damaged}: unreadable, left as it is: not saved over it" in err, err)
            check(f"no name left, session {session}: the damaged bytes stay",
                  damaged.read_bytes() == b"the player's damaged bytes", err)

    return check.report("all command-line cases passed")


if __name__ == "__main__":
    sys.exit(main())
