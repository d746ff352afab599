#!/usr/bin/env python3
"""Times the script benchmarks: each program of this folder in kestrine (through
the ks runner of a Release build), Lua 5.4 and Python 3, as whole processes,
several runs each. Prints the median time per language and the ratios
kestrine/Lua and kestrine/Python.

    python3 bench/scripts/run.py [--runs N] [--build-dir DIR] [--ks PATH]

Without --ks it configures and builds the ks target in DIR (default
build/release, a Release build) first.
"""
import argparse
import os
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
PROGRAMS = ["fib", "loops", "list", "string"]


def build_ks(build_dir):
    subprocess.run(["cmake", "-S", ROOT, "-B", build_dir, "-G", "Ninja",
                    "-DCMAKE_BUILD_TYPE=Release", "-DTERRAFOLD_TESTS=OFF",
                    "-DTERRAFOLD_BENCH=OFF"], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", build_dir, "--target", "ks"], check=True,
                   stdout=subprocess.DEVNULL)
    return os.path.join(build_dir, "tools", "ks")


def time_once(command):
    start = time.perf_counter()
    result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    elapsed = time.perf_counter() - start
    if result.returncode != 0:
        sys.exit("%s failed:\n%s" % (" ".join(command), result.stderr.decode(errors="replace")))
    return elapsed, result.stdout


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--build-dir", default=os.path.join(ROOT, "build", "release"))
    parser.add_argument("--ks", help="a ks executable to use instead of building one")
    args = parser.parse_args()

    ks = args.ks or build_ks(args.build_dir)
    languages = [("kestrine", [ks], ".ks"), ("Lua", ["lua5.4"], ".lua"),
                 ("Python", [sys.executable], ".py")]

    rows = []
    for name in PROGRAMS:
        medians = {}
        outputs = set()
        for language, command, suffix in languages:
            script = os.path.join(HERE, name + suffix)
            times = []
            for _ in range(args.runs):
                elapsed, out = time_once(command + [script])
                times.append(elapsed)
                outputs.add(out.strip())
            medians[language] = statistics.median(times)
        if len(outputs) != 1:
            sys.exit("%s: the three programs disagree: %s" % (name, sorted(outputs)))
        rows.append((name, medians))

    print("median of %d runs, seconds per process" % args.runs)
    print("%-8s %10s %10s %10s %10s %10s" % ("program", "kestrine", "Lua", "Python",
                                             "ks/Lua", "ks/Python"))
    for name, m in rows:
        print("%-8s %10.3f %10.3f %10.3f %10.2f %10.2f" % (
            name, m["kestrine"], m["Lua"], m["Python"],
            m["kestrine"] / m["Lua"], m["kestrine"] / m["Python"]))


if __name__ == "__main__":
    main()
