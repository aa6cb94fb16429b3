"""The invariants, each a function answering the violations it finds (empty when it holds).
`places` are snapshots by place name (world.everything()); paths inside a place are
relative to it. The numbers are those of the promise the harness checks:
1 nothing lost, 2 nothing outside touched, 3 no duplicates, 4 dry run = run,
5 undo restores, 6 pairs stay together, 7 the report tells the truth."""
import os
import re
from dataclasses import dataclass

from model import is_folder
from steps import history_folder
from world import snapshot

COPY_PLACES = ("dest", "dest2", "videos")


@dataclass(frozen=True)
class Violation:
    number: int
    text: str

    def __str__(self):
        return ("invariant %d: %s" % (self.number, self.text)) if self.number else self.text


def copies(places, names=COPY_PLACES):
    """(place, relative path) -> digest of every file in the copy places."""
    found = {}
    for name in names:
        for path, item in places[name].files.items():
            found[(name, path)] = item.digest
    return found


def digests_in(places, names):
    found = set()
    for name in names:
        if name in places:
            found |= places[name].digests()
    return found


def check_kept(model, places):
    """1: every content ever on the card is on the card or in the destination, and in each
    backup that a run put it into or that a moving run relied on."""
    found = []
    present = digests_in(places, ("card",) + COPY_PLACES)
    for digest in sorted(model.demanded - present):
        found.append(Violation(1, "lost: %s (card name %s) is neither on the card nor in the "
                               "destination" % (digest, _names(model, digest))))
    for (drive, digest), run_keys in sorted(model.backup_copies.items()):
        place = model.place_of_drive[drive]
        if is_folder(places.get(place)) and digest not in places[place].digests():
            found.append(Violation(1, "backup %s lost %s (%s), copied there by %s" % (
                place, _names(model, digest), digest, ", ".join(sorted(run_keys)))))
    card = places["card"].digests()
    for drive, digest, run_key in sorted(model.removals):
        place = model.place_of_drive[drive]
        if digest in card or not is_folder(places.get(place)):
            continue
        if digest not in places[place].digests():
            found.append(Violation(1, "%s removed the original %s from the card, yet backup %s "
                                   "lacks it" % (run_key, _names(model, digest), place)))
    return found


def check_outside(initial, places, managed):
    """2: nothing outside the card, the destinations, the backups and Orvane's state."""
    found = []
    managed = set(managed) | {"card", "dest", "dest2", "videos", "bk1", "bk2"}
    for name in sorted(set(initial) | set(places)):
        if name in managed:
            continue
        if name not in places or name not in initial:
            found.append(Violation(2, "%s appeared or vanished beside the managed folders" % name))
        elif places[name].files != initial[name].files or places[name].folders != initial[
                name].folders:
            found.append(Violation(2, "%s changed" % name))
    return found


def check_no_temporaries(root, names):
    found = []
    for name in names:
        for parent, _, files in os.walk(os.path.join(root, name)):
            for file_name in files:
                if file_name.startswith((".orvane-partial-", ".orvane-probe-")):
                    found.append(Violation(2, "a temporary was left behind: %s" % os.path.relpath(
                        os.path.join(parent, file_name), root)))
    return found


def check_unchanged(before, after, names, what):
    """Places that the step must not change at all."""
    found = []
    for name in names:
        one, other = before.get(name), after.get(name)
        if (one is None) != (other is None) or (one and (one.files != other.files)):
            found.append(Violation(2, "%s changed %s: %s" % (what, name, _difference(one, other))))
    return found


def check_only_added(before, after, names, what):
    """Places where a step may only add files: nothing there is removed or overwritten."""
    found = []
    for name in names:
        if not is_folder(before.get(name)):
            continue
        old, new = before[name].files, after[name].files if name in after else {}
        for path, item in sorted(old.items()):
            if path not in new:
                found.append(Violation(1, "%s removed %s/%s" % (what, name, path)))
            elif new[path].digest != item.digest:
                found.append(Violation(1, "%s overwrote %s/%s" % (what, name, path)))
    return found


def check_card_after_run(before, after, moving, what):
    """Sources are never changed unless --move, which only removes."""
    old, new = before["card"].files, after["card"].files
    found = []
    for path, item in sorted(new.items()):
        if path not in old:
            found.append(Violation(2, "%s added card/%s" % (what, path)))
        elif new[path] != old[path]:
            found.append(Violation(2, "%s changed card/%s" % (what, path)))
    if not moving and len(new) != len(old):
        found.append(Violation(2, "%s without --move removed %d card files" % (
            what, len(old) - len(new))))
    return found


def added(before, after, name):
    old = before[name].files if is_folder(before.get(name)) else {}
    new = after[name].files if is_folder(after.get(name)) else {}
    return {path: item for path, item in new.items() if path not in old}


def check_report(run, report, status, before, after, backup_places):
    """7: the report's copies and removals are what the disk shows, and the exit status is
    non-zero exactly when something failed."""
    found = []
    if report is None:
        return [Violation(7, "%s printed no JSON report (exit %d)" % (run.key, status))]
    errors = report.get("errors", [])
    if (status != 0) != bool(errors) or status not in (0, 1):
        found.append(Violation(7, "%s exited %d with %d errors" % (run.key, status, len(errors))))
    reported = {}
    for entry in report.get("copied", []):
        reported[entry["destination"]] = entry["path"]
    made = {}
    for name in COPY_PLACES:
        for path in added(before, after, name):
            made[run.root_path(name, path)] = after[name].files[path].digest
    for destination in sorted(set(reported) - set(made)):
        found.append(Violation(7, "%s reports a copy that is not on disk: %s" % (
            run.key, destination)))
    for destination in sorted(set(made) - set(reported)):
        found.append(Violation(7, "%s made a copy its report does not list: %s" % (
            run.key, destination)))
    for destination, source in sorted(reported.items()):
        source_item = before["card"].files.get(run.card_path(source))
        if destination in made and source_item and made[destination] != source_item.digest:
            found.append(Violation(1, "%s: the copy %s differs from its original %s" % (
                run.key, destination, source)))
    found += _check_backup_report(run, report, before, after, backup_places)
    removed = [path for path in before["card"].files if path not in after["card"].files]
    expected = report.get("originals_removed") or 0
    if expected != len(removed):
        found.append(Violation(7, "%s reports %d originals removed, the card lost %d" % (
            run.key, expected, len(removed))))
    return found


def _check_backup_report(run, report, before, after, backup_places):
    found = []
    listed = {}
    for entry in report.get("copied", []) + report.get("skipped", []):
        for path in entry.get("backups", []):
            listed[path] = entry["path"]
    for place in backup_places:
        for path, item in added(before, after, place).items():
            full = run.root_path(place, path)
            if full not in listed:
                found.append(Violation(7, "%s made a backup copy its report does not list: %s" % (
                    run.key, full)))
                continue
            source_item = before["card"].files.get(run.card_path(listed[full]))
            if source_item and source_item.digest != item.digest:
                found.append(Violation(1, "%s: the backup copy %s differs from its original" % (
                    run.key, full)))
    for path in listed:
        place, relative = run.place_path(path)
        if place is None or relative not in after.get(place, _Empty).files:
            found.append(Violation(7, "%s reports a backup copy that is not on disk: %s" % (
                run.key, path)))
    return found


class _Empty:
    files = {}


def check_backups_asked(run, report, asked, before):
    """1: every copy is in each backup asked for too (put there by this run or found there
    already), as a file of its own; or else the entry failed."""
    found = []
    contents = {folder: _digests_below(folder) for folder in asked}
    for entry in report.get("copied", []):
        item = before["card"].files.get(run.card_path(entry["path"]))
        for folder in asked:
            elsewhere = {digest for path, digest in contents[folder].items()
                         if path != entry["destination"]}
            if item and item.digest not in elsewhere:
                found.append(Violation(1, "%s copied %s without its backup in %s" % (
                    run.key, entry["path"], folder)))
    return found


def _digests_below(folder):
    """Full path -> digest of every file below `folder` (none when it is no folder)."""
    found = {}
    if os.path.isdir(folder) and not os.path.islink(folder):
        for path, item in snapshot(folder).files.items():
            found[os.path.join(folder, path)] = item.digest
    return found


def check_removed_originals(run, before, after, backup_places):
    """1: an original a run removed is in the destination and in every backup asked for."""
    found = []
    in_copies = digests_in(after, COPY_PLACES)
    for path, item in sorted(before["card"].files.items()):
        if path in after["card"].files:
            continue
        if item.digest not in in_copies:
            found.append(Violation(1, "%s removed card/%s without a copy in the destination" % (
                run.key, path)))
        for place in backup_places:
            if is_folder(after.get(place)) and item.digest not in after[place].digests():
                found.append(Violation(1, "%s removed card/%s, which backup %s lacks" % (
                    run.key, path, place)))
    return found


def normal_name(path):
    """A copy's place with its numbers taken out: two copies of one file that differ only by
    a sequence number are the same copy made twice."""
    folder, name = os.path.split(path)
    return folder + "/" + re.sub(r"[0-9]+", "#", name)


def _naming(options):
    """The template and the {seq} scope (run when none is given) a run names its copies by."""
    template = [option for option in options if option[0] == "r" and option[1:].isdigit()]
    scope = [option for option in options if option in ("sr", "sd", "ss")] or ["sr"]
    return template + (scope if template else [])


def check_duplicates(model, run, report, before, after):
    """3: a run copies no content into the destination a second time."""
    found = []
    new_copies = {}
    for name in COPY_PLACES:
        for path, item in added(before, after, name).items():
            new_copies[(name, path)] = item.digest
    if not new_copies:
        return found
    # Copies made under the same naming as this run's: under another template the same
    # file is a new copy by request (unless the run skips copies anywhere, below).
    naming = _naming(run.options)
    groups = {}
    for (name, path), digest in copies(after).items():
        maker = model.runs.get(model.made_by.get((name, path)))
        if (name, path) not in new_copies and (maker is None or _naming(maker.options) != naming):
            continue
        groups.setdefault((digest, name, normal_name(path)), []).append(path)
    for (name, path), digest in sorted(new_copies.items()):
        same = groups.get((digest, name, normal_name(path)), [])
        if len(same) > len(model.ever.get(digest, ())):
            found.append(Violation(3, "%s copied %s again: %s holds it as %s" % (
                run.key, _names(model, digest), name, ", ".join(sorted(same)))))
    before_dest = before["dest"].digests()
    if "sca" in run.options:
        for (name, path), digest in sorted(new_copies.items()):
            if name == "dest" and digest in before_dest:
                found.append(Violation(3, "%s with --skip-copies-anywhere copied %s, already in "
                                       "the destination" % (run.key, path)))
    if "ih" not in run.options and "nh" not in run.options:
        present = digests_in(before, COPY_PLACES)
        for entry in report.get("copied", []):
            card_name = run.card_path(entry["path"])
            item = before["card"].files.get(card_name)
            earlier = model.history.get((history_folder(run.options), card_name,
                                         item.digest)) if item else None
            if earlier and model.live(earlier) and item.digest in present:
                found.append(Violation(3, "%s copied %s again, though %s recorded it in the "
                                       "import history" % (run.key, card_name, earlier)))
    return found


def check_dry_run(run, plan, report):
    """4: the dry run named the destinations the run then used."""
    found = []
    if plan is None:
        return [Violation(4, "%s's dry run printed no JSON" % run.key)]
    planned = {entry["path"]: entry for entry in plan.get("plan", [])}
    errors = {entry["path"] for entry in report.get("errors", [])}
    copied = {entry["path"]: entry["destination"] for entry in report.get("copied", [])}
    for path, destination in sorted(copied.items()):
        entry = planned.get(path)
        if entry is None:
            found.append(Violation(4, "%s copied %s, which its dry run did not plan" % (
                run.key, path)))
        elif entry.get("destination", destination) != destination:
            found.append(Violation(4, "%s copied %s to %s, its dry run said %s" % (
                run.key, path, destination, entry["destination"])))
    skipped = {entry["path"] for entry in report.get("skipped", [])}
    for path, entry in sorted(planned.items()):
        if entry.get("skipped") or entry.get("error"):
            if path in copied:
                found.append(Violation(4, "%s copied %s, which its dry run %s (%s)" % (
                    run.key, path, "skipped" if entry.get("skipped") else "failed",
                    entry.get("skipped") or entry.get("error"))))
        elif not entry.get("taken") and path not in copied and path not in errors:
            found.append(Violation(4, "%s's dry run planned %s for %s, the run %s" % (
                run.key, entry["destination"], path,
                "skipped it" if path in skipped else "did not copy it")))
    return found


def check_pairs_of_run(model, run, before, after):
    """6: a sidecar or a pair's other half that a run copied together with its leader went
    into the leader's folder (the videos' folder included)."""
    found = []
    made = {}
    for name in COPY_PLACES:
        for path, item in added(before, after, name).items():
            made.setdefault(item.digest, set()).add((name, os.path.dirname(path)))
    versions = _versions(model)
    for member, leader in sorted(model.leaders.items()):
        leader_folders = set()
        for digest in versions.get(leader, ()):
            leader_folders |= made.get(digest, set())
        for digest in versions.get(member, ()):
            if not leader_folders:
                break
            for folder in sorted(made.get(digest, set()) - leader_folders):
                found.append(Violation(6, "%s copied %s into %s/%s, its leader %s into %s" % (
                    run.key, member, folder[0], folder[1], leader,
                    ", ".join("%s/%s" % f for f in sorted(leader_folders)))))
    return found


def _versions(model):
    """Card name -> every content it ever had."""
    versions = {}
    for digest, names in model.ever.items():
        for card_name in names:
            versions.setdefault(card_name, set()).add(digest)
    return versions


def check_pairs(model, places):
    """6: every copy of a sidecar or of a pair's other half is in its leader's folder, where
    the leader has a copy in the same destination."""
    found = []
    where = {}
    for (name, path), digest in copies(places).items():
        if name == "dest" and path.split("/", 1)[0] in model.hand_placed:
            continue
        where.setdefault(digest, set()).add((name, os.path.dirname(path)))
    versions = _versions(model)
    for member, leader in sorted(model.leaders.items()):
        leader_folders = set()
        for digest in versions.get(leader, ()):
            leader_folders |= where.get(digest, set())
        if not leader_folders:
            continue
        leader_places = {place for place, _ in leader_folders}
        for digest in versions.get(member, ()):
            if digest in model.touched:
                continue
            # A leader copied only into another destination is not this copy's to follow.
            for folder in sorted(folder for folder in where.get(digest, set()) - leader_folders
                                 if folder[0] in leader_places):
                found.append(Violation(6, "%s is in %s/%s, apart from %s (in %s)" % (
                    member, folder[0], folder[1], leader,
                    ", ".join("%s/%s" % f for f in sorted(leader_folders)))))
    return found


def check_undo_report(paths, report, before, after, places):
    """7: undo's report lists exactly the copies that went and the originals that came back."""
    if report is None:
        return []
    found = []
    gone = {paths.root_path(name, path) for name in places if is_folder(before.get(name))
            for path in before[name].files if path not in after.get(name, _Empty).files}
    listed = set(report.get("removed", []))
    for path in sorted(gone - listed):
        found.append(Violation(7, "undo removed %s without listing it" % path))
    for path in sorted(listed - gone):
        found.append(Violation(7, "undo lists %s as removed, yet it is there" % path))
    back = {paths.root_path("card", path) for path in after["card"].files
            if path not in before["card"].files}
    restored = set(report.get("restored", []))
    if back != restored:
        found.append(Violation(7, "undo put back %d originals, its report lists %d" % (
            len(back), len(restored))))
    return found


def check_undo(undone_key, before, after, model, backup_places):
    """What an undo may change: copies that run made go, originals it removed come back with
    their bytes and times; nothing else moves."""
    found = []
    target = model.runs.get(undone_key) if undone_key else None
    for name in COPY_PLACES + tuple(backup_places):
        if not is_folder(before.get(name)):
            continue
        for path, item in sorted(added(before, after, name).items()):
            found.append(Violation(2, "undo added %s/%s" % (name, path)))
        for path in sorted(before[name].files):
            if path in after[name].files:
                if after[name].files[path] != before[name].files[path]:
                    found.append(Violation(2, "undo changed %s/%s" % (name, path)))
                continue
            if model.made_by.get((name, path)) != undone_key:
                found.append(Violation(1, "undo of %s removed %s/%s, which %s" % (
                    undone_key, name, path,
                    "it did not make" if (name, path) not in model.made_by
                    else "%s made" % model.made_by[(name, path)])))
    for path, item in sorted(after["card"].files.items()):
        old = before["card"].files.get(path)
        if old is None:
            original = target.before["card"].files.get(path) if target else None
            if original is None or original.digest != item.digest:
                found.append(Violation(2, "undo put card/%s back, which %s did not remove" % (
                    path, undone_key)))
        elif old != item:
            found.append(Violation(2, "undo changed card/%s" % path))
    for path in before["card"].files:
        if path not in after["card"].files:
            found.append(Violation(2, "undo removed card/%s" % path))
    return found


# Undo keeps a copy whose original is no longer at its source as it was copied (swapped,
# edited, deleted since): it may be the only copy left.
ORIGINAL_GONE = "Its original is no longer where it was copied from"


def check_undo_restores(target, before, after, places_to_compare, report=None, paths=None):
    """5: an undo right after its run brings back the state before the run, but for the
    copies it keeps because their originals are gone."""
    found = []
    if any(not same(before.get(name), target.after.get(name), folders=name != "card")
           for name in places_to_compare):
        return found  # something changed since the run: only the weaker checks apply
    kept = {item["path"] for item in (report or {}).get("kept", [])
            if item.get("reason", "").startswith(ORIGINAL_GONE)}
    for name in places_to_compare:
        want, have = target.before.get(name), after.get(name)
        keeps = set()
        if kept and paths and have is not None and name != "card":
            keeps = {path for path in have.files if paths.root_path(name, path) in kept}
            have = _without(have, keeps)
        if not same(want, have, folders=name != "card" and not keeps):
            found.append(Violation(5, "undo of %s left %s other than before the run: %s" % (
                target.key, name, _difference(want, have))))
    return found


def _without(place, paths):
    """The place as if the files `paths` were not there (their folders stay)."""
    if not paths:
        return place
    return type(place)(**{**vars(place),
                          "files": {p: f for p, f in place.files.items() if p not in paths}})


def same(one, other, folders=False):
    if one is None or other is None:
        return one is None and other is None
    return one.files == other.files and (not folders or one.folders == other.folders)


def _difference(one, other, limit=4):
    one_files = one.files if one else {}
    other_files = other.files if other else {}
    gone = sorted(set(one_files) - set(other_files))
    new = sorted(set(other_files) - set(one_files))
    changed = sorted(p for p in set(one_files) & set(other_files) if one_files[p] != other_files[p])
    parts = []
    for label, paths in (("missing", gone), ("extra", new), ("changed", changed)):
        if paths:
            more = " (+%d)" % (len(paths) - limit) if len(paths) > limit else ""
            parts.append("%s %s%s" % (label, ", ".join(paths[:limit]), more))
    if not parts and one and other and one.folders != other.folders:
        parts.append("folders differ: %s" % ", ".join(sorted(one.folders ^ other.folders)[:limit]))
    return "; ".join(parts) or "no difference in files"


def _names(model, digest):
    return "/".join(sorted(model.ever.get(digest, {"?"})))
