// Picks the reader by the file's first bytes. Each reader only sees the containers it was
// chosen for, so exiv2 never opens a video.

#include "dates/ExtendedDate.h"

#include "base/Log.h"
#include "dates/BoxExif.h"
#include "dates/CiffDate.h"
#include "dates/ContainerKind.h"
#include "dates/ExifChunk.h"
#include "dates/ExifDate.h"
#include "dates/HeifExif.h"
#include "dates/MetadataDate.h"
#include "dates/PngRawProfile.h"
#include "dates/RawExif.h"
#include "dates/VideoDate.h"
#include "platform/FileDescriptor.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <unistd.h>
#include <vector>

namespace orvane {
namespace {

// How much of a file the readers that search raw bytes look at, at its start (and for X3F,
// whose preview sits near the end, also at its end).
constexpr size_t kScanWindow = 4 * 1024 * 1024;
constexpr uint64_t kCrwLimit = 64 * 1024 * 1024;

// The file being read: opened, or the bytes of it the EXIF reader has just read whole.
class FileHandle {
  public:
    FileHandle(const char* path, const struct stat& status) {
        if (const std::optional<WholeFile> whole = lastReadWhole(path, status))
            whole_ = *whole;
        else
            fd_ = openSourceFile(AT_FDCWD, path);
    }
    bool readable() const { return fd_.get() >= 0 || whole_.bytes; }
    // The bytes read whole before, if they were.
    const WholeFile& whole() const { return whole_; }
    // The name through which a library that opens by name reads the file open here: never
    // the file's own name, which may hold a FIFO or a link by now.
    std::string openedPath() const { return pathOfOpenFile(fd_.get()); }

    size_t readAt(uint64_t offset, unsigned char* buffer, size_t size) const {
        if (whole_.bytes) {
            if (offset >= whole_.length || size == 0)
                return 0;
            const size_t count = std::min<uint64_t>(size, whole_.length - offset);
            std::memcpy(buffer, whole_.bytes + offset, count);
            return count;
        }
        size_t done = 0;
        while (done < size) {
            const ssize_t got =
                ::pread(fd_.get(), buffer + done, size - done, static_cast<off_t>(offset + done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            done += static_cast<size_t>(got);
        }
        return done;
    }

    std::vector<unsigned char> readSpan(uint64_t offset, size_t size) const {
        std::vector<unsigned char> bytes(size);
        bytes.resize(readAt(offset, bytes.data(), size));
        return bytes;
    }

  private:
    UniqueFd fd_;
    WholeFile whole_;
};

const char* kindName(ContainerKind kind) {
    switch (kind) {
    case ContainerKind::StillImage:
        return "image";
    case ContainerKind::SigmaX3f:
        return "X3F";
    case ContainerKind::Movie:
        return "movie";
    case ContainerKind::MpegTs:
        return "AVCHD";
    default:
        return "other";
    }
}

time_t x3fDate(const unsigned char* head, size_t headLength, const unsigned char* tail,
               size_t tailLength) {
    const time_t seconds = embeddedExifDate(head, headLength);
    return seconds != -1 || !tail ? seconds : embeddedExifDate(tail, tailLength);
}

// The date in the EXIF that a HEIF, AVIF, CR3, JPEG XL, RW2, RAF, PNG or WebP file says where
// it keeps, read alone, or -1. A file where that holds no date is left to the full readers, as
// is one whose boxes, chunks or headers are not as expected; `none` tells of a file that has
// no EXIF at all.
time_t dateWhereTheContainerSays(const unsigned char* head, size_t headLength, const ReadAt& read,
                                 uint64_t size, bool& none) {
    none = false;
    if (isHeif(head, headLength)) {
        for (const auto& item : findHeifExif(read, size).blocks)
            if (const time_t seconds = heifExifItemDate(item.data(), item.size()); seconds != -1)
                return seconds;
        return -1;
    }
    if (isCr3(head, headLength)) {
        const BoxExif found = findCr3Exif(read, size);
        return found.blocks.size() == 2 ? cr3ExifDate(found.blocks[0], found.blocks[1]) : -1;
    }
    if (isJxlContainer(head, headLength)) {
        const BoxExif found = findJxlExif(read, size);
        return found.blocks.empty()
                   ? -1
                   : jxlExifBoxDate(found.blocks[0].data(), found.blocks[0].size());
    }
    if (isRw2(head, headLength))
        return rw2ExifDate(read, size);
    if (isRaf(head, headLength))
        return rafExifDate(read, size);
    const ExifChunk chunk = findExifChunk(read, size);
    if (chunk.found == ExifChunk::Found::kBlock) {
        const auto bytes = readSpan(read, chunk.offset, chunk.length);
        return exifBlockDate(bytes.data(), bytes.size());
    }
    if (chunk.textLength != 0) {
        const auto text = readSpan(read, chunk.textOffset, chunk.textLength);
        const auto block =
            exifOfRawProfile(std::string_view(chunk.textType, 4), text.data(), text.size());
        return exifBlockDate(block.data(), block.size());
    }
    none = chunk.found == ExifChunk::Found::kNone;
    return -1;
}

} // namespace

time_t extendedDateForPath(const char* path, const struct stat& status, bool* utcInstant) {
    if (utcInstant)
        *utcInstant = false;
    if (!S_ISREG(status.st_mode))
        return -1;
    const FileHandle file(path, status);
    if (!file.readable()) {
        const int err = errno;
        logMessage(LOG_DEBUG, "Couldn't open file %s for reading metadata: %d-%s", path, err,
                   std::strerror(err));
        return -1;
    }
    unsigned char head[kContainerSniffLength];
    const auto size = static_cast<uint64_t>(status.st_size);
    // A file shorter than the head is read to its size, not once more to find its end.
    const size_t headLength =
        file.readAt(0, head, size > 0 ? std::min<uint64_t>(sizeof head, size) : sizeof head);
    const ContainerKind kind = containerKind(head, headLength);

    time_t seconds = -1;
    switch (kind) {
    case ContainerKind::StillImage: {
        const ReadAt read = [&](uint64_t offset, unsigned char* buffer, size_t wanted) {
            return file.readAt(offset, buffer, wanted);
        };
        if (isCrw(head, headLength)) {
            // CRW files are at most a few MiB; larger ones are not CRW files worth reading.
            // exiv2 reads the whole file only when the capture time's records hold none.
            if (size <= kCrwLimit && (seconds = ciffCaptureDate(read, size)) == -1) {
                const auto bytes = file.readSpan(0, size);
                seconds = metadataDateForBytes(bytes.data(), bytes.size());
            }
            break;
        }
        bool none = false;
        if ((seconds = dateWhereTheContainerSays(head, headLength, read, size, none)) != -1 || none)
            break;
        // libheif follows the primary image's references to its Exif item, which exiv2 0.27
        // does not reach in grid images.
        const WholeFile& whole = file.whole();
        if (isHeif(head, headLength) &&
            (seconds = whole.bytes ? heifExifDateForBytes(whole.bytes, whole.length)
                                   : heifExifDate(file.openedPath().c_str())) != -1)
            break;
        // exiv2 reads the whole of what else may hold a date.
        bool unreadable = false;
        if (whole.bytes) {
            seconds = metadataDateForBytes(whole.bytes, whole.length); // looks for EXIF alone too
        } else {
            seconds = metadataDateForFile(file.openedPath().c_str(), unreadable);
        }
        if (seconds == -1 && unreadable) {
            const auto bytes = file.readSpan(0, kScanWindow);
            seconds = embeddedExifDate(bytes.data(), bytes.size());
        }
        break;
    }
    case ContainerKind::SigmaX3f: {
        const auto start = file.readSpan(0, kScanWindow);
        std::vector<unsigned char> end;
        if (size > kScanWindow)
            end = file.readSpan(size - kScanWindow, kScanWindow);
        seconds =
            x3fDate(start.data(), start.size(), end.empty() ? nullptr : end.data(), end.size());
        break;
    }
    case ContainerKind::Movie:
        seconds = videoDate([&](uint64_t offset, unsigned char* buffer,
                                size_t wanted) { return file.readAt(offset, buffer, wanted); },
                            size, utcInstant);
        break;
    case ContainerKind::MpegTs: {
        const auto bytes = file.readSpan(0, kScanWindow);
        seconds = avchdDate(bytes.data(), bytes.size());
        break;
    }
    default:
        logMessage(LOG_DEBUG, "No other date reader for file %s", path);
        return -1;
    }
    if (seconds != -1)
        logMessage(LOG_DEBUG, "Read %s metadata date %ld from %s", kindName(kind),
                   static_cast<long>(seconds), path);
    return seconds;
}

time_t extendedDateForBytes(const unsigned char* bytes, size_t length) {
    const ReadAt read = readFromMemory(bytes, length);
    const ContainerKind kind = containerKind(bytes, std::min(length, kContainerSniffLength));
    switch (kind) {
    case ContainerKind::StillImage: {
        bool none = false;
        if (isCrw(bytes, length)) {
            if (const time_t seconds = ciffCaptureDate(read, length); seconds != -1)
                return seconds;
        } else if (const time_t seconds = dateWhereTheContainerSays(
                       bytes, std::min(length, kContainerSniffLength), read, length, none);
                   seconds != -1 || none)
            return seconds;
        if (isHeif(bytes, length))
            if (const time_t seconds = heifExifDateForBytes(bytes, length); seconds != -1)
                return seconds;
        return metadataDateForBytes(bytes, length);
    }
    case ContainerKind::SigmaX3f:
        return x3fDate(bytes, length, nullptr, 0);
    case ContainerKind::Movie:
        return videoDate(read, length);
    case ContainerKind::MpegTs:
        return avchdDate(bytes, length);
    default:
        return -1;
    }
}

} // namespace orvane
