#!/usr/bin/env python3
"""What the run journal costs: `orvane organize` of the benchmark corpus with its journal and
without one, alternated in the same process tree, each into a fresh folder.

Without a journal means ORVANE_STATE_DIR names a place where no folder can be made: the run
logs one warning and goes on unrecorded, which is the run without the journal's work. Prints
the medians, the journal's cost in per cent of a run, and the size of one journal.

Usage: bench/journal_bench.py [--runs 7] [--work DIR] [--files 10000] [--exif]
"""
import argparse
import os
import statistics
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import organize_bench as ob  # noqa: E402  (the corpus, the argument list, the timing)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--runs", type=int, default=7)
    ap.add_argument("--work", default=os.path.join(os.environ.get("TMPDIR", "/tmp"), "orvane-bench"))
    ap.add_argument("--files", type=int, default=10000)
    ap.add_argument("--exif", action="store_true", help="date by EXIF (default: --no-exif)")
    args = ap.parse_args()

    corpus, rows, entries = ob.corpus_of(args.work, args.files)
    out_root = os.path.join(args.work, "journal-out-%d" % os.getpid())
    state = os.path.join(out_root, "runs")
    os.makedirs(out_root)

    base_env = dict(os.environ, TZ="UTC", ORVANE_CONFIG_DIR=os.path.join(args.work, "config"))
    variants = {
        "with journal": dict(base_env, ORVANE_STATE_DIR=state),
        "without journal": dict(base_env, ORVANE_STATE_DIR="/dev/null/runs"),
    }
    times = {name: [] for name in variants}
    failures = []
    names = list(variants)
    for run in range(args.runs):
        # Alternate which goes first, so that neither always meets the other's dirty pages.
        for name in (names if run % 2 == 0 else names[::-1]):
            dest = os.path.join(out_root, "%s-%d" % (name.replace(" ", "_"), run))
            os.makedirs(dest)
            argv = ob.organize_argv(corpus, rows, dest, args.exif, "folders")
            elapsed, code, _ = ob.run_timed(argv, env=variants[name], stdout=subprocess.DEVNULL,
                                            stderr=subprocess.DEVNULL)
            times[name].append(elapsed)
            if code != 0:
                failures.append("%s run %d exited %d" % (name, run, code))

    journals = sorted(os.listdir(state)) if os.path.isdir(state) else []
    print("\n%d entries, %d runs each, warm cache, medians:" % (entries, args.runs))
    for name, values in times.items():
        m = statistics.median(values)
        print("  %-16s %7.3f s  %8.0f files/s  (runs: %s)"
              % (name, m, entries / m, " ".join("%.2f" % v for v in values)))
    on, off = statistics.median(times["with journal"]), statistics.median(times["without journal"])
    print("  the journal costs %+.1f%% of a run" % ((on / off - 1) * 100))
    if journals:
        size = os.path.getsize(os.path.join(state, journals[-1]))
        print("  one journal: %.1f MiB, %d runs kept" % (size / 2**20, len(journals)))
    else:
        failures.append("no journal was written")

    return ob.finish(out_root, failures)


if __name__ == "__main__":
    sys.exit(main())
