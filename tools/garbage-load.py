#!/usr/bin/env python3
"""How much of a stream of random bytes the panel takes, and at what CPU.

garbage-load.py PROGRAM [ARGS...] [--rate BYTES_PER_S] [--seconds S]

Starts PROGRAM ARGS with "{line}" in ARGS replaced by a pseudo-terminal's path, feeds the
terminal's other side random bytes at the rate (1 MB/s by default) without ever blocking,
and after a settling second measures for S seconds (10 by default): the bytes the program
took off the line per second and its CPU time as a share of one core.  The window runs on
the offscreen platform unless QT_QPA_PLATFORM says otherwise.
"""
import argparse
import os
import pty
import subprocess
import sys
import time


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--rate", type=int, default=1_000_000)
    ap.add_argument("--seconds", type=float, default=10)
    ap.add_argument("program", nargs=argparse.REMAINDER)
    a = ap.parse_args()
    master, slave = pty.openpty()
    path = os.ttyname(slave)
    os.set_blocking(master, False)
    env = dict(os.environ)
    env.setdefault("QT_QPA_PLATFORM", "offscreen")
    proc = subprocess.Popen([arg.replace("{line}", path) for arg in a.program], env=env,
                            stdout=subprocess.DEVNULL)
    chunk = os.urandom(1 << 16)
    taken = 0
    start = time.monotonic()
    mark = None
    tick = 0.005
    try:
        while True:
            now = time.monotonic()
            if mark is None and now - start >= 1.0:
                mark = (now, taken, cpu_seconds(proc.pid))
            if mark is not None and now - mark[0] >= a.seconds:
                break
            if proc.poll() is not None:
                sys.exit(f"garbage-load: the program ended with {proc.returncode}")
            want = int(a.rate * tick)
            try:
                taken += os.write(master, chunk[:want])
            except BlockingIOError:
                pass
            # Read back nothing the program sends (key codes); keep the master's input empty.
            try:
                os.read(master, 4096)
            except (BlockingIOError, OSError):
                pass
            time.sleep(max(0.0, tick - (time.monotonic() - now)))
        cpu = cpu_seconds(proc.pid) - mark[2]
        span = now - mark[0]
        print(f"offered {a.rate} B/s; taken {(taken - mark[1]) / span:.0f} B/s; "
              f"CPU {100 * cpu / span:.1f} % of a core over {span:.1f} s; "
              f"load {os.getloadavg()[0]:.2f}")
    finally:
        proc.terminate()
        proc.wait()


if __name__ == "__main__":
    main()
