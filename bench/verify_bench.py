#!/usr/bin/env python3
"""What reading every copy back costs: `orvane organize --verify` of the benchmark corpus
against the same run without it, with `cp -a` of the tree timed alongside as the peer.

Each command writes into a fresh folder and is followed by `sync`, timed with it, so that
every run counts until its data is on disk (a verified run has made its copies durable and
read them back before it ends; the others would otherwise stop the clock with their data in
memory). Runs alternate, order swapped every round; the bar is measured without the import
history: `--verify` takes at most 1.6x of the run without it. The same pair is also timed with
the history on (the default), each run with a fresh history.

Usage: bench/verify_bench.py [--runs 5] [--work DIR] [--files 10000]

With the reads of the files ahead queued while one is hashed (10,000 files, two helpers' builds
running, load 3.1-3.6; the runs scatter 2x): cp -a 3.84 s / orvane 5.92 s / orvane --verify
4.62 s: 0.78x; with the history 4.32 s / 3.57 s: 0.83x. An A/B of the same 5 rounds: orvane
2.39 s, --verify 2.07 s, the previous binary's --verify (one file read at a time) 2.48 s.

Measured before, one file read back at a time (other builds running), medians:
  cp -a 0.90 s / orvane 2.06 s / orvane --verify 3.68 s: 1.78x (5 runs, the quietest series)
  other series: 1.46x, 1.63x, 2.03x, 1.83x, 1.41x; in the last, with the import history on
  (which hashes copies anyway) --verify took 1.30x. A verified run reads about 440 MB back
  from the device (/usr/bin/time's input blocks), so the pages really are dropped; the rest
  of its cost is the copy through this process (read, hash, write) instead of
  copy_file_range.
"""
import json
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import organize_bench as ob  # noqa: E402

VERIFY_BAR = 1.6


def main():
    args, corpus, rows, entries, out_root, env = ob.corpus_bench("verify")
    failures = []
    # With the import history (the default), copies are hashed anyway: what --verify adds
    # there is the reading back alone. Each of those runs keeps a fresh history.
    variants = ["cp -a", "orvane", "orvane --verify", "history", "history --verify"]
    times = {name: [] for name in variants}
    for run in range(args.runs):
        for name in (variants if run % 2 == 0 else variants[::-1]):
            dest = os.path.join(out_root, "%s-%d" % (name.replace(" ", "_"), run))
            if name == "cp -a":
                argv = ["cp", "-a", corpus, dest]
            else:
                os.makedirs(dest)
                history = name.startswith("history")
                argv = ob.organize_argv(corpus, rows, dest, False, "folders", history=history)
                argv.insert(2, "--json")
                if name.endswith("--verify"):
                    argv.insert(2, "--verify")
            run_env = dict(env, ORVANE_DATA_DIR=dest + ".data")
            subprocess.run(["sync"])
            with open(dest + ".json", "w") as out:
                elapsed, code, _ = ob.run_timed(["sh", "-c", '"$@" && sync', "sh"] + argv,
                                                env=run_env, stdout=out,
                                                stderr=subprocess.DEVNULL)
            times[name].append(elapsed)
            if code != 0:
                failures.append("%s run %d exited %d" % (name, run, code))
            elif name.endswith("--verify"):
                with open(dest + ".json") as out:
                    report = json.load(out)
                if report["verified"] != len(report["copied"]) or report["errors"]:
                    failures.append("run %d verified %s of %d copies, %d errors"
                                    % (run, report["verified"], len(report["copied"]),
                                       len(report["errors"])))

    medians = ob.print_medians(times, variants, entries, args.runs)
    ratio = medians["orvane --verify"] / medians["orvane"]
    print("  --verify takes %.2fx of a run without it (bar: %.1fx); orvane %.2fx of cp -a"
          % (ratio, VERIFY_BAR, medians["orvane"] / medians["cp -a"]))
    print("  with the import history: --verify takes %.2fx of a run without it"
          % (medians["history --verify"] / medians["history"]))
    if ratio > VERIFY_BAR:
        failures.append("--verify takes more than %.1fx" % VERIFY_BAR)
    return ob.finish(out_root, failures)


if __name__ == "__main__":
    sys.exit(main())
