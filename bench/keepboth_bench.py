#!/usr/bin/env python3
"""Benchmark of many files of one name organised with --keep-both.

Makes (once) 3,000 files named IMG_0001.JPG, each in a folder of its own, all of one size and
one date but each with different contents, so that every copy is kept beside the others under
a numbered name and every taken name is a candidate for the same contents. Organises the first
375, 750, 1,500 and 3,000 of them, each into a fresh folder, and prints the time per file: when
deciding a name costs the same for every entry, the figures stay flat as the count doubles.
Checks that every file landed under its own numbered name with its own contents.

Usage: bench/keepboth_bench.py [--work DIR] [--counts 375,750,1500,3000] [--size 4096]
       [--runs 1] [--compare BINARY]
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import organize_bench as ob  # noqa: E402

NAME = "IMG_0001.JPG"
DATE = 1546300800  # 2019-01-01 00:00 UTC


def make_sources(root, count, size):
    """`count` folders under `root`, each with NAME of `size` bytes and contents of its own."""
    marker = os.path.join(root, ".complete")
    if os.path.exists(marker):
        return
    shutil.rmtree(root, ignore_errors=True)
    for i in range(count):
        folder = os.path.join(root, "card%05d" % i)
        os.makedirs(folder)
        path = os.path.join(folder, NAME)
        head = ("%08d" % i).encode()
        with open(path, "wb") as f:
            f.write(head + bytes(size - len(head)))
        os.utime(path, (DATE, DATE))
    open(marker, "w").close()


def numbered(n):
    stem, ext = os.path.splitext(NAME)
    return NAME if n == 0 else "%s-%d%s" % (stem, n, ext)


def check(dest, count):
    folder = os.path.join(dest, "2019", "01", "01")
    names = sorted(os.listdir(folder)) if os.path.isdir(folder) else []
    expected = sorted(numbered(n) for n in range(count))
    if names != expected:
        return "%d names in %s, %d expected" % (len(names), folder, count)
    for n in range(count):
        with open(os.path.join(folder, numbered(n)), "rb") as f:
            if f.read(8) != ("%08d" % n).encode():
                return "%s does not hold the contents of card %d" % (numbered(n), n)
    return None


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--work", default=os.path.join(os.environ.get("TMPDIR", "/tmp"), "orvane-bench"))
    ap.add_argument("--counts", default="375,750,1500,3000")
    ap.add_argument("--size", type=int, default=4096, help="bytes of every file")
    ap.add_argument("--runs", type=int, default=1)
    ap.add_argument("--compare", metavar="BINARY", help="also time another build of orvane")
    args = ap.parse_args()

    counts = [int(c) for c in args.counts.split(",")]
    env = dict(os.environ, TZ="UTC", ORVANE_CONFIG_DIR=os.path.join(args.work, "config"))
    sources = os.path.join(args.work, "one-name-%d-%d" % (max(counts), args.size))
    make_sources(sources, max(counts), args.size)
    cards = [os.path.join(sources, "card%05d" % i, NAME) for i in range(max(counts))]
    out_root = os.path.join(args.work, "keepboth-%d" % os.getpid())
    os.makedirs(out_root)

    builds = [("orvane", ob.ORVANE)] + ([("other", args.compare)] if args.compare else [])
    failures = []
    print("%d-byte files of one name, --keep-both, %d run(s) each, medians:" %
          (args.size, args.runs))
    for label, binary in builds:
        for count in counts:
            times = []
            for run in range(args.runs):
                dest = os.path.join(out_root, "%s-%d-%d" % (label, count, run))
                os.makedirs(dest)
                argv = [binary, "organize", "--quiet", "--no-exif", "--keep-both", "--levels",
                        "3", "--format", "%Y/%m/%d"] + cards[:count] + [dest]
                elapsed, code, _ = ob.run_timed(argv, env=env, stdout=subprocess.DEVNULL)
                times.append(elapsed)
                if code != 0:
                    failures.append("%s with %d files exited %d" % (label, count, code))
                elif run == 0:
                    wrong = check(dest, count)
                    if wrong:
                        failures.append("%s with %d files: %s" % (label, count, wrong))
                shutil.rmtree(dest)
            m = statistics.median(times)
            print("  %-7s %5d files  %8.2f s  %7.3f ms per file" % (label, count, m,
                                                                  m / count * 1000), flush=True)
    return ob.finish(out_root, failures)


if __name__ == "__main__":
    sys.exit(main())
