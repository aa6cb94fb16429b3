#!/usr/bin/env python3
"""What the time settings of a run cost: `orvane organize` of the shared 10,000-file corpus with
`--shift +7:00 --zone Asia/Bangkok --day-starts-at 04:00` against the same run without them,
alternating A B B A with `cp -a` of the tree as the peer, each run into a fresh folder.
Prints medians, the ratios to `cp -a`, and the settings' cost in wall-clock and in CPU time
(user and system; steadier on a shared machine), which should stay within 2%.

Usage: bench/time_settings_bench.py [--runs 7] [--work DIR] [--files 10000]
"""
import argparse
import os
import re
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from organize_bench import check_landing, corpus_of, finish, organize_argv  # noqa: E402

def run_timed(argv, **kwargs):
    """Wall-clock seconds, CPU seconds (user and system, children included) and exit status."""
    start = time.monotonic()
    pid = subprocess.Popen(argv, **kwargs).pid
    _, status, usage = os.wait4(pid, 0)
    return (time.monotonic() - start, usage.ru_utime + usage.ru_stime,
            os.waitstatus_to_exitcode(status))


SETTINGS = ["--shift", "+7:00", "--zone", "Asia/Bangkok", "--day-starts-at", "04:00"]


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--runs", type=int, default=7)
    ap.add_argument("--work", default=os.path.join(os.environ.get("TMPDIR", "/tmp"), "orvane-bench"))
    ap.add_argument("--files", type=int, default=10000)
    args = ap.parse_args()

    env = dict(os.environ, TZ="UTC", ORVANE_CONFIG_DIR=os.path.join(args.work, "config"))
    corpus, rows, entries = corpus_of(args.work, args.files)
    out_root = os.path.join(args.work, "out-%d" % os.getpid())
    os.makedirs(out_root)

    variants = ["cp -a", "orvane", "orvane with time settings"]
    times = {name: [] for name in variants}
    cpu = {name: [] for name in variants}
    failures = []
    for run in range(args.runs):
        # The two runs of orvane swap places every round: a run right after another one's
        # writes pays for their write-back.
        order = variants if run % 2 == 0 else [variants[0], variants[2], variants[1]]
        for name in order:
            dest = os.path.join(out_root, "%s-%d" % (re.sub(r"\W+", "_", name), run))
            if name == "cp -a":
                argv = ["cp", "-a", corpus, dest]
            else:
                os.makedirs(dest)
                argv = organize_argv(corpus, rows, dest, True, "folders")
                if name != "orvane":
                    argv[2:2] = SETTINGS
            elapsed, seconds, code = run_timed(argv, env=env, stdout=subprocess.DEVNULL)
            times[name].append(elapsed)
            cpu[name].append(seconds)
            if name != "cp -a" and code != 0:
                failures.append("%s run %d exited %d" % (name, run, code))
            if name == "orvane" and run == 0:
                wrong = check_landing(rows, dest, True)
                if wrong:
                    failures.append("%d files not where the manifest says, e.g. %s"
                                    % (len(wrong), wrong[:3]))

    print("\n%d entries, %d runs each alternating, warm cache, medians:" % (entries, args.runs))
    base = statistics.median(times["cp -a"])
    for name, values in times.items():
        m = statistics.median(values)
        print("  %-26s %7.2f s  %8.0f files/s  ratio to cp -a %.2f  CPU %.2f s" %
              (name, m, entries / m, m / base, statistics.median(cpu[name])))
    for what, values in (("wall-clock", times), ("CPU", cpu)):
        plain = statistics.median(values["orvane"])
        timed = statistics.median(values["orvane with time settings"])
        print("  %s cost %+.1f%% in %s time against the same run without (limit +2%%)" %
              (" ".join(SETTINGS), (timed / plain - 1) * 100, what))
    return finish(out_root, failures)


if __name__ == "__main__":
    sys.exit(main())
