#include "dates/CiffDate.h"

#include "base/Log.h"

#include <algorithm>
#include <vector>

namespace orvane {
namespace {

// A heap's directory is a count, then ten-byte entries: tag, size, offset in the heap. Records
// of the subdirectory types are heaps themselves. The capture time is a count of seconds that
// reads as the camera's clock in UTC.
class CiffReader {
  public:
    CiffReader(const ReadAt& read, bool bigEndian) : read_(read), bigEndian_(bigEndian) {}

    time_t dateInHeap(uint64_t start, uint64_t end, int depth) {
        unsigned char word[4];
        if (depth > 8 || end < start + 6 || read_(end - 4, word, 4) != 4)
            return -1;
        const uint64_t directory = start + u32(word);
        if (directory < start || directory + 2 > end || read_(directory, word, 2) != 2)
            return -1;
        const size_t count = u16(word);
        // The entries that fit before the heap's end (one more makes the directory damaged),
        // and no more than may still be visited: a damaged file may list thousands in each of
        // many heaps. Every entry read is visited, so the visits end the loop before the
        // entries read do, unless the heap ends first.
        const size_t fitting = std::min<uint64_t>(count, (end - directory - 2) / 10);
        const size_t wanted = std::min(fitting, kMostEntries - visited_);
        const std::vector<unsigned char> entries = readSpan(read_, directory + 2, wanted * 10);
        if (entries.size() != wanted * 10)
            return -1;
        for (size_t i = 0; i < count && visited_ < kMostEntries; ++i, ++visited_) {
            if (i == wanted)
                return -1;
            const unsigned char* entry = entries.data() + i * 10;
            const unsigned tag = u16(entry);
            const uint64_t size = u32(entry + 2), offset = u32(entry + 6);
            const bool inEntry = (tag & 0xC000u) == 0x4000u;
            const unsigned type = tag & 0x3800u;
            if ((tag & 0x3FFFu) == 0x180Eu) {
                if (inEntry)
                    return static_cast<time_t>(u32(entry + 2));
                if (offset <= end - start && size >= 4 && start + offset + 4 <= end &&
                    read_(start + offset, word, 4) == 4)
                    return static_cast<time_t>(u32(word));
            } else if (!inEntry && (type == 0x2800u || type == 0x3000u) && offset <= end - start &&
                       size <= end - start - offset) {
                const time_t found = dateInHeap(start + offset, start + offset + size, depth + 1);
                if (found != -1)
                    return found;
            }
        }
        return -1;
    }

  private:
    static constexpr size_t kMostEntries = 4096;
    unsigned u16(const unsigned char* at) const {
        return bigEndian_ ? (unsigned{at[0]} << 8) | at[1] : (unsigned{at[1]} << 8) | at[0];
    }
    uint64_t u32(const unsigned char* at) const {
        return bigEndian_ ? (uint64_t{u16(at)} << 16) | u16(at + 2)
                          : (uint64_t{u16(at + 2)} << 16) | u16(at);
    }
    const ReadAt& read_;
    bool bigEndian_;
    size_t visited_ = 0;
};

} // namespace

time_t ciffCaptureDate(const ReadAt& read, uint64_t fileSize) {
    unsigned char header[26];
    if (fileSize < sizeof header || read(0, header, sizeof header) != sizeof header ||
        !(header[0] == header[1] && (header[0] == 'I' || header[0] == 'M')))
        return -1;
    const bool bigEndian = header[0] == 'M';
    const uint64_t headerLength = bigEndian
                                      ? (uint64_t{header[2]} << 24) | (uint64_t{header[3]} << 16) |
                                            (uint64_t{header[4]} << 8) | header[5]
                                      : (uint64_t{header[5]} << 24) | (uint64_t{header[4]} << 16) |
                                            (uint64_t{header[3]} << 8) | header[2];
    if (headerLength < 14 || headerLength >= fileSize)
        return -1;
    CiffReader reader(read, bigEndian);
    const time_t count = reader.dateInHeap(headerLength, fileSize, 0);
    if (count <= 0)
        return -1;
    struct tm clock;
    if (!gmtime_r(&count, &clock))
        return -1;
    clock.tm_isdst = -1;
    logMessage(LOG_DEBUG, "Read the CIFF capture time %ld from its records",
               static_cast<long>(count));
    return mktime(&clock);
}

} // namespace orvane
