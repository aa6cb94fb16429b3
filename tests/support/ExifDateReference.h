#pragma once

#include <cstdint>
#include <ctime>

namespace orvane::test {

// The EXIF date of a file's bytes as libexif gives it with its default options, clean-up
// pass included: what exifDateForBytes must answer for every input. For the differential
// test and fuzz target only.
time_t exifDateWithLibexifDefaults(const unsigned char* bytes, uint32_t length);

} // namespace orvane::test
