#pragma once

#include <cstddef>

namespace orvane {

// Keeps a read of a mapped file from ending the process when another program shortens the
// file meanwhile: touching a mapped page past the new end raises SIGBUS. While a guard lives,
// such a page of its range is replaced by a page of zeros, the read goes on over zeros and
// `faulted()` turns true, so that the caller can throw away what it read. Faults outside
// the range, or on another thread, go to whatever handled SIGBUS before.
//
// Costs no system call per use: the handler is installed once, on the first guard.
class MappedFileGuard {
  public:
    // `begin` must be the start of a mapping of `length` bytes made by mmap.
    MappedFileGuard(const void* begin, size_t length);
    ~MappedFileGuard();
    MappedFileGuard(const MappedFileGuard&) = delete;
    MappedFileGuard& operator=(const MappedFileGuard&) = delete;

    bool faulted() const { return faulted_; }

  private:
    friend struct MappedFileGuardAccess;
    const char* begin_;
    const char* end_;
    volatile bool faulted_ = false;
    MappedFileGuard* outer_;
};

} // namespace orvane
