#pragma once

#include "base/ErrorText.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace orvane {

// Downloads the files of a device's list ahead of a run, on a thread of its own and into
// memory, so that the device's transfers overlap the run's work on each file (dating,
// publishing). A file asked for is answered from memory when it came ahead, else downloaded
// then. Files are asked for in list order; one asked for again is downloaded again. A file
// too large to hold in memory (a long video) is not downloaded ahead but straight to where
// it is asked for.
class DownloadAhead {
  public:
    // Writes item `item` of the list to `fd`; safe to call on two threads at once.
    using Download = std::function<ErrorText(size_t item, int fd)>;
    // The size of item `item`, as its device tells it.
    using Size = std::function<uint64_t(size_t item)>;

    DownloadAhead(size_t count, Download download, Size size, size_t ahead = 8,
                  uint64_t mostBytes = uint64_t{256} << 20);
    ~DownloadAhead();
    DownloadAhead(const DownloadAhead&) = delete;
    DownloadAhead& operator=(const DownloadAhead&) = delete;

    // Writes item `item`'s data to `fd`, from its start.
    [[nodiscard]] ErrorText take(size_t item, int fd);

  private:
    struct Done {
        int data = -1; // a memory file
        uint64_t bytes = 0;
        bool direct = false; // too large: downloaded straight to where it is asked for
        ErrorText error;
    };
    void work();

    const size_t count_;
    const Download download_;
    const Size size_;
    const size_t ahead_;
    const uint64_t mostBytes_;
    std::mutex lock_;
    std::condition_variable wanted_;
    std::condition_variable ready_;
    bool stopped_ = false;
    size_t next_ = 0;        // the next item the thread downloads
    size_t firstWanted_ = 0; // items before it were taken
    size_t underway_ = SIZE_MAX;
    uint64_t heldBytes_ = 0;
    std::map<size_t, Done> done_;
    std::thread thread_;
};

} // namespace orvane
