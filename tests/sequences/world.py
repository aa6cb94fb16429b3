"""One sequence's world: a temporary root holding the card, the destination, the videos'
folder, two backup drives, a folder nobody asked Orvane to touch, and Orvane's own
settings, state and history, all inside it. Runs the real program there and takes
snapshots of what is on disk."""
import hashlib
import json
import os
import shutil
import signal
import subprocess
import tempfile
import time
from dataclasses import dataclass

CARD, DEST, DEST2, VIDEOS = "card", "dest", "dest2", "videos"
BACKUPS = ("bk1", "bk2")
OUTSIDE = "outside"
OWN_STATE = ("config", "state", "data", "data2")
# The longest any single command may take; a run that hangs is a failure of its own, and
# SIGTERM must then end it within the grace.
COMMAND_TIMEOUT = 30
TERM_GRACE = 5
TEMPORARY_PREFIX = ".orvane-"


@dataclass(frozen=True)
class Item:
    """A file as a snapshot sees it: its content's digest and its modification time."""
    digest: str
    mtime_ns: int


@dataclass
class Snapshot:
    files: dict  # path relative to the snapshot's folder -> Item
    folders: set

    def digests(self):
        return {item.digest for item in self.files.values()}


def digest_of(data):
    return hashlib.blake2b(data, digest_size=12).hexdigest()


def snapshot(folder, skip_temporaries=True):
    """Every file below `folder` (links are not followed; a link is recorded as its target
    text) and every folder. Orvane's hidden temporaries of a killed run are left out when
    asked, since the next command is documented to remove them."""
    files, folders = {}, set()
    if not os.path.lexists(folder):
        return Snapshot(files, folders)
    if not os.path.isdir(folder) or os.path.islink(folder):
        files[""] = _item(folder)
        return Snapshot(files, folders)
    for parent, names, file_names in os.walk(folder):
        relative = os.path.relpath(parent, folder)
        relative = "" if relative == "." else relative + "/"
        for name in names:
            folders.add(relative + name)
        for name in file_names:
            if skip_temporaries and name.startswith(TEMPORARY_PREFIX):
                continue
            files[relative + name] = _item(os.path.join(parent, name))
        for name in list(names):
            if os.path.islink(os.path.join(parent, name)):
                names.remove(name)
                files[relative + name] = _item(os.path.join(parent, name))
    return Snapshot(files, folders)


def _item(path):
    status = os.lstat(path)
    if os.path.islink(path):
        return Item("link:" + os.readlink(path), status.st_mtime_ns)
    if not os.path.isfile(path):
        return Item("special", status.st_mtime_ns)
    with open(path, "rb") as source:
        return Item(digest_of(source.read()), status.st_mtime_ns)


@dataclass
class Outcome:
    """What one command did: its exit status (negative: the signal that ended it), its
    parsed JSON (None when it printed none) and its error output."""
    status: int
    report: dict | None
    stderr: str
    killed: bool = False
    seconds: float = 0.0
    hung: bool = False


class World:
    def __init__(self, binary, keep=False):
        self.binary = binary
        base = "/dev/shm" if os.access("/dev/shm", os.W_OK) else None
        self.root = tempfile.mkdtemp(prefix="orvane-seq-", dir=base)
        self.keep = keep
        for name in (CARD, DEST, DEST2, VIDEOS, OUTSIDE) + BACKUPS + OWN_STATE:
            os.makedirs(self.path(name))
        # Things Orvane has no business with, beside and inside the root.
        with open(self.path(OUTSIDE, "letter.txt"), "w") as out:
            out.write("not a photo\n")
        with open(self.path("readme-of-the-root.txt"), "w") as out:
            out.write("left alone\n")
        self.env = dict(os.environ, TZ="UTC", LC_ALL="C.UTF-8",
                        ORVANE_CONFIG_DIR=self.path("config"),
                        ORVANE_STATE_DIR=self.path("state"),
                        ORVANE_DATA_DIR=self.path("data"))

    def path(self, *parts):
        return os.path.join(self.root, *parts)

    def close(self):
        if not self.keep:
            shutil.rmtree(self.root, ignore_errors=True)

    def orvane(self, arguments, kill_after_ms=None, history="data", meanwhile=None):
        """Runs `orvane ARGUMENTS`; with `kill_after_ms`, sends SIGKILL that many milliseconds
        after the start (the run may have ended by then); `meanwhile` is (milliseconds,
        function) to do something to the world while the run goes on. `history` names the
        folder of the import history. A command that hangs gets SIGTERM, and SIGKILL when
        that does not end it within a few seconds."""
        started = time.monotonic()
        env = dict(self.env, ORVANE_DATA_DIR=self.path(history))
        process = subprocess.Popen([self.binary] + arguments, cwd=self.root, env=env,
                                   stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE)
        killed = False
        if meanwhile is not None:
            try:
                process.wait(timeout=meanwhile[0] / 1000.0)
            except subprocess.TimeoutExpired:
                pass
            meanwhile[1]()
        if kill_after_ms is not None:
            try:
                process.wait(timeout=kill_after_ms / 1000.0)
            except subprocess.TimeoutExpired:
                process.send_signal(signal.SIGKILL)
                killed = True
        try:
            stdout, stderr = process.communicate(timeout=COMMAND_TIMEOUT)
        except subprocess.TimeoutExpired:
            process.send_signal(signal.SIGTERM)
            try:
                stdout, stderr = process.communicate(timeout=TERM_GRACE)
                ended = "ended by SIGTERM with exit %d" % process.returncode
            except subprocess.TimeoutExpired:
                process.kill()
                stdout, stderr = process.communicate()
                ended = "SIGTERM did not end it within %d s" % TERM_GRACE
            return Outcome(-signal.SIGKILL, None, "hung for %d s, %s: %s" % (
                COMMAND_TIMEOUT, ended, stderr.decode(errors="replace")[-300:]), hung=True)
        killed = killed and process.returncode == -signal.SIGKILL
        return Outcome(process.returncode, _json_or_none(stdout),
                       stderr.decode(errors="replace"), killed, time.monotonic() - started)

    def run_ids(self):
        """The recorded runs' ids, latest first."""
        listed = self.orvane(["runs", "--json"])
        return [run["id"] for run in listed.report or []]

    def everything(self):
        """A snapshot of every place that matters, by the place's name."""
        places = {}
        for name in sorted(os.listdir(self.root)):
            if name in OWN_STATE:
                continue
            places[name] = snapshot(self.path(name))
        return places


def _json_or_none(stdout):
    try:
        return json.loads(stdout.decode(errors="replace"))
    except ValueError:
        return None

