// Differential target: the EXIF date reader, which skips libexif's clean-up pass, against
// libexif's default loading with that pass, on the same bytes. Any difference in the
// answered time aborts.

#include "QuietUtcSetup.h"
#include "dates/ExifDate.h"
#include "support/ExifDateReference.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > UINT32_MAX)
        return 0;
    const auto length = static_cast<uint32_t>(size);
    const time_t fast = orvane::exifDateForBytes(data, length);
    const time_t reference = orvane::test::exifDateWithLibexifDefaults(data, length);
    if (fast != reference) {
        std::fprintf(stderr, "EXIF dates differ: %lld without the clean-up pass, %lld with it\n",
                     static_cast<long long>(fast), static_cast<long long>(reference));
        std::abort();
    }
    return 0;
}
