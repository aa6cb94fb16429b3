#include "cameras/DownloadAhead.h"

#include "platform/FileCopier.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane {
namespace {

// Copies a download held in memory to where it was asked for; holes of a sparse file stay
// holes there.
ErrorText copyAll(int from, int to) {
    struct stat status;
    if (::fstat(from, &status) != 0 || ::lseek(from, 0, SEEK_SET) != 0)
        return std::string("Couldn't read the download: ") + std::strerror(errno);
    if (const std::optional<CopyFailure> failure =
            copyOpenFile(from, status, to, "the download", "the download's copy"))
        return std::string("Couldn't write the download: ") +
               std::strerror(failure->error ? failure->error : EIO);
    return std::nullopt;
}

} // namespace

DownloadAhead::DownloadAhead(size_t count, Download download, Size size, size_t ahead,
                             uint64_t mostBytes)
    : count_(count), download_(std::move(download)), size_(std::move(size)), ahead_(ahead),
      mostBytes_(mostBytes), thread_([this] { work(); }) {}

DownloadAhead::~DownloadAhead() {
    {
        std::lock_guard lock(lock_);
        stopped_ = true;
    }
    wanted_.notify_all();
    thread_.join();
    for (auto& [item, done] : done_)
        if (done.data >= 0)
            ::close(done.data);
}

void DownloadAhead::work() {
    std::unique_lock lock(lock_);
    for (;;) {
        // Bounded by count and by memory; the file asked for is always fetched.
        wanted_.wait(lock, [&] {
            return stopped_ || (next_ < count_ && next_ < firstWanted_ + ahead_ &&
                                (heldBytes_ < mostBytes_ || next_ == firstWanted_));
        });
        if (stopped_)
            return;
        const size_t item = underway_ = next_++;
        lock.unlock();
        Done done;
        // A large file is left to take(), which writes it where it is asked for.
        done.direct = size_(item) > mostBytes_ / 4;
        if (!done.direct) {
            done.data = ::memfd_create("orvane-download", MFD_CLOEXEC);
            if (done.data < 0)
                done.error = std::string("Couldn't hold the download: ") + std::strerror(errno);
            else
                done.error = download_(item, done.data);
        }
        struct stat status;
        if (done.data >= 0 && ::fstat(done.data, &status) == 0)
            done.bytes = static_cast<uint64_t>(status.st_size);
        lock.lock();
        underway_ = SIZE_MAX;
        if (item >= firstWanted_ && !done_.count(item)) {
            heldBytes_ += done.bytes;
            done_.emplace(item, std::move(done));
        } else if (done.data >= 0) {
            ::close(done.data);
        }
        ready_.notify_all();
    }
}

ErrorText DownloadAhead::take(size_t item, int fd) {
    std::unique_lock lock(lock_);
    // What lies before the item is not wanted any more.
    for (auto it = done_.begin(); it != done_.end() && it->first < item;) {
        heldBytes_ -= it->second.bytes;
        if (it->second.data >= 0)
            ::close(it->second.data);
        it = done_.erase(it);
    }
    firstWanted_ = item;
    // Not there nor under way: skipped to, or asked for again after it was taken.
    if (!done_.count(item) && underway_ != item)
        next_ = item;
    wanted_.notify_all();
    ready_.wait(lock, [&] { return done_.count(item) != 0; });
    Done done = std::move(done_.at(item));
    done_.erase(item);
    heldBytes_ -= done.bytes;
    firstWanted_ = item + 1;
    lock.unlock();
    wanted_.notify_all();
    ErrorText error = done.direct  ? download_(item, fd)
                      : done.error ? done.error
                                   : copyAll(done.data, fd);
    if (done.data >= 0)
        ::close(done.data);
    return error;
}

} // namespace orvane
