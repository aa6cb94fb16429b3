"""The table of organize_bench.py --table: each kind of work timed for orvane and for the
plain tool that does the same job, in the same run, alternating, every command followed by
`sync` and timed with it, each into a fresh folder. Outputs are deleted only once the table is
done, except those of the last two rows, formats and large (20 GB and 30 GB with --compare),
after their rows: on this disk a file made while many inodes freed in the last minutes lie
around is made several times slower (without a journal, ext4 passes over every recently freed
inode of a group before it takes one), so every row would time the deletions of the rows
before it; the large row makes 20 files a run and is not slowed. The whole table needs about
45 GB free with --compare. Prints medians and the ratio orvane / peer for every row asked for.

Rows: tiny1k, tiny10k, tiny100k (files of one byte, dates spread over four years, so that
many date folders are made, one a file for the first; each also times `cp -a` of the tree of
date folders orvane made, the cost of those folders in a plain copy; the last also gives the
peak memory of a run and of a dry run),
corpus (the 10,000 camera-like files of make-corpus.sh, dates on), reimport (the corpus
organised again into its own output, import history on, against `rsync -a` with nothing to
do), formats (2,000 phone and camera files of the formats samples, dates on), large (20
files of 100 MiB, throughput against `cp -a`).

Measured on the shared 2-core machine (load 0.2-2), 5 runs, with the binary of the start of
that session as the other build:
  tiny1k 0.09 s / cp -a 0.04 s: 2.06 (before 2.04), and 1.05 against cp -a of the dated tree
  (0.08 s: its 1,037 folders cost as much as the files); tiny10k 0.48 / 0.38 s: 1.26
  (1.42), dated tree 1.18; tiny100k 5.27 / 4.51 s: 1.17 (1.39), dated tree 1.12, peak 86 MiB,
  dry run 73 MiB; corpus 1.19 / 1.69 s: 0.70 (0.78); reimport 0.16 / rsync -a 0.09 s: 1.84
  (1.85); formats 1.40 / 1.32 s: 1.06 (1.08); large 1.61 / 1.55 s, 0.97 of cp's throughput
  (the other build 1.29 s: the large row scatters most).
"""
import os
import shutil
import statistics
import subprocess
import sys
import time

import organize_bench as ob

# Inodes freed less than a minute ago (five more while their table block is unwritten) are
# passed over; the table starts after a sync and this long.
SETTLE_SECONDS = 65
ROWS = ["tiny1k", "tiny10k", "tiny100k", "corpus", "reimport", "formats", "large"]


def synced(argv):
    return ["sh", "-c", '"$@" && sync', "sh"] + argv


def organize(binary, sources, dest, extra=()):
    return [binary, "organize", "--quiet", "--levels", "3", "--format", ob.FORMAT] + \
        list(extra) + list(sources) + [dest]


def tiny_tree(work, count):
    tree = os.path.join(work, "tiny-%d" % count)
    if not os.path.exists(tree):
        ob.make_tiny_tree(tree + ".tmp", count)
        os.rename(tree + ".tmp", tree)
    return tree


def formats_tree(work, count):
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
    import formats_bench as fb
    corpus = os.path.join(work, "formats-%d" % count)
    fb.make_corpus(corpus, fb.dated_samples(fb.SAMPLES), count)
    return corpus


class Row:
    """Alternating timed runs of named commands; `make(name, dest)` gives each run's argv."""

    def __init__(self, work, env, runs):
        self.work, self.env, self.runs = work, env, runs
        self.out = os.path.join(work, "table-out-%d" % os.getpid())
        self.rows = 0

    def time(self, names, make, fresh_dest=True):
        self.rows += 1
        out = self.last_out = os.path.join(self.out, str(self.rows))
        os.makedirs(out, exist_ok=True)
        times = {name: [] for name in names}
        for run in range(self.runs):
            order = names if run % 2 == 0 else list(reversed(names))
            for name in order:
                dest = os.path.join(out, "%s-%d" % (name.replace(" ", "_"), run))
                if fresh_dest:
                    os.makedirs(dest)
                argv = make(name, dest)
                subprocess.run(["sync"])
                elapsed, code, _ = ob.run_timed(synced(argv), env=self.env,
                                                stdout=subprocess.DEVNULL,
                                                stderr=subprocess.DEVNULL)
                if code != 0:
                    print("  (%s exited %d)" % (name, code))
                times[name].append(elapsed)
        return {name: statistics.median(values) for name, values in times.items()}


def print_row(label, medians, peer, note=""):
    ratio = medians["orvane"] / medians[peer]
    line = "| %-44s | %7.2f s | %-22s %7.2f s | %5.2f |" % (label, medians["orvane"], peer,
                                                           medians[peer], ratio)
    if "other" in medians:
        line += " %7.2f s | %5.2f |" % (medians["other"], medians["other"] / medians[peer])
    print(line + (" " + note if note else ""), flush=True)


def peak_memory(binary, tree, out, env, dry):
    os.makedirs(out, exist_ok=True)
    dest = os.path.join(out, "memory-%d" % len(os.listdir(out)))
    os.makedirs(dest)
    argv = organize(binary, [tree], dest, ["--no-history"] + (["--dry-run"] if dry else []))
    _, _, peak = ob.run_timed(argv, env=env, stdout=subprocess.DEVNULL)
    return peak / 1024


def run_table(rows, work, runs, compare=None):
    env = dict(os.environ, TZ="UTC", ORVANE_CONFIG_DIR=os.path.join(work, "config"),
               ORVANE_DATA_DIR=os.path.join(work, "data-%d" % os.getpid()))
    row = Row(work, env, runs)
    binaries = {"orvane": ob.ORVANE}
    if compare:
        binaries["other"] = compare
    print("\n%d runs each, medians, every command followed by sync%s:\n" %
          (runs, "; other: " + compare if compare else ""))
    print("| work | orvane | peer | ratio |" + (" other build | ratio |" if compare else ""))
    print("|---|---|---|---|" + ("---|---|" if compare else ""))
    # Large files last: their outputs, deleted after their row, free few inodes.
    rows = sorted(rows, key=lambda name: ROWS.index(name) if name in ROWS else len(ROWS))
    subprocess.run(["sync"])
    time.sleep(SETTLE_SECONDS)
    for name in rows:
        if name.startswith("tiny"):
            count = {"tiny1k": 1000, "tiny10k": 10000, "tiny100k": 100000}[name]
            tree = tiny_tree(work, count)
            # The same files already in their date folders: what copying the tree orvane
            # makes costs a plain copy, folders and all.
            dated = os.path.join(row.out, "dated-%d" % count)
            if not os.path.exists(dated):
                os.makedirs(row.out, exist_ok=True)
                subprocess.run(organize(ob.ORVANE, [tree], dated, ["--no-history"]), env=env,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            medians = row.time(["orvane", "cp -a", "cp -a dated"] +
                               (["other"] if compare else []),
                               lambda n, d: ["cp", "-a", tree, d] if n == "cp -a"
                               else ["cp", "-a", dated, d] if n == "cp -a dated"
                               else organize(binaries[n], [tree], d, ["--no-history"]))
            note = "cp -a of the dated tree %.2f s: %.2f" % (
                medians["cp -a dated"], medians["orvane"] / medians["cp -a dated"])
            if count == 100000:
                note += "; peak %.0f MiB, dry run %.0f MiB" % (
                    peak_memory(ob.ORVANE, tree, row.out, env, False),
                    peak_memory(ob.ORVANE, tree, row.out, env, True))
                if compare:
                    note += "; other %.0f / %.0f MiB" % (
                        peak_memory(compare, tree, row.out, env, False),
                        peak_memory(compare, tree, row.out, env, True))
            print_row("%s tiny files" % format(count, ","), medians, "cp -a", note)
        elif name == "corpus":
            corpus, _, entries = ob.corpus_of(work, 10000)
            medians = row.time(["orvane", "cp -a"] + (["other"] if compare else []),
                               lambda n, d: ["cp", "-a", corpus, d] if n == "cp -a"
                               else organize(binaries[n], [corpus], d, ["--no-history"]))
            print_row("%s camera-like files, dates on" % format(entries, ","), medians, "cp -a")
        elif name == "reimport":
            corpus, _, entries = ob.corpus_of(work, 10000)
            base = os.path.join(row.out, "reimport")
            rsync = shutil.which("rsync")
            if not rsync:
                print("| re-import | (rsync is not installed: scripts/deps.sh --bench) |")
                continue
            targets = {}
            for n, binary in binaries.items():
                targets[n] = os.path.join(base, n)
                os.makedirs(targets[n])
                # Each build keeps its own history of what it made.
                first_env = dict(env, ORVANE_DATA_DIR=os.path.join(base, "data-" + n))
                subprocess.run(organize(binary, [corpus], targets[n]), env=first_env,
                               stdout=subprocess.DEVNULL)
            subprocess.run([rsync, "-a", corpus + "/", os.path.join(base, "rsynced") + "/"])

            def again(n, d):
                if n == "rsync -a":
                    return [rsync, "-a", corpus + "/", os.path.join(base, "rsynced") + "/"]
                return ["env", "ORVANE_DATA_DIR=" + os.path.join(base, "data-" + n)] + \
                    organize(binaries[n], [corpus], targets[n])
            medians = row.time(["orvane", "rsync -a"] + (["other"] if compare else []), again,
                               fresh_dest=False)
            print_row("re-import of %s files all already there" % format(entries, ","),
                      medians, "rsync -a")
        elif name == "formats":
            corpus = formats_tree(work, 2000)
            medians = row.time(["orvane", "cp -a"] + (["other"] if compare else []),
                               lambda n, d: ["cp", "-a", corpus, d] if n == "cp -a"
                               else organize(binaries[n], [corpus], d, ["--no-history"]))
            print_row("2,000 mixed modern formats, dates on", medians, "cp -a")
            shutil.rmtree(row.last_out, ignore_errors=True)
        elif name == "large":
            corpus = os.path.join(work, "corpus-large-20")
            if not os.path.exists(corpus + ".manifest.tsv"):
                subprocess.run([ob.MAKE_CORPUS, "-n", "0", "-L", "20", "-m",
                                corpus + ".manifest.tsv", corpus], check=True,
                               stdout=subprocess.DEVNULL)
            mib = sum(os.path.getsize(os.path.join(d, f)) for d, _, fs in os.walk(corpus)
                      for f in fs) / 1048576
            medians = row.time(["orvane", "cp -a"] + (["other"] if compare else []),
                               lambda n, d: ["cp", "-a", corpus, d] if n == "cp -a"
                               else organize(binaries[n], [corpus], d, ["--no-history"]))
            print_row("20 files of 100 MiB", medians, "cp -a",
                      "%.0f vs %.0f MiB/s, throughput ratio %.2f" % (
                          mib / medians["orvane"], mib / medians["cp -a"],
                          medians["cp -a"] / medians["orvane"]))
            shutil.rmtree(row.last_out, ignore_errors=True)
        else:
            print("unknown row %s (rows: %s)" % (name, ", ".join(ROWS)))
    shutil.rmtree(row.out, ignore_errors=True)
