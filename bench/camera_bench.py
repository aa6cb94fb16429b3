#!/usr/bin/env python3
"""Benchmark of importing from a camera: `orvane organize camera:disk:FOLDER` against
`gphoto2 --get-all-files` on the same camera, and against organising the folder directly.

The camera is libgphoto2's "Directory Browse" driver showing a folder as a camera on a
disk: port, so no device is needed. The folder holds the JPEGs of the deterministic corpus
of ../shared/bench/make-corpus.sh (made once), as a camera writes them: DCIM/1NNTEST/,
200 a folder, each name used once. The three commands alternate, each run into a fresh
folder on the same file system; medians and the ratios are printed, and every run's output
is checked to hold every file. gphoto2 leaves its files to the kernel to write back while
orvane's run ends with its copies on disk: with --sync every command is followed by `sync`,
timed with it, so that each counts until its data is on disk.

Usage: bench/camera_bench.py [--runs 5] [--files 2000] [--work DIR] [--corpus DIR] [--sync]
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from organize_bench import MAKE_CORPUS, ORVANE  # noqa: E402


def camera_folder(work, files, corpus=None):
    """A camera's folder of `files` JPEGs taken from the corpus (made once)."""
    camera = os.path.join(work, "camera-%d" % files)
    if os.path.isdir(camera):
        return camera
    corpus = corpus or os.path.join(work, "corpus-camera-%d" % files)
    if not os.path.isdir(corpus):
        print("making the corpus ...", flush=True)
        subprocess.run([MAKE_CORPUS, "-n", str(int(files * 1.2) + 50), "-m", corpus + ".tsv",
                        corpus], check=True, stdout=subprocess.DEVNULL)
    photos = sorted(os.path.join(d, f) for d, _, names in os.walk(corpus) for f in names
                    if f.upper().endswith(".JPG") and not f.startswith("."))
    if len(photos) < files:
        sys.exit("the corpus holds only %d JPEGs" % len(photos))
    staging = camera + ".part"
    shutil.rmtree(staging, ignore_errors=True)
    for i, photo in enumerate(photos[:files]):
        folder = os.path.join(staging, "DCIM", "%03dTEST" % (100 + i // 200))
        os.makedirs(folder, exist_ok=True)
        shutil.copy2(photo, os.path.join(folder, "IMG_%05d.JPG" % i))
    os.rename(staging, camera)
    return camera


SYNC = False


def timed(argv, cwd=None):
    start = time.monotonic()
    result = subprocess.run(argv, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                            stdin=subprocess.DEVNULL)
    if SYNC:
        subprocess.run(["sync"], check=True)
    elapsed = time.monotonic() - start
    if result.returncode != 0:
        sys.exit("%s failed (%d): %s" % (argv[0], result.returncode, result.stderr[-2000:]))
    return elapsed


def count_files(root):
    return sum(len([f for f in names if not f.startswith(".")])
               for _, _, names in os.walk(root))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--files", type=int, default=2000)
    ap.add_argument("--work", default=os.path.join(os.environ.get("TMPDIR", "/tmp"),
                                                   "orvane-bench"))
    ap.add_argument("--corpus", help="take the photos from this corpus of make-corpus.sh")
    ap.add_argument("--sync", action="store_true", help="time each command with a sync after it")
    args = ap.parse_args()
    global SYNC
    SYNC = args.sync
    if not shutil.which("gphoto2"):
        sys.exit("gphoto2 is not installed (scripts/deps.sh --bench)")
    os.makedirs(args.work, exist_ok=True)
    camera = camera_folder(args.work, args.files, args.corpus)
    out_root = os.path.join(args.work, "camera-out")
    shutil.rmtree(out_root, ignore_errors=True)
    os.makedirs(out_root)
    port = "disk:" + camera
    env_config = os.path.join(out_root, "config")
    os.environ["ORVANE_CONFIG_DIR"] = env_config
    os.environ["ORVANE_STATE_DIR"] = os.path.join(out_root, "state")
    organize = [ORVANE, "organize", "--quiet", "--no-history", "--levels", "3", "--format", "%Y/%m/%d"]
    commands = {
        "gphoto2 --get-all-files": lambda out: timed(
            ["gphoto2", "--quiet", "--camera", "Directory Browse", "--port", port,
             "--get-all-files", "--force-overwrite"], cwd=out),
        "orvane camera:": lambda out: timed(organize + ["camera:" + port, out]),
        "orvane folder": lambda out: timed(organize + [os.path.join(camera, "DCIM"), out]),
    }
    times = {name: [] for name in commands}
    failures = []
    for run in range(args.runs):
        for name, command in commands.items():
            out = os.path.join(out_root, "%s-%d" % (name.split()[0] + name.split()[-1][:6], run))
            os.makedirs(out)
            times[name].append(command(out))
            if count_files(out) != args.files:
                failures.append("%s run %d left %d files" % (name, run, count_files(out)))
    medians = {name: statistics.median(values) for name, values in times.items()}
    print("%d files, %d runs each%s, medians:" % (args.files, args.runs,
                                                  ", each followed by sync" if SYNC else ""))
    for name, median in medians.items():
        print("  %-26s %7.2f s  %6.0f files/s" % (name, median, args.files / median))
    ours = medians["orvane camera:"]
    print("orvane camera: / gphoto2 --get-all-files  %.2fx (goal: at most 1.5x)" %
          (ours / medians["gphoto2 --get-all-files"]))
    print("orvane camera: / orvane folder            %.2fx (goal: at most 2x)" %
          (ours / medians["orvane folder"]))
    shutil.rmtree(out_root, ignore_errors=True)
    if failures:
        print("FAILURES:\n  " + "\n  ".join(failures))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
