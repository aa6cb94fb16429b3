#include "merge/NameClash.h"

#include "base/Paths.h"
#include "platform/FileDescriptor.h"

#include <algorithm>
#include <cerrno>
#include <climits>
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
    struct stat sa, sb;
    const UniqueFd a = openSourceFile(AT_FDCWD, source.c_str(), &sa);
    const UniqueFd b = openSourceFile(AT_FDCWD, other.c_str(), &sb);
    if (a.get() < 0 || b.get() < 0 || sa.st_size != sb.st_size)
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

NameClashCache::FileKey keyOf(const struct stat& status) {
    return {status.st_dev, status.st_ino, status.st_size, status.st_mtim};
}

NameClashDecision resolveUncached(const std::string& source, const struct stat& sourceStatus,
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

} // namespace

SharedNameDecision resolveSharedNameClash(const std::string& source,
                                          const struct stat& sourceStatus,
                                          const std::vector<std::string>& paths,
                                          const NameClashRules& rules) {
    using Kind = NameClashDecision::Kind;
    SharedNameDecision decision{Kind::Taken, paths, std::vector<bool>(paths.size(), false)};
    for (unsigned number = 0; number <= kMaxNumber; ++number) {
        bool taken = false;
        for (size_t place = 0; place < paths.size() && !taken; ++place) {
            decision.paths[place] = number == 0 ? paths[place] : numberedName(paths[place], number);
            struct stat existing;
            decision.holds[place] = false;
            if (::lstat(decision.paths[place].c_str(), &existing) != 0)
                continue;
            decision.holds[place] = rules.skipIdentical && sameSize(existing, sourceStatus) &&
                                    sameContents(source, sourceStatus, decision.paths[place]);
            taken = !decision.holds[place];
        }
        if (!taken) {
            const bool everywhere =
                std::all_of(decision.holds.begin(), decision.holds.end(), [](bool h) { return h; });
            decision.kind = everywhere ? Kind::AlreadyThere : Kind::Free;
            return decision;
        }
        if (!rules.keepBoth)
            break;
    }
    return {Kind::Taken, paths, std::vector<bool>(paths.size(), false)};
}

bool NameClashCache::FileKey::operator==(const FileKey& other) const {
    return device == other.device && inode == other.inode && size == other.size &&
           modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
}

size_t NameClashCache::KeyHash::operator()(const FileKey& key) const {
    // Inodes are unique within a device; the rest only tells states of one file apart.
    uint64_t h = static_cast<uint64_t>(key.inode) * 0x9E3779B97F4A7C15ull;
    h ^= static_cast<uint64_t>(key.device) + static_cast<uint64_t>(key.modified.tv_nsec) +
         (h << 6) + (h >> 2);
    return static_cast<size_t>(h);
}

std::optional<uint64_t> NameClashCache::contentHash(const std::string& path, FileKey& key) {
    if (auto known = hashes_.find(key); known != hashes_.end())
        return known->second;
    struct stat before, after;
    const UniqueFd fd = openSourceFile(AT_FDCWD, path.c_str(), &before);
    if (fd.get() < 0)
        return std::nullopt;
    // The name may hold another file, or a changed one, by now: the hash is of what is read.
    key = keyOf(before);
    if (auto known = hashes_.find(key); known != hashes_.end())
        return known->second;
    ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    const std::optional<uint64_t> hash = hashOfContents(fd.get());
    // A file written to while it was read is read again when next asked about.
    if (hash && ::fstat(fd.get(), &after) == 0 && keyOf(after) == key)
        hashes_.emplace(key, hash);
    return hash;
}

void NameClashCache::folderMade(const std::string& folder) {
    madeFolders_.insert(folder);
}

void NameClashCache::foundTaken(const std::string& path) {
    madeFolders_.erase(deletingLastPathComponent(path));
}

bool NameClashCache::madeFolder(const std::string& folder) const {
    return !madeFolders_.empty() && madeFolders_.count(folder) > 0;
}

NameClashDecision NameClashCache::resolve(const std::string& source,
                                          const struct stat& sourceStatus,
                                          const std::string& destination,
                                          const NameClashRules& rules) {
    // Only this run puts names into a folder it made, and it publishes with a rename that
    // never replaces: a name found taken there after all is decided about again, looking.
    const auto inMadeFolder = [this](const std::string& path) {
        return madeFolder(deletingLastPathComponent(path));
    };
    const std::hash<std::string> hashOf;
    if (inMadeFolder(destination) && givenOut_.insert(hashOf(destination)).second)
        return {NameClashDecision::Kind::Free, destination};
    NameClashDecision decision = resolveLooking(source, sourceStatus, destination, rules);
    if (decision.kind != NameClashDecision::Kind::Taken && inMadeFolder(decision.path))
        givenOut_.insert(hashOf(decision.path));
    return decision;
}

NameClashDecision NameClashCache::resolveLooking(const std::string& source,
                                                 const struct stat& sourceStatus,
                                                 const std::string& destination,
                                                 const NameClashRules& rules) {
    using Kind = NameClashDecision::Kind;
    // Only one name is looked at then, and a direct comparison stops at the first
    // difference where a hash reads both files whole.
    if (!rules.keepBoth)
        return resolveUncached(source, sourceStatus, destination, rules);

    Names& names = names_[destination];
    FileKey sourceKey = keyOf(sourceStatus);
    std::optional<std::optional<uint64_t>> sourceHash; // read when first needed
    // Hashes sort out the names that cannot hold the source; the bytes decide. A taken name
    // changed by another process during the run to hold the source's contents is not seen
    // (its hash is of what it held before): the entry is then kept twice, never lost.
    auto holdsSource = [&](TakenName& taken) {
        if (S_ISDIR(sourceStatus.st_mode))
            return S_ISDIR(taken.type) && sameContents(source, sourceStatus, taken.path);
        if (!S_ISREG(sourceStatus.st_mode) || !S_ISREG(taken.type) ||
            taken.key.size != sourceStatus.st_size)
            return false;
        if (!sourceHash)
            sourceHash = contentHash(source, sourceKey);
        if (!*sourceHash)
            return false;
        const std::optional<uint64_t> hash = contentHash(taken.path, taken.key);
        return hash == **sourceHash && sameContents(source, sourceStatus, taken.path);
    };

    if (rules.skipIdentical)
        for (TakenName& taken : names.taken)
            if (holdsSource(taken))
                return {Kind::AlreadyThere, taken.path};
    for (unsigned number = names.next; number <= kMaxNumber; ++number) {
        std::string candidate = number == 0 ? destination : numberedName(destination, number);
        struct stat existing;
        // As without the cache: links are not followed, and a name that cannot be examined
        // is left to the copy.
        if (::lstat(candidate.c_str(), &existing) != 0)
            return {Kind::Free, std::move(candidate)};
        names.taken.push_back({std::move(candidate), existing.st_mode & S_IFMT, keyOf(existing)});
        names.next = number + 1;
        if (rules.skipIdentical && holdsSource(names.taken.back()))
            return {Kind::AlreadyThere, names.taken.back().path};
    }
    return {Kind::Taken, destination};
}

std::optional<uint64_t> hashOfContents(int fd) {
    // FNV-1a taken a 64-bit word at a time, with the high half folded back after each step
    // so that every byte reaches every bit of the result.
    constexpr uint64_t kPrime = 0x100000001B3ull;
    uint64_t h = 0xCBF29CE484222325ull;
    uint64_t length = 0;
    thread_local std::unique_ptr<char[]> buffer(new char[kBlockSize]);
    for (;;) {
        const ssize_t n = readFully(fd, buffer.get(), kBlockSize);
        if (n < 0)
            return std::nullopt;
        const size_t got = static_cast<size_t>(n);
        size_t at = 0;
        for (; at + sizeof(uint64_t) <= got; at += sizeof(uint64_t)) {
            uint64_t word;
            std::memcpy(&word, buffer.get() + at, sizeof word);
            h = (h ^ word) * kPrime;
            h ^= h >> 32;
        }
        for (; at < got; ++at)
            h = (h ^ static_cast<unsigned char>(buffer[at])) * kPrime;
        length += got;
        if (got < kBlockSize)
            break;
    }
    return (h ^ length) * kPrime;
}

std::string numberedName(const std::string& path, unsigned number) {
    const size_t slash = path.rfind('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot <= nameStart)
        dot = path.size();
    const std::string suffix = "-" + std::to_string(number);
    const size_t extension = path.size() - dot;
    size_t cut = dot;
    // A name longer than the file system takes could never be published. The number and
    // the extension stay whole, and at least one byte of the name before them.
    if (dot - nameStart + suffix.size() + extension > NAME_MAX &&
        suffix.size() + extension < NAME_MAX) {
        cut = nameStart + (NAME_MAX - suffix.size() - extension);
        // Back to the start of a UTF-8 character: at most three continuation bytes; more is
        // no UTF-8 and is cut where it falls.
        size_t start = cut;
        for (int back = 0; back < 3 && start > nameStart + 1 &&
                           (static_cast<unsigned char>(path[start]) & 0xC0) == 0x80;
             ++back)
            --start;
        if ((static_cast<unsigned char>(path[start]) & 0xC0) != 0x80)
            cut = start;
    }
    return path.substr(0, cut) + suffix + path.substr(dot);
}

bool sameContents(const std::string& source, const struct stat& sourceStatus,
                  const std::string& other) {
    if (S_ISDIR(sourceStatus.st_mode))
        return sameTree(source, other);
    return S_ISREG(sourceStatus.st_mode) && sameFileContents(source, other);
}

NameClashDecision resolveNameClash(const std::string& source, const struct stat& sourceStatus,
                                   const std::string& destination, const NameClashRules& rules,
                                   NameClashCache* cache) {
    if (cache)
        return cache->resolve(source, sourceStatus, destination, rules);
    return resolveUncached(source, sourceStatus, destination, rules);
}

} // namespace orvane
