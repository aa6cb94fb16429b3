// MediaInfoLib is fed through its buffer interface rather than given the path, so that the
// reads stay in our hands: it asks to skip to the places it wants (the movie header of a
// file whose media data comes first), and a budget of bytes ends a parse that would
// otherwise walk through a whole video.

#include "merge/VideoDate.h"

#include "app/Log.h"
#include "merge/ExifDateText.h"

#include <MediaInfo/MediaInfo.h>
#include <ZenLib/Ztring.h>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace orvane {
namespace {

constexpr size_t kChunkSize = 64 * 1024;
constexpr uint64_t kReadBudget = 16 * 1024 * 1024;
constexpr int kMaxSteps = 4096;

std::string generalField(MediaInfoLib::MediaInfo& info, const char* name) {
    ZenLib::Ztring key;
    key.From_UTF8(name);
    return ZenLib::Ztring(info.Get(MediaInfoLib::Stream_General, 0, key)).To_UTF8();
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
    char text[32];
    std::snprintf(text, sizeof text, "%04d:%02d:%02d %02d:%02d:%02d", parts[0], parts[1],
                  parts[2], parts[3], parts[4], parts[5]);
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

// "2005-10-28 17:46:46 UTC" (or "UTC 2005-10-28 17:46:46"): the movie header, in UTC.
time_t movieHeaderDate(const std::string& text) {
    const size_t at = text.rfind("UTC ", 0) == 0 ? 4 : 0;
    int parts[6];
    if (!parseDateTime(text, at, parts) || parts[0] <= 1904)
        return -1;
    struct tm utc = {};
    utc.tm_year = parts[0] - 1900;
    utc.tm_mon = parts[1] - 1;
    utc.tm_mday = parts[2];
    utc.tm_hour = parts[3];
    utc.tm_min = parts[4];
    utc.tm_sec = parts[5];
    const time_t seconds = timegm(&utc);
    logMessage(LOG_DEBUG, "Parsed out movie header date '%s' yielding UNIX time %ld", text.c_str(),
               static_cast<long>(seconds));
    return seconds;
}

// The AVI IDIT date as MediaInfoLib passes it on: "2012-09-10 20:52:00", or as the camera
// wrote it ("Mon Mar 10 15:04:43 2003", "2003/03/10 15:04:43").
time_t aviDate(const std::string& text) {
    int parts[6];
    if (parseDateTime(text, 0, parts))
        return wallClock(parts, "IDIT");
    struct tm written = {};
    if (strptime(text.c_str(), "%a %b %d %H:%M:%S %Y", &written)) {
        const int fields[6] = {written.tm_year + 1900, written.tm_mon + 1, written.tm_mday,
                               written.tm_hour,       written.tm_min,     written.tm_sec};
        int copy[6];
        std::memcpy(copy, fields, sizeof copy);
        return wallClock(copy, "IDIT");
    }
    return -1;
}

int bcd(unsigned char byte) {
    const int high = byte >> 4, low = byte & 0x0F;
    return high > 9 || low > 9 ? -1 : high * 10 + low;
}

} // namespace

time_t videoDate(const ByteReader& read, uint64_t fileSize) {
    MediaInfoLib::MediaInfo info;
    info.Option(__T("ParseSpeed"), __T("0"));
    info.Open_Buffer_Init(fileSize, 0);
    std::vector<unsigned char> buffer(kChunkSize);
    uint64_t offset = 0, spent = 0;
    for (int step = 0; step < kMaxSteps && spent < kReadBudget; ++step) {
        const size_t got = read(offset, buffer.data(), buffer.size());
        if (got == 0)
            break;
        spent += got;
        const size_t status = info.Open_Buffer_Continue(buffer.data(), got);
        if (status & 0x08) // finished
            break;
        const uint64_t next = info.Open_Buffer_Continue_GoTo_Get();
        if (next != static_cast<uint64_t>(-1)) {
            if (next >= fileSize)
                break;
            offset = next;
            info.Open_Buffer_Init(fileSize, offset);
        } else {
            offset += got;
        }
    }
    info.Open_Buffer_Finalize();

    const std::string format = generalField(info, "Format");
    if (format == "AVI")
        return aviDate(generalField(info, "Mastered_Date"));
    if (format != "MPEG-4" && format != "QuickTime")
        return -1;
    const time_t apple = appleCreationDate(generalField(info, "com.apple.quicktime.creationdate"));
    return apple != -1 ? apple : movieHeaderDate(generalField(info, "Encoded_Date"));
}

time_t avchdDate(const unsigned char* bytes, size_t length) {
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

} // namespace orvane
