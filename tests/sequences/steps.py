"""Steps as short texts, so that a failing sequence prints as a list that can be pasted back:
`org+move+b1+j4` (organize with options), `dry+...` (a dry run, then the same run),
`kill@40+...` (organize killed after 40 % of the time the longest whole run of the sequence
took), `fifo@40+...` (organize while, at that moment, the card's largest file is swapped for a
FIFO), `undo` (the default run), `undo@2` (the third latest run, by its id), and the hand
changes `rename@I`, `nest@I`, `delete@I`, `edit@I`,
`shoot@N`, `away@bk1`, `back@bk1`, `link@I` (a date folder to come made a link to a folder
outside). Numbers after @ pick among what is there, modulo its count.

Organize options: move, b1, b2 (backups), verify, kb (--keep-both), j1/j4 (--jobs), ih
(--ignore-history), nh (--no-history), sca (--skip-copies-anywhere), vd (--video-dest),
r0..r3 (a --rename template), sr/sd/ss (--seq run/day/stored), d2 (into a second
destination), h2 (with a second import history, as another computer would), bd (a backup
into the run's destination itself), bc (a backup inside the card)."""
from dataclasses import dataclass

RENAME_TEMPLATES = ("{seq:3}-{name}", "%Y%m%d-{seq:4}", "{name}-{seq}", "{seq}")
SEQ_SCOPES = {"sr": "run", "sd": "day", "ss": "stored"}
ORGANIZE_KINDS = ("org", "dry", "kill", "fifo")
HAND_KINDS = ("rename", "nest", "delete", "edit", "shoot", "away", "back", "link")


@dataclass(frozen=True)
class Step:
    kind: str
    number: str = ""
    options: tuple = ()

    def __str__(self):
        head = self.kind + ("@" + self.number if self.number else "")
        return "+".join((head,) + self.options)


def parse(text):
    steps = []
    for token in filter(None, (part.strip() for part in text.split(","))):
        head, *options = token.split("+")
        kind, _, number = head.partition("@")
        if kind not in ORGANIZE_KINDS + HAND_KINDS + ("undo",):
            raise ValueError("unknown step %r" % token)
        steps.append(Step(kind, number, tuple(options)))
    return steps


def text_of(steps):
    return ",".join(str(step) for step in steps)


def organize_arguments(options, world):
    """The command line of an organize step's options."""
    arguments = ["organize", "--json", "--quiet"]
    for option in options:
        if option == "move":
            arguments.append("--move")
        elif option in ("b1", "b2"):
            arguments += ["--backup", world.path("bk1")]
            if option == "b2":
                arguments += ["--backup", world.path("bk2")]
        elif option == "bd":
            arguments += ["--backup", world.path("dest2" if "d2" in options else "dest")]
        elif option == "bc":
            arguments += ["--backup", world.path("card", "backup")]
        elif option == "verify":
            arguments.append("--verify")
        elif option == "kb":
            arguments.append("--keep-both")
        elif option in ("j1", "j4"):
            arguments += ["--jobs", option[1]]
        elif option == "ih":
            arguments.append("--ignore-history")
        elif option == "nh":
            arguments.append("--no-history")
        elif option == "sca":
            arguments.append("--skip-copies-anywhere")
        elif option == "vd":
            arguments += ["--video-dest", world.path("videos")]
        elif option[0] == "r" and option[1:].isdigit():
            arguments += ["--rename", RENAME_TEMPLATES[int(option[1:]) % len(RENAME_TEMPLATES)]]
        elif option in SEQ_SCOPES:
            arguments += ["--seq", SEQ_SCOPES[option]]
        elif option in ("d2", "h2"):
            pass  # the destination and the history's folder, below
        else:
            raise ValueError("unknown organize option %r" % option)
    return arguments + [world.path("card"), world.path("dest2" if "d2" in options else "dest")]


def history_folder(options):
    """A second import history stands for another computer's."""
    return "data2" if "h2" in options else "data"


def asked_backups(options, world):
    """Every backup folder the options ask for, as full paths."""
    folders = [world.path(place) for place in backup_places(options)]
    if "bd" in options:
        folders.append(world.path("dest2" if "d2" in options else "dest"))
    if "bc" in options:
        folders.append(world.path("card", "backup"))
    return folders


def backup_places(options):
    if "b2" in options:
        return ("bk1", "bk2")
    return ("bk1",) if "b1" in options else ()


def random_options(rng):
    options = []
    if rng.random() < 0.35:
        options.append("move")
    backups = rng.random()
    if backups < 0.15:
        options.append("b2")
    elif backups < 0.4:
        options.append("b1")
    for option, chance in (("verify", 0.2), ("kb", 0.25), ("sca", 0.15), ("vd", 0.3),
                           ("d2", 0.1), ("h2", 0.1), ("bd", 0.02), ("bc", 0.02)):
        if rng.random() < chance:
            options.append(option)
    options.append(rng.choice(["j1", "j4"]))
    history = rng.random()
    if history < 0.2:
        options.append("ih")
    elif history < 0.35:
        options.append("nh")
    if rng.random() < 0.35:
        options.append("r%d" % rng.randrange(len(RENAME_TEMPLATES)))
        if rng.random() < 0.5:
            options.append(rng.choice(sorted(SEQ_SCOPES)))
    return tuple(options)


def random_step(rng):
    roll = rng.random()
    if roll < 0.36:
        return Step("org", "", random_options(rng))
    if roll < 0.46:
        return Step("dry", "", random_options(rng))
    if roll < 0.58:
        return Step("kill", str(rng.randrange(5, 100)), random_options(rng))
    if roll < 0.61:
        return Step("fifo", str(rng.randrange(0, 100)), random_options(rng))
    if roll < 0.74:
        return Step("undo", str(rng.randrange(3)) if rng.random() < 0.4 else "")
    kind = rng.choice(HAND_KINDS)
    if kind in ("away", "back"):
        return Step(kind, rng.choice(["bk1", "bk2"]))
    return Step(kind, str(rng.randrange(1 if kind == "shoot" else 0, 4 if kind == "shoot" else 50)))


def random_steps(rng, count):
    steps = [Step("org", "", random_options(rng))]
    steps += [random_step(rng) for _ in range(count - 1)]
    return steps
