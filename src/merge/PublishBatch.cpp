#include "merge/PublishBatch.h"

#include "base/Log.h"
#include "base/Paths.h"
#include "base/StringHelpers.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace orvane {

PublishBatch::PublishBatch(RunResult& result, Publisher publish, Abandoner abandon,
                           size_t maxEntries)
    : result_(result), publish_(std::move(publish)), abandon_(std::move(abandon)),
      maxEntries_(maxEntries) {}

PublishBatch::~PublishBatch() {
    // A batch still being made durable is waited for; its copies stay unpublished, as the
    // copies of a batch never flushed do.
    if (synced_.valid())
        synced_.wait();
}

void PublishBatch::addCopy(PendingCopy copy) {
    if (filling_.copies.empty())
        filling_.firstAdded = std::chrono::steady_clock::now();
    if (!copy.temporary.empty())
        noteFileSystemOf(deletingLastPathComponent(copy.temporary));
    for (const BackupCopy& backup : copy.backups)
        noteFileSystemOf(deletingLastPathComponent(backup.temporary));
    filling_.bytes += copy.bytes;
    filling_.destinations.insert(copy.destination);
    filling_.outcomes.push_back({copy.source, {}, copy.entry, filling_.copies.size()});
    filling_.copies.push_back(std::move(copy));
}

void PublishBatch::addOutcome(const std::string& source, EntryOutcome outcome) {
    if (filling_.copies.empty() && !syncing_) {
        // Nothing waits before it: record at once.
        record(entry_, source, outcome);
        return;
    }
    filling_.outcomes.push_back({source, std::move(outcome), entry_});
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
    return filling_.destinations.count(path) != 0 ||
           (syncing_ && syncing_->destinations.count(path) != 0);
}

bool PublishBatch::due() const {
    return !filling_.copies.empty() &&
           (filling_.copies.size() >= maxEntries_ || filling_.bytes >= kMaxBytes ||
            std::chrono::steady_clock::now() - filling_.firstAdded >= kMaxAge);
}

void PublishBatch::flush() {
    publishSyncing();
    if (filling_.copies.empty()) {
        for (const Outcome& outcome : filling_.outcomes)
            record(outcome.entry, outcome.source, outcome.outcome);
        filling_ = Batch();
        if (flushed_)
            flushed_(finishing_);
        return;
    }
    // The folders are looked up here: the loop goes on noting new ones meanwhile.
    std::vector<std::string> folders;
    for (dev_t device : filling_.fileSystems)
        folders.push_back(fileSystems_.at(device));
    syncing_ = std::move(filling_);
    filling_ = Batch();
    auto makeItDurable = [batch = &*syncing_, folders = std::move(folders)] {
        return makeDurable(*batch, folders);
    };
    try {
        synced_ = std::async(std::launch::async, makeItDurable);
    } catch (const std::system_error&) {
        // No thread to be had: made durable here, as the loop waits anyway.
        std::promise<std::optional<CopyFailure>> durable;
        durable.set_value(makeItDurable());
        synced_ = durable.get_future();
    }
}

void PublishBatch::flushNow() {
    flush();
    publishSyncing();
}

void PublishBatch::publishSyncing() {
    if (!syncing_)
        return;
    const std::optional<CopyFailure> notDurable = synced_.get();
    Batch batch = std::move(*syncing_);
    syncing_.reset();
    publish(batch, notDurable);
    if (flushed_)
        flushed_(finishing_);
    // The outcomes that came after it, up to the next copy, wait no longer.
    auto firstCopy = std::find_if(filling_.outcomes.begin(), filling_.outcomes.end(),
                                  [](const Outcome& outcome) { return outcome.copy != kNoCopy; });
    for (auto it = filling_.outcomes.begin(); it != firstCopy; ++it)
        record(it->entry, it->source, it->outcome);
    filling_.outcomes.erase(filling_.outcomes.begin(), firstCopy);
}

void PublishBatch::publish(Batch& batch, const std::optional<CopyFailure>& notDurable) {
    // Checked before they take their final names: a copy that is there is a good one.
    const std::vector<bool> intact = notDurable || !verify_
                                         ? std::vector<bool>(batch.copies.size(), true)
                                         : verify_(batch.copies);
    for (Outcome& outcome : batch.outcomes) {
        if (outcome.copy == kNoCopy)
            continue;
        const PendingCopy& copy = batch.copies[outcome.copy];
        outcome.outcome = notDurable             ? EntryOutcome::failed(abandon_(copy, *notDurable))
                          : intact[outcome.copy] ? publish_(copy)
                                                 : EntryOutcome::failed(std::string(kCopyMismatch));
    }
    for (const Outcome& outcome : batch.outcomes)
        record(outcome.entry, outcome.source, outcome.outcome);
}

void PublishBatch::finish() {
    flush();
    finishing_ = true;
    if (syncing_)
        publishSyncing();
    else if (flushed_)
        flushed_(true);
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
    filling_.fileSystems.insert(known->second);
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

std::optional<CopyFailure> PublishBatch::makeDurable(const Batch& batch,
                                                     const std::vector<std::string>& folders) {
    const bool fewFiles = batch.copies.size() <= 2 &&
                          std::all_of(batch.copies.begin(), batch.copies.end(),
                                      [](const PendingCopy& copy) { return copy.regularFile; });
    if (fewFiles) {
        // One or two (usually large) files: flushing them alone spares the rest of the file
        // system's dirty data.
        for (const PendingCopy& copy : batch.copies) {
            if (!copy.temporary.empty())
                if (std::optional<CopyFailure> failure = syncFileData(copy.temporary))
                    return failure;
            for (const BackupCopy& backup : copy.backups)
                if (std::optional<CopyFailure> failure = syncFileData(backup.temporary))
                    return failure;
        }
        return std::nullopt;
    }
    for (const std::string& folder : folders)
        if (std::optional<CopyFailure> failure = syncFolderFileSystem(folder))
            return failure;
    return std::nullopt;
}

} // namespace orvane
