// libexif's default loading (exif_loader_get_data, exif_data_new), which runs the clean-up
// pass after every load, followed by the plain search for the two date tags.

#include "support/ExifDateReference.h"

#include "dates/ExifDateText.h"
#include "dates/ExifTiff.h"

#include <cstring>
#include <libexif/exif-data.h>
#include <libexif/exif-loader.h>

namespace orvane::test {
namespace {

ExifData* loadWithDefaults(const unsigned char* bytes, uint32_t length) {
    if (length >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8) {
        ExifLoader* loader = exif_loader_new();
        exif_loader_write(loader, const_cast<unsigned char*>(bytes), length);
        ExifData* data = exif_loader_get_data(loader);
        exif_loader_unref(loader);
        return data;
    }
    static const unsigned char kIntel[4] = {0x49, 0x49, 0x2A, 0x00};
    static const unsigned char kMotorola[4] = {0x4D, 0x4D, 0x00, 0x2A};
    if (length >= 5 &&
        (std::memcmp(bytes, kIntel, 4) == 0 || std::memcmp(bytes, kMotorola, 4) == 0)) {
        ExifData* data = exif_data_new();
        exif_data_load_tiff_part(data, bytes, length);
        return data;
    }
    return nullptr;
}

time_t dateFromTag(ExifData* data, ExifTag tag, const char* tagName) {
    char valueText[4096];
    for (ExifContent* content : data->ifd) {
        if (!content || content->count == 0)
            continue;
        ExifEntry* entry = exif_content_get_entry(content, tag);
        if (!entry || entry->format != EXIF_FORMAT_ASCII)
            continue;
        exif_entry_get_value(entry, valueText, sizeof valueText);
        const time_t seconds = unixTimeFromExifDate(valueText, tagName);
        if (seconds != -1)
            return seconds;
    }
    return -1;
}

} // namespace

time_t exifDateWithLibexifDefaults(const unsigned char* bytes, uint32_t length) {
    if (length < 3)
        return -1;
    ExifData* data = loadWithDefaults(bytes, length);
    if (!data)
        return -1;
    time_t seconds = dateFromTag(data, EXIF_TAG_DATE_TIME_ORIGINAL, "EXIF_TAG_DATE_TIME_ORIGINAL");
    if (seconds == -1)
        seconds = dateFromTag(data, EXIF_TAG_DATE_TIME, "EXIF_TAG_DATE_TIME");
    exif_data_free(data);
    return seconds;
}

} // namespace orvane::test
