#!/usr/bin/env python3
"""The ks runner gives a script all the time it takes (no budget, unlike the
game), and SIGINT stops it with the interrupt error and status 1.
Usage: ks_interrupt.py <ks>"""
import signal
import subprocess
import sys
import tempfile
import time

# Longer than the game would let a script run.
RUNS_ON = 2.5


def main():
    ks = sys.argv[1]
    with tempfile.NamedTemporaryFile("w", suffix=".ks") as script:
        script.write("x = 1\nwhile x:\n    x = x + 1\n")
        script.flush()
        return run(ks, script.name)


def run(ks, script):
    p = subprocess.Popen([ks, script], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    time.sleep(RUNS_ON)
    if p.poll() is not None:
        print(f"the loop ended by itself ({p.returncode}): {p.stderr.read()!r}")
        return 1
    p.send_signal(signal.SIGINT)
    try:
        out, err = p.communicate(timeout=30)
    except subprocess.TimeoutExpired:
        p.kill()
        p.wait()
        print("SIGINT did not stop the loop")
        return 1
    if p.returncode != 1 or err != "script interrupted\n" or out != "":
        print(f"status {p.returncode}, standard error {err!r}, standard output {out!r}")
        return 1
    print("the loop ran until SIGINT stopped it")
    return 0


if __name__ == "__main__":
    sys.exit(main())
