#!/usr/bin/env python3
"""The terrafold program without a window: options, texts and exit codes,
and how errors end it.
Usage: command_line_run.py <terrafold> <share dir>"""
import os
import pathlib
import shutil
import sys

from game_env import Home

USAGE = ("Usage: terrafold --help\n       terrafold --version\n       terrafold --config\n"
         "       terrafold [<world name>]\n")
OPTIONS = ("Options:\n  -h, --help           display this help and exit\n"
           "  -v, --version        display version string and exit\n"
           "  -c, --config         create configuration file\n")


def main():
    program, share = (os.path.abspath(a) for a in sys.argv[1:3])
    failures = []

    def check(what, ok, detail=""):
        if not ok:
            failures.append(f"{what}\n{detail}")

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

    # A pack script that fails ends the game through the entry point: at
    # start-up (it does not compile) or while playing (it raises), the world
    # saved in the second case. No X server: the offscreen driver draws.
    for script, message, saved in (("1 +\n", "compilation failed", False), ("1 + null\n", "bad cast", True)):
        with Home(share) as home:
            packs = home.data_home / "terrafold" / "packs"
            shutil.copytree(pathlib.Path(share) / "terrafold" / "packs", packs)
            (packs / "basic" / "scripts" / "boom.ks").write_text(script)
            types = packs / "basic" / "mob_types.cfg"
            types.write_text(types.read_text().replace("[player]\n", "[player]\nupdate.fun = scripts/boom.ks\n"))
            code, _, err = home.run(program, timeout=60, SDL_VIDEODRIVER="offscreen")
            what = f"a player script {script.strip()!r}"
            check(f"{what}: status {code}", code == 255, err)
            check(f"{what}: the error is logged last", err.rstrip().endswith(f"ERROR: {message}"), err)
            world_file = home.world_dir() / "world.mpk.gz"
            check(f"{what}: world saved {world_file.exists()}", world_file.exists() == saved, err)
            check(f"{what}: started {'Ready!' in err}", ("Ready!" in err) == saved, err)

    if failures:
        print("\n".join(failures))
        return 1
    print("all command-line cases passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
