// An open file descriptor that closes itself, and reads and writes that go on until the whole
// buffer is done: the kernel may answer any call with less, or with EINTR.
#pragma once

#include <cstddef>
#include <string>
#include <sys/stat.h>
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

// Opens a source file to read its bytes, relative to the folder `folderFd` (or AT_FDCWD):
// never through a symbolic link (ELOOP), never waiting on a FIFO or a device for a writer,
// and only when what was opened is a regular file (else EINVAL). Reads from the descriptor
// answered then block as reads of a file do. `opened`, when given, receives its status.
// Sources are read through it alone: a name may have been swapped for a FIFO since it was
// listed, and a blocking open of one would wait for ever.
[[nodiscard]] UniqueFd openSourceFile(int folderFd, const char* name,
                                      struct stat* opened = nullptr);

// The path through which a library that opens files by name reads the file open on `fd`:
// the same file, whatever its name holds by now.
std::string pathOfOpenFile(int fd);

// Reads until `size` bytes or the end of the file; answers how many were read, or -1 with
// errno set.
ssize_t readFully(int fd, void* buffer, size_t size);

// Writes all `size` bytes; on failure answers false with errno set (EIO when the kernel
// accepted nothing without saying why).
bool writeFully(int fd, const void* data, size_t size);

} // namespace orvane
