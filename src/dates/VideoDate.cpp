// Movie and AVI headers are read here rather than with MediaInfoLib: the Debian 12 build of
// that library spent over a minute on a damaged 4 KiB MOV file. Only box and chunk headers are
// followed, every length is checked against what was read, and at most a few MiB are read.

#include "dates/VideoDate.h"

#include "base/AsciiText.h"
#include "base/Log.h"
#include "dates/ExifDateText.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {
namespace {

constexpr uint64_t kMovieHeaderLimit = 16 * 1024 * 1024; // the largest moov box read
constexpr size_t kAviHeaderWindow = 1024 * 1024;         // where IDIT may lie
constexpr int kMaxBoxes = 100000;
constexpr int64_t kMacEpochOffset = 2082844800; // 1904-01-01 to 1970-01-01, in seconds

uint32_t be32(const unsigned char* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}
uint64_t be64(const unsigned char* p) {
    return (uint64_t{be32(p)} << 32) | be32(p + 4);
}
uint32_t le32(const unsigned char* p) {
    return (uint32_t{p[3]} << 24) | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
}

bool parseDigits(const std::string& text, size_t at, size_t count, int& value) {
    if (at + count > text.size())
        return false;
    value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

// "YYYY?MM?DD?HH:MM:SS" at `at`, with any one separator between the parts.
bool parseDateTime(const std::string& text, size_t at, int (&parts)[6]) {
    static const size_t kOffsets[6] = {0, 5, 8, 11, 14, 17};
    static const size_t kWidths[6] = {4, 2, 2, 2, 2, 2};
    for (int i = 0; i < 6; ++i)
        if (!parseDigits(text, at + kOffsets[i], kWidths[i], parts[i]))
            return false;
    return !(parts[0] == 0 && parts[1] == 0 && parts[2] == 0);
}

time_t wallClock(const int (&parts)[6], const char* source) {
    char text[80]; // room for any int in each field, so nothing is cut
    std::snprintf(text, sizeof text, "%04d:%02d:%02d %02d:%02d:%02d", parts[0], parts[1], parts[2],
                  parts[3], parts[4], parts[5]);
    return unixTimeFromExifDate(text, source);
}

// "2019-07-24T11:25:40+0300": wall-clock time, but only when a zone offset says so.
time_t appleCreationDate(const std::string& text) {
    int parts[6];
    if (!parseDateTime(text, 0, parts) || text.size() <= 19)
        return -1;
    const char zone = text[19];
    if (zone != '+' && zone != '-' && zone != 'Z')
        return -1;
    return wallClock(parts, "com.apple.quicktime.creationdate");
}

// The month of an English month name or its first three letters ("Sep", "SEPT", "september"),
// 1 to 12, or 0. Cameras write these names in English whatever the user's locale, so they are
// not read with strptime's %b, which takes the names of LC_TIME.
int englishMonth(std::string_view name) {
    static constexpr std::string_view kMonths[12] = {"jan", "feb", "mar", "apr", "may", "jun",
                                                     "jul", "aug", "sep", "oct", "nov", "dec"};
    if (name.size() < 3)
        return 0;
    for (int month = 0; month < 12; ++month)
        if (equalsIgnoringAsciiCase(name.substr(0, 3), kMonths[month]))
            return month + 1;
    return 0;
}

// "Mon Mar 10 15:04:43 2003" (asctime's layout, the day possibly padded with a space): the
// weekday is passed over, the rest read by fixed rules.
bool parseAsctimeDate(std::string_view text, int (&parts)[6]) {
    size_t at = 0;
    auto skipSpaces = [&] {
        while (at < text.size() && text[at] == ' ')
            ++at;
    };
    auto word = [&] {
        const size_t start = at;
        while (at < text.size() && isAsciiAlpha(text[at]))
            ++at;
        return text.substr(start, at - start);
    };
    auto number = [&](size_t minDigits, size_t maxDigits, int& value) {
        const size_t start = at;
        value = 0;
        while (at < text.size() && at - start < maxDigits && isAsciiDigit(text[at]))
            value = value * 10 + (text[at++] - '0');
        return at - start >= minDigits;
    };
    auto colon = [&] { return at < text.size() && text[at++] == ':'; };
    skipSpaces();
    if (word().size() < 3)
        return false;
    skipSpaces();
    parts[1] = englishMonth(word());
    if (parts[1] == 0)
        return false;
    skipSpaces();
    if (!number(1, 2, parts[2]))
        return false;
    skipSpaces();
    if (!number(1, 2, parts[3]) || !colon() || !number(2, 2, parts[4]) || !colon() ||
        !number(2, 2, parts[5]))
        return false;
    skipSpaces();
    return number(4, 4, parts[0]);
}

// The AVI IDIT date as cameras write it: "2012-09-10 20:52:00", "2003/03/10 15:04:43" or "Mon Mar
// 10 15:04:43 2003".
time_t aviDate(const std::string& text) {
    int parts[6];
    if (parseDateTime(text, 0, parts) || parseAsctimeDate(text, parts))
        return wallClock(parts, "IDIT");
    return -1;
}

int bcd(unsigned char byte) {
    const int high = byte >> 4, low = byte & 0x0F;
    return high > 9 || low > 9 ? -1 : high * 10 + low;
}

} // namespace

namespace {

// One box of an ISO-BMFF/QuickTime buffer: its type and payload.
struct Box {
    const unsigned char* type;
    const unsigned char* payload;
    size_t size;
};

// Calls `visit` for each box in [begin, end) until it answers true; stops at the first box
// whose length does not fit.
template <typename Visit>
bool forEachBox(const unsigned char* begin, const unsigned char* end, Visit visit) {
    int boxes = 0;
    for (const unsigned char* at = begin; end - at >= 8 && boxes < kMaxBoxes; ++boxes) {
        uint64_t size = be32(at);
        size_t header = 8;
        if (size == 1) {
            if (end - at < 16)
                return false;
            size = be64(at + 8);
            header = 16;
        } else if (size == 0) {
            size = static_cast<uint64_t>(end - at);
        }
        if (size < header || size > static_cast<uint64_t>(end - at))
            return false;
        if (visit(Box{at + 4, at + header, static_cast<size_t>(size - header)}))
            return true;
        at += size;
    }
    return false;
}

bool isType(const Box& box, const char* type) {
    return std::memcmp(box.type, type, 4) == 0;
}

// The value of com.apple.quicktime.creationdate in a meta box (keys, then ilst items
// numbered by key), or "".
std::string appleCreationText(const Box& meta) {
    const unsigned char* begin = meta.payload;
    const unsigned char* end = meta.payload + meta.size;
    // A meta box is a full box (four bytes of version and flags) in MP4, a plain one in MOV.
    if (end - begin >= 12 && std::memcmp(begin + 4, "hdlr", 4) != 0)
        begin += 4;
    uint32_t wanted = 0;
    forEachBox(begin, end, [&](const Box& box) {
        if (!isType(box, "keys") || box.size < 8)
            return false;
        const unsigned char* at = box.payload + 8;
        const unsigned char* keysEnd = box.payload + box.size;
        const uint32_t count = be32(box.payload + 4);
        for (uint32_t index = 1; index <= count && keysEnd - at >= 8; ++index) {
            const uint32_t size = be32(at);
            if (size < 8 || size > static_cast<uint64_t>(keysEnd - at))
                break;
            static const char kKey[] = "com.apple.quicktime.creationdate";
            if (size - 8 == sizeof kKey - 1 && std::memcmp(at + 8, kKey, sizeof kKey - 1) == 0)
                wanted = index;
            at += size;
        }
        return true;
    });
    std::string text;
    if (wanted == 0)
        return text;
    forEachBox(begin, end, [&](const Box& list) {
        if (!isType(list, "ilst"))
            return false;
        forEachBox(list.payload, list.payload + list.size, [&](const Box& item) {
            if (be32(item.type) != wanted)
                return false;
            forEachBox(item.payload, item.payload + item.size, [&](const Box& data) {
                // data: type (4), locale (4), then the text (type 1, UTF-8).
                if (!isType(data, "data") || data.size < 8 || be32(data.payload) != 1)
                    return false;
                text.assign(reinterpret_cast<const char*>(data.payload + 8), data.size - 8);
                return true;
            });
            return true;
        });
        return true;
    });
    return text;
}

time_t movieDateFromMoov(const unsigned char* begin, const unsigned char* end, bool& utcInstant) {
    uint64_t created = 0;
    std::string apple;
    forEachBox(begin, end, [&](const Box& box) {
        if (isType(box, "mvhd") && box.size >= 4) {
            if (box.payload[0] == 1 && box.size >= 12)
                created = be64(box.payload + 4);
            else if (box.payload[0] == 0 && box.size >= 8)
                created = be32(box.payload + 4);
        } else if (isType(box, "meta") && apple.empty()) {
            apple = appleCreationText(box);
        }
        return false;
    });
    const time_t wallClock = appleCreationDate(apple);
    if (wallClock != -1)
        return wallClock;
    if (created == 0 || created <= static_cast<uint64_t>(kMacEpochOffset) ||
        created > static_cast<uint64_t>(kMacEpochOffset) * 4)
        return -1;
    const auto seconds = static_cast<time_t>(created - kMacEpochOffset);
    logMessage(LOG_DEBUG, "Movie header creation time yields UNIX time %ld",
               static_cast<long>(seconds));
    utcInstant = true;
    return seconds;
}

time_t quickTimeDate(const ByteReader& read, uint64_t fileSize, bool& utcInstant) {
    // Walk the top-level boxes by their headers alone, up to moov.
    unsigned char header[16];
    uint64_t offset = 0;
    for (int boxes = 0; boxes < kMaxBoxes && offset + 8 <= fileSize; ++boxes) {
        if (read(offset, header, sizeof header) < 8)
            return -1;
        uint64_t size = be32(header);
        size_t headerSize = 8;
        if (size == 1) {
            size = be64(header + 8);
            headerSize = 16;
        } else if (size == 0) {
            size = fileSize - offset;
        }
        if (size < headerSize || size > fileSize - offset)
            return -1;
        if (std::memcmp(header + 4, "moov", 4) == 0) {
            // An empty moov box holds no date (and no buffer to read into).
            if (size == headerSize || size - headerSize > kMovieHeaderLimit)
                return -1;
            std::vector<unsigned char> moov(size - headerSize);
            if (read(offset + headerSize, moov.data(), moov.size()) != moov.size())
                return -1;
            return movieDateFromMoov(moov.data(), moov.data() + moov.size(), utcInstant);
        }
        offset += size;
    }
    return -1;
}

// The IDIT chunk of an AVI file's header lists, within its first MiB.
time_t aviIditDate(const unsigned char* begin, const unsigned char* end, int depth) {
    for (const unsigned char* at = begin; end - at >= 8 && depth < 8;) {
        const uint32_t size = le32(at + 4);
        const unsigned char* payload = at + 8;
        const size_t available = static_cast<size_t>(end - payload);
        const size_t length = size < available ? size : available;
        if (std::memcmp(at, "IDIT", 4) == 0) {
            std::string text(reinterpret_cast<const char*>(payload), length);
            text = text.substr(0, text.find('\0'));
            while (!text.empty() &&
                   (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
                text.pop_back();
            return aviDate(text);
        }
        if ((std::memcmp(at, "LIST", 4) == 0 || std::memcmp(at, "RIFF", 4) == 0) && length >= 4) {
            const time_t found = aviIditDate(payload + 4, payload + length, depth + 1);
            if (found != -1)
                return found;
        }
        if (size > available)
            break;
        at = payload + size + (size & 1);
    }
    return -1;
}

time_t mdpmDate(const unsigned char* bytes, size_t length) {
    // The user-data UUID that precedes "MDPM", then a count and five-byte entries: tag 0x18
    // holds a zone byte, the year (two BCD bytes) and the month; tag 0x19 day, hour, minute
    // and second, all BCD.
    static const unsigned char kMarker[20] = {0x17, 0xEE, 0x8C, 0x60, 0xF8, 0x4D, 0x11,
                                              0xD9, 0x8C, 0xD6, 0x08, 0x00, 0x20, 0x0C,
                                              0x9A, 0x66, 'M',  'D',  'P',  'M'};
    const unsigned char* end = bytes + length;
    for (const unsigned char* at = bytes; end - at > 21;) {
        at = static_cast<const unsigned char*>(std::memchr(at, kMarker[0], end - at - 21));
        if (!at)
            break;
        if (std::memcmp(at, kMarker, sizeof kMarker) != 0) {
            ++at;
            continue;
        }
        const unsigned char* entry = at + sizeof kMarker + 1;
        const size_t count = at[sizeof kMarker];
        int parts[6] = {-1, -1, -1, -1, -1, -1};
        for (size_t i = 0; i < count && end - entry >= 5; ++i, entry += 5) {
            if (entry[0] == 0x18) {
                const int century = bcd(entry[2]), year = bcd(entry[3]);
                parts[0] = century < 0 || year < 0 ? -1 : century * 100 + year;
                parts[1] = bcd(entry[4]);
            } else if (entry[0] == 0x19) {
                for (int k = 0; k < 4; ++k)
                    parts[2 + k] = bcd(entry[1 + k]);
            }
        }
        bool complete = parts[0] > 0;
        for (int part : parts)
            complete = complete && part >= 0;
        if (complete)
            return wallClock(parts, "MDPM");
        at += sizeof kMarker;
    }
    return -1;
}

// The payloads of an MPEG transport stream's packets, joined per packet identifier, with the
// H.264 emulation-prevention bytes taken out: the camera's user data may straddle packets.
// Packets of 188 bytes, or of 192 with a 4-byte time stamp first (AVCHD); none when the
// bytes are neither.
std::map<unsigned, std::vector<unsigned char>> transportPayloads(const unsigned char* bytes,
                                                                 size_t length) {
    std::map<unsigned, std::vector<unsigned char>> streams;
    size_t packet = 0, first = 0;
    if (length >= 2 * 192 + 4 && bytes[4] == 0x47 && bytes[4 + 192] == 0x47)
        packet = 192, first = 4;
    else if (length >= 2 * 188 && bytes[0] == 0x47 && bytes[188] == 0x47)
        packet = 188;
    if (packet == 0)
        return streams;
    for (size_t at = first; at + 188 <= length && bytes[at] == 0x47; at += packet) {
        const unsigned char* p = bytes + at;
        const unsigned pid = ((p[1] & 0x1Fu) << 8) | p[2];
        const unsigned adaptation = (p[3] >> 4) & 3u;
        size_t start = 4;
        if (adaptation == 0 || adaptation == 2)
            continue; // no payload
        if (adaptation == 3)
            start += 1 + size_t{p[4]};
        if (start >= 188)
            continue;
        std::vector<unsigned char>& stream = streams[pid];
        for (size_t i = start; i < 188; ++i) {
            const size_t n = stream.size();
            if (p[i] == 0x03 && n >= 2 && stream[n - 1] == 0 && stream[n - 2] == 0)
                continue;
            stream.push_back(p[i]);
        }
    }
    return streams;
}

} // namespace

time_t videoDate(const ByteReader& read, uint64_t fileSize, bool* utcInstant) {
    bool instant = false;
    if (utcInstant)
        *utcInstant = false;
    unsigned char head[12];
    if (read(0, head, sizeof head) != sizeof head)
        return -1;
    if (std::memcmp(head, "RIFF", 4) == 0) {
        std::vector<unsigned char> window(
            static_cast<size_t>(fileSize < kAviHeaderWindow ? fileSize : kAviHeaderWindow));
        window.resize(read(0, window.data(), window.size()));
        return aviIditDate(window.data(), window.data() + window.size(), 0);
    }
    const time_t seconds = quickTimeDate(read, fileSize, instant);
    if (utcInstant)
        *utcInstant = instant;
    return seconds;
}

time_t avchdDate(const unsigned char* bytes, size_t length) {
    const time_t seconds = mdpmDate(bytes, length);
    if (seconds != -1)
        return seconds;
    for (const auto& [pid, stream] : transportPayloads(bytes, length))
        if (const time_t found = mdpmDate(stream.data(), stream.size()); found != -1)
            return found;
    return -1;
}

} // namespace orvane
