#include "dates/ExifDate.h"

#include "base/Log.h"
#include "dates/DateReadAhead.h"
#include "dates/ExifDateText.h"
#include "dates/ExifTiff.h"
#include "dates/MappedFileGuard.h"
#include "naming/CameraName.h"
#include "platform/FileDescriptor.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <libexif/exif-data.h>
#include <libexif/exif-loader.h>
#include <libexif/exif-tag.h>
#include <memory>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace orvane {
namespace {

constexpr size_t kValueTextSize = 4096;
// Files up to this size are read, larger ones mapped (their EXIF is in the first pages).
constexpr off_t kReadWholeBelow = 64 * 1024;

// This thread's buffer for small files, and which file it holds whole.
struct ReadWhole {
    std::unique_ptr<unsigned char[]> buffer{
        new unsigned char[static_cast<size_t>(kReadWholeBelow)]};
    std::string path;
    struct stat status = {};
    size_t length = 0;
    bool whole = false;
};
thread_local ReadWhole tReadWhole;

bool isJpeg(const unsigned char* bytes, uint32_t length) {
    return length >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8;
}

bool isTiff(const unsigned char* bytes, uint32_t length) {
    if (length < 5)
        return false;
    static const unsigned char kIntel[4] = {0x49, 0x49, 0x2A, 0x00};
    static const unsigned char kMotorola[4] = {0x4D, 0x4D, 0x00, 0x2A};
    return std::memcmp(bytes, kIntel, 4) == 0 || std::memcmp(bytes, kMotorola, 4) == 0;
}

ExifData* loadExifFromJpeg(const unsigned char* bytes, uint32_t length) {
    ExifLoader* loader = exif_loader_new();
    if (!loader)
        return nullptr;
    // The loader only reads the markers up to the EXIF block and copies that block; the
    // image data it skips is never touched. It does not write to the buffer.
    exif_loader_write(loader, const_cast<unsigned char*>(bytes), length);
    const unsigned char* block = nullptr;
    unsigned int blockSize = 0;
    exif_loader_get_buf(loader, &block, &blockSize);
    ExifData* data = nullptr;
    if (block && blockSize > 0) {
        data = newExifDataWithoutFixes();
        if (data)
            exif_data_load_data(data, block, blockSize);
    }
    exif_loader_unref(loader);
    return data;
}

// Whether libexif's own clean-up after loading would have removed `entry` of IFD `ifd`:
// it drops every entry of IFD 1 when there is no thumbnail, and every entry of a tag that
// its table marks as not recorded in that IFD. That clean-up never adds or rewrites the two
// date tags, so skipping these entries gives the same dates as running it, at a fraction of
// its cost (it walks the whole tag table for every IFD of every file).
bool removedByCleanUp(ExifData* data, int ifd, const ExifEntry* entry) {
    if (ifd == EXIF_IFD_1 && !data->data)
        return true;
    return exif_tag_get_support_level_in_ifd(entry->tag, static_cast<ExifIfd>(ifd),
                                             exif_data_get_data_type(data)) ==
           EXIF_SUPPORT_LEVEL_NOT_RECORDED;
}

// The first date of `tag` that parses, searching the IFDs in their fixed order, or -1.
time_t dateFromTag(ExifData* data, ExifTag tag, const char* tagName, char* valueText) {
    for (int ifd = 0; ifd < EXIF_IFD_COUNT; ++ifd) {
        ExifContent* content = data->ifd[ifd];
        if (!content || content->count == 0)
            continue;
        ExifEntry* entry = exif_content_get_entry(content, tag);
        if (!entry || entry->format != EXIF_FORMAT_ASCII || removedByCleanUp(data, ifd, entry))
            continue;
        exif_entry_get_value(entry, valueText, kValueTextSize);
        const time_t seconds = unixTimeFromExifDate(valueText, tagName);
        if (seconds != -1)
            return seconds;
    }
    return -1;
}

} // namespace

void noteExifCamera(ExifData* data) {
    if (!cameraWanted() || !data->ifd[EXIF_IFD_0])
        return;
    auto text = [&](ExifTag tag) {
        ExifEntry* entry = exif_content_get_entry(data->ifd[EXIF_IFD_0], tag);
        if (!entry || entry->format != EXIF_FORMAT_ASCII || !entry->data)
            return std::string_view();
        return std::string_view(reinterpret_cast<const char*>(entry->data), entry->size);
    };
    noteCamera(text(EXIF_TAG_MAKE), text(EXIF_TAG_MODEL));
}

time_t exifDateForBytes(const unsigned char* bytes, uint32_t length) {
    if (length < 3) {
        logMessage(LOG_DEBUG, "Not JPEG or TIFF format. Skipped EXIF meta data lookup");
        return -1;
    }
    ExifData* data;
    if (isJpeg(bytes, length)) {
        data = loadExifFromJpeg(bytes, length);
    } else if (isTiff(bytes, length)) {
        data = loadExifFromTiff(bytes, length);
    } else {
        logMessage(LOG_DEBUG, "Not JPEG or TIFF format. Skipped EXIF meta data lookup");
        return -1;
    }
    if (!data)
        return -1;

    char valueText[kValueTextSize];
    time_t seconds =
        dateFromTag(data, EXIF_TAG_DATE_TIME_ORIGINAL, "EXIF_TAG_DATE_TIME_ORIGINAL", valueText);
    if (seconds == -1)
        seconds = dateFromTag(data, EXIF_TAG_DATE_TIME, "EXIF_TAG_DATE_TIME", valueText);
    noteExifCamera(data);
    exif_data_free(data);
    return seconds;
}

time_t exifDateForMappedFile(const char* path, const unsigned char* bytes, uint32_t length) {
    MappedFileGuard guard(bytes, length);
    const time_t seconds = exifDateForBytes(bytes, length);
    if (guard.faulted()) {
        // What was read past the file's new end was zeros, not the file: no date from it.
        logMessage(LOG_DEBUG, "Couldn't read file %s for exif data: %d-%s", path, EIO,
                   std::strerror(EIO));
        return -1;
    }
    return seconds;
}

time_t exifDateForPath(const char* path, const struct stat& status) {
    if (!S_ISREG(status.st_mode)) {
        logMessage(LOG_DEBUG, "Skipping EXIF read on non-regular file %s", path);
        return -1;
    }
    // A FIFO or link swapped in since the file was listed is not opened, let alone read.
    struct stat opened;
    UniqueFd file = openSourceFile(AT_FDCWD, path, &opened);
    if (file.get() >= 0 && (opened.st_dev != status.st_dev || opened.st_ino != status.st_ino)) {
        file.reset();
        errno = ESTALE;
    }
    const int fd = file.release();
    if (fd < 0) {
        const int err = errno;
        logMessage(LOG_DEBUG, "Couldn't open file %s for reading exif data: %d-%s", path, err,
                   std::strerror(err));
        return -1;
    }
    // Small files are read whole into this thread's buffer: mapping and unmapping one costs
    // more than copying it, and every unmapping interrupts the other threads' processors.
    if (status.st_size > 0 && status.st_size <= kReadWholeBelow) {
        ReadWhole& read = tReadWhole;
        read.whole = false;
        const ssize_t got = readFully(fd, read.buffer.get(), static_cast<size_t>(status.st_size));
        const int err = errno;
        ::close(fd);
        if (got < 0) {
            logMessage(LOG_DEBUG, "Couldn't read file %s for exif data: %d-%s", path, err,
                       std::strerror(err));
            return -1;
        }
        // A file without EXIF is looked at next by the other readers, from these bytes.
        read.whole = got == status.st_size;
        read.path = path;
        read.status = status;
        read.length = static_cast<size_t>(got);
        return exifDateForBytes(read.buffer.get(), static_cast<uint32_t>(got));
    }
    // Files of 4 GiB and more: only the low 32 bits of the size count.
    const auto length = static_cast<uint32_t>(status.st_size);
    void* mapping = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE, fd, 0);
    if (mapping == MAP_FAILED) {
        const int err = errno;
        logMessage(LOG_ERR, "Couldn't map file %s into memory for exif parse: %d-%s", path, err,
                   std::strerror(err));
        ::close(fd);
        return -1;
    }
    const time_t seconds =
        exifDateForMappedFile(path, static_cast<const unsigned char*>(mapping), length);
    ::munmap(mapping, length);
    ::close(fd);
    return seconds;
}

std::optional<WholeFile> lastReadWhole(const char* path, const struct stat& status) {
    const ReadWhole& read = tReadWhole;
    if (!read.whole || read.path != path || !sameFileState(read.status, status))
        return std::nullopt;
    return WholeFile{read.buffer.get(), read.length};
}

} // namespace orvane
