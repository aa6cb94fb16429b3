"""What the harness knows Orvane must keep: every content that was ever on the card, the
copies each run put into the backups, the originals moving runs removed, who made which
copy, and what the user changed by hand. Runs never lower an expectation; only the user's
own hand (deleting a copy, editing the only version of a photo) may."""
from dataclasses import dataclass, field

DRIVE_PLACES = ("bk1", "bk2")


def is_folder(snapshot):
    """Whether a place's snapshot is a folder (a backup drive taken away may leave a file)."""
    return snapshot is not None and "" not in snapshot.files


@dataclass
class RunRecord:
    key: str
    options: tuple
    before: dict
    after: dict
    orvane_id: str | None = None
    killed: bool = False
    undone: bool = False
    backup_places: tuple = ()


@dataclass
class Model:
    # digest -> the card names it ever had.
    ever: dict = field(default_factory=dict)
    # digests that must be on the card or in the destination (the videos' folder included).
    demanded: set = field(default_factory=set)
    # card name -> the card name of the file whose folder it must share.
    leaders: dict = field(default_factory=dict)
    # backup place (its current folder name) -> drive id, and back.
    drive_at: dict = field(default_factory=dict)
    place_of_drive: dict = field(default_factory=dict)
    drive_count: int = 0
    # (drive id, digest) -> run keys that put that content there.
    backup_copies: dict = field(default_factory=dict)
    # (drive id, digest, run key): an original a moving run removed, so that while the card
    # lacks it every backup of that run must hold it.
    removals: set = field(default_factory=set)
    # (place, relative path) -> the run key that made that copy.
    made_by: dict = field(default_factory=dict)
    # Names of the destination's top folders that the user made by hand (renamed or nested).
    hand_placed: set = field(default_factory=set)
    # Digests whose copies the user moved or deleted by hand: their pairs may be split by them.
    touched: set = field(default_factory=set)
    # (history folder, card name, digest) -> run key, for copies recorded in an import history.
    history: dict = field(default_factory=dict)
    runs: dict = field(default_factory=dict)
    by_orvane_id: dict = field(default_factory=dict)

    def learn_file(self, name, digest):
        self.ever.setdefault(digest, set()).add(name)
        self.demanded.add(digest)

    def drive(self, place):
        """The drive now at backup place `place`, a new one when none was seen there."""
        if place not in self.drive_at:
            self.drive_count += 1
            drive = "%s#%d" % (place, self.drive_count)
            self.drive_at[place] = drive
            self.place_of_drive[drive] = place
        return self.drive_at[place]

    def move_drive(self, old_place, new_place):
        drive = self.drive_at.pop(old_place, None)
        if drive is not None:
            self.drive_at[new_place] = drive
            self.place_of_drive[drive] = new_place

    def live(self, run_key):
        run = self.runs.get(run_key)
        return run is not None and not run.undone

    def forget_run(self, run_key):
        """An undone run: its backup copies and history records are gone with it."""
        self.runs[run_key].undone = True
        for key in list(self.backup_copies):
            self.backup_copies[key].discard(run_key)
            if not self.backup_copies[key]:
                del self.backup_copies[key]
        self.history = {key: run for key, run in self.history.items() if run != run_key}
        self.removals = {entry for entry in self.removals if entry[2] != run_key}

    def drop_lost(self, places):
        """After a hand change: what the user destroyed is no longer expected anywhere."""
        present = set()
        for name in ("card", "dest", "dest2", "videos"):
            present |= places[name].digests()
        self.demanded &= present
        for key in list(self.backup_copies):
            drive, digest = key
            place = self.place_of_drive.get(drive)
            if is_folder(places.get(place)) and digest not in places[place].digests():
                del self.backup_copies[key]
