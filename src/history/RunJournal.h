#pragma once

#include "base/RunResult.h"
#include "merge/RunObserver.h"
#include "platform/FileDescriptor.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace orvane {

class UserDefaults;

// The journal of one run: a file of JSON lines (history/JournalFormat.h) in the run-journal
// folder, named "<start time>-<pid>.jsonl". It names every copy before it begins, so that
// a crash leaves no temporary copy nobody knows of, and stamps every copy once it has its
// final name, so that undo can tell it from anything put there later. Lines are appended
// as they happen and made durable in batches by a thread of its own, so that the run never
// waits for the disk; the closing line waits until everything before it is durable.
//
// Intents are written before the copy's temporary is made (those of small copies decided
// together, in one write), with the identity of its temporary once made; outcomes ride along
// with the next intents. A process killed at once may leave copies that got their
// final names out of its record: the clean-up after it finds them by their intents.
//
// A journal that cannot be written does not stop the run: it logs one WARN, removes what
// it had written and answers undoable() false from then on.
class RunJournal : public RunObserver {
  public:
    // Durable at least this often while lines come, and after this many entries.
    static constexpr std::chrono::milliseconds kSyncInterval{200};
    static constexpr size_t kSyncEntries = 256;
    // Lines of skips and failures held back at most, before they are written.
    static constexpr size_t kHeldBytes = 64 * 1024;

    // Creates the journal in `folder` (made if missing) and writes its first line: the
    // sources, the destination root and any other roots the run copies below (backups, a
    // folder for videos), the options in force and this process's identity.
    static std::unique_ptr<RunJournal> start(const std::string& folder, const PathList& sources,
                                             const std::string& destination,
                                             const UserDefaults& defaults,
                                             const PathList& otherRoots = {});
    ~RunJournal() override;
    RunJournal(const RunJournal&) = delete;
    RunJournal& operator=(const RunJournal&) = delete;

    bool undoable() const { return fd_.get() >= 0 || closed_; }
    const std::string& path() const { return path_; }

    void folderCreated(const std::string& path, const struct stat* status) override;
    void entryIntent(EntryCopy copy, const std::string& source, const std::string& temporary,
                     const std::string& destination, const FileStamp* made) override;
    void beforeMakingTemporaries() override;
    void temporaryMade(EntryCopy copy, const FileStamp& made) override;
    void beforePublishing() override;
    void placeholderMade(size_t entry, const std::string& path, const struct stat& made) override;
    void entryPublished(EntryCopy copy, const std::string& destination,
                        const struct stat& published) override;
    void entrySkipped(size_t entry, const std::string& source, const std::string& reason) override;
    void entryFailed(size_t entry, const std::string& source, const std::string& error) override;
    bool removingOriginals(const std::vector<OriginalRemoval>& removals) override;
    void originalRemoved(size_t entry) override;
    void runEnded(bool cancelled, const RunCounts& counts) override;

  private:
    RunJournal() = default;
    // Adds a line; `now` writes it (with any held back) before answering, as a line that
    // must be on record before the file system changes needs.
    void append(const std::string& line, bool now);
    void noteEntryDone();
    void noteLineHeld();
    void writePending();
    void sync();
    void fail(const char* what, int err);
    // The batches: the thread that makes the lines durable when asked, and its end.
    void syncInBackground();
    void stopSyncing();

    UniqueFd fd_;
    bool closed_ = false;
    std::string path_;
    std::string pending_;
    bool madePending_ = false; // pending_ holds a "made" line
    size_t entriesSinceSync_ = 0;
    size_t originalsRemoved_ = 0; // for the closing line: a run that removed some is undoable
    std::chrono::steady_clock::time_point lastSync_;
    std::thread syncer_;
    std::mutex syncMutex_;
    std::condition_variable syncWanted_;
    bool syncRequested_ = false;
    bool stopSyncer_ = false;
    std::atomic<int> syncError_{0}; // errno of a failed background sync
};

} // namespace orvane
