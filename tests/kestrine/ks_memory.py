#!/usr/bin/env python3
"""A script that doubles a string without end stops with "script out of
memory", and the runner's peak memory stays below its own plus the limit on
what scripts hold (256 MiB): the doubling that would pass the limit is
refused before it is allocated.
Usage: ks_memory.py <ks>"""
import os
import subprocess
import sys
import tempfile
import time

MIB = 1 << 20
LIMIT = 256 * MIB
# Past this the growth is plainly unbounded: stop it before the machine must.
RUNAWAY = 4 * LIMIT


def environment():
    env = dict(os.environ)
    # Freed blocks held back by the address sanitizer would count as peak.
    options = env.get("ASAN_OPTIONS", "")
    env["ASAN_OPTIONS"] = (options + ":" if options else "") + "quarantine_size_mb=1"
    return env


def resident(pid):
    try:
        with open("/proc/%d/status" % pid) as status:
            for line in status:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1]) * 1024
    except OSError:
        pass
    return 0


def run(ks, text):
    """Runs ks on the text; returns (status, standard error, peak bytes), or
    None when it ran away."""
    with tempfile.NamedTemporaryFile("w", suffix=".ks") as script, \
            tempfile.TemporaryFile() as err:
        script.write(text)
        script.flush()
        p = subprocess.Popen([ks, script.name], stdout=subprocess.DEVNULL, stderr=err,
                             env=environment())
        while True:
            pid, status, usage = os.wait4(p.pid, os.WNOHANG)
            if pid:
                break
            if resident(p.pid) > RUNAWAY:
                p.kill()
                p.wait()
                return None
            time.sleep(0.02)
        p.returncode = os.waitstatus_to_exitcode(status)
        err.seek(0)
        return p.returncode, err.read().decode(errors="replace"), usage.ru_maxrss * 1024


def main():
    ks = sys.argv[1]
    base = run(ks, "s = \"x\"\n")
    grown = run(ks, "s = \"x\"\nwhile 1:\n    s = s + s\n")
    if grown is None:
        print("the string grew past %d MiB" % (RUNAWAY // MIB))
        return 1
    status, err, peak = grown
    if status != 1 or err != "script out of memory\n":
        print("status %d, standard error %r" % (status, err))
        return 1
    own = base[2]
    print("peak %.1f MiB, the runner's own %.1f MiB, limit %d MiB" % (peak / MIB, own / MIB, LIMIT // MIB))
    if peak >= own + LIMIT:
        print("the peak passed the runner's own memory plus the limit")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
