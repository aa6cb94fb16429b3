// An open file descriptor that closes itself, and reads and writes that go on until the whole
// buffer is done: the kernel may answer any call with less, or with EINTR.
#pragma once

#include <cstddef>
#include <sys/types.h>

namespace orvane {

class UniqueFd {
  public:
    explicit UniqueFd(int fd = -1) : fd_(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;

    int get() const { return fd_; }
    // Gives the descriptor up without closing it.
    int release();
    // Closes the descriptor held, if any.
    void reset();

  private:
    int fd_;
};

// Reads until `size` bytes or the end of the file; answers how many were read, or -1 with
// errno set.
ssize_t readFully(int fd, void* buffer, size_t size);

// Writes all `size` bytes; on failure answers false with errno set (EIO when the kernel
// accepted nothing without saying why).
bool writeFully(int fd, const void* data, size_t size);

} // namespace orvane
