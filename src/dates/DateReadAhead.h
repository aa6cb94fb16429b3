#pragma once

// Reads the dates of the entries ahead of the merge loop on a few threads, so that the loop
// finds each entry's date ready when it comes to it instead of waiting for the file to be
// opened and decoded. The loop takes the dates in list order; each comes with the log lines
// its reading made, which are written when the loop takes it, so the log reads as if the
// loop had read the date itself.

#include "base/Log.h"
#include "base/RunResult.h"
#include "platform/DirectoryWalker.h"

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace orvane {

// Threads for reading ahead: one per core, at most four (more only queue on the disk).
unsigned dateReadAheadThreads();

// Whether two stat results describe the same, unchanged file.
bool sameFileState(const struct stat& a, const struct stat& b);

template <class Date> class DateReadAhead {
  public:
    using Reader = std::function<Date(const std::string& path, const struct stat& status)>;

    // Starts reading the dates of `list` (which must outlive this) with `reader`, never more
    // than `window` entries ahead of the last one taken. `listed`, when given (and outliving
    // this), holds what the listing read of each entry: a regular file is read in that state
    // without being looked at again, and its date is taken only if the loop finds it so.
    DateReadAhead(const PathList& list, Reader reader, size_t window = 256,
                  unsigned threads = dateReadAheadThreads(), const ListedStatuses* listed = nullptr)
        : list_(list), reader_(std::move(reader)),
          listed_(listed && listed->size() == list.size() ? listed : nullptr),
          window_(std::max<size_t>(window, 1)), refill_(std::max<size_t>(window_ / 4, 1)) {
        for (unsigned i = 0; i < threads; ++i)
            threads_.emplace_back([this] { work(); });
    }

    // Stops the threads: each finishes at most the one date it is reading.
    ~DateReadAhead() {
        {
            std::lock_guard lock(mutex_);
            stopped_ = true;
        }
        workReady_.notify_all();
        for (std::thread& thread : threads_)
            thread.join();
    }

    DateReadAhead(const DateReadAhead&) = delete;
    DateReadAhead& operator=(const DateReadAhead&) = delete;

    // The date of entry `index`, read from a file in the state `status` describes, and
    // writes the log lines of its reading. None when it was not read ahead, or the file has
    // changed since: the caller then reads it itself. Waits only for a date being read.
    std::optional<Date> take(size_t index, const struct stat& status) {
        std::unique_lock lock(mutex_);
        if (index < firstWanted_)
            return std::nullopt; // asked again: read afresh
        if (index >= nextToRead_) {
            // The loop has caught up: nothing ahead is worth keeping.
            nextToRead_ = index + 1;
            passed(index, lock);
            return std::nullopt;
        }
        resultReady_.wait(lock, [&] { return done_.count(index) != 0; });
        Done done = std::move(done_.at(index));
        passed(index, lock);
        if (!done.readable || !sameFileState(done.status, status))
            return std::nullopt;
        writeDeferredLog(done.log);
        return std::move(done.date);
    }

  private:
    struct Done {
        bool readable = false;
        struct stat status = {};
        Date date{};
        std::string log;
    };

    // Entries that may still be read before the window is full.
    size_t room() const {
        return firstWanted_ + window_ > nextToRead_ ? firstWanted_ + window_ - nextToRead_ : 0;
    }

    // Called with the lock held once entry `index` has been dealt with by the loop. Readers
    // that found the window full are woken once there is room for a batch, not for every
    // entry taken: each wake-up costs every reader a switch.
    void passed(size_t index, std::unique_lock<std::mutex>& lock) {
        done_.erase(done_.begin(), done_.upper_bound(index));
        const bool wasShort = room() < refill_;
        firstWanted_ = index + 1;
        const bool wake = wasShort && room() >= refill_;
        lock.unlock();
        if (wake)
            workReady_.notify_all();
    }

    void work() {
        std::unique_lock lock(mutex_);
        for (;;) {
            workReady_.wait(lock,
                            [&] { return stopped_ || (nextToRead_ < list_.size() && room() > 0); });
            if (stopped_)
                return;
            const size_t index = nextToRead_++;
            lock.unlock();
            Done done = read(index);
            lock.lock();
            if (index >= firstWanted_) {
                done_.emplace(index, std::move(done));
                resultReady_.notify_all();
            }
        }
    }

    Done read(size_t index) {
        const std::string& path = list_[index];
        Done done;
        if (listed_ && S_ISREG((*listed_)[index].mode))
            done.status = (*listed_)[index].asStat();
        else if (::stat(path.c_str(), &done.status) != 0)
            return done;
        LogDeferral deferral;
        try {
            done.date = reader_(path, done.status);
        } catch (...) {
            // The loop reads this one itself and deals with the failure as with any other.
            return done;
        }
        done.readable = true;
        done.log = deferral.take();
        return done;
    }

    const PathList& list_;
    const Reader reader_;
    const ListedStatuses* const listed_;
    const size_t window_;
    const size_t refill_; // room that wakes the readers of a full window

    std::mutex mutex_;
    std::condition_variable workReady_;
    std::condition_variable resultReady_;
    bool stopped_ = false;
    size_t nextToRead_ = 0;  // the next entry a thread will read
    size_t firstWanted_ = 0; // entries before this one the loop has passed
    std::map<size_t, Done> done_;
    std::vector<std::thread> threads_;
};

} // namespace orvane
