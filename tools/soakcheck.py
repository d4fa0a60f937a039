#!/usr/bin/env python3
"""The soak run's measuring and checking (tools/soak.sh calls it).

  soakcheck.py sample PID FILE INTERVAL_S
      Samples the process every INTERVAL_S seconds from /proc until it ends, one line a sample:
      seconds since the first sample, resident memory (KiB), threads, open descriptors, CPU
      seconds used (user + system).
  soakcheck.py growth FILE NAME [--after S] [--rss-slack-kib K] [--sent SENTLOG...]
      Judges the samples: after the first S seconds (default 60) threads and descriptors must
      never go above what they were up to then, and memory not by more than K KiB (default
      2048, for the allocator's rounding and caches that settle late) plus what the program
      keeps by design for the measurements it took meanwhile: every point of the series, 20
      bytes each (measure/SeriesStore.h), counted from the frames the simulators sent whole
      (their sent logs, run one after the other from the program's start), in chunks of
      256 KiB.  Prints the figures.
  soakcheck.py compare CSV SENTLOG... [--max-late-ms MS]
      Checks the logger's CSV (recorded with --every-frame, a row per frame) against the simulator
      runs' sent logs (freqsim --sent-log), in the
      order the simulators ran: each run's frames must be rows, in order, with the reading the
      frame carried ("Error" for a frame with a bad point code).  Only frames sent before the
      logger had opened the line may be missing, and only at the start of a run, no later than
      MS (default 7000) after it began; nothing may be missing after that, and there may be no
      row no frame explains.  Prints rows compared and frames per fault.
Exit status 0 when the check holds, 1 when it does not, 2 for bad arguments.
"""
import argparse
import csv
import os
import sys
import time
from collections import Counter


def read_sample(pid):
    """(rss KiB, threads, descriptors, cpu seconds) of a live process, or None."""
    try:
        status = open(f"/proc/{pid}/status").read()
        fields = dict(line.split(":", 1) for line in status.splitlines() if ":" in line)
        rss = int(fields["VmRSS"].split()[0])
        threads = int(fields["Threads"])
        fds = len(os.listdir(f"/proc/{pid}/fd"))
        stat = open(f"/proc/{pid}/stat").read()
        after_name = stat[stat.rindex(")") + 2:].split()
        cpu = (int(after_name[11]) + int(after_name[12])) / os.sysconf("SC_CLK_TCK")
        return rss, threads, fds, cpu
    except (OSError, KeyError, ValueError, IndexError):
        return None


def sample(args):
    start = time.monotonic()
    with open(args.file, "w") as out:
        out.write("# t_s rss_kib threads fds cpu_s\n")
        while True:
            s = read_sample(args.pid)
            if s is None:
                return 0
            out.write("%.1f %d %d %d %.2f\n" % ((time.monotonic() - start,) + s))
            out.flush()
            next_at = time.monotonic() + args.interval
            while time.monotonic() < next_at:
                if not os.path.exists(f"/proc/{args.pid}/stat"):
                    return 0
                time.sleep(min(0.5, args.interval))


def load_samples(path):
    rows = []
    for line in open(path):
        if line.startswith("#") or not line.strip():
            continue
        t, rss, threads, fds, cpu = line.split()
        rows.append((float(t), int(rss), int(threads), int(fds), float(cpu)))
    return rows


# What the series store keeps per point, and the size of one of its chunks.
POINT_BYTES = 20
CHUNK_KIB = 256


def frames_by(sent_logs):
    """A function of the seconds since the first simulator began: how many frames had been sent
    whole by then.  Each run is taken to begin where the one before ended, which counts the
    frames early, never late."""
    times = []
    offset = 0.0
    for path in sent_logs:
        run = [t / 1000.0 for t, _, _ in load_sent(path)]
        times.extend(offset + t for t in run)
        offset += run[-1] if run else 0.0
    times.sort()

    def count(seconds):
        lo, hi = 0, len(times)
        while lo < hi:
            mid = (lo + hi) // 2
            if times[mid] <= seconds:
                lo = mid + 1
            else:
                hi = mid
        return lo
    return count


def growth(args):
    rows = load_samples(args.file)
    if not rows:
        print(f"{args.name}: no samples")
        return 1
    settled = [r for r in rows if r[0] <= args.after]
    later = rows[len(settled):]
    if later:
        settled.append(later.pop(0))  # the first sample at or past the first minute
    limit_rss = max(r[1] for r in settled) + args.rss_slack_kib
    frames = frames_by(args.sent) if args.sent else (lambda seconds: 0)
    settled_frames = frames(settled[-1][0])
    limit_threads = max(r[2] for r in settled)
    limit_fds = max(r[3] for r in settled)
    first, last = rows[0], rows[-1]
    span = last[0] - first[0]
    cpu = 100.0 * (last[4] - first[4]) / span if span > 0 else 0.0
    print(f"{args.name}: {len(rows)} samples over {span:.0f} s; first: rss {first[1]} KiB, "
          f"{first[2]} threads, {first[3]} fds; last: rss {last[1]} KiB, {last[2]} threads, "
          f"{last[3]} fds; cpu {last[4]:.1f} s ({cpu:.0f} % of a core)")
    if args.sent and later:
        print(f"{args.name}: rss after the first minute: {later[-1][1] - (limit_rss - args.rss_slack_kib):+d} KiB, "
              f"points kept meanwhile at most {max(0, frames(later[-1][0]) - settled_frames)} "
              f"({max(0, frames(later[-1][0]) - settled_frames) * POINT_BYTES // 1024} KiB)")
    failed = 0
    grown = []
    for t, rss, threads, fds, _ in later:
        problems = []
        kept = max(0, frames(t) - settled_frames) * POINT_BYTES // 1024 + (CHUNK_KIB if args.sent else 0)
        if rss > limit_rss + kept:
            problems.append(f"rss {rss} KiB > {limit_rss} KiB + {kept} KiB for the points kept")
        if threads > limit_threads:
            problems.append(f"{threads} threads > {limit_threads}")
        if fds > limit_fds:
            problems.append(f"{fds} fds > {limit_fds}")
        if problems:
            grown.append(f"at {t:.0f} s: " + ", ".join(problems))
    if grown:
        shown = grown if len(grown) <= 2 else [grown[0], grown[-1]]
        print(f"{args.name}: grew in {len(grown)} of {len(later)} samples after the first minute, "
              + "; ".join(shown))
        failed = 1
    if not later:
        print(f"{args.name}: no sample after the first {args.after:.0f} s, growth not judged")
    return failed


def load_sent(path):
    """[(time ms, expected reading, faults)] of a sent log."""
    frames = []
    for line in open(path):
        if line.startswith("#") or not line.strip():
            continue
        fields = line.split()
        if len(fields) not in (4, 6):
            continue  # the last line of a run still going, half written
        _, ms, reading, faults = fields[:4]  # then the gate and the state, when given
        faults = [] if faults == "-" else faults.split(",")
        frames.append((float(ms), "Error" if "bad-point" in faults else reading, faults))
    return frames


class Rows:
    """The CSV's readings, read as far as needed."""

    def __init__(self, path):
        self.file = open(path, newline="", encoding="utf-8")
        self.reader = csv.reader(self.file)
        header = next(self.reader, None)
        self.column = header.index("reading") if header and "reading" in header else None
        self.ahead = []

    def peek(self, count):
        while len(self.ahead) < count:
            row = next(self.reader, None)
            if row is None:
                break
            self.ahead.append(row[self.column])
        return self.ahead[:count]

    def take(self, count):
        del self.ahead[:count]

    def left(self):
        return len(self.peek(1))


def common_length(got, expected, skip):
    """How many rows agree with the frames from `skip` on."""
    n = min(len(got), len(expected) - skip)
    i = 0
    while i < n and got[i] == expected[skip + i]:
        i += 1
    return i


def compare(args):
    if not os.path.isfile(args.csv):
        print(f"compare: there is no {args.csv}")
        return 1
    rows = Rows(args.csv)
    if rows.column is None:
        print(f"compare: {args.csv} has no header with a reading column")
        return 1
    compared = 0
    early = 0
    per_fault = Counter()
    for path in args.sent:
        frames = load_sent(path)
        expected = [f[1] for f in frames]
        for f in frames:
            per_fault.update(f[2] or ["none"])
        got = rows.peek(len(expected))
        # The frames the logger had are the run's last ones: find where they begin.  At least
        # one must be there, since every run lasts longer than the logger takes to reconnect.
        kept, best, best_skip = None, -1, 0
        for skip in range(len(expected)):
            if frames[skip][0] > args.max_late_ms:
                break
            agree = common_length(got, expected, skip)
            if agree == len(expected) - skip:
                kept = skip
                break
            if agree > best:
                best, best_skip = agree, skip
        if kept is None and expected:
            at = best_skip + max(best, 0)
            row = got[at - best_skip] if at - best_skip < len(got) else "no row"
            print(f"compare: {os.path.basename(path)}: frame {at + 1} of {len(expected)} (sent at "
                  f"{frames[at][0]:.0f} ms, reading {expected[at]}) is not the next row ({row}); "
                  f"the rows before it matched from frame {best_skip + 1} on")
            return 1
        kept = kept or 0
        compared += len(expected) - kept
        early += kept
        rows.take(len(expected) - kept)
    if rows.left():
        print(f"compare: rows after the last frame sent, e.g. {rows.peek(3)}")
        return 1
    faults = ", ".join(f"{name} {count}" for name, count in sorted(per_fault.items()))
    print(f"compare: {compared} rows match the frames sent whole, over {len(args.sent)} simulator runs; "
          f"{early} frames sent before the logger had the line; frames per fault: {faults}")
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    sub = parser.add_subparsers(dest="command", required=True)
    p = sub.add_parser("sample")
    p.add_argument("pid", type=int)
    p.add_argument("file")
    p.add_argument("interval", type=float)
    p.set_defaults(run=sample)
    p = sub.add_parser("growth")
    p.add_argument("file")
    p.add_argument("name")
    p.add_argument("--after", type=float, default=60)
    p.add_argument("--rss-slack-kib", type=int, default=2048)
    p.add_argument("--sent", nargs="*", default=[])
    p.set_defaults(run=growth)
    p = sub.add_parser("compare")
    p.add_argument("csv")
    p.add_argument("sent", nargs="+")
    p.add_argument("--max-late-ms", type=float, default=7000)
    p.set_defaults(run=compare)
    args = parser.parse_args()
    return args.run(args)


if __name__ == "__main__":
    sys.exit(main())
