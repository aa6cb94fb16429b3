#!/usr/bin/env python3
"""Benchmark of a durable `orvane organize` against `cp -a` followed by a flush to disk.

A run of orvane ends only when every copy and its name are on disk, so its fair peer is a
copy that is flushed as well: `cp -a SRC DEST && sync -f DEST` (one syncfs of the destination's
file system, as orvane's final flush). Both run alternately into fresh folders on the same file
system; before each timed run an untimed `sync` writes back what earlier runs left dirty, so
neither pays for the other. Prints medians and the ratio; exits 1 when a run fails or a file
lands elsewhere than the corpus manifest says.

Usage: bench/durable_bench.py [--runs 5] [--work DIR] [--files 10000]
"""
import argparse
import os
import re
import statistics
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import organize_bench as ob  # noqa: E402


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--work", default=os.path.join(os.environ.get("TMPDIR", "/tmp"), "orvane-bench"))
    ap.add_argument("--files", type=int, default=10000)
    args = ap.parse_args()

    env = dict(os.environ, TZ="UTC", ORVANE_CONFIG_DIR=os.path.join(args.work, "config"))
    corpus, rows, entries = ob.corpus_of(args.work, args.files)
    out_root = os.path.join(args.work, "durable-%d" % os.getpid())
    os.makedirs(out_root)

    variants = ["cp -a + sync -f", "orvane --no-exif", "orvane (EXIF)"]
    times = {name: [] for name in variants}
    failures = []
    for run in range(args.runs):
        for name in variants:
            dest = os.path.join(out_root, "%s-%d" % (re.sub(r"\W+", "_", name), run))
            if name.startswith("cp"):
                argv = ["sh", "-c", 'cp -a "$1" "$2" && sync -f "$2"', "sh", corpus, dest]
            else:
                os.makedirs(dest)
                argv = ob.organize_argv(corpus, rows, dest, "EXIF" in name, "folders")
            subprocess.run(["sync"], check=True)
            elapsed, code, _ = ob.run_timed(argv, env=env, stdout=subprocess.DEVNULL)
            times[name].append(elapsed)
            if code != 0:
                failures.append("%s run %d exited %d" % (name, run, code))
            elif run == 0 and not name.startswith("cp"):
                wrong = ob.check_landing(rows, dest, "EXIF" in name)
                if wrong:
                    failures.append("%s: %d files misplaced, e.g. %s" % (name, len(wrong), wrong[:3]))

    print("\n%d entries, %d runs each, alternating, warm cache, medians:" % (entries, args.runs))
    base = statistics.median(times[variants[0]])
    for name in variants:
        m = statistics.median(times[name])
        print("  %-18s %7.2f s  %8.0f files/s  ratio to cp -a + sync %.2f"
              % (name, m, entries / m, m / base))
    return ob.finish(out_root, failures)


if __name__ == "__main__":
    sys.exit(main())
