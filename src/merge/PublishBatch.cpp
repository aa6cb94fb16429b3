#include "merge/PublishBatch.h"

#include "base/Log.h"
#include "base/Paths.h"
#include "base/StringHelpers.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane {

PublishBatch::PublishBatch(RunResult& result, Publisher publish, Abandoner abandon)
    : result_(result), publish_(std::move(publish)), abandon_(std::move(abandon)) {}

void PublishBatch::addCopy(PendingCopy copy) {
    if (outcomes_.empty())
        firstAdded_ = std::chrono::steady_clock::now();
    if (!copy.temporary.empty())
        noteFileSystemOf(deletingLastPathComponent(copy.temporary));
    for (const BackupCopy& backup : copy.backups)
        noteFileSystemOf(deletingLastPathComponent(backup.temporary));
    bytes_ += copy.bytes;
    destinations_.insert(copy.destination);
    outcomes_.push_back({copy.source, {}, copy.entry, copies_.size()});
    copies_.push_back(std::move(copy));
}

void PublishBatch::addOutcome(const std::string& source, EntryOutcome outcome) {
    if (copies_.empty()) {
        // Nothing waits before it: record at once.
        record(entry_, source, outcome);
        return;
    }
    outcomes_.push_back({source, std::move(outcome), entry_});
}

void PublishBatch::record(size_t entry, const std::string& source, const EntryOutcome& outcome) {
    if (recorded_)
        recorded_(entry, source, outcome);
    if (outcome.error) {
        result_.recordError(source, *outcome.error);
        return;
    }
    if (outcome.alreadyThere)
        result_.recordSkipped(source, outcome.skipReason());
    else
        result_.resCopiedFiles.push_back(source);
    if (!outcome.path.empty())
        result_.resDestinationDict[source] = outcome.path;
}

bool PublishBatch::holdsDestination(const std::string& path) const {
    return destinations_.count(path) != 0;
}

bool PublishBatch::due() const {
    return !copies_.empty() && (copies_.size() >= kMaxEntries || bytes_ >= kMaxBytes ||
                                std::chrono::steady_clock::now() - firstAdded_ >= kMaxAge);
}

void PublishBatch::flush() {
    if (!copies_.empty()) {
        const std::optional<CopyFailure> notDurable = makeDurable();
        // Checked before they take their final names: a copy that is there is a good one.
        const std::vector<bool> intact =
            notDurable || !verify_ ? std::vector<bool>(copies_.size(), true) : verify_(copies_);
        for (Outcome& outcome : outcomes_) {
            if (outcome.copy == kNoCopy)
                continue;
            const PendingCopy& copy = copies_[outcome.copy];
            outcome.outcome = notDurable ? EntryOutcome::failed(abandon_(copy, *notDurable))
                              : intact[outcome.copy]
                                  ? publish_(copy)
                                  : EntryOutcome::failed(std::string(kCopyMismatch));
        }
    }
    for (const Outcome& outcome : outcomes_)
        record(outcome.entry, outcome.source, outcome.outcome);
    copies_.clear();
    destinations_.clear();
    outcomes_.clear();
    batchFileSystems_.clear();
    bytes_ = 0;
    if (flushed_)
        flushed_(finishing_);
}

void PublishBatch::finish() {
    finishing_ = true;
    flush();
    finishing_ = false;
    for (const auto& [device, folder] : fileSystems_) {
        // The copies are complete and in place; only a power cut now could lose a name.
        if (std::optional<CopyFailure> failure = syncFolderFileSystem(folder))
            logMessage(LOG_WARN, "Couldn't write the new names in '%s' to disk: %s",
                       safeCString(folder).c_str(), failure->text.c_str());
    }
    fileSystems_.clear();
    folderDevices_.clear();
}

void PublishBatch::noteFolder(const std::string& folder, dev_t device) {
    if (folderDevices_.emplace(folder, device).second)
        fileSystems_.try_emplace(device, folder);
}

void PublishBatch::noteFileSystemOf(const std::string& folder) {
    auto known = folderDevices_.find(folder);
    if (known == folderDevices_.end()) {
        struct stat status;
        if (::stat(folder.c_str(), &status) != 0)
            return; // the flush of the copy's own data (or its move) reports the problem
        known = folderDevices_.emplace(folder, status.st_dev).first;
        fileSystems_.try_emplace(status.st_dev, folder);
    }
    batchFileSystems_.insert(known->second);
}

std::optional<CopyFailure> PublishBatch::syncFolderFileSystem(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return CopyFailure{CopyFailure::Kind::Failed, errno,
                           "Couldn't open '" + folder + "': " + std::strerror(errno), folder,
                           folder};
    std::optional<CopyFailure> failure = syncFileSystem(fd, folder);
    ::close(fd);
    return failure;
}

std::optional<CopyFailure> PublishBatch::makeDurable() {
    const bool fewFiles = copies_.size() <= 2 &&
                          std::all_of(copies_.begin(), copies_.end(),
                                      [](const PendingCopy& copy) { return copy.regularFile; });
    if (fewFiles) {
        // One or two (usually large) files: flushing them alone spares the rest of the file
        // system's dirty data.
        for (const PendingCopy& copy : copies_) {
            if (!copy.temporary.empty())
                if (std::optional<CopyFailure> failure = syncFileData(copy.temporary))
                    return failure;
            for (const BackupCopy& backup : copy.backups)
                if (std::optional<CopyFailure> failure = syncFileData(backup.temporary))
                    return failure;
        }
        return std::nullopt;
    }
    for (dev_t device : batchFileSystems_)
        if (std::optional<CopyFailure> failure = syncFolderFileSystem(fileSystems_.at(device)))
            return failure;
    return std::nullopt;
}

} // namespace orvane
