#include "platform/FileDescriptor.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace orvane {

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        reset();
        fd_ = other.release();
    }
    return *this;
}

int UniqueFd::release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

void UniqueFd::reset() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

UniqueFd openSourceFile(int folderFd, const char* name, struct stat* opened) {
    UniqueFd fd(
        ::openat(folderFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0)
        return fd;
    auto refuse = [&fd](int err) {
        fd.reset();
        errno = err;
        return UniqueFd();
    };
    struct stat status;
    if (::fstat(fd.get(), &status) != 0)
        return refuse(errno);
    if (!S_ISREG(status.st_mode))
        return refuse(EINVAL);
    // Reads of a regular file ignore the flag, but a library handed the descriptor may ask.
    const int flags = ::fcntl(fd.get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0)
        return refuse(errno);
    if (opened)
        *opened = status;
    return fd;
}

std::string pathOfOpenFile(int fd) {
    return "/proc/self/fd/" + std::to_string(fd);
}

ssize_t readFully(int fd, void* buffer, size_t size) {
    auto* bytes = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, bytes + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

bool writeFully(int fd, const void* data, size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        bytes += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

} // namespace orvane
