#pragma once

#include "merge/RunObserver.h"

#include <vector>

namespace orvane {

// The keepers of one run's records (its journal, the import history), told of the run as one
// observer, each in the order added.
class RunRecorders : public RunObserver {
  public:
    void add(RunObserver* recorder) {
        if (recorder)
            recorders_.push_back(recorder);
    }
    // The one observer to give the merge: none without recorders.
    RunObserver* observer() { return recorders_.empty() ? nullptr : this; }

    void folderCreated(const std::string& path, const struct stat* status) override {
        for (RunObserver* r : recorders_)
            r->folderCreated(path, status);
    }
    void entryIntent(EntryCopy copy, const std::string& source, const std::string& temporary,
                     const std::string& destination, const FileStamp* made) override {
        for (RunObserver* r : recorders_)
            r->entryIntent(copy, source, temporary, destination, made);
    }
    void beforeMakingTemporaries() override {
        for (RunObserver* r : recorders_)
            r->beforeMakingTemporaries();
    }
    void temporaryMade(EntryCopy copy, const FileStamp& made) override {
        for (RunObserver* r : recorders_)
            r->temporaryMade(copy, made);
    }
    void entryHashed(size_t entry, const ContentHash& full, const ContentHash& edges) override {
        for (RunObserver* r : recorders_)
            r->entryHashed(entry, full, edges);
    }
    void beforePublishing() override {
        for (RunObserver* r : recorders_)
            r->beforePublishing();
    }
    void placeholderMade(size_t entry, const std::string& path, const struct stat& made) override {
        for (RunObserver* r : recorders_)
            r->placeholderMade(entry, path, made);
    }
    void entryPublished(EntryCopy copy, const std::string& destination,
                        const struct stat& published) override {
        for (RunObserver* r : recorders_)
            r->entryPublished(copy, destination, published);
    }
    void entryFoundAt(size_t entry, const std::string& source,
                      const std::string& existing) override {
        for (RunObserver* r : recorders_)
            r->entryFoundAt(entry, source, existing);
    }
    void entrySkipped(size_t entry, const std::string& source, const std::string& reason) override {
        for (RunObserver* r : recorders_)
            r->entrySkipped(entry, source, reason);
    }
    void entryFailed(size_t entry, const std::string& source, const std::string& error) override {
        for (RunObserver* r : recorders_)
            r->entryFailed(entry, source, error);
    }
    bool removingOriginals(const std::vector<OriginalRemoval>& removals) override {
        bool recorded = true;
        for (RunObserver* r : recorders_)
            recorded = r->removingOriginals(removals) && recorded;
        return recorded;
    }
    void originalRemoved(size_t entry) override {
        for (RunObserver* r : recorders_)
            r->originalRemoved(entry);
    }
    void runEnded(bool cancelled, const RunCounts& counts) override {
        for (RunObserver* r : recorders_)
            r->runEnded(cancelled, counts);
    }

  private:
    std::vector<RunObserver*> recorders_;
};

} // namespace orvane
