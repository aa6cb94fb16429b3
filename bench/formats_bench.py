#!/usr/bin/env python3
"""Organising phone and camera files (HEIC, AVIF, CR3, MP4, MOV, ...) with their dates read
from their metadata, against `cp -a` of the same tree, run alternately in this process tree.

Makes (once) a corpus of about 1,000 files by copying the dated samples of
../shared/testdata/formats many times into nested folders, then alternates timed runs of
`cp -a` and of `orvane organize` (extended dates on; EXIF readers as in the defaults), each
into a fresh folder, and prints medians and the ratio. Checks that every copy was dated by
its metadata, not its modification time.

With --compare BINARY another build of orvane (e.g. main's) is timed in the same rounds.

Usage: bench/formats_bench.py [--runs 5] [--files 1000] [--samples DIR] [--work DIR]
       [--compare BINARY]
"""
import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SAMPLES = os.path.join(os.path.dirname(REPO), "shared", "testdata", "formats")
ORVANE = os.path.join(REPO, "build", "bin", "orvane")
KINDS = {"HEIC", "HEIF", "AVIF", "CR3", "MP4", "MOV", "M4V", "3GP", "WEBP", "PNG", "JXL"}


def dated_samples(folder):
    samples = []
    with open(os.path.join(folder, "expected.tsv"), encoding="utf-8") as f:
        header = f.readline().rstrip("\n").split("\t")
        for line in f:
            row = dict(zip(header, line.rstrip("\n").split("\t")))
            if row["format"] in KINDS and row["expected_local"] != "none":
                samples.append(os.path.join(folder, row["path"]))
    return samples


def make_corpus(corpus, samples, count):
    if os.path.isdir(corpus) and sum(len(f) for _, _, f in os.walk(corpus)) == count:
        return
    shutil.rmtree(corpus, ignore_errors=True)
    for index in range(count):
        sample = samples[index % len(samples)]
        folder = os.path.join(corpus, "card%d" % (index // 250), "DCIM%03d" % (index // 50))
        os.makedirs(folder, exist_ok=True)
        name = "IMG_%04d%s" % (index, os.path.splitext(sample)[1] or ".heic")
        shutil.copyfile(sample, os.path.join(folder, name))
        os.utime(os.path.join(folder, name), (1600000000, 1600000000))


def timed(argv):
    start = time.monotonic()
    code = subprocess.call(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.monotonic() - start, code


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--files", type=int, default=1000)
    parser.add_argument("--samples", default=SAMPLES)
    parser.add_argument("--work", default=os.path.join(REPO, "build", "bench-formats"))
    parser.add_argument("--compare", metavar="BINARY", help="also time this build of orvane")
    args = parser.parse_args()
    if not os.path.isdir(args.samples):
        sys.exit("no samples at " + args.samples)
    samples = dated_samples(args.samples)
    corpus = os.path.join(args.work, "corpus")
    make_corpus(corpus, samples, args.files)
    size = sum(os.path.getsize(os.path.join(d, f)) for d, _, fs in os.walk(corpus) for f in fs)
    print("%d files (%d distinct samples), %.1f MiB" % (args.files, len(samples), size / 2**20))

    config = os.path.join(args.work, "config")
    os.makedirs(config, exist_ok=True)
    with open(os.path.join(config, "preferences.json"), "w") as f:
        json.dump({"OVMatchingMode": "all files except those that match:"}, f)
    env = dict(os.environ, ORVANE_CONFIG_DIR=config, TZ="UTC")

    # Every copy must be dated by its metadata.
    os.makedirs(os.path.join(args.work, "check"), exist_ok=True)
    check = subprocess.run([ORVANE, "organize", "--dry-run", "--json", corpus,
                            os.path.join(args.work, "check")], env=env, capture_output=True,
                           text=True)
    plan = json.loads(check.stdout)["plan"]
    by = {}
    for item in plan:
        by[item.get("dated_by")] = by.get(item.get("dated_by"), 0) + 1
    print("dated by:", by)

    outputs = os.path.join(args.work, "out")
    shutil.rmtree(outputs, ignore_errors=True)
    os.makedirs(outputs)
    # "orvane -x": the same run without extended dates, which shows what reading them costs.
    times = {"cp -a": [], "orvane": [], "orvane -x": []}
    if args.compare:
        times["other"] = []
    for run in range(args.runs):
        order = list(times) if run % 2 == 0 else list(reversed(list(times)))
        for name in order:
            dest = os.path.join(outputs, "%s-%d" % (name.replace(" ", ""), run))
            if name == "cp -a":
                argv = ["cp", "-a", corpus, dest]
            else:
                os.makedirs(dest)
                binary = args.compare if name == "other" else ORVANE
                argv = [binary, "organize", "--quiet", "--levels", "3", corpus, dest]
                if name == "orvane -x":
                    argv.insert(3, "--no-extended-dates")
            start = time.monotonic()
            code = subprocess.call(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                   env=env)
            times[name].append(time.monotonic() - start)
            if code != 0:
                sys.exit("%s failed with %d" % (name, code))
    shutil.rmtree(outputs, ignore_errors=True)
    for name, values in times.items():
        print("%-9s median %.3f s  (%s)" % (name, statistics.median(values),
                                             " ".join("%.3f" % v for v in values)))
    ratio = statistics.median(times["orvane"]) / statistics.median(times["cp -a"])
    print("ratio orvane / cp -a: %.2fx (target <= 1.5x)" % ratio)
    print("ratio orvane / orvane --no-extended-dates: %.2fx" %
          (statistics.median(times["orvane"]) / statistics.median(times["orvane -x"])))
    if args.compare:
        print("ratio other / cp -a: %.2fx" %
              (statistics.median(times["other"]) / statistics.median(times["cp -a"])))
        # What each file's extended date costs, from the difference to the run without them.
        extra = {name: (statistics.median(times[name]) - statistics.median(times["orvane -x"]))
                 / args.files * 1e6 for name in ("orvane", "other")}
        print("extended dates cost about %.0f us a file here, %.0f us in the other build" %
              (extra["orvane"], extra["other"]))


if __name__ == "__main__":
    main()
