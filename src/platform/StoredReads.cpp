#include "platform/StoredReads.h"

#include <algorithm>
#include <fcntl.h>

namespace orvane {

StoredReads::StoredReads(std::vector<File> files)
    : files_(std::move(files)), open_(files_.size()) {}

void StoredReads::openAhead(size_t index) {
    off_t ahead = 0;
    for (size_t at = hashing_; at < opened_; ++at)
        ahead += files_[at].size;
    while (opened_ < files_.size() &&
           (opened_ <= index || (ahead < kAheadBytes && opened_ - hashing_ < kAheadFiles))) {
        const File& file = files_[opened_];
        UniqueFd fd = openSourceFile(AT_FDCWD, file.path.c_str());
        if (fd.get() >= 0) {
            // The file's data is durable, so its pages are clean and dropped at once; what is
            // read from here on comes from the device.
            (void)::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_DONTNEED);
            (void)::posix_fadvise(fd.get(), 0, std::min(file.size, kAheadBytes),
                                  POSIX_FADV_WILLNEED);
        }
        open_[opened_++] = std::move(fd);
        ahead += file.size;
    }
}

std::optional<ContentHash> StoredReads::hashOf(size_t index) {
    UniqueFd fd;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (index >= files_.size())
            return std::nullopt;
        hashing_ = std::max(hashing_, index);
        openAhead(index);
        fd = std::move(open_[index]);
    }
    if (fd.get() < 0)
        return std::nullopt;
    return fullHashOf(fd.get(), files_[index].size);
}

} // namespace orvane
