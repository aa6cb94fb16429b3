"""Memory cards made from nothing but bytes: EXIF JPEGs, TIFF-based raw files, MP4 and MOV
videos, sidecars, copies of one photo under two names and names that collide in two camera
folders. Everything a card holds follows from the random generator it is given, its file
times included, so that a seed always makes the same card."""
import os
import struct
from dataclasses import dataclass, field
from datetime import datetime, timedelta, timezone

# Seconds from the MP4 epoch (1904-01-01) to the Unix one.
MP4_EPOCH_OFFSET = 2082844800


@dataclass
class CardFile:
    """One file of a card: its place below the card, its bytes and its modification time.
    `leader` names the file whose folder it must share in the destination (the photo of a
    sidecar, the raw file of a RAW+JPEG pair), None for a file that stands alone."""
    name: str
    data: bytes
    mtime: float
    leader: str | None = None


@dataclass
class Card:
    files: list[CardFile] = field(default_factory=list)

    def add(self, name, data, mtime, leader=None):
        self.files.append(CardFile(name, data, mtime, leader))

    def write(self, root):
        for item in self.files:
            write_file(root, item)


def write_file(root, item):
    path = os.path.join(root, item.name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(item.data)
    os.utime(path, (item.mtime, item.mtime))


def _ifd(entries, offset, next_ifd=0):
    """A little-endian TIFF image file directory at `offset`: entries are (tag, type, count,
    value bytes); values longer than four bytes go after the directory. Answers the bytes."""
    size = 2 + 12 * len(entries) + 4
    table, extra = bytearray(struct.pack("<H", len(entries))), bytearray()
    for tag, kind, count, value in sorted(entries):
        if len(value) <= 4:
            table += struct.pack("<HHI", tag, kind, count) + value.ljust(4, b"\0")
        else:
            table += struct.pack("<HHII", tag, kind, count, offset + size + len(extra))
            extra += value + (b"\0" if len(value) % 2 else b"")
    table += struct.pack("<I", next_ifd)
    return bytes(table + extra)


def _ascii(text):
    return text.encode() + b"\0"


def tiff_with_date(make, model, taken):
    """A TIFF stream (header, IFD0 with Make, Model and the Exif IFD's place, the Exif IFD
    with DateTimeOriginal); `taken` None leaves the date out."""
    ifd0_entries = [(0x010F, 2, len(_ascii(make)), _ascii(make)),
                    (0x0110, 2, len(_ascii(model)), _ascii(model))]
    if taken is None:
        return b"II*\0" + struct.pack("<I", 8) + _ifd(ifd0_entries, 8)
    # The Exif IFD goes after IFD0; its size depends only on the entry count, so IFD0 is laid
    # out once with a placeholder to learn where it ends.
    with_pointer = ifd0_entries + [(0x8769, 4, 1, struct.pack("<I", 0))]
    exif_at = 8 + len(_ifd(with_pointer, 8))
    ifd0 = _ifd(ifd0_entries + [(0x8769, 4, 1, struct.pack("<I", exif_at))], 8)
    stamp = _ascii(taken.strftime("%Y:%m:%d %H:%M:%S"))
    exif = _ifd([(0x9003, 2, len(stamp), stamp)], exif_at)
    return b"II*\0" + struct.pack("<I", 8) + ifd0 + exif


def jpeg(make, model, taken, payload):
    """A JPEG whose APP1 holds EXIF; `payload` goes into a comment segment so that every
    photo has bytes of its own and a size worth copying."""
    exif = b"Exif\0\0" + tiff_with_date(make, model, taken)
    out = bytearray(b"\xff\xd8")
    out += b"\xff\xe1" + struct.pack(">H", len(exif) + 2) + exif
    for at in range(0, len(payload), 65000):
        chunk = payload[at:at + 65000]
        out += b"\xff\xfe" + struct.pack(">H", len(chunk) + 2) + chunk
    out += b"\xff\xd9"
    return bytes(out)


def raw_file(make, model, taken, payload):
    """A TIFF-based raw file: the EXIF stream followed by sensor data."""
    return tiff_with_date(make, model, taken) + payload


def _box(kind, body):
    return struct.pack(">I", 8 + len(body)) + kind + body


def mp4(taken, payload, brand=b"isom"):
    """An MP4 (or, with brand b"qt  ", a MOV): ftyp, a moov whose mvhd holds the recording
    time in UTC, and an mdat of `payload`."""
    seconds = int(taken.replace(tzinfo=timezone.utc).timestamp()) + MP4_EPOCH_OFFSET
    mvhd = struct.pack(">B3sIIII", 0, b"\0\0\0", seconds, seconds, 600, 600 * 5)
    mvhd += struct.pack(">IH", 0x00010000, 0x0100) + b"\0" * 10
    mvhd += struct.pack(">9I", 0x00010000, 0, 0, 0, 0x00010000, 0, 0, 0, 0x40000000)
    mvhd += b"\0" * 24 + struct.pack(">I", 2)
    ftyp = _box(b"ftyp", brand + struct.pack(">I", 0) + brand)
    return ftyp + _box(b"moov", _box(b"mvhd", mvhd)) + _box(b"mdat", payload)


def xmp(name, taken):
    return ("<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF><rdf:Description about=\"%s\" "
            "rating=\"%d\" created=\"%s\"/></rdf:RDF></x:xmpmeta>\n" %
            (name, len(name) % 5, taken.isoformat())).encode()


class CardMaker:
    """Makes cards from a random generator: photos over a few days, some of them paired or
    with sidecars, videos, duplicates and colliding names, each at most once per card."""

    def __init__(self, rng):
        self.rng = rng
        start = datetime(2019, 1, 1) + timedelta(days=rng.randrange(0, 1500))
        self.days = [start + timedelta(days=step * rng.randint(1, 3)) for step in range(4)]
        self.number = 1
        self.camera = rng.choice([("Canon", "EOS 5D"), ("NIKON CORPORATION", "NIKON D750")])

    def moment(self):
        day = self.rng.choice(self.days)
        return day + timedelta(seconds=self.rng.randrange(6 * 3600, 22 * 3600))

    def payload(self, low=2_000, high=120_000):
        return self.rng.randbytes(self.rng.randint(low, high))

    def next_name(self, folder, prefix, extension):
        name = "DCIM/%s/%s_%04d.%s" % (folder, prefix, self.number, extension)
        self.number += 1
        return name

    def photo(self, card, folder="100CANON"):
        taken = self.moment()
        name = self.next_name(folder, "IMG", "JPG")
        card.add(name, jpeg(*self.camera, taken, self.payload()), _mtime(taken))
        return name, taken

    def make(self, photos=None):
        rng, card = self.rng, Card()
        for _ in range(photos if photos is not None else rng.randint(6, 14)):
            self.photo(card)
        for _ in range(rng.randint(1, 3)):
            self._raw_pair(card)
        for _ in range(rng.randint(1, 3)):
            self._with_sidecar(card)
        for _ in range(rng.randint(1, 2)):
            self._video(card)
        if rng.random() < 0.7:
            self._duplicate(card)
        if rng.random() < 0.5:
            self._collision(card)
        if rng.random() < 0.5:
            self._undated(card)
        return card

    def more_photos(self, count):
        """Photos shot since: new names, on the card's days."""
        card = Card()
        for _ in range(count):
            self.photo(card, self.rng.choice(["100CANON", "101CANON"]))
        return card

    def _raw_pair(self, card):
        taken = self.moment()
        stem = "DCIM/100CANON/IMG_%04d" % self.number
        self.number += 1
        raw_extension = self.rng.choice(["CR2", "NEF"])
        # An undated raw file takes the date of its JPEG ("paired"); a dated one leads.
        raw_taken = taken if self.rng.random() < 0.6 else None
        raw = stem + "." + raw_extension
        card.add(raw, raw_file(*self.camera, raw_taken, self.payload(50_000, 400_000)),
                 _mtime(taken))
        card.add(stem + ".JPG", jpeg(*self.camera, taken, self.payload()), _mtime(taken),
                 leader=raw)

    def _with_sidecar(self, card):
        name, taken = self.photo(card)
        stem = name.rsplit(".", 1)[0]
        sidecar = self.rng.choice([stem + ".xmp", name + ".xmp"])
        card.add(sidecar, xmp(name, taken), _mtime(taken) + 30, leader=name)

    def _video(self, card):
        taken = self.moment()
        extension, brand = self.rng.choice([("MP4", b"isom"), ("MOV", b"qt  ")])
        name = self.next_name("100CANON", "MVI", extension)
        card.add(name, mp4(taken, self.payload(200_000, 1_500_000), brand), _mtime(taken))
        if self.rng.random() < 0.5:
            card.add(name.rsplit(".", 1)[0] + ".THM",
                     jpeg(*self.camera, taken, self.payload(1_000, 5_000)), _mtime(taken),
                     leader=name)

    def _duplicate(self, card):
        original = self.rng.choice([f for f in card.files if f.name.endswith(".JPG")
                                    and f.leader is None])
        card.add(self.next_name("101CANON", "IMG", "JPG"), original.data, original.mtime)

    def _collision(self, card):
        """The same name in another camera folder, other bytes, the same day."""
        original = self.rng.choice([f for f in card.files if f.name.endswith(".JPG")
                                    and f.leader is None and "/100CANON/" in f.name])
        taken = datetime.fromtimestamp(original.mtime, timezone.utc).replace(tzinfo=None)
        taken += timedelta(seconds=self.rng.randrange(1, 600))
        card.add(original.name.replace("/100CANON/", "/101CANON/"),
                 jpeg(*self.camera, taken, self.payload()), _mtime(taken))

    def _undated(self, card):
        taken = self.moment()
        card.add(self.next_name("100CANON", "NOTE", "TXT"), self.payload(10, 2_000),
                 _mtime(taken))


def _mtime(taken):
    return taken.replace(tzinfo=timezone.utc).timestamp()
