#!/usr/bin/env python3
"""What naming by template costs: `orvane organize` of the shared 10,000-file corpus with the
original names, against the same run with a name template, and with a name template and a
folder level that name the camera ({camera}, read from the EXIF data the dates come from).
Wall-clock and CPU times are printed; on a machine shared with other work the CPU time is
the steadier figure.

Runs alternate (plain, template, camera, cp -a as the outside reference), each into a fresh
folder on the same file system; medians and ratios to the plain run are printed, and every
run is checked to have copied every file. The goal: the camera run at most 3% over the plain
one.

Usage: bench/templates_bench.py [--runs 5] [--work DIR] [--files 10000]
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from organize_bench import ORVANE, corpus_of  # noqa: E402

VARIANTS = {
    "plain": ["--format", "%Y/%m/%d"],
    "template": ["--format", "%Y/%m/%d", "--rename", "%Y%m%d-%H%M%S-{seq:5}"],
    "camera": ["--format", "%Y/%m/%d", "--rename", "%Y%m%d-%H%M%S-{camera}-{seq:5}"],
    # The camera as a folder level too: more folders where the corpus has several cameras.
    "cam-folder": ["--format", "%Y/{camera}/%m-%d", "--rename",
                   "%Y%m%d-%H%M%S-{camera}-{seq:5}"],
}


def run_timed(argv, **kwargs):
    """Wall-clock and CPU seconds (user and system, threads included) of a command, and its
    exit status. On a machine shared with other work the CPU time is the steadier figure."""
    start = time.monotonic()
    pid = subprocess.Popen(argv, **kwargs).pid
    _, status, usage = os.wait4(pid, 0)
    return time.monotonic() - start, usage.ru_utime + usage.ru_stime, os.waitstatus_to_exitcode(
        status)


def count_files(root):
    return sum(len(files) for _, _, files in os.walk(root))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--work", default="/tmp/orvane-bench")
    parser.add_argument("--files", type=int, default=10000)
    args = parser.parse_args()

    corpus, rows, entries = corpus_of(args.work, args.files)
    out_root = os.path.join(args.work, "templates-out")
    shutil.rmtree(out_root, ignore_errors=True)
    os.makedirs(out_root)
    config = os.path.join(out_root, "config")
    os.makedirs(config)
    with open(os.path.join(config, "preferences.json"), "w") as f:
        f.write('{"OVMatchingMode": "all files except those that match:"}\n')
    env = dict(os.environ, TZ="UTC", ORVANE_CONFIG_DIR=config,
               ORVANE_STATE_DIR=os.path.join(out_root, "state"))
    sources = [os.path.join(corpus, name) for name in sorted(os.listdir(corpus))
               if not name.startswith(".")]

    times = {name: [] for name in list(VARIANTS) + ["cp -a"]}
    cpu = {name: [] for name in times}
    failures = []
    for run in range(args.runs):
        for name, extra in VARIANTS.items():
            dest = os.path.join(out_root, "%s-%d" % (name, run))
            os.makedirs(dest)
            # No import history: every run copies every file.
            argv = [ORVANE, "organize", "--quiet", "--no-history"] + extra + sources + [dest]
            elapsed, seconds, code = run_timed(argv, env=env, stdout=subprocess.DEVNULL,
                                               stderr=subprocess.DEVNULL)
            times[name].append(elapsed)
            cpu[name].append(seconds)
            copied = count_files(dest)
            if code != 0 or copied != entries:
                failures.append("%s run %d: exit %d, %d of %d files" % (name, run, code, copied,
                                                                        entries))
        dest = os.path.join(out_root, "cp-%d" % run)
        elapsed, seconds, _ = run_timed(["cp", "-a", corpus, dest])
        times["cp -a"].append(elapsed)
        cpu["cp -a"].append(seconds)

    plain = statistics.median(times["plain"])
    plain_cpu = statistics.median(cpu["plain"])
    print("%-10s %10s %10s %8s %10s %8s" % ("run", "median s", "files/s", "ratio", "cpu s",
                                            "ratio"))
    for name, values in times.items():
        median = statistics.median(values)
        median_cpu = statistics.median(cpu[name])
        print("%-10s %10.2f %10.0f %8.3f %10.2f %8.3f" % (
            name, median, entries / median, median / plain, median_cpu, median_cpu / plain_cpu))
    shutil.rmtree(out_root, ignore_errors=True)
    if failures:
        print("FAILURES:\n  " + "\n  ".join(failures))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
