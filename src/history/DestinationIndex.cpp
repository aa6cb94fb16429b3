#include "history/DestinationIndex.h"

#include "base/Log.h"
#include "base/StringHelpers.h"
#include "platform/FileDescriptor.h"
#include "platform/PartialCopies.h"

#include <fcntl.h>
#include <ftw.h>
#include <unistd.h>
#include <unordered_map>

namespace orvane {
namespace {

int64_t nanoseconds(const struct timespec& time) {
    return static_cast<int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

struct Walked {
    std::string path; // below the root
    struct stat status;
};

// nftw takes no context: the walk in progress, on this thread.
thread_local std::vector<Walked>* tWalked = nullptr;
thread_local size_t tRootLength = 0;

int visit(const char* path, const struct stat* status, int type, struct FTW*) {
    if (type == FTW_F && S_ISREG(status->st_mode)) {
        const std::string full(path);
        if (full.size() > tRootLength && !isPartialCopyName(full.substr(full.rfind('/') + 1)))
            tWalked->push_back({full.substr(tRootLength + 1), *status});
    }
    return 0;
}

std::optional<ContentHash> hashFile(const std::string& path, const struct stat& expected) {
    struct stat opened;
    const UniqueFd fd = openSourceFile(AT_FDCWD, path.c_str(), &opened);
    if (fd.get() < 0 || opened.st_ino != expected.st_ino || opened.st_dev != expected.st_dev)
        return std::nullopt;
    return fullHashOf(fd.get(), opened.st_size);
}

} // namespace

std::optional<DestinationIndex> DestinationIndex::refresh(ImportHistory& history,
                                                          const std::string& root,
                                                          const std::set<int64_t>& sizes) {
    std::optional<std::vector<ImportHistory::IndexedFile>> stored = history.indexOf(root);
    if (!stored)
        return std::nullopt;
    std::unordered_map<std::string, const ImportHistory::IndexedFile*> byPath;
    for (const ImportHistory::IndexedFile& file : *stored)
        byPath[file.path] = &file;

    std::vector<Walked> walked;
    tWalked = &walked;
    tRootLength = root.size();
    ::nftw(root.c_str(), visit, 32, FTW_PHYS | FTW_MOUNT);
    tWalked = nullptr;

    DestinationIndex index;
    index.root_ = root;
    size_t hashed = 0;
    for (const Walked& item : walked) {
        const struct stat& status = item.status;
        ImportHistory::IndexedFile file{item.path,
                                        static_cast<int64_t>(status.st_dev),
                                        static_cast<int64_t>(status.st_ino),
                                        static_cast<int64_t>(status.st_size),
                                        nanoseconds(status.st_mtim),
                                        nanoseconds(status.st_ctim),
                                        {}};
        auto it = byPath.find(item.path);
        if (it != byPath.end() && it->second->device == file.device &&
            it->second->inode == file.inode && it->second->size == file.size &&
            it->second->modified == file.modified && it->second->changed == file.changed) {
            file.hash = it->second->hash;
        } else if (sizes.count(file.size)) {
            std::optional<ContentHash> hash = hashFile(root + "/" + item.path, status);
            if (!hash)
                continue;
            file.hash = *hash;
            ++hashed;
        } else {
            continue;
        }
        index.files_.push_back(file);
        index.sizes_.insert(file.size);
        index.byContent_.emplace(std::make_pair(file.size, file.hash), file.path);
    }
    index.changed_ = hashed > 0 || index.files_.size() != stored->size();
    logMessage(LOG_DEBUG, "Destination index of '%s': %zu files, %zu hashed now",
               safeCString(root).c_str(), index.files_.size(), hashed);
    return index;
}

std::optional<std::string> DestinationIndex::find(int64_t size, const ContentHash& hash) const {
    auto it = byContent_.find({size, hash});
    if (it == byContent_.end())
        return std::nullopt;
    return it->second;
}

void DestinationIndex::add(const std::string& path, const struct stat& status,
                           const ContentHash& hash) {
    if (path.size() <= root_.size() + 1 || path.compare(0, root_.size() + 1, root_ + "/") != 0)
        return;
    ImportHistory::IndexedFile file{path.substr(root_.size() + 1),
                                    static_cast<int64_t>(status.st_dev),
                                    static_cast<int64_t>(status.st_ino),
                                    static_cast<int64_t>(status.st_size),
                                    nanoseconds(status.st_mtim),
                                    nanoseconds(status.st_ctim),
                                    hash};
    sizes_.insert(file.size);
    byContent_.emplace(std::make_pair(file.size, file.hash), file.path);
    files_.push_back(std::move(file));
    changed_ = true;
}

bool DestinationIndex::save(ImportHistory& history) {
    if (!changed_)
        return true;
    changed_ = false;
    return history.replaceIndex(root_, files_);
}

} // namespace orvane
