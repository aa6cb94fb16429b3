#!/usr/bin/env python3
"""Benchmark of a re-import: `orvane organize` of the corpus into its own previous output.

Organises the corpus of organize_bench.py once (untimed), then alternates timed runs of
`cp -a` of the corpus into a fresh folder (the first copy), of `rsync -a` with nothing to do
(when rsync is installed: `scripts/deps.sh --bench`) and of orvane organising the corpus again
into that first output, where every file is already in place. Checks that each re-import exits
0, copies nothing and reports every entry "Already in destination" (with --history: "Imported
before", the import history's quick look at the copies it made), and prints medians and the
ratios to `cp -a` (the bar is 2.0 or less) and to rsync.

Usage: bench/reimport_bench.py [--runs 5] [--work DIR] [--files 10000] [--no-exif] [--history]
"""
import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import organize_bench as ob  # noqa: E402

BAR = 2.0


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--work", default=os.path.join(os.environ.get("TMPDIR", "/tmp"), "orvane-bench"))
    ap.add_argument("--files", type=int, default=10000)
    ap.add_argument("--no-exif", action="store_true", help="date by modification time only")
    ap.add_argument("--history", action="store_true",
                    help="keep an import history (a fresh one), as a user's runs do")
    args = ap.parse_args()
    exif = not args.no_exif

    env = dict(os.environ, TZ="UTC", ORVANE_CONFIG_DIR=os.path.join(args.work, "config"))
    corpus, rows, entries = ob.corpus_of(args.work, args.files)
    out_root = os.path.join(args.work, "reimport-%d" % os.getpid())
    previous = os.path.join(out_root, "organized")
    os.makedirs(previous)
    env["ORVANE_DATA_DIR"] = os.path.join(out_root, "data")
    expected_reason = "Imported before" if args.history else "Already in destination"

    def organize_argv():
        return ob.organize_argv(corpus, rows, previous, exif, "folders", history=args.history)

    rsync = shutil.which("rsync")
    rsynced = os.path.join(out_root, "rsynced")
    if rsync:
        subprocess.run([rsync, "-a", corpus + "/", rsynced + "/"], check=True)

    failures = []
    first = subprocess.run(organize_argv(), env=env, stdout=subprocess.DEVNULL)
    if first.returncode != 0:
        failures.append("first organise exited %d" % first.returncode)
    wrong = ob.check_landing(rows, previous, exif)
    if wrong:
        failures.append("first organise: %d files misplaced, e.g. %s" % (len(wrong), wrong[:3]))

    times = {"cp -a (first copy)": [], "orvane re-import": []}
    if rsync:
        times["rsync, nothing to do"] = []
    for run in range(args.runs):
        # Alternate which side goes first.
        order = ["cp", "orvane"] + (["rsync"] if rsync else [])
        if run % 2:
            order.reverse()
        for side in order:
            if side == "rsync":
                elapsed, code, _ = ob.run_timed([rsync, "-a", corpus + "/", rsynced + "/"], env=env)
                times["rsync, nothing to do"].append(elapsed)
            elif side == "cp":
                dest = os.path.join(out_root, "cp-%d" % run)
                elapsed, code, _ = ob.run_timed(["cp", "-a", corpus, dest], env=env)
                times["cp -a (first copy)"].append(elapsed)
            else:
                elapsed, code, _ = ob.run_timed(organize_argv(), env=env, stdout=subprocess.DEVNULL)
                times["orvane re-import"].append(elapsed)
                if code != 0:
                    failures.append("re-import %d exited %d" % (run, code))

    # One more re-import, untimed, with the JSON report: nothing copied, all already there.
    argv = organize_argv()
    argv.insert(2, "--json")
    report = json.loads(subprocess.run(argv, env=env, stdout=subprocess.PIPE, check=False).stdout)
    already = [s for s in report["skipped"] if s["reason"].startswith(expected_reason)]
    if report["copied"] or report["errors"] or len(already) != entries:
        failures.append("re-import: %d copied, %d errors, %d of %d '%s'"
                        % (len(report["copied"]), len(report["errors"]), len(already), entries,
                           expected_reason))
    elif not all(s.get("destination", "").startswith(previous + "/") for s in already):
        failures.append("re-import: an already-there entry lacks its destination path")

    print("\n%d entries (%s), EXIF %s, import history %s, %d runs each, warm cache, medians:" %
          (entries, corpus, "on" if exif else "off", "on" if args.history else "off", args.runs))
    base = statistics.median(times["cp -a (first copy)"])
    for name, values in times.items():
        m = statistics.median(values)
        print("  %-20s %7.2f s  %8.0f files/s  ratio to cp -a %.2f" % (name, m, entries / m, m / base))
    ratio = statistics.median(times["orvane re-import"]) / base
    print("  re-import / first copy: %.2f (bar: %.1f or less) %s"
          % (ratio, BAR, "ok" if ratio <= BAR else "OVER THE BAR"))
    if rsync:
        print("  re-import / rsync with nothing to do: %.2f"
              % (statistics.median(times["orvane re-import"])
                 / statistics.median(times["rsync, nothing to do"])))

    shutil.rmtree(out_root, ignore_errors=True)
    if failures:
        print("FAILURES:\n  " + "\n  ".join(failures))
        return 1
    return 0 if ratio <= BAR else 2


if __name__ == "__main__":
    sys.exit(main())
