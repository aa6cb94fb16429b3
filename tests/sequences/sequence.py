"""One sequence: a card made from the seed, then steps, each followed by the invariants that
apply to it. `Sequence.play` answers the violations of the first step that breaks one."""
import os
import random

import hand
import invariants as inv
from cards import CardMaker
from model import Model, RunRecord
from steps import (ORGANIZE_KINDS, asked_backups, backup_places, history_folder,
                   organize_arguments)
from world import World, digest_of


class RunPaths:
    """A run's view of paths: absolute ones in reports, relative ones in snapshots."""

    def __init__(self, key, options, world):
        self.key, self.options, self.world = key, options, world

    def root_path(self, place, relative):
        return os.path.join(self.world.path(place), relative)

    def card_path(self, path):
        return os.path.relpath(path, self.world.path("card"))

    def place_path(self, path):
        relative = os.path.relpath(path, self.world.root)
        place, _, rest = relative.partition("/")
        return (place, rest) if rest and not relative.startswith("..") else (None, None)


class Sequence:
    def __init__(self, binary, seed, keep=False):
        self.seed = seed
        self.world = World(binary, keep)
        card_random = random.Random(seed)
        self.maker = CardMaker(card_random)
        card = self.maker.make()
        card.write(self.world.path("card"))
        self.model = Model()
        for item in card.files:
            self.model.learn_file(item.name, digest_of(item.data))
            if item.leader:
                self.model.leaders[item.name] = item.leader
        self.hand_random = random.Random(seed * 7919 + 1)
        self.known_ids = set()
        self.initial = self.world.everything()
        self.log = []
        self.current = 0
        self.run_ms = 50.0

    def close(self):
        self.world.close()

    def play(self, steps):
        """Answers (index of the failing step, its violations), or (None, [])."""
        for index, step in enumerate(steps):
            self.current = index
            violations = self.perform(step, index)
            if violations:
                return index, violations
        return None, []

    def perform(self, step, index):
        before = self.world.everything()
        if step.kind in ORGANIZE_KINDS:
            found = self.organize(step, index, before)
        elif step.kind == "undo":
            found = self.undo(step, before)
        else:
            found = self.by_hand(step, before)
        after = self.world.everything()
        found += inv.check_kept(self.model, after)
        found += inv.check_outside(self.initial, after, hand.managed_places(self.world))
        found += inv.check_no_temporaries(self.world.root, sorted(hand.managed_places(
            self.world)))
        return found

    # Organize, its dry run first, or killed after a while.
    def organize(self, step, index, before):
        key = "run%d" % (index + 1)
        run = RunPaths(key, step.options, self.world)
        arguments = organize_arguments(step.options, self.world)
        found, plan = [], None
        if step.kind == "dry":
            dry = self.world.orvane(arguments[:1] + ["--dry-run"] + arguments[1:],
                                    history=history_folder(step.options))
            plan = dry.report
            found += inv.check_unchanged(before, self.world.everything(),
                                         sorted(before), "the dry run")
        # A kill (or a swap) lands at a share of the time the longest whole run took here.
        moment = self.run_ms * int(step.number or 0) / 100
        kill_after = moment if step.kind == "kill" else None
        swap = hand.FifoSwap(self.world, self.model) if step.kind == "fifo" else None
        outcome = self.world.orvane(arguments, kill_after_ms=kill_after,
                                    history=history_folder(step.options),
                                    meanwhile=(moment, swap.swap) if swap else None)
        if swap:
            self.log.append(swap.line)
            swap.settle(self.world.everything())
        if not outcome.killed and outcome.status >= 0:
            self.run_ms = max(self.run_ms, outcome.seconds * 1000)
        self.log.append("%s: exit %d%s" % (key, outcome.status, " (killed after %d ms)" % kill_after
                                           if outcome.killed else ""))
        orvane_id = self.new_run_id()
        after = self.world.everything()
        places = backup_places(step.options)
        record = RunRecord(key, step.options, before, after, orvane_id, outcome.killed,
                           backup_places=places)
        self.model.runs[key] = record
        if orvane_id:
            self.model.by_orvane_id[orvane_id] = key
        if outcome.hung or (outcome.status < 0 and not outcome.killed):
            return found + [inv.Violation(2, "%s did not end: %s" % (key, outcome.stderr[-300:]))]
        # The swapped file is the user's doing: the card is compared with it in place.
        card_before = swap.card_before(before, after) if swap else before
        record.before = card_before
        if outcome.status == 2 and not outcome.killed:
            # Refused before the run: nothing may have been made anywhere.
            found += inv.check_unchanged(card_before, after, sorted(before), "a refused run")
            return found
        destination = self.world.path("dest2" if "d2" in step.options else "dest")
        report = normalized(outcome.report, destination) if outcome.report else None
        found += inv.check_card_after_run(card_before, after, "move" in step.options, key)
        found += inv.check_only_added(before, after, inv.COPY_PLACES + places, key)
        found += inv.check_removed_originals(run, card_before, after, places)
        if outcome.killed:
            self.remember_run(run, record, report, before, after, places)
            return found
        found += inv.check_report(run, report, outcome.status, before, after, places)
        if report is not None:
            found += inv.check_duplicates(self.model, run, report, before, after)
            found += inv.check_backups_asked(run, report, asked_backups(
                step.options, self.world), before)
        self.remember_run(run, record, report, before, after, places)
        if report is None:
            return found
        if plan is not None or step.kind == "dry":
            found += inv.check_dry_run(run, plan, report)
        found += inv.check_pairs_of_run(self.model, run, before, after)
        found += inv.check_pairs(self.model, after)
        return found

    def new_run_id(self):
        ids = self.world.run_ids()
        new = [run_id for run_id in ids if run_id not in self.known_ids]
        self.known_ids.update(ids)
        return new[0] if new else None

    def remember_run(self, run, record, report, before, after, places):
        model = self.model
        for name in inv.COPY_PLACES + places:
            for path in inv.added(before, after, name):
                model.made_by[(name, path)] = run.key
        for place in places:
            if not os.path.isdir(self.world.path(place)):
                continue
            drive = model.drive(place)
            for item in inv.added(before, after, place).values():
                model.backup_copies.setdefault((drive, item.digest), set()).add(run.key)
            for path, item in before["card"].files.items():
                if path not in after["card"].files:
                    model.removals.add((drive, item.digest, run.key))
        if report and not record.killed and "nh" not in run.options:
            for entry in report.get("copied", []):
                item = before["card"].files.get(run.card_path(entry["path"]))
                if item:
                    model.history[(history_folder(run.options), run.card_path(entry["path"]),
                                   item.digest)] = run.key

    # Undo of the default run or of a named one.
    def undo(self, step, before):
        arguments = ["undo", "--json"]
        if step.number:
            ids = self.world.run_ids()
            if not ids:
                return []
            arguments.append(ids[int(step.number) % len(ids)])
        outcome = self.world.orvane(arguments)
        after = self.world.everything()
        target_id = (outcome.report or {}).get("run") or (arguments[2] if step.number else None)
        key = self.model.by_orvane_id.get(target_id)
        self.log.append("undo %s (%s): exit %d" % (target_id, key, outcome.status))
        if outcome.status < 0:
            return [inv.Violation(2, "undo did not end: %s" % outcome.stderr[-300:])]
        backups = sorted(name for name in hand.managed_places(self.world)
                         if name.startswith("bk"))
        found = inv.check_undo(key, before, after, self.model, backups)
        found += inv.check_undo_report(RunPaths("undo", (), self.world), outcome.report, before,
                                       after, inv.COPY_PLACES + tuple(backups))
        changed = any(not inv.same(before.get(name), after.get(name))
                      for name in ("card",) + inv.COPY_PLACES + tuple(backups))
        if key and changed:
            target = self.model.runs[key]
            found += inv.check_undo_restores(target, before, after,
                                             ["card"] + list(inv.COPY_PLACES) +
                                             list(target.backup_places), outcome.report,
                                             RunPaths("undo", (), self.world))
            self.model.forget_run(key)
            for place_path in [k for k, run_key in self.model.made_by.items() if run_key == key]:
                place, path = place_path
                if place in after and path not in after[place].files:
                    del self.model.made_by[place_path]
        found += inv.check_pairs(self.model, after)
        return found

    def by_hand(self, step, before):
        if step.kind == "shoot":
            line = hand.shoot(self.world, self.model, step.number, self.maker)
        elif step.kind == "link":
            line = hand.link(self.world, self.model, step.number, self.maker.days)
        else:
            line = hand.ACTIONS[step.kind](self.world, self.model, step.number,
                                           self.hand_random)
        self.log.append(line or "%s: nothing to do" % step)
        self.model.drop_lost(self.world.everything())
        return []


def normalized(report, destination):
    """The report with every copy's full destination, which it names only for a numbered
    copy."""
    for entry in report.get("copied", []):
        if "destination" not in entry:
            folder = entry["folder"]
            if not os.path.isabs(folder):
                folder = os.path.join(destination, folder)
            entry["destination"] = os.path.join(folder, os.path.basename(entry["path"]))
    return report
