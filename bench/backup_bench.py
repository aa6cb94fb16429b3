#!/usr/bin/env python3
"""What a second copy costs: `orvane organize --backup DIR` of the benchmark corpus against
the same run with one destination, with `cp -a` of the tree to one and to two folders timed
alongside as the peer.

Each command writes into fresh folders and is followed by `sync`, timed with it, so that every
run counts until its data is on disk. Runs alternate, order swapped every round, without the
import history. The bar: --backup takes at most 1.3x of the run with one destination.

Usage: bench/backup_bench.py [--runs 5] [--work DIR] [--files 10000]
"""
import os
import statistics
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import organize_bench as ob  # noqa: E402

BACKUP_BAR = 1.3


def main():
    args, corpus, rows, entries, out_root, env = ob.corpus_bench("backup")
    failures = []
    variants = ["cp -a", "cp -a twice", "orvane", "orvane --backup"]
    times = {name: [] for name in variants}
    for run in range(args.runs):
        for name in (variants if run % 2 == 0 else variants[::-1]):
            dest = os.path.join(out_root, "%s-%d" % (name.replace(" ", "_"), run))
            backup = dest + ".backup"
            if name == "cp -a":
                argv = ["cp", "-a", corpus, dest]
            elif name == "cp -a twice":
                argv = ["sh", "-c", 'cp -a "$1" "$2" && cp -a "$1" "$3"', "sh", corpus, dest,
                        backup]
            else:
                os.makedirs(dest)
                argv = ob.organize_argv(corpus, rows, dest, False, "folders", history=False)
                if name.endswith("--backup"):
                    os.makedirs(backup)
                    argv[2:2] = ["--backup", backup]
            subprocess.run(["sync"])
            elapsed, code, _ = ob.run_timed(["sh", "-c", '"$@" && sync', "sh"] + argv, env=env,
                                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            times[name].append(elapsed)
            if code != 0:
                failures.append("%s run %d exited %d" % (name, run, code))
            elif name.endswith("--backup"):
                ours = subprocess.run(["diff", "-r", "-q", dest, backup], capture_output=True)
                if ours.returncode != 0:
                    failures.append("run %d: the backup differs from the destination" % run)

    print("\n%d entries, %d runs each, warm cache, each run until its data is on disk, medians:"
          % (entries, args.runs))
    medians = {}
    for name in variants:
        medians[name] = statistics.median(times[name])
        print("  %-18s %7.3f s  (runs: %s)"
              % (name, medians[name], " ".join("%.2f" % t for t in times[name])))
    ratio = medians["orvane --backup"] / medians["orvane"]
    print("  --backup takes %.2fx of a run with one destination (bar: %.1fx); cp -a twice "
          "takes %.2fx of cp -a" % (ratio, BACKUP_BAR, medians["cp -a twice"] / medians["cp -a"]))
    if ratio > BACKUP_BAR:
        failures.append("--backup takes more than %.1fx" % BACKUP_BAR)
    return ob.finish(out_root, failures)


if __name__ == "__main__":
    sys.exit(main())
