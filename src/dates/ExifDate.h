#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <libexif/exif-data.h>
#include <optional>
#include <sys/stat.h>

namespace orvane {

// The capture date of a JPEG or TIFF file from its EXIF data, in seconds since 1970 read as
// local time, or -1 when the file has none. `status` is the file's stat result.
time_t exifDateForPath(const char* path, const struct stat& status);

// The same for a file already mapped into memory by mmap (`bytes`, `length`): survives the
// file being shortened by another program while it is read. `path` names it in the log.
time_t exifDateForMappedFile(const char* path, const unsigned char* bytes, uint32_t length);

// The same for the bytes of a whole file held in memory: everything exifDateForPath does
// after mapping the file.
time_t exifDateForBytes(const unsigned char* bytes, uint32_t length);

// Hands the make and model of IFD 0 of loaded EXIF data to a camera catch on this thread,
// when one wants them.
void noteExifCamera(ExifData* data);

// The bytes of a small file that exifDateForPath read whole on this thread, valid until it
// reads the next one.
struct WholeFile {
    const unsigned char* bytes = nullptr;
    size_t length = 0;
};

// The file exifDateForPath read last on this thread, when it read all of it and it was `path`
// in the state `status` describes: the readers that look at the file next need not read it
// again. None otherwise.
std::optional<WholeFile> lastReadWhole(const char* path, const struct stat& status);

} // namespace orvane
