"""What a user does by hand between runs: renaming or nesting a date folder, deleting a copy,
editing a photo on the card, shooting more photos, taking a backup drive away and bringing it
back. Each answers a line saying what it did, or None when there was nothing to do."""
import ctypes
import os

from world import Snapshot, digest_of


def date_folders(world, model):
    dest = world.path("dest")
    return sorted(name for name in os.listdir(dest)
                  if os.path.isdir(os.path.join(dest, name)) and not name.startswith(".")
                  and name not in model.hand_placed)


def _pick(items, number):
    return items[int(number or 0) % len(items)] if items else None


def _forget_made_below(model, place, top):
    """Copies moved by hand are no longer as their run left them: undo must keep them."""
    for key in [key for key in model.made_by if key[0] == place and
                key[1].split("/", 1)[0] == top]:
        del model.made_by[key]


def _touch_below(world, model, folder):
    for parent, _, names in os.walk(folder):
        for name in names:
            with open(os.path.join(parent, name), "rb") as source:
                model.touched.add(digest_of(source.read()))


def rename(world, model, number, rng):
    folder = _pick(date_folders(world, model), number)
    if folder is None:
        return None
    new_name = folder + " trip"
    while os.path.lexists(world.path("dest", new_name)):
        new_name += " again"
    _touch_below(world, model, world.path("dest", folder))
    os.rename(world.path("dest", folder), world.path("dest", new_name))
    _forget_made_below(model, "dest", folder)
    model.hand_placed.add(new_name)
    return "renamed dest/%s to %s" % (folder, new_name)


def nest(world, model, number, rng):
    folder = _pick(date_folders(world, model), number)
    if folder is None:
        return None
    os.makedirs(world.path("dest", "sorted by hand"), exist_ok=True)
    if os.path.lexists(world.path("dest", "sorted by hand", folder)):
        return None
    _touch_below(world, model, world.path("dest", folder))
    os.rename(world.path("dest", folder), world.path("dest", "sorted by hand", folder))
    _forget_made_below(model, "dest", folder)
    model.hand_placed.add("sorted by hand")
    return "moved dest/%s into dest/sorted by hand" % folder


def delete(world, model, number, rng):
    files = []
    for parent, _, names in os.walk(world.path("dest")):
        files += [os.path.join(parent, name) for name in names]
    path = _pick(sorted(files), number)
    if path is None:
        return None
    with open(path, "rb") as source:
        model.touched.add(digest_of(source.read()))
    os.remove(path)
    model.made_by.pop(("dest", os.path.relpath(path, world.path("dest"))), None)
    return "deleted %s" % os.path.relpath(path, world.root)


def card_files(world):
    """The card's regular files, relative to it."""
    card = world.path("card")
    files = []
    for parent, _, names in os.walk(card):
        files += [os.path.relpath(os.path.join(parent, name), card) for name in names
                  if os.path.isfile(os.path.join(parent, name))]
    return sorted(files)


def edit(world, model, number, rng):
    card = world.path("card")
    files = card_files(world)
    name = _pick(files, number)
    if name is None:
        return None
    path = os.path.join(card, name)
    with open(path, "rb") as source:
        data = source.read()
    # The user replaces that version of the photo: unless the card holds it under another
    # name too, it is theirs to lose now (an undo may take its copy back).
    old_digest = digest_of(data)
    if not any(other != name and old_digest in _digest_of_file(card, other) for other in files):
        model.demanded.discard(old_digest)
    # A photo edited in place: its header kept, new bytes after it, a new time.
    data = data[: len(data) // 2] + rng.randbytes(rng.randint(100, 5000)) + data[-2:]
    mtime = os.stat(path).st_mtime + 86400
    with open(path, "wb") as out:
        out.write(data)
    os.utime(path, (mtime, mtime))
    model.learn_file(name, digest_of(data))
    return "edited card/%s" % name


def _digest_of_file(folder, name):
    with open(os.path.join(folder, name), "rb") as source:
        return {digest_of(source.read())}


def shoot(world, model, number, maker):
    shot = maker.more_photos(int(number or 1))
    shot.write(world.path("card"))
    for item in shot.files:
        model.learn_file(item.name, digest_of(item.data))
    return "shot %s" % ", ".join(item.name for item in shot.files)


_RENAME_EXCHANGE = 2
_AT_FDCWD = -100


def exchange(one, other):
    """Swaps two names atomically (renameat2 with RENAME_EXCHANGE); False when either is
    missing."""
    libc = ctypes.CDLL(None, use_errno=True)
    return libc.renameat2(_AT_FDCWD, one.encode(), _AT_FDCWD, other.encode(),
                          _RENAME_EXCHANGE) == 0


class FifoSwap:
    """The card's largest file swapped for a FIFO of the same name while a run goes on (a
    camera app replacing it, or someone hostile). The user's doing: the version swapped out
    is no longer expected unless a copy of it was made."""

    def __init__(self, world, model):
        self.world, self.model = world, model
        card = world.path("card")
        files = card_files(world)
        self.name = max(files, key=lambda name: (os.path.getsize(os.path.join(card, name)),
                                                 name)) if files else None
        self.line = "fifo: nothing to swap"

    def swap(self):
        if self.name is None:
            return
        path = self.world.path("card", self.name)
        os.mkfifo(path + ".swap")
        # Exchanged in one step, so that a file a moving run removed in the meantime is not
        # replaced by a FIFO the run never saw.
        if not exchange(path + ".swap", path):
            os.remove(path + ".swap")
            self.line = "fifo: card/%s was gone already" % self.name
            return
        with open(path + ".swap", "rb") as source:
            self.digest = digest_of(source.read())
        os.remove(path + ".swap")
        self.line = "swapped card/%s for a FIFO" % self.name

    def settle(self, places):
        """After the run: as with an edit, the version swapped out is the user's to lose now,
        unless the card holds it under another name too."""
        digest = getattr(self, "digest", None)
        if digest and not any(item.digest == digest for name, item in places["card"].files.items()
                              if name != self.name):
            self.model.demanded.discard(digest)

    def card_before(self, before, after):
        """`before` with the FIFO in the card as the run should have found it."""
        if self.name is None or self.name not in after["card"].files:
            return before
        card = Snapshot(dict(before["card"].files), set(before["card"].folders))
        card.files[self.name] = after["card"].files[self.name]
        return dict(before, card=card)


def away(world, model, place, rng):
    """A backup drive taken away: its folder goes aside (the drive, elsewhere) and, half the
    time, a plain file stands where it was mounted."""
    path = world.path(place)
    if not os.path.isdir(path) or os.path.islink(path):
        return None
    number = 1
    while os.path.lexists(path + ".away%d" % number):
        number += 1
    aside = "%s.away%d" % (place, number)
    model.drive(place)
    os.rename(path, world.path(aside))
    model.move_drive(place, aside)
    if rng.random() < 0.5:
        with open(path, "w") as out:
            out.write("the drive is not mounted\n")
        return "took %s away (a file stands in its place)" % place
    return "took %s away" % place


def back(world, model, place, rng):
    """The drive taken away last comes back: whatever stands in its place goes aside."""
    aways = sorted(name for name in os.listdir(world.root) if name.startswith(place + ".away"))
    if not aways:
        return None
    latest = max(aways, key=lambda name: int(name[len(place) + 5:]))
    path = world.path(place)
    if os.path.lexists(path):
        number = 1
        while os.path.lexists(path + ".later%d" % number):
            number += 1
        os.rename(path, path + ".later%d" % number)
        model.move_drive(place, "%s.later%d" % (place, number))
    os.rename(world.path(latest), path)
    model.move_drive(latest, place)
    return "brought %s back" % place


def link(world, model, number, days):
    """A date folder that a run will want, made a link to a folder outside the destination
    (the user keeps a year on another disk, or someone planted it)."""
    day = _pick(sorted(days), number).strftime("%Y-%m-%d")
    if os.path.lexists(world.path("dest", day)):
        return None
    os.symlink(os.path.join("..", "outside"), world.path("dest", day))
    model.hand_placed.add(day)
    return "made dest/%s a link to ../outside" % day


ACTIONS = {"rename": rename, "nest": nest, "delete": delete, "edit": edit, "away": away,
           "back": back}


def managed_places(world):
    """The root's names that belong to the card, the destinations and the backup drives."""
    names = {"card", "dest", "dest2", "videos"}
    for name in os.listdir(world.root):
        if name.split(".")[0] in ("bk1", "bk2"):
            names.add(name)
    return names

