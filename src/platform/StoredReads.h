// Reading a list of durable files back from the device, with the reads of the files ahead
// already queued: one file read at a time leaves the device idle between files, which for
// many small copies costs more than the reading itself.
#pragma once

#include "platform/ContentHash.h"
#include "platform/FileDescriptor.h"

#include <mutex>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace orvane {

class StoredReads {
  public:
    struct File {
        std::string path;
        off_t size = 0;
    };
    // How far ahead of the file being hashed reading is asked for.
    static constexpr off_t kAheadBytes = off_t{32} << 20;
    static constexpr size_t kAheadFiles = 64;

    explicit StoredReads(std::vector<File> files);

    // The hash of file `index` as the disk holds it, as storedHashOf answers it. Safe to call
    // from several threads, each index once; indexes are best asked for in increasing order.
    [[nodiscard]] std::optional<ContentHash> hashOf(size_t index);

  private:
    // Opens the next files (dropping their cached pages and asking for their reading) until
    // `index` is open and the window ahead of it is full. Called with mutex_ held.
    void openAhead(size_t index);

    std::vector<File> files_;
    std::vector<UniqueFd> open_;
    std::mutex mutex_;
    size_t opened_ = 0;  // files below this index have been opened (or failed to)
    size_t hashing_ = 0; // the highest index asked for so far: the window starts there
};

} // namespace orvane
