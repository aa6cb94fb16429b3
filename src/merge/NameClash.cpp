#include "merge/NameClash.h"

#include "platform/FileDescriptor.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <unistd.h>

namespace orvane {
namespace {

// Numbered names tried before a taken name is given up as an error.
constexpr unsigned kMaxNumber = 9999;
// Large enough that a photo is compared in one or two reads per side.
constexpr size_t kBlockSize = size_t{1} << 20;

bool sameFileContents(const std::string& source, const std::string& other) {
    UniqueFd a(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    UniqueFd b(::open(other.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW));
    if (a.get() < 0 || b.get() < 0)
        return false;
    struct stat sa, sb;
    if (::fstat(a.get(), &sa) != 0 || ::fstat(b.get(), &sb) != 0 || !S_ISREG(sa.st_mode) ||
        !S_ISREG(sb.st_mode) || sa.st_size != sb.st_size)
        return false;
    if (sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino)
        return true;
    ::posix_fadvise(a.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    ::posix_fadvise(b.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    thread_local std::unique_ptr<char[]> bufferA(new char[kBlockSize]);
    thread_local std::unique_ptr<char[]> bufferB(new char[kBlockSize]);
    off_t left = sa.st_size;
    while (left > 0) {
        const size_t want = static_cast<size_t>(std::min<off_t>(left, kBlockSize));
        const ssize_t na = readFully(a.get(), bufferA.get(), want);
        const ssize_t nb = readFully(b.get(), bufferB.get(), want);
        if (na != static_cast<ssize_t>(want) || nb != na ||
            std::memcmp(bufferA.get(), bufferB.get(), want) != 0)
            return false;
        left -= na;
    }
    return true;
}

// The same names, kinds, link targets and file contents all the way down.
bool sameTree(const std::string& source, const std::string& other) {
    namespace fs = std::filesystem;
    std::error_code error;
    struct stat st;
    if (::lstat(other.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    size_t sourceEntries = 0;
    for (fs::recursive_directory_iterator it(source, error), end; !error && it != end;
         it.increment(error)) {
        ++sourceEntries;
        const fs::path relative = it->path().lexically_relative(source);
        const fs::path counterpart = fs::path(other) / relative;
        const fs::file_status mine = it->symlink_status(error);
        const fs::file_status theirs = fs::symlink_status(counterpart, error);
        if (error || mine.type() != theirs.type())
            return false;
        if (fs::is_symlink(mine)) {
            if (fs::read_symlink(it->path(), error) != fs::read_symlink(counterpart, error) ||
                error)
                return false;
        } else if (fs::is_regular_file(mine)) {
            if (!sameFileContents(it->path().string(), counterpart.string()))
                return false;
        } else if (!fs::is_directory(mine)) {
            return false;
        }
    }
    if (error)
        return false;
    size_t otherEntries = 0;
    for (fs::recursive_directory_iterator it(other, error), end; !error && it != end;
         it.increment(error))
        ++otherEntries;
    return !error && otherEntries == sourceEntries;
}

// Whether an existing item may hold the source's contents: a file of the same size, or a
// folder for a folder.
bool sameSize(const struct stat& existing, const struct stat& source) {
    if (S_ISDIR(source.st_mode))
        return S_ISDIR(existing.st_mode);
    return S_ISREG(existing.st_mode) && existing.st_size == source.st_size;
}

} // namespace

std::string numberedName(const std::string& path, unsigned number) {
    const size_t slash = path.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot <= nameStart)
        dot = path.size();
    return path.substr(0, dot) + "-" + std::to_string(number) + path.substr(dot);
}

bool sameContents(const std::string& source, const struct stat& sourceStatus,
                  const std::string& other) {
    if (S_ISDIR(sourceStatus.st_mode))
        return sameTree(source, other);
    return S_ISREG(sourceStatus.st_mode) && sameFileContents(source, other);
}

NameClashDecision resolveNameClash(const std::string& source, const struct stat& sourceStatus,
                                   const std::string& destination, const NameClashRules& rules) {
    using Kind = NameClashDecision::Kind;
    for (unsigned number = 0; number <= kMaxNumber; ++number) {
        const std::string candidate = number == 0 ? destination : numberedName(destination, number);
        struct stat existing;
        // A dangling link takes a name just as well: links are not followed. A name that
        // cannot be examined (its folder is a file, say) is left to the copy, which then
        // fails with the reason.
        if (::lstat(candidate.c_str(), &existing) != 0)
            return {Kind::Free, candidate};
        if (rules.skipIdentical && sameSize(existing, sourceStatus) &&
            sameContents(source, sourceStatus, candidate))
            return {Kind::AlreadyThere, candidate};
        if (!rules.keepBoth)
            break;
    }
    return {Kind::Taken, destination};
}

} // namespace orvane
