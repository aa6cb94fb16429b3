#include "dates/BoxExif.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace orvane {
namespace {

// Bounds on what is read: a meta box of a few thousand tiles is far below the first, and
// no camera writes an EXIF block near the second.
constexpr uint64_t kLongestMeta = uint64_t{4} << 20;
constexpr uint64_t kLongestBlock = uint64_t{4} << 20;
constexpr int kMostBoxes = 4096;
constexpr size_t kMostExifItems = 64;

struct Box {
    char type[4];
    uint64_t body = 0; // where the box's contents start
    uint64_t end = 0;
    bool is(std::string_view name) const { return std::memcmp(type, name.data(), 4) == 0; }
};

uint64_t bigEndian(const unsigned char* bytes, int count) {
    uint64_t value = 0;
    for (int i = 0; i < count; ++i)
        value = (value << 8) | bytes[i];
    return value;
}

// Reads the header of the box at `at`, which must end by `limit`.
bool readBox(const ReadAt& read, uint64_t at, uint64_t limit, Box& box) {
    unsigned char header[16];
    if (limit < at || limit - at < 8)
        return false;
    const size_t wanted = static_cast<size_t>(std::min<uint64_t>(sizeof header, limit - at));
    if (read(at, header, wanted) != wanted)
        return false;
    std::memcpy(box.type, header + 4, 4);
    uint64_t size = bigEndian(header, 4);
    uint64_t headerLength = 8;
    if (size == 1) {
        if (wanted < 16)
            return false;
        size = bigEndian(header + 8, 8);
        headerLength = 16;
    } else if (size == 0) {
        size = limit - at;
    }
    if (size < headerLength || size > limit - at)
        return false;
    box.body = at + headerLength;
    box.end = at + size;
    return true;
}

// Calls `visit` with each box in [start, end) until it answers false; false when the boxes
// run past `end` or are too many.
template <typename Visit>
bool forEachBox(const ReadAt& read, uint64_t start, uint64_t end, Visit visit) {
    uint64_t at = start;
    for (int count = 0; at < end; ++count) {
        Box box;
        if (count == kMostBoxes || !readBox(read, at, end, box))
            return false;
        if (!visit(box))
            return true;
        at = box.end;
    }
    return true;
}

// All `length` bytes at `offset`, or none when the file ends before.
std::vector<unsigned char> readExactly(const ReadAt& read, uint64_t offset, uint64_t length) {
    std::vector<unsigned char> bytes = readSpan(read, offset, static_cast<size_t>(length));
    if (bytes.size() != length)
        bytes.clear();
    return bytes;
}

// Big-endian fields of a box held in memory; a read past the end leaves it not ok.
class Fields {
  public:
    Fields(const unsigned char* bytes, size_t length) : at_(bytes), left_(length) {}
    uint64_t take(int count) {
        if (count == 0)
            return 0;
        if (!ok_ || left_ < static_cast<size_t>(count)) {
            ok_ = false;
            return 0;
        }
        const uint64_t value = bigEndian(at_, count);
        at_ += count;
        left_ -= static_cast<size_t>(count);
        return value;
    }
    bool ok() const { return ok_; }

  private:
    const unsigned char* at_;
    size_t left_;
    bool ok_ = true;
};

struct Extent {
    uint64_t offset;
    uint64_t length;
};

// An Exif item.
struct Item {
    uint32_t id = 0;
    bool describesPrimary = false;
    int construction = -1; // 0: in the file, 1: in the meta box's "idat"
    std::vector<Extent> extents;
};

// What the HEIF meta box says about items: their types ("iinf"), which one is primary
// ("pitm"), what describes what ("iref" "cdsc") and where they lie ("iloc").
class HeifMeta {
  public:
    explicit HeifMeta(std::vector<unsigned char> meta) : meta_(std::move(meta)) {}

    bool parse() {
        if (meta_.size() < 4)
            return false;
        const ReadAt inMemory = [this](uint64_t offset, unsigned char* buffer, size_t size) {
            if (offset >= meta_.size())
                return size_t{0};
            const size_t count = std::min<uint64_t>(size, meta_.size() - offset);
            std::memcpy(buffer, meta_.data() + offset, count);
            return count;
        };
        bool pictures = false, fine = true;
        // The meta box is a full box: a version and flags come first. Its boxes come in any
        // order: the items and the primary one are learnt first, where they lie and what they
        // describe then.
        bool walked = forEachBox(inMemory, 4, meta_.size(), [&](const Box& box) {
            Fields fields(meta_.data() + box.body, static_cast<size_t>(box.end - box.body));
            if (box.is("hdlr")) {
                fields.take(8);                          // version, flags, pre_defined
                pictures = fields.take(4) == 0x70696374; // "pict"
            } else if (box.is("pitm")) {
                fine = parsePrimary(fields);
            } else if (box.is("iinf")) {
                fine = parseInfos(inMemory, box);
            } else if (box.is("idat")) {
                idat_ = {box.body, box.end - box.body};
            }
            return fine;
        });
        if (!walked || !fine || !pictures || primary_ == 0 || items_.empty())
            return false;
        walked = forEachBox(inMemory, 4, meta_.size(), [&](const Box& box) {
            Fields fields(meta_.data() + box.body, static_cast<size_t>(box.end - box.body));
            if (box.is("iloc"))
                fine = parseLocations(fields);
            else if (box.is("iref"))
                fine = parseReferences(inMemory, box);
            return fine;
        });
        return walked && fine;
    }

    // The data of the Exif items that describe the primary image, in the order listed.
    std::vector<std::vector<unsigned char>> exifOfPrimary(const ReadAt& read) const {
        std::vector<std::vector<unsigned char>> blocks;
        for (const Item& item : items_) {
            if (!item.describesPrimary)
                continue;
            std::vector<unsigned char> data;
            for (const Extent& extent : item.extents) {
                if (extent.length == 0 || extent.length > kLongestBlock - data.size())
                    return {};
                if (item.construction == 0) {
                    std::vector<unsigned char> part =
                        readExactly(read, extent.offset, extent.length);
                    if (part.empty())
                        return {};
                    data.insert(data.end(), part.begin(), part.end());
                } else if (item.construction == 1 && extent.offset <= idat_.length &&
                           extent.length <= idat_.length - extent.offset) {
                    const auto* from = meta_.data() + idat_.offset + extent.offset;
                    data.insert(data.end(), from, from + extent.length);
                } else {
                    return {};
                }
            }
            if (!data.empty())
                blocks.push_back(std::move(data));
        }
        return blocks;
    }

  private:
    bool parsePrimary(Fields& fields) {
        const uint64_t version = fields.take(4) >> 24;
        primary_ = static_cast<uint32_t>(fields.take(version == 0 ? 2 : 4));
        return fields.ok();
    }

    bool parseInfos(const ReadAt& inMemory, const Box& box) {
        Fields fields(meta_.data() + box.body, static_cast<size_t>(box.end - box.body));
        const uint64_t version = fields.take(4) >> 24;
        const int countBytes = version == 0 ? 2 : 4;
        fields.take(countBytes);
        if (!fields.ok())
            return false;
        bool fine = true;
        const bool walked =
            forEachBox(inMemory, box.body + 4 + countBytes, box.end, [&](const Box& entry) {
                if (!entry.is("infe"))
                    return true;
                Fields infe(meta_.data() + entry.body, static_cast<size_t>(entry.end - entry.body));
                const uint64_t entryVersion = infe.take(4) >> 24;
                if (entryVersion < 2)
                    return true; // no item type
                const auto id = static_cast<uint32_t>(infe.take(entryVersion == 2 ? 2 : 4));
                infe.take(2); // protection index
                const uint64_t type = infe.take(4);
                fine = infe.ok();
                if (fine && type == 0x45786966) { // "Exif"
                    fine = items_.size() < kMostExifItems;
                    if (fine)
                        items_.emplace_back().id = id;
                }
                return fine;
            });
        return walked && fine;
    }

    bool parseLocations(Fields& fields) {
        const uint64_t version = fields.take(4) >> 24;
        if (version > 2)
            return false;
        const uint64_t sizes = fields.take(2);
        const int offsetSize = static_cast<int>(sizes >> 12), lengthSize = (sizes >> 8) & 15;
        const int baseSize = (sizes >> 4) & 15, indexSize = version == 0 ? 0 : sizes & 15;
        for (int size : {offsetSize, lengthSize, baseSize, indexSize})
            if (size != 0 && size != 4 && size != 8)
                return false;
        const uint64_t count = fields.take(version < 2 ? 2 : 4);
        for (uint64_t i = 0; i < count && fields.ok(); ++i) {
            const auto id = static_cast<uint32_t>(fields.take(version < 2 ? 2 : 4));
            const int construction = version == 0 ? 0 : static_cast<int>(fields.take(2) & 15);
            const uint64_t dataReference = fields.take(2);
            const uint64_t base = fields.take(baseSize);
            const uint64_t extents = fields.take(2);
            std::vector<Extent> places;
            for (uint64_t e = 0; e < extents && fields.ok(); ++e) {
                fields.take(indexSize);
                const uint64_t offset = fields.take(offsetSize);
                const uint64_t length = fields.take(lengthSize);
                if (base > UINT64_MAX - offset)
                    return false;
                places.push_back({base + offset, length});
            }
            if (!fields.ok())
                return false;
            for (Item& known : items_)
                if (known.id == id) {
                    // Data in another file cannot be read here: a full reader decides.
                    known.construction = dataReference == 0 ? construction : -1;
                    known.extents = std::move(places);
                    break;
                }
        }
        return fields.ok();
    }

    bool parseReferences(const ReadAt& inMemory, const Box& box) {
        Fields header(meta_.data() + box.body, static_cast<size_t>(box.end - box.body));
        const int idSize = (header.take(4) >> 24) == 0 ? 2 : 4;
        if (!header.ok())
            return false;
        bool fine = true;
        const bool walked = forEachBox(inMemory, box.body + 4, box.end, [&](const Box& reference) {
            if (!reference.is("cdsc"))
                return true;
            Fields fields(meta_.data() + reference.body,
                          static_cast<size_t>(reference.end - reference.body));
            const auto from = static_cast<uint32_t>(fields.take(idSize));
            const uint64_t count = fields.take(2);
            for (uint64_t i = 0; i < count && fields.ok(); ++i)
                if (fields.take(idSize) == primary_)
                    for (Item& known : items_)
                        if (known.id == from)
                            known.describesPrimary = true;
            fine = fields.ok();
            return fine;
        });
        return walked && fine;
    }

    std::vector<unsigned char> meta_;
    Extent idat_{0, 0};
    uint32_t primary_ = 0;
    std::vector<Item> items_;
};

bool hasBrand(const unsigned char* bytes, size_t length, std::string_view brand) {
    return length >= 12 && std::memcmp(bytes + 4, "ftyp", 4) == 0 &&
           std::memcmp(bytes + 8, brand.data(), 4) == 0;
}

} // namespace

bool isJxlContainer(const unsigned char* bytes, size_t length) {
    static const unsigned char kSignature[12] = {0, 0, 0, 12, 'J', 'X', 'L', ' ', 13, 10, 0x87, 10};
    return length >= sizeof kSignature && std::memcmp(bytes, kSignature, sizeof kSignature) == 0;
}

bool isCr3(const unsigned char* bytes, size_t length) {
    return hasBrand(bytes, length, "crx ");
}

BoxExif findHeifExif(const ReadAt& read, uint64_t fileSize) {
    BoxExif found;
    // The meta box is read whole: its boxes refer to each other in any order.
    (void)forEachBox(read, 0, fileSize, [&](const Box& box) {
        if (!box.is("meta"))
            return true;
        if (box.end - box.body <= kLongestMeta) {
            HeifMeta meta(readExactly(read, box.body, box.end - box.body));
            if (meta.parse())
                found.blocks = meta.exifOfPrimary(read);
        }
        return false;
    });
    return found;
}

BoxExif findJxlExif(const ReadAt& read, uint64_t fileSize) {
    BoxExif found;
    (void)forEachBox(read, 0, fileSize, [&](const Box& box) {
        if (!box.is("Exif"))
            return true;
        if (box.end - box.body <= kLongestBlock) {
            std::vector<unsigned char> block = readExactly(read, box.body, box.end - box.body);
            if (!block.empty())
                found.blocks.push_back(std::move(block));
        }
        return false;
    });
    return found;
}

BoxExif findCr3Exif(const ReadAt& read, uint64_t fileSize) {
    static const unsigned char kCanonUuid[16] = {0x85, 0xc0, 0xb6, 0x87, 0x82, 0x0f, 0x11, 0xe0,
                                                 0x81, 0x11, 0xf4, 0xce, 0x46, 0x2b, 0x6a, 0x48};
    std::vector<unsigned char> ifd0, exifIfd;
    (void)forEachBox(read, 0, fileSize, [&](const Box& movie) {
        if (!movie.is("moov"))
            return true;
        (void)forEachBox(read, movie.body, movie.end, [&](const Box& box) {
            unsigned char uuid[16];
            if (!box.is("uuid") || box.end - box.body < 16 || read(box.body, uuid, 16) != 16 ||
                std::memcmp(uuid, kCanonUuid, 16) != 0)
                return true;
            (void)forEachBox(read, box.body + 16, box.end, [&](const Box& part) {
                std::vector<unsigned char>* into = part.is("CMT1")   ? &ifd0
                                                   : part.is("CMT2") ? &exifIfd
                                                                     : nullptr;
                if (into && part.end - part.body <= kLongestBlock)
                    *into = readExactly(read, part.body, part.end - part.body);
                return ifd0.empty() || exifIfd.empty();
            });
            return false;
        });
        return false;
    });
    BoxExif found;
    if (!ifd0.empty() || !exifIfd.empty())
        found.blocks = {std::move(exifIfd), std::move(ifd0)};
    return found;
}

} // namespace orvane
