#!/usr/bin/env python3
"""What the time settings of a run cost: `orvane organize` of the shared 10,000-file corpus with
`--shift +7:00 --zone Asia/Bangkok --day-starts-at 04:00` against the same run without them,
alternating A B A B with `cp -a` of the tree as the peer, each run into a fresh folder.
Prints medians, the ratios to `cp -a`, and the settings' cost, which should stay within 2%.

Usage: bench/time_settings_bench.py [--runs 7] [--work DIR] [--files 10000]
"""
import argparse
import os
import re
import statistics
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from organize_bench import check_landing, corpus_of, finish, organize_argv, run_timed  # noqa: E402

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
    failures = []
    for run in range(args.runs):
        for name in variants:
            dest = os.path.join(out_root, "%s-%d" % (re.sub(r"\W+", "_", name), run))
            if name == "cp -a":
                argv = ["cp", "-a", corpus, dest]
            else:
                os.makedirs(dest)
                argv = organize_argv(corpus, rows, dest, True, "folders")
                if name != "orvane":
                    argv[2:2] = SETTINGS
            elapsed, code, _ = run_timed(argv, env=env, stdout=subprocess.DEVNULL)
            times[name].append(elapsed)
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
        print("  %-26s %7.2f s  %8.0f files/s  ratio to cp -a %.2f" % (name, m, entries / m, m / base))
    plain = statistics.median(times["orvane"])
    timed = statistics.median(times["orvane with time settings"])
    cost = (timed / plain - 1) * 100
    print("  %s cost %+.1f%% against the same run without (limit +2%%)" % (" ".join(SETTINGS), cost))
    return finish(out_root, failures)


if __name__ == "__main__":
    sys.exit(main())
