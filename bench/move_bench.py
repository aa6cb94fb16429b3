#!/usr/bin/env python3
"""What freeing the sources costs: `orvane organize --move` of the benchmark corpus against
`orvane organize --verify` (move reads every copy back too), with `cp -a` timed alongside
as the peer.

Move removes its sources, so every run (the copy-only ones too, for fairness) gets its own
copy of the corpus made untimed beforehand, followed by `sync`. Each timed command writes
into a fresh folder and is followed by `sync`, timed with it, so that every run counts until
its data is on disk. Runs alternate, order swapped every round, without the import history.
The bar: --move takes at most 1.05x of --verify.

The sources are on a card of their own, as a card is: a loop-mounted ext4 image (made once
a run, mounted without `discard`), so that freeing them costs what it costs on a card and not
what deleting costs on the destination's disk. With --same-disk they are beside the outputs,
as the first series below were measured (root is needed for the card; without it the bench
falls back to --same-disk and says so).

Usage: bench/move_bench.py [--runs 5] [--work DIR] [--files 10000] [--same-disk]

Measured with the sources on a card image (10,000 files, 423 MiB, two helpers' builds running,
load 3.9), medians of 5: cp -a 4.62 s / cp -a + rm -r 3.71 s / orvane --verify 5.43 s /
orvane --move 5.50 s: 1.01x of --verify.

Measured earlier with the sources on the outputs' disk (other builds running; its root
file system is mounted with `discard`, so that a flush after deleting files waits for the
freed blocks to be discarded), medians of 5:
  cp -a 5.66 s / cp -a + rm -r 7.41 s / orvane --verify 5.76 s / orvane --move 16.54 s:
  2.87x of --verify. The runs of each scatter widely (move 5.90 6.53 30.59 16.54 20.48,
  cp -a + rm -r 24.25 5.38 5.33 10.29 7.41): the cost is the disk's deleting, whoever deletes.
  A second series: cp -a 3.48 s / cp -a + rm -r 24.15 s / --verify 5.84 s / --move 22.63 s:
  3.88x of --verify, 0.94x of cp -a + rm -r.
  Removing after every batch instead of in groups took 3.0x-5.9x.
"""
import json
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import organize_bench as ob  # noqa: E402

MOVE_BAR = 1.05


def mount_card(out_root, corpus):
    """A loop-mounted ext4 image big enough for one copy of the corpus; answers its mount
    point, or None when it cannot be mounted."""
    size = sum(os.path.getsize(os.path.join(folder, name))
               for folder, _, names in os.walk(corpus) for name in names)
    image, card = os.path.join(out_root, "card.img"), os.path.join(out_root, "card")
    os.makedirs(card)
    with open(image, "wb") as out:
        out.truncate(size * 3 // 2 + (128 << 20))
    made = subprocess.run(["mkfs.ext4", "-q", "-F", image], stderr=subprocess.DEVNULL)
    if made.returncode != 0 or subprocess.run(["mount", "-o", "loop", image, card],
                                              stderr=subprocess.DEVNULL).returncode != 0:
        return None
    return card


def main():
    same_disk = "--same-disk" in sys.argv
    if same_disk:
        sys.argv.remove("--same-disk")
    args, corpus, rows, entries, out_root, env = ob.corpus_bench("move")
    card = None if same_disk else mount_card(out_root, corpus)
    if not same_disk and card is None:
        print("The card image couldn't be mounted (root is needed): sources on the same disk")
    print("Sources on %s" % ("a card image of their own" if card else "the outputs' disk"))
    failures = []
    # `cp -a` then `rm -r` of the source is the peer's move: what deleting the originals costs
    # on this disk, whoever deletes them.
    variants = ["cp -a", "cp -a + rm -r", "orvane --verify", "orvane --move"]
    times = {name: [] for name in variants}
    for run in range(args.runs):
        for name in (variants if run % 2 == 0 else variants[::-1]):
            tag = "%s-%d" % (name.replace(" ", "_"), run)
            dest = os.path.join(out_root, tag)
            source = os.path.join(card or out_root, "source-" + tag)
            subprocess.run(["cp", "-a", corpus, source], check=True)
            if name == "cp -a":
                argv = ["cp", "-a", source, dest]
            elif name == "cp -a + rm -r":
                argv = ["sh", "-c", 'cp -a "$1" "$2" && rm -r "$1"', "sh", source, dest]
            else:
                os.makedirs(dest)
                argv = ob.organize_argv(source, rows, dest, False, "folders")
                argv[2:2] = ["--json", name.split()[1]]
            subprocess.run(["sync"])
            with open(dest + ".json", "w") as out:
                elapsed, code, _ = ob.run_timed(["sh", "-c", '"$@" && sync', "sh"] + argv,
                                                env=env, stdout=out, stderr=subprocess.DEVNULL)
            times[name].append(elapsed)
            shutil.rmtree(source, ignore_errors=True)  # what a copy left; untimed
            if code != 0:
                failures.append("%s run %d exited %d" % (name, run, code))
            elif name == "orvane --move":
                with open(dest + ".json") as out:
                    report = json.load(out)
                if report["originals_removed"] != len(report["copied"]) or report["errors"]:
                    failures.append("run %d removed %s originals of %d copies, %d errors"
                                    % (run, report["originals_removed"], len(report["copied"]),
                                       len(report["errors"])))

    medians = ob.print_medians(times, variants, entries, args.runs)
    ratio = medians["orvane --move"] / medians["orvane --verify"]
    print("  --move takes %.2fx of --verify (bar: %.2fx); --verify %.2fx of cp -a"
          % (ratio, MOVE_BAR, medians["orvane --verify"] / medians["cp -a"]))
    print("  --move takes %.2fx of cp -a + rm -r; removing the originals adds %.2f s to --verify,"
          " rm -r adds %.2f s to cp -a"
          % (medians["orvane --move"] / medians["cp -a + rm -r"],
             medians["orvane --move"] - medians["orvane --verify"],
             medians["cp -a + rm -r"] - medians["cp -a"]))
    if ratio > MOVE_BAR:
        failures.append("--move takes more than %.2fx of --verify" % MOVE_BAR)
    if card:
        subprocess.run(["umount", card])
    return ob.finish(out_root, failures)


if __name__ == "__main__":
    sys.exit(main())
