// What exiv2 makes of these files decides which of their dates counts, so that a file dates
// the same whichever reader answers:
// - RW2: exiv2 reads IFD 0 as Panasonic's own tags (its make, model and dates are not the
//   image's), the EXIF IFD it points to as the image's, and then the embedded JPEG, whose
//   tags fill in what the raw structure lacks: the EXIF IFD's DateTimeOriginal comes first,
//   else the JPEG's dates; the make and model are always the JPEG's.
// - RAF: exiv2 takes the EXIF block at the twelfth byte of the embedded JPEG, as it lies
//   behind the SOI, the APP1 marker, its length and "Exif\0\0", without looking at them.
// The entries are read with libexif but weighed in exiv2's order: DateTimeOriginal of the
// EXIF IFD, then of IFD 0, then IFD 0's DateTime, each taken only as text. libexif also
// reads damaged IFDs where exiv2 gives up on them (more than 256 entries, an EXIF IFD
// pointer of several values): those are read as exiv2 reads them, and what cannot be (a
// JPEG whose segments are damaged) is left to exiv2.

#include "dates/RawExif.h"

#include "dates/ExifDate.h"
#include "dates/ExifDateText.h"
#include "dates/ExifTiff.h"
#include "naming/CameraName.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <libexif/exif-data.h>
#include <vector>

namespace orvane {
namespace {

// The EXIF block of an RW2's embedded JPEG is one of its first segments, each at most
// 64 KiB: this much of the JPEG holds it.
constexpr uint64_t kJpegHead = 128 * 1024;
constexpr unsigned kTagJpgFromRaw = 0x002e;
constexpr unsigned kTagExifIfd = 0x8769;
constexpr unsigned kTagDateTimeOriginal = 0x9003;
// exiv2 reads no IFD of more entries than this, and skips entries of this many values.
constexpr unsigned kMostEntries = 256;
constexpr uint32_t kMostValues = 0x10000000;

uint32_t bigEndian32(const unsigned char* bytes) {
    return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) |
           bytes[3];
}

// The IFDs of a TIFF structure held in memory, as far as the date needs them.
class Ifds {
  public:
    struct Entry {
        unsigned type = 0;
        uint32_t count = 0;
        uint32_t value = 0; // the value itself when it fits in four bytes, else its offset
        size_t at = 0;      // where the entry lies
    };

    Ifds(const unsigned char* bytes, size_t length) : bytes_(bytes), length_(length) {
        bigEndian_ = length >= 2 && bytes[0] == 'M';
    }

    // The offset of IFD 0, or 0 when the header does not name one that lies in the bytes.
    uint32_t first() const {
        if (length_ < 8)
            return 0;
        const uint32_t at = u32(4);
        return at >= 8 && fits(at, 2) ? at : 0;
    }

    // Whether exiv2 reads the IFD at `at`: it has at most kMostEntries entries.
    bool readable(uint32_t at) const { return at && u16(at) <= kMostEntries; }

    // The offset of the EXIF IFD that the IFD at `at` points to, when exiv2 follows the
    // pointer (a single value of an offset's type, to an IFD it reads); 0 otherwise.
    uint32_t exifIfd(uint32_t at) const {
        Entry exif;
        if (!find(at, kTagExifIfd, exif) ||
            !(exif.type == 4 || exif.type == 9 || exif.type == 13) || exif.count != 1 ||
            !fits(exif.value, 2) || !readable(exif.value))
            return 0;
        return exif.value;
    }

    // The first entry of `tag` in the IFD at `at` that exiv2 keeps: its twelve bytes lie in
    // the bytes, and its count is below exiv2's bound.
    bool find(uint32_t at, unsigned tag, Entry& found) const {
        const size_t count = u16(at);
        for (size_t i = 0; i < count && fits(at + 2 + 12 * i, 12); ++i) {
            const size_t entry = at + 2 + 12 * i;
            if (u16(entry) == tag && u32(entry + 4) < kMostValues) {
                found = {u16(entry + 2), u32(entry + 4), u32(entry + 8), entry};
                return true;
            }
        }
        return false;
    }

    // The bytes of a text entry's value, when all of them lie in the bytes; null otherwise.
    const unsigned char* text(const Entry& entry) const {
        if (entry.count <= 4)
            return bytes_ + entry.at + 8;
        return fits(entry.value, entry.count) ? bytes_ + entry.value : nullptr;
    }

  private:
    bool fits(size_t at, size_t size) const { return at <= length_ && size <= length_ - at; }
    unsigned u16(size_t at) const {
        const unsigned a = bytes_[at], b = bytes_[at + 1];
        return bigEndian_ ? (a << 8) | b : (b << 8) | a;
    }
    uint32_t u32(size_t at) const {
        const uint32_t a = u16(at), b = u16(at + 2);
        return bigEndian_ ? (a << 16) | b : (b << 16) | a;
    }

    const unsigned char* bytes_;
    size_t length_;
    bool bigEndian_ = false;
};

bool isTiff(const unsigned char* bytes, size_t length) {
    return length >= 8 &&
           (std::memcmp(bytes, "II*\0", 4) == 0 || std::memcmp(bytes, "MM\0*", 4) == 0);
}

// The first EXIF block of a JPEG, found by its segments as exiv2 finds it.
struct JpegExif {
    bool walked = false; // the segments led, within the bytes, to the image data or the end
    const unsigned char* tiff = nullptr;
    size_t length = 0;
};

// exiv2 gives up on a JPEG whose segments are damaged before its image data: the block is
// only taken from a JPEG whose segments are whole.
JpegExif jpegExifBlock(const unsigned char* bytes, size_t length) {
    JpegExif found;
    if (length < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8)
        return {};
    for (size_t at = 2; at + 2 <= length && bytes[at] == 0xFF;) {
        const unsigned marker = bytes[at + 1];
        if (marker == 0xD9 || marker == 0xDA) { // the end, or the image data
            found.walked = true;
            return found;
        }
        if (at + 4 > length)
            break;
        const size_t size = (size_t{bytes[at + 2]} << 8) | bytes[at + 3];
        if (size < 2 || size > length - at - 2)
            break;
        if (!found.tiff && marker == 0xE1 && size >= 8 &&
            std::memcmp(bytes + at + 4, "Exif\0\0", 6) == 0) {
            if (size < 8 + 8)
                break;
            found.tiff = bytes + at + 10;
            found.length = size - 8;
        }
        at += 2 + size;
    }
    return {};
}

// The embedded JPEG that IFD 0 of an RW2 file names, when its data lies in the file.
bool embeddedJpeg(const Ifds& raw, uint32_t ifd0, uint64_t fileSize, uint64_t& offset,
                  uint64_t& length) {
    Ifds::Entry jpeg;
    if (!raw.find(ifd0, kTagJpgFromRaw, jpeg) || jpeg.type != 7 || jpeg.count <= 4 ||
        jpeg.value > fileSize || jpeg.count > fileSize - jpeg.value)
        return false;
    offset = jpeg.value;
    length = jpeg.count;
    return true;
}

// A date tag as exiv2 looks for it: in one IFD, taken when it is text that parses.
struct DateTag {
    ExifIfd ifd;
    ExifTag tag;
    const char* name;
};

constexpr DateTag kPhotoOriginal{EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_ORIGINAL,
                                 "EXIF_TAG_DATE_TIME_ORIGINAL"};
constexpr DateTag kImageOriginal{EXIF_IFD_0, EXIF_TAG_DATE_TIME_ORIGINAL,
                                 "EXIF_TAG_DATE_TIME_ORIGINAL"};
constexpr DateTag kImageDateTime{EXIF_IFD_0, EXIF_TAG_DATE_TIME, "EXIF_TAG_DATE_TIME"};
constexpr unsigned kAscii = 2;

// The date of the first of `tags` that exiv2 would take, read from what libexif loaded of
// the same bytes as `ifds`. `known` turns false when libexif's entry is not the text exiv2
// reads (its value lies past the bytes libexif is given, or was changed): the answer is then
// exiv2's.
time_t firstDate(ExifData* data, const Ifds& ifds, std::initializer_list<DateTag> tags,
                 bool& known) {
    known = true;
    const uint32_t ifd0 = ifds.first(), exif = ifds.exifIfd(ifd0);
    for (const DateTag& wanted : tags) {
        const uint32_t at = wanted.ifd == EXIF_IFD_0 ? ifd0 : exif;
        Ifds::Entry seen;
        if (!at || !ifds.find(at, wanted.tag, seen) || seen.type != kAscii)
            continue;
        // libexif's text must be the one exiv2 reads: not clipped, and not changed on loading
        // (the link to IFD 1 is cleared where IFD 0 says it lies).
        ExifEntry* entry = data->ifd[wanted.ifd]
                               ? exif_content_get_entry(data->ifd[wanted.ifd], wanted.tag)
                               : nullptr;
        const unsigned char* bytes = ifds.text(seen);
        if (!entry || entry->format != EXIF_FORMAT_ASCII || !bytes || entry->size != seen.count ||
            std::memcmp(entry->data, bytes, seen.count) != 0) {
            known = false;
            return -1;
        }
        char text[4096];
        exif_entry_get_value(entry, text, sizeof text);
        if (const time_t seconds = unixTimeFromExifDate(text, wanted.name); seconds != -1)
            return seconds;
    }
    return -1;
}

// The DateTimeOriginal of the EXIF IFD that IFD 0 of the RW2 head points to, or -1.
time_t rawOriginal(std::vector<unsigned char>& head, const Ifds& raw, bool& known) {
    known = false;
    // libexif reads the structure once its magic is TIFF's; the head is a copy.
    head[2] = 0x2A;
    head[3] = 0;
    ExifData* data = loadExifFromTiff(head.data(), static_cast<uint32_t>(head.size()));
    if (!data)
        return -1;
    const time_t seconds = firstDate(data, raw, {kPhotoOriginal}, known);
    exif_data_free(data);
    return seconds;
}

// The date of the EXIF block of a RAF's or an RW2's embedded JPEG by `tags`, its make and
// model noted on the way as exiv2 notes them; -1 when it has none, or when it is exiv2's to
// tell. `readable` tells whether exiv2 reads its IFD 0 (and names the camera by it).
time_t blockDate(const unsigned char* tiff, size_t length, std::initializer_list<DateTag> tags,
                 bool& readable) {
    readable = false;
    if (!tiff || !isTiff(tiff, length))
        return -1;
    const Ifds ifds(tiff, length);
    if (!ifds.readable(ifds.first()))
        return -1;
    readable = true;
    ExifData* data =
        loadExifFromTiff(tiff, static_cast<uint32_t>(std::min<size_t>(length, kTiffExifBound)));
    if (!data)
        return -1;
    noteExifCamera(data);
    bool known = true;
    const time_t seconds = firstDate(data, ifds, tags, known);
    exif_data_free(data);
    return seconds;
}

} // namespace

bool isRw2(const unsigned char* bytes, size_t length) {
    return length >= 8 && std::memcmp(bytes, "IIU\0", 4) == 0;
}

bool isRaf(const unsigned char* bytes, size_t length) {
    return length >= 15 && std::memcmp(bytes, "FUJIFILMCCD-RAW", 15) == 0;
}

time_t rw2ExifDate(const ReadAt& read, uint64_t fileSize) {
    std::vector<unsigned char> head =
        readSpan(read, 0, std::min<uint64_t>(fileSize, kTiffExifBound));
    if (!isRw2(head.data(), head.size()) || head.size() < 12)
        return -1;
    const Ifds raw(head.data(), head.size());
    const uint32_t ifd0 = raw.first();
    if (!raw.readable(ifd0))
        return -1;
    // exiv2 drops the JPEG's DateTimeOriginal of the EXIF IFD when the raw EXIF IFD has one
    // of any type, dated or not.
    Ifds::Entry entry;
    const uint32_t exifIfd = raw.exifIfd(ifd0);
    const bool hasOriginal = exifIfd && raw.find(exifIfd, kTagDateTimeOriginal, entry);
    bool known = true;
    const time_t original = hasOriginal ? rawOriginal(head, raw, known) : -1;
    if (!known)
        return -1;
    uint64_t jpegOffset = 0, jpegLength = 0;
    if (!embeddedJpeg(raw, ifd0, fileSize, jpegOffset, jpegLength) ||
        (original != -1 && !cameraWanted()))
        return original;
    const std::vector<unsigned char> jpeg =
        readSpan(read, jpegOffset, std::min(jpegLength, kJpegHead));
    const JpegExif block = jpegExifBlock(jpeg.data(), jpeg.size());
    bool readable = false;
    const time_t fromJpeg =
        !block.tiff ? -1
        : hasOriginal
            ? blockDate(block.tiff, block.length, {kImageOriginal, kImageDateTime}, readable)
            : blockDate(block.tiff, block.length, {kPhotoOriginal, kImageOriginal, kImageDateTime},
                        readable);
    // The camera is the JPEG's: a JPEG not read here as exiv2 reads it leaves it to exiv2.
    if (!block.walked || (block.tiff && !readable))
        return -1;
    return original != -1 ? original : fromJpeg;
}

time_t rafExifDate(const ReadAt& read, uint64_t fileSize) {
    unsigned char header[92];
    if (fileSize < sizeof header || read(0, header, sizeof header) != sizeof header ||
        !isRaf(header, sizeof header))
        return -1;
    const uint64_t offset = bigEndian32(header + 84), length = bigEndian32(header + 88);
    if (length < 12 + 8 || offset > fileSize || length > fileSize - offset)
        return -1;
    const std::vector<unsigned char> tiff =
        readSpan(read, offset + 12, std::min<uint64_t>(length - 12, kTiffExifBound));
    bool readable = false;
    return blockDate(tiff.data(), tiff.size(), {kPhotoOriginal, kImageOriginal, kImageDateTime},
                     readable);
}

} // namespace orvane
