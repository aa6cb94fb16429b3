// Feeds arbitrary bytes, as the whole contents of a file, to the readers of photos and videos
// outside JPEG and TIFF (exiv2, the movie and AVI header readers, the AVCHD and
// embedded-EXIF scans), chosen by
// the first bytes as for a real file.

#include "QuietUtcSetup.h"
#include "dates/ExtendedDate.h"
#include "dates/MetadataDate.h"
#include "dates/VideoDate.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orvane::extendedDateForBytes(data, size);
    // The byte scans on their own, whatever the first bytes say.
    orvane::embeddedExifDate(data, size);
    orvane::avchdDate(data, size);
    return 0;
}
