#include "history/JournalFile.h"

#include "history/JournalFormat.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace orvane::journal {

bool isJournalName(std::string_view name) {
    // "YYYYMMDDTHHMMSS.mmmZ-" then the pid's digits and the extension.
    constexpr std::string_view shape = "00000000T000000.000Z-";
    const std::string_view extension = kExtension;
    if (name.size() <= shape.size() + extension.size() || name.size() > 64 ||
        name.substr(name.size() - extension.size()) != extension)
        return false;
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    for (size_t i = 0; i < shape.size(); ++i)
        if (shape[i] == '0' ? !digit(name[i]) : name[i] != shape[i])
            return false;
    for (size_t i = shape.size(); i < name.size() - extension.size(); ++i)
        if (!digit(name[i]))
            return false;
    return true;
}

bool appendLines(int fd, std::string_view lines) {
    return lines.empty() || writeFully(fd, lines.data(), lines.size());
}

bool endLastLine(int fd, off_t size) {
    char last = '\n';
    if (size > 0 && ::pread(fd, &last, 1, size - 1) != 1)
        return false;
    return last == '\n' || appendLines(fd, "\n");
}

bool makeDurable(int fd) {
    return ::fdatasync(fd) == 0;
}

UniqueFd openJournal(const std::string& path, int flags, struct stat* status) {
    UniqueFd fd(::open(path.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    struct stat own;
    struct stat& st = status ? *status : own;
    if (fd.get() < 0)
        return fd;
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() ||
        st.st_size > kMaxJournalBytes) {
        fd.reset();
        errno = EPERM;
    }
    return fd;
}

bool LineReader::fill() {
    if (ended_)
        return false;
    if (position_ > 0) {
        buffer_.erase(0, position_);
        position_ = 0;
    }
    constexpr size_t kRead = size_t{64} << 10;
    const size_t had = buffer_.size();
    buffer_.resize(had + kRead);
    ssize_t n;
    do
        n = ::read(fd_, buffer_.data() + had, kRead);
    while (n < 0 && errno == EINTR);
    buffer_.resize(had + static_cast<size_t>(n > 0 ? n : 0));
    if (n <= 0)
        ended_ = true;
    return n > 0;
}

bool LineReader::next(std::string& line, size_t maxLine, bool& tooLong) {
    tooLong = false;
    size_t scanned = 0; // bytes after position_ known to hold no line end
    for (;;) {
        const size_t end = buffer_.find('\n', position_ + scanned);
        if (end != std::string::npos) {
            if (!tooLong)
                line.assign(buffer_, position_, end - position_);
            position_ = end + 1;
            return true;
        }
        scanned = buffer_.size() - position_;
        if (scanned > maxLine) {
            // Over the limit: drop what was read of it and look only for its end.
            tooLong = true;
            buffer_.clear();
            position_ = 0;
            scanned = 0;
        }
        if (!fill())
            return false;
    }
}

void LineReader::skipTo(off_t offset) {
    buffer_.clear();
    position_ = 0;
    ended_ = false;
    if (offset > 0 && ::lseek(fd_, offset - 1, SEEK_SET) >= 0) {
        // The byte before `offset` tells whether a line begins there.
        std::string rest;
        bool tooLong = false;
        next(rest, kMaxLine, tooLong);
    } else {
        ::lseek(fd_, 0, SEEK_SET);
    }
}

} // namespace orvane::journal
