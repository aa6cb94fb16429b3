// exiv2 reads the still-image containers. It throws on damaged files (and sometimes only
// after it has decoded the EXIF block, so what it decoded is still consulted), it logs to
// standard error unless told otherwise, and its BMFF support is off until enabled: all of
// that is settled here, once, so that callers only ever see a date or -1.

#include "dates/MetadataDate.h"

#include "base/Log.h"
#include "dates/ExifDate.h"
#include "dates/ExifDateText.h"
#include "naming/CameraName.h"
#include "platform/Exiv2Setup.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#pragma GCC diagnostic pop

#pragma GCC diagnostic ignored "-Wdeprecated-declarations" // Image::AutoPtr is an auto_ptr

namespace orvane {
namespace {

const char* const kOriginalKeys[] = {"Exif.Photo.DateTimeOriginal", "Exif.Image.DateTimeOriginal"};
const char* const kDateTimeKeys[] = {"Exif.Image.DateTime"};

template <size_t N> time_t firstDate(const Exiv2::ExifData& exif, const char* const (&keys)[N]) {
    for (const char* key : keys) {
        auto it = exif.findKey(Exiv2::ExifKey(key));
        if (it == exif.end() || it->typeId() != Exiv2::asciiString)
            continue;
        const std::string text = it->toString();
        const time_t seconds = unixTimeFromExifDate(text.c_str(), key);
        if (seconds != -1)
            return seconds;
    }
    return -1;
}

// Hands the make and model to a camera catch on this thread, when one wants them.
void noteCameraOf(const Exiv2::ExifData& exif) {
    if (!cameraWanted())
        return;
    auto text = [&](const char* key) {
        auto it = exif.findKey(Exiv2::ExifKey(key));
        return it == exif.end() ? std::string() : it->toString();
    };
    noteCamera(text("Exif.Image.Make"), text("Exif.Image.Model"));
}

time_t dateFromExif(const Exiv2::ExifData& exif) {
    if (exif.empty())
        return -1;
    noteCameraOf(exif);
    const time_t original = firstDate(exif, kOriginalKeys);
    return original != -1 ? original : firstDate(exif, kDateTimeKeys);
}

// A CRW file keeps its capture time as a count of seconds that reads as the camera's clock
// in UTC; exiv2 0.27 renders that count in the local zone. Undo that: the count, back from
// the local rendering, read in UTC gives the wall-clock time the camera showed.
time_t ciffWallClock(time_t localRendering) {
    struct tm clock;
    if (localRendering == -1 || !gmtime_r(&localRendering, &clock))
        return -1;
    clock.tm_isdst = -1;
    return mktime(&clock);
}

// Reads the image's metadata; `damaged` tells whether exiv2 gave up on the way.
time_t dateFromImage(Exiv2::Image& image, bool& damaged) {
    damaged = false;
    try {
        image.readMetadata();
    } catch (const std::exception& e) {
        logMessage(LOG_DEBUG, "exiv2 couldn't read all metadata: %s", e.what());
        damaged = true;
    }
    try {
        const time_t seconds = dateFromExif(image.exifData());
#if !EXIV2_TEST_VERSION(0, 28, 0)
        if (image.imageType() == Exiv2::ImageType::crw)
            return ciffWallClock(seconds);
#endif
        return seconds;
    } catch (...) {
        return -1;
    }
}

template <typename Open> time_t dateFromOpened(Open open, bool& damaged) {
    initialiseExiv2();
    damaged = false;
    try {
        Exiv2::Image::AutoPtr image = open();
        if (!image.get()) {
            damaged = true;
            return -1;
        }
        return dateFromImage(*image, damaged);
    } catch (const std::exception& e) {
        logMessage(LOG_DEBUG, "exiv2 couldn't open the file: %s", e.what());
    } catch (...) {
        logMessage(LOG_DEBUG, "exiv2 couldn't open the file");
    }
    damaged = true;
    return -1;
}

} // namespace

time_t embeddedExifDate(const unsigned char* bytes, size_t length) {
    initialiseExiv2();
    // An EXIF block behind its "Exif\0\0" header (JPEG APP1, most HEIF Exif items), or a
    // bare TIFF header whose first IFD follows at once (HEIF Exif items without the header).
    static const unsigned char kExifHeader[6] = {'E', 'x', 'i', 'f', 0, 0};
    static const unsigned char kIntel[8] = {'I', 'I', 0x2A, 0, 8, 0, 0, 0};
    static const unsigned char kMotorola[8] = {'M', 'M', 0, 0x2A, 0, 0, 0, 8};
    const unsigned char* end = bytes + length;
    for (const unsigned char* at = bytes; end - at >= 14; ++at) {
        const unsigned char* tiff = nullptr;
        if (*at == 'E' && std::memcmp(at, kExifHeader, 6) == 0 &&
            (std::memcmp(at + 6, "II\x2A\0", 4) == 0 || std::memcmp(at + 6, "MM\0\x2A", 4) == 0))
            tiff = at + 6;
        else if ((*at == 'I' && std::memcmp(at, kIntel, 8) == 0) ||
                 (*at == 'M' && std::memcmp(at, kMotorola, 8) == 0))
            tiff = at;
        if (!tiff)
            continue;
        try {
            Exiv2::ExifData exif;
            Exiv2::ExifParser::decode(exif, tiff, static_cast<uint32_t>(end - tiff));
            const time_t seconds = dateFromExif(exif);
            if (seconds != -1)
                return seconds;
        } catch (...) {
            // A damaged block: look for another.
        }
    }
    return -1;
}

time_t exifBlockDate(const unsigned char* bytes, size_t length) {
    if (length == 0)
        return -1;
    initialiseExiv2();
    if (length >= 6 && std::memcmp(bytes, "Exif\0\0", 6) == 0) {
        bytes += 6;
        length -= 6;
    }
    // The EXIF reader decodes the two date tags at a fraction of exiv2's cost, which decodes
    // every tag and maker note; exiv2 still gets the blocks where that finds no date.
    if (length >= 8 && length <= UINT32_MAX)
        if (const time_t seconds = exifDateForBytes(bytes, static_cast<uint32_t>(length));
            seconds != -1)
            return seconds;
    try {
        Exiv2::ExifData exif;
        Exiv2::ExifParser::decode(exif, bytes, static_cast<uint32_t>(length));
        return dateFromExif(exif);
    } catch (...) {
        return -1;
    }
}

time_t jxlExifBoxDate(const unsigned char* box, size_t length) {
    if (length < 4)
        return -1;
    const size_t offset =
        (size_t{box[0]} << 24) | (size_t{box[1]} << 16) | (size_t{box[2]} << 8) | box[3];
    if (offset > length - 4)
        return -1;
    return exifBlockDate(box + 4 + offset, length - 4 - offset);
}

time_t cr3ExifDate(const std::vector<unsigned char>& exifIfd,
                   const std::vector<unsigned char>& ifd0) {
    initialiseExiv2();
    // Each box is a TIFF structure of its own, so the EXIF IFD's tags decode as IFD 0's:
    // its DateTimeOriginal goes by the name of IFD 0's tag of that number.
    auto decoded = [](const std::vector<unsigned char>& block) {
        Exiv2::ExifData exif;
        try {
            if (!block.empty())
                Exiv2::ExifParser::decode(exif, block.data(), static_cast<uint32_t>(block.size()));
        } catch (...) {
            exif.clear();
        }
        return exif;
    };
    try {
        const Exiv2::ExifData photo = decoded(exifIfd), image = decoded(ifd0);
        if (!image.empty())
            noteCameraOf(image);
        static const char* const kDecodedOriginal[] = {"Exif.Image.DateTimeOriginal"};
        time_t seconds = firstDate(photo, kDecodedOriginal);
        if (seconds == -1)
            seconds = firstDate(image, kOriginalKeys);
        return seconds != -1 ? seconds : firstDate(image, kDateTimeKeys);
    } catch (...) {
        return -1;
    }
}

time_t metadataDateForFile(const char* path, bool& unreadable) {
    return dateFromOpened([&] { return Exiv2::ImageFactory::open(std::string(path)); }, unreadable);
}

bool isCrw(const unsigned char* bytes, size_t length) {
    return length >= 14 && std::memcmp(bytes + 6, "HEAPCCDR", 8) == 0;
}

time_t metadataDateForBytes(const unsigned char* bytes, size_t length) {
    // exiv2 0.27's CRW decoder runs strlen over texts of the file that a damaged file leaves
    // unterminated: it gets a copy that ends in zeros, so that it stops there.
    std::vector<unsigned char> padded;
    if (isCrw(bytes, length)) {
        padded.assign(bytes, bytes + length);
        padded.resize(length + 16, 0);
        bytes = padded.data();
    }
    bool damaged = false;
    const time_t seconds = dateFromOpened(
        [&] { return Exiv2::ImageFactory::open(bytes, static_cast<long>(length)); }, damaged);
    // A CRW file's own records were followed before exiv2 was asked.
    if (seconds != -1 || !damaged)
        return seconds;
    return embeddedExifDate(bytes, length);
}

} // namespace orvane
