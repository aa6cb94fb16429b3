// Feeds arbitrary bytes, as the whole contents of a file, to the EXIF date reader (the same
// code that runs on a mapped file), and as a date text to the date parser.

#include "QuietUtcSetup.h"
#include "dates/ExifDate.h"
#include "dates/ExifDateText.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > UINT32_MAX)
        return 0;
    orvane::exifDateForBytes(data, static_cast<uint32_t>(size));

    // The date text on its own, as libexif renders an entry: at most 4095 bytes and a NUL.
    char text[4096];
    const size_t length = size < sizeof text ? size : sizeof text - 1;
    std::memcpy(text, data, length);
    text[length] = '\0';
    orvane::unixTimeFromExifDate(text, "EXIF_TAG_DATE_TIME");
    return 0;
}
