#!/usr/bin/env python3
"""Random sequences of real `orvane` runs on real files, with the invariants checked after
every step. Cards come from cards.py, steps from steps.py (their grammar), hand changes from
hand.py; sequence.py plays them and invariants.py checks, against what model.py remembers;
shrink.py shortens a failing list; regressions.py keeps the lists that once failed.

    run_sequences.py BIN                       the regression list, then random seeds for
                                               --budget seconds (CI: about two minutes)
    run_sequences.py BIN --seed N [--steps S]  one sequence (S as a failure prints it)
    ORVANE_SOAK=10000 run_sequences.py BIN     that many random sequences, no time limit

A failing sequence is shortened and printed as a command that reproduces it. Exit status 1
when any sequence broke an invariant."""
import argparse
import collections
import os
import random
import sys
import time
import traceback

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from regressions import REGRESSIONS  # noqa: E402
from sequence import Sequence  # noqa: E402
from shrink import shrink  # noqa: E402
from cards import CardMaker  # noqa: E402
from invariants import Violation  # noqa: E402
from steps import parse, random_steps, text_of  # noqa: E402
from world import World  # noqa: E402


SHORTENED_FAILURES = 3


def card_is_read_as_made(binary):
    """The harness tests nothing unless Orvane reads its cards as meant: photos and dated raw
    files by EXIF, videos by their headers, sidecars and undated raw files by their partner.
    Answers the mismatches."""
    world = World(binary)
    try:
        maker = CardMaker(random.Random(1))
        card = maker.make()
        card.write(world.path("card"))
        plan = world.orvane(["organize", "--dry-run", "--json", world.path("card"),
                             world.path("dest")]).report or {}
        dated = {os.path.relpath(entry["path"], world.path("card")): entry["dated_by"]
                 for entry in plan.get("plan", [])}
        wrong = []
        for item in card.files:
            extension = item.name.rsplit(".", 1)[-1]
            if extension in ("xmp", "THM") or (extension in ("CR2", "NEF") and
                                                b"\x69\x87" not in item.data[:200]):
                want = "paired"
            elif extension in ("MP4", "MOV"):
                want = "metadata"
            elif extension == "TXT":
                want = "modified"
            else:
                want = "exif"
            if dated.get(item.name) != want:
                wrong.append("%s dated by %s, not %s" % (item.name, dated.get(item.name), want))
        return wrong
    finally:
        world.close()


def steps_for(seed):
    rng = random.Random(seed ^ 0x5EED)
    return random_steps(rng, rng.randint(3, 9))


def play(binary, seed, steps, keep=False):
    """Answers (failing index, violations, log)."""
    sequence = Sequence(binary, seed, keep)
    try:
        index, violations = sequence.play(steps)
        return index, violations, sequence.log, sequence.world.root
    except Exception:  # noqa: BLE001 - a fault of the harness fails the sequence, loudly
        return (sequence.current, [Violation(0, "the harness failed:\n" +
                                              traceback.format_exc())],
                sequence.log, sequence.world.root)
    finally:
        sequence.close()


def shortened(binary, seed, steps, index, violations):
    numbers = {violation.number for violation in violations}
    # A kill lands at another moment each time: such a sequence gets two chances to fail.
    tries = 2 if any(step.kind == "kill" for step in steps) else 1

    def still_fails(candidate):
        for _ in range(tries):
            _, found, _, _ = play(binary, seed, candidate)
            if numbers & {violation.number for violation in found}:
                return True
        return False

    return shrink(steps[: index + 1], still_fails)


def report_failure(binary, seed, steps, index, violations, log, shrink_it=True):
    print("FAILED seed %d at step %d (%s):" % (seed, index + 1, steps[index]))
    for violation in violations[:12]:
        print("  " + str(violation))
    if len(violations) > 12:
        print("  ... %d more" % (len(violations) - 12))
    print("  log: " + " | ".join(log[-6:]))
    short = shortened(binary, seed, steps, index, violations) if shrink_it else steps
    print("  reproduce: %s %s --seed %d --steps '%s'" % (
        sys.argv[0], binary, seed, text_of(short)))
    sys.stdout.flush()


def run_one(binary, seed, steps, verbose, shrink_it=True, keep=False):
    index, violations, log, root = play(binary, seed, steps, keep)
    if verbose:
        print("seed %d: %s" % (seed, text_of(steps)))
        for line in log:
            print("    " + line)
        if keep:
            print("    kept in %s" % root)
    if index is None:
        return set()
    report_failure(binary, seed, steps, index, violations, log, shrink_it)
    return {violation.number for violation in violations}


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("binary")
    parser.add_argument("--seed", type=int)
    parser.add_argument("--steps", help="comma-separated steps (default: the seed's own)")
    parser.add_argument("--budget", type=float, default=100.0,
                        help="seconds for random seeds after the regression list")
    parser.add_argument("--first-seed", type=int, default=None)
    parser.add_argument("--verbose", "-v", action="store_true")
    parser.add_argument("--keep", action="store_true", help="keep the sequence's folders")
    parser.add_argument("--no-shrink", action="store_true")
    args = parser.parse_args()
    binary = os.path.abspath(args.binary)

    if args.seed is not None:
        steps = parse(args.steps) if args.steps else steps_for(args.seed)
        broken = run_one(binary, args.seed, steps, True, not args.no_shrink, args.keep)
        return 1 if broken else 0

    wrong = card_is_read_as_made(binary)
    if wrong:
        print("The harness's card is not read as made:\n  " + "\n  ".join(wrong))
        return 1
    failures, by_invariant = 0, collections.Counter()

    def count(broken):
        by_invariant.update(broken)
        return 1 if broken else 0

    for seed, text in REGRESSIONS:
        # Already short: printed as they stand.
        failures += count(run_one(binary, seed, parse(text), args.verbose, shrink_it=False))
    soak = int(os.environ.get("ORVANE_SOAK", "0"))
    first = args.first_seed if args.first_seed is not None else (
        random.SystemRandom().randrange(1, 10**9) if soak else 1)
    deadline = time.monotonic() + args.budget
    played = 0
    while (played < soak) if soak else (time.monotonic() < deadline):
        seed = first + played
        played += 1
        # Shortening costs up to a minute: the first few failures get it, the rest print
        # their whole step list, which reproduces them as well.
        shrink_it = not args.no_shrink and failures < SHORTENED_FAILURES
        failures += count(run_one(binary, seed, steps_for(seed), args.verbose, shrink_it))
    print("%d regression sequences and %d random ones (seeds %d-%d): %d failed%s" % (
        len(REGRESSIONS), played, first, first + played - 1, failures,
        "".join(", invariant %s broken in %d" % (number or "(harness)", times)
                for number, times in sorted(by_invariant.items()))))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
