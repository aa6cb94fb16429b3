#!/usr/bin/env python3
"""Benchmark of `orvane organize` against peers run in the same process tree.

Makes (once) the deterministic corpus of ../shared/bench/make-corpus.sh, then alternates
timed runs of `cp -a` of the tree and of orvane organising it (EXIF off and on), each into a
fresh folder on the same file system, and prints medians, files per second and ratios. It
checks that every file landed in the date folder the corpus manifest names, counts system
calls per file with `strace -c -f`, and measures the peak memory of a run of many entries.

With --sync every timed command is followed by `sync`, timed with it, so that each run
counts until its data is on disk. With --large N the corpus is N large files only (100 MiB
each, `make-corpus.sh -n 0 -L N`) and throughput in MiB/s is printed. With --jobs 1,2,4 the
EXIF run is also timed with each of those numbers of copies at once (`--jobs N`); the plain
EXIF run leaves the number to the program.

With --table ROWS (comma-separated, or "all") it prints instead the table of per-file costs:
each kind of work against the plain tool that does the same job, in the same run, every
command followed by sync (see organize_table.py for the rows); --compare adds another build.

Usage: bench/organize_bench.py [--runs 5] [--work DIR] [--files 10000] [--memory-entries 100000]
       [--sources files|folders] [--exiftool] [--sync] [--large 20] [--jobs 1,2,4]
       bench/organize_bench.py --table tiny1k,tiny10k,tiny100k,corpus,reimport,formats,large
       [--runs 5] [--work DIR] [--compare BINARY]
"""
import argparse
import calendar
import os
import re
import shutil
import statistics
import subprocess
import sys
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
# The shared folder lies beside the main checkout, or two levels up from a worktree.
MAKE_CORPUS = next((p for p in (
    os.path.join(os.path.dirname(REPO), "shared", "bench", "make-corpus.sh"),
    os.path.join(os.path.dirname(os.path.dirname(REPO)), "shared", "bench", "make-corpus.sh"))
    if os.path.exists(p)), os.path.join(os.path.dirname(REPO), "shared", "bench", "make-corpus.sh"))
ORVANE = os.path.join(REPO, "build", "bin", "orvane")
FORMAT = "%Y/%m/%d"


def run_timed(argv, **kwargs):
    start = time.monotonic()
    pid = subprocess.Popen(argv, **kwargs).pid
    _, status, usage = os.wait4(pid, 0)
    elapsed = time.monotonic() - start
    code = os.waitstatus_to_exitcode(status)
    return elapsed, code, usage.ru_maxrss  # ru_maxrss in KiB


def read_manifest(path):
    rows = []
    with open(path, encoding="utf-8") as f:
        header = f.readline().rstrip("\n").split("\t")
        for line in f:
            rows.append(dict(zip(header, line.rstrip("\n").split("\t"))))
    return rows


def corpus_of(work, files):
    """The corpus of `files` files under `work`, made once; answers its path, its manifest's
    rows and the number of entries a run organises (hidden files aside)."""
    os.makedirs(work, exist_ok=True)
    corpus = os.path.join(work, "corpus-%d" % files)
    manifest = corpus + ".manifest.tsv"
    if not os.path.exists(manifest):
        print("making the corpus (%d files) ..." % files, flush=True)
        subprocess.run([MAKE_CORPUS, "-n", str(files), "-m", manifest, corpus], check=True,
                       stdout=subprocess.DEVNULL)
    rows = read_manifest(manifest)
    return corpus, rows, sum(1 for r in rows if r["kind"] != "hidden")



def corpus_bench(name):
    """What the paired corpus benches share: their options (--runs, --work, --files), the
    corpus, a fresh output folder and the environment their runs share. Answers
    (args, corpus, rows, entries, out_root, env)."""
    ap = argparse.ArgumentParser()
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--work", default=os.path.join(os.environ.get("TMPDIR", "/tmp"), "orvane-bench"))
    ap.add_argument("--files", type=int, default=10000)
    args = ap.parse_args()
    corpus, rows, entries = corpus_of(args.work, args.files)
    out_root = os.path.join(args.work, "%s-out-%d" % (name, os.getpid()))
    os.makedirs(out_root)
    env = dict(os.environ, TZ="UTC", ORVANE_CONFIG_DIR=os.path.join(args.work, "config"),
               ORVANE_STATE_DIR=os.path.join(out_root, "runs"))
    return args, corpus, rows, entries, out_root, env


def print_medians(times, variants, entries, runs):
    """Prints each variant's median with its runs; answers the medians by variant."""
    print("\n%d entries, %d runs each, warm cache, each run until its data is on disk, medians:"
          % (entries, runs))
    medians = {}
    for name in variants:
        medians[name] = statistics.median(times[name])
        print("  %-18s %7.3f s  %8.0f files/s  (runs: %s)"
              % (name, medians[name], entries / medians[name],
                 " ".join("%.2f" % t for t in times[name])))
    return medians

def finish(out_root, failures):
    """Removes the outputs and prints the failures; answers the exit status."""
    shutil.rmtree(out_root, ignore_errors=True)
    if failures:
        print("FAILURES:\n  " + "\n  ".join(failures))
        return 1
    return 0


def utc_folder(seconds):
    return time.strftime("%Y/%m/%d", time.gmtime(int(seconds)))


def organize_argv(corpus, rows, dest, exif, sources_mode, binary=None, jobs=None, history=False):
    # A fresh settings folder: the registered copy rule copies every file. Without `history`
    # the import history is left out, so that runs of one corpus each copy everything.
    argv = [binary or ORVANE, "organize", "--quiet", "--levels", "3", "--format", FORMAT]
    if not history:
        argv.append("--no-history")
    if jobs is not None:
        argv += ["--jobs", str(jobs)]
    if not exif:
        argv.append("--no-exif")
    if sources_mode == "folders":
        argv += [os.path.join(corpus, name) for name in sorted(os.listdir(corpus))
                 if not name.startswith(".")]
    else:
        argv += [os.path.join(corpus, r["path"]) for r in rows if r["kind"] != "hidden"]
    argv.append(dest)
    return argv


def check_landing(rows, dest, exif):
    wrong = []
    for r in rows:
        if r["kind"] == "hidden":
            continue
        folder = r["expected_dir"] if exif else utc_folder(r["mtime"])
        target = os.path.join(dest, folder, os.path.basename(r["path"]))
        if not os.path.isfile(target) or os.path.getsize(target) != int(r["bytes"]):
            wrong.append(r["path"])
    return wrong


def syscalls(argv, env):
    out = subprocess.run(["strace", "-c", "-f", "-o", "/dev/stdout", "-q"] + argv, env=env,
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True).stdout
    total = None
    for line in out.splitlines():
        fields = line.split()
        if fields and fields[-1] == "total" and len(fields) >= 5:
            total = int(fields[3])
    return total, out


def make_tiny_tree(root, count):
    per_folder = 500
    for i in range(count):
        folder = os.path.join(root, "d%03d" % (i // per_folder))
        if i % per_folder == 0:
            os.makedirs(folder, exist_ok=True)
        path = os.path.join(folder, "IMG_%06d.JPG" % i)
        with open(path, "wb") as f:
            f.write(b"x")
        t = 1546300800 + (i % 1500) * 86400
        os.utime(path, (t, t))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--work", default=os.path.join(os.environ.get("TMPDIR", "/tmp"), "orvane-bench"))
    ap.add_argument("--files", type=int, default=10000)
    ap.add_argument("--memory-entries", type=int, default=0)
    ap.add_argument("--sources", choices=["files", "folders"], default="folders")
    ap.add_argument("--exiftool", action="store_true", help="also time exiftool (slow)")
    ap.add_argument("--no-strace", action="store_true")
    ap.add_argument("--sync", action="store_true", help="time each command with a sync after it")
    ap.add_argument("--large", type=int, default=0, help="a corpus of this many 100 MiB files")
    ap.add_argument("--jobs", default="", metavar="N,N...",
                    help="also time the EXIF run with these numbers of copies at once")
    ap.add_argument("--compare", metavar="BINARY",
                    help="also time another build of orvane (EXIF off and on), e.g. main's")
    ap.add_argument("--table", metavar="ROWS",
                    help="print the table of per-file costs for these rows, or all")
    args = ap.parse_args()
    if args.table:
        import organize_table
        rows = organize_table.ROWS if args.table == "all" else args.table.split(",")
        organize_table.run_table(rows, args.work, args.runs, args.compare)
        return 0

    env = dict(os.environ, TZ="UTC", ORVANE_CONFIG_DIR=os.path.join(args.work, "config"))
    os.makedirs(args.work, exist_ok=True)
    if args.large:
        args.files = 0
        corpus = os.path.join(args.work, "corpus-large-%d" % args.large)
    else:
        corpus = os.path.join(args.work, "corpus-%d" % args.files)
    manifest = corpus + ".manifest.tsv"
    if not os.path.exists(manifest):
        print("making the corpus (%d files, %d large) ..." % (args.files, args.large), flush=True)
        subprocess.run([MAKE_CORPUS, "-n", str(args.files), "-L", str(args.large), "-m", manifest,
                        corpus], check=True, stdout=subprocess.DEVNULL)
    rows = read_manifest(manifest)
    entries = sum(1 for r in rows if r["kind"] != "hidden")
    out_root = os.path.join(args.work, "out-%d" % os.getpid())
    os.makedirs(out_root)

    variants = [("cp -a", None), ("orvane --no-exif", False), ("orvane (EXIF)", True),
                ("orvane --dry-run", "dry")]
    if args.compare:
        variants += [("other --no-exif", False), ("other (EXIF)", True)]
    job_counts = {}
    for jobs in filter(None, args.jobs.split(",")):
        job_counts["orvane --jobs %s" % jobs] = int(jobs)
        variants.append(("orvane --jobs %s" % jobs, True))
    times = {name: [] for name, _ in variants}
    failures = []
    for run in range(args.runs):
        for name, exif in variants:
            dest = os.path.join(out_root, "%s-%d" % (re.sub(r"\W+", "_", name), run))
            if exif is None:
                argv = ["cp", "-a", corpus, dest]
            elif exif == "dry":
                os.makedirs(dest)
                argv = organize_argv(corpus, rows, dest, True, args.sources)
                argv.insert(2, "--dry-run")
            else:
                os.makedirs(dest)
                argv = organize_argv(corpus, rows, dest, exif, args.sources,
                                     args.compare if name.startswith("other") else None,
                                     job_counts.get(name))
            if args.sync:
                subprocess.run(["sync"])
                argv = ["sh", "-c", '"$@" && sync', "sh"] + argv
            elapsed, code, _ = run_timed(argv, env=env, stdout=subprocess.DEVNULL)
            times[name].append(elapsed)
            if exif == "dry":
                if code not in (0, 1) or os.listdir(dest):
                    failures.append("dry run %d exited %d or wrote into %s" % (run, code, dest))
            elif exif is not None:
                if code != 0:
                    failures.append("%s run %d exited %d" % (name, run, code))
                if run == 0:
                    wrong = check_landing(rows, dest, exif)
                    if wrong:
                        failures.append("%s: %d files not where the manifest says, e.g. %s"
                                        % (name, len(wrong), wrong[:3]))

    if args.exiftool:
        dest = os.path.join(out_root, "exiftool")
        argv = ["exiftool", "-q", "-q", "-P", "-ext", "*", "-o", ".",
                "-Directory<FileModifyDate", "-Directory<DateTimeOriginal",
                "-d", dest + "/%Y/%m/%d", "-r", corpus]
        elapsed, _, _ = run_timed(argv, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        times["exiftool"] = [elapsed]

    print("\n%d entries (%s given as %s), %d runs each, warm cache%s, medians:" %
          (entries, corpus, args.sources, args.runs, ", each followed by sync" if args.sync else ""))
    base = statistics.median(times["cp -a"])
    for name, values in times.items():
        m = statistics.median(values)
        print("  %-18s %7.2f s  %8.0f files/s  ratio to cp -a %.2f" % (name, m, entries / m, m / base))
        if args.large:
            mib = sum(int(r["bytes"]) for r in rows if r["kind"] != "hidden") / 1048576
            print("  %-18s %7.0f MiB/s  throughput ratio to cp -a %.2f" % ("", mib / m, base / m))
    off, on = statistics.median(times["orvane --no-exif"]), statistics.median(times["orvane (EXIF)"])
    print("  EXIF on costs %+.1f%% against EXIF off" % ((on / off - 1) * 100))
    if args.compare:
        o_off, o_on = statistics.median(times["other --no-exif"]), statistics.median(times["other (EXIF)"])
        print("  other build: EXIF on costs %+.1f%% against EXIF off" % ((o_on / o_off - 1) * 100))
    dry = statistics.median(times["orvane --dry-run"])
    print("  --dry-run takes %.2f of a real run (EXIF on)" % (dry / on))

    if not args.no_strace:
        for name, argv in [("cp -a", ["cp", "-a", corpus, os.path.join(out_root, "strace-cp")]),
                           ("orvane --no-exif", None), ("orvane (EXIF)", None)]:
            if argv is None:
                dest = os.path.join(out_root, "strace-" + re.sub(r"\W+", "_", name))
                os.makedirs(dest)
                argv = organize_argv(corpus, rows, dest, "EXIF" in name, args.sources)
            count, _ = syscalls(argv, env)
            if count:
                print("  system calls per file, %-16s %.1f" % (name, count / entries))

    if args.memory_entries:
        tree = os.path.join(args.work, "tiny-%d" % args.memory_entries)
        if not os.path.exists(tree):
            make_tiny_tree(tree + ".tmp", args.memory_entries)
            os.rename(tree + ".tmp", tree)
        for exif in (False, True):
            dest = os.path.join(out_root, "memory-exif" if exif else "memory")
            os.makedirs(dest)
            argv = [ORVANE, "organize", "--quiet", "--no-history", tree, dest]
            if not exif:
                argv.insert(-2, "--no-exif")
            elapsed, code, peak = run_timed(argv, env=env, stdout=subprocess.DEVNULL)
            print("  %d entries, EXIF %s: %.1f s, peak memory %.1f MiB (exit %d)" %
                  (args.memory_entries, "on" if exif else "off", elapsed, peak / 1024, code))

    return finish(out_root, failures)


if __name__ == "__main__":
    sys.exit(main())
