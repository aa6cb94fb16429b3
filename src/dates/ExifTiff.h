#pragma once

#include <cstdint>
#include <libexif/exif-data.h>

namespace orvane {

// No byte past this many of a TIFF file is ever read for its EXIF data.
constexpr uint32_t kTiffExifBound = 0xfffe;

// A new ExifData (free it with exif_data_free) whose loading skips libexif's clean-up pass
// (EXIF_DATA_OPTION_FOLLOW_SPECIFICATION); unknown tags are still ignored. Null only when
// memory is exhausted.
ExifData* newExifDataWithoutFixes();

// A new ExifData made by newExifDataWithoutFixes, holding what could be loaded from the
// IFDs of a buffer that begins with a TIFF header; empty when nothing could. Null only when
// memory is exhausted.
ExifData* loadExifFromTiff(const unsigned char* bytes, uint32_t length);

// Loads IFD 0 with the sub-IFDs it points to (EXIF, GPS, Interoperability), and IFD 1,
// of a buffer that begins with a TIFF header into `data`, reading at most the first
// kTiffExifBound bytes. Malformed headers and offsets leave `data` as it was.
void exif_data_load_tiff_part(ExifData* data, const unsigned char* bytes, uint32_t length);

} // namespace orvane
