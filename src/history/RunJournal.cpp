#include "history/RunJournal.h"

#include "base/Log.h"
#include "base/StringHelpers.h"
#include "history/CopyLines.h"
#include "history/JournalFile.h"
#include "history/JournalFormat.h"
#include "platform/FileDescriptor.h"
#include "platform/ProcessIdentity.h"
#include "platform/UserDefaults.h"
#include "prefs/DatingPrefs.h"
#include "prefs/Defaults.h"
#include "prefs/PrefKeys.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <unistd.h>

namespace orvane {
namespace {

using journal::json;

// "20261208T003645.123Z": sorts in the order the runs started.
std::string fileStamp(const struct timespec& now, long extraMilliseconds) {
    long milliseconds = now.tv_nsec / 1000000 + extraMilliseconds;
    time_t seconds = now.tv_sec + milliseconds / 1000;
    milliseconds %= 1000;
    struct tm utc;
    gmtime_r(&seconds, &utc);
    char text[40];
    const size_t length = std::strftime(text, sizeof text, "%Y%m%dT%H%M%S", &utc);
    std::snprintf(text + length, sizeof text - length, ".%03ldZ", milliseconds);
    return text;
}

json optionsJson(const UserDefaults& defaults) {
    json options = json::object();
    options["levels"] = defaults.integerForKey(keys::kDirLevels);
    if (std::optional<std::string> format = dirFormat(defaults))
        options["format"] = *format;
    options["exif"] = defaults.boolForKey(keys::kUseExifData);
    options["copyHidden"] = defaults.boolForKey(keys::kCopyHiddenFiles);
    options["matchingMode"] = defaults.stringForKey(keys::kMatchingMode).value_or("");
    options["copyFilePatterns"] =
        defaults.stringArrayForKey(keys::kCopyFilePatterns).value_or(StringList{});
    options["move"] = defaults.boolForKey(keys::kMoveOriginals);
    options["intactFolderPatterns"] =
        defaults.stringArrayForKey(keys::kIntactFolderPatterns).value_or(StringList{});
    // What the dates were corrected by, so that undo and a later look can tell.
    const TimeSettings time = timeSettingsOf(defaults);
    options["shiftedBy"] = time.shift != 0 ? json(clockShiftText(time.shift)) : json(nullptr);
    options["zone"] = time.zone.empty() ? json(nullptr) : json(time.zone);
    options["videoClock"] = videoClockText(time.videoClockLocal);
    options["dayStartsAt"] = dayStartText(time.dayStartsAt);
    return options;
}

// Creates the journal "<start time>-<pid>.jsonl" in `folder` with its first line and answers
// it open and locked, or -1 with errno set. The journal appears under its name with that line
// complete (where the file system has unnamed files), so no reader meets a journal that does
// not say whose it is. The lock is held while the run lasts: the crash clean-up of another
// process leaves a locked journal alone, whatever the process table says.
int createJournalFile(const std::string& folder, const struct timespec& now, long pid,
                      const std::string& firstLine, std::string& path) {
    // Two runs of one process in one millisecond: the next millisecond's name.
    auto nameFor = [&](long attempt) {
        return folder + "/" + fileStamp(now, attempt) + "-" + std::to_string(pid) +
               journal::kExtension;
    };
    int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_APPEND | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::flock(fd, LOCK_EX | LOCK_NB);
        const std::string descriptor = "/proc/self/fd/" + std::to_string(fd);
        bool linked = false;
        if (journal::appendLines(fd, firstLine))
            for (long attempt = 0; attempt < 1000 && !linked; ++attempt) {
                path = nameFor(attempt);
                linked = ::linkat(AT_FDCWD, descriptor.c_str(), AT_FDCWD, path.c_str(),
                                  AT_SYMLINK_FOLLOW) == 0;
                if (!linked && errno != EEXIST)
                    break;
            }
        if (linked)
            return fd;
        const int err = errno;
        ::close(fd);
        errno = err;
        return -1;
    }
    if (errno != EOPNOTSUPP && errno != EISDIR)
        return -1;
    for (long attempt = 0; attempt < 1000; ++attempt) {
        path = nameFor(attempt);
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC | O_NOCTTY,
                    0600);
        if (fd >= 0)
            break;
        if (errno != EEXIST)
            return -1;
    }
    if (fd < 0)
        return -1;
    ::flock(fd, LOCK_EX | LOCK_NB);
    if (journal::appendLines(fd, firstLine))
        return fd;
    const int err = errno;
    ::close(fd);
    ::unlink(path.c_str());
    errno = err;
    return -1;
}

} // namespace

std::unique_ptr<RunJournal> RunJournal::start(const std::string& folder, const PathList& sources,
                                              const std::string& destination,
                                              const UserDefaults& defaults,
                                              const PathList& otherRoots) {
    std::unique_ptr<RunJournal> journal(new RunJournal);
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);

    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    const ProcessIdentity self = currentProcess();
    json line = {{"type", "start"},
                 {"pid", self.pid},
                 {"processStart", self.startTicks},
                 {"boot", self.bootId},
                 {"started", journal::timeText(now.tv_sec)}};
    json sourceList = json::array();
    for (const std::string& source : sources)
        sourceList.push_back(journal::pathJson(source));
    line["sources"] = std::move(sourceList);
    line["destination"] = journal::pathJson(destination);
    struct stat root;
    if (::stat(destination.c_str(), &root) == 0)
        line["destinationStamp"] = journal::stampJson(FileStamp::of(root));
    if (!otherRoots.empty()) {
        json roots = json::array();
        for (const std::string& path : otherRoots) {
            json other = {{"path", journal::pathJson(path)}};
            if (::stat(path.c_str(), &root) == 0)
                other["stamp"] = journal::stampJson(FileStamp::of(root));
            roots.push_back(std::move(other));
        }
        line["roots"] = std::move(roots);
    }
    line["options"] = optionsJson(defaults);

    const int fd =
        createJournalFile(folder, now, self.pid, journal::lineText(line), journal->path_);
    if (fd < 0) {
        const int err = errno;
        logMessage(LOG_WARN,
                   "Couldn't create the run journal in '%s' (fsr='%s'): %d-%s; this run can't be "
                   "undone",
                   safeCString(folder).c_str(), folder.c_str(), err, std::strerror(err));
        journal->path_.clear();
        return journal;
    }
    journal->fd_ = UniqueFd(fd);
    journal->lastSync_ = std::chrono::steady_clock::now();
    journal->syncer_ = std::thread([raw = journal.get()] { raw->syncInBackground(); });
    return journal;
}

RunJournal::~RunJournal() {
    stopSyncing();
}

void RunJournal::syncInBackground() {
    std::unique_lock lock(syncMutex_);
    for (;;) {
        syncWanted_.wait(lock, [this] { return syncRequested_ || stopSyncer_; });
        if (stopSyncer_)
            return;
        syncRequested_ = false;
        lock.unlock();
        if (!journal::makeDurable(fd_.get()))
            syncError_ = errno;
        lock.lock();
    }
}

void RunJournal::stopSyncing() {
    if (!syncer_.joinable())
        return;
    {
        std::lock_guard lock(syncMutex_);
        stopSyncer_ = true;
    }
    syncWanted_.notify_one();
    syncer_.join();
}

void RunJournal::fail(const char* what, int err) {
    stopSyncing();
    logMessage(LOG_WARN,
               "Couldn't %s the run journal '%s' (fsr='%s'): %d-%s; this run can't be undone", what,
               safeCString(path_).c_str(), path_.c_str(), err, std::strerror(err));
    fd_.reset();
    // A journal with gaps would offer an undo that misses copies.
    ::unlink(path_.c_str());
    pending_.clear();
}

void RunJournal::writePending() {
    if (fd_.get() < 0)
        return;
    if (const int err = syncError_.load())
        return fail("write", err);
    if (!journal::appendLines(fd_.get(), pending_))
        return fail("write", errno);
    pending_.clear();
    madePending_ = false;
}

void RunJournal::append(const std::string& line, bool now) {
    if (fd_.get() < 0)
        return;
    pending_ += line;
    if (now)
        writePending();
}

void RunJournal::sync() {
    writePending();
    if (fd_.get() < 0)
        return;
    if (!journal::makeDurable(fd_.get()))
        return fail("write", errno);
    entriesSinceSync_ = 0;
    lastSync_ = std::chrono::steady_clock::now();
}

void RunJournal::noteLineHeld() {
    // A skip or a failure made nothing that undo or the clean-up must find: its line is
    // written in time but needs no flush of its own, so that a re-import of files that are
    // all there flushes the journal only at its end.
    if (pending_.size() >= kHeldBytes)
        writePending();
}

void RunJournal::noteEntryDone() {
    if (++entriesSinceSync_ < kSyncEntries &&
        std::chrono::steady_clock::now() - lastSync_ < kSyncInterval)
        return;
    writePending();
    entriesSinceSync_ = 0;
    lastSync_ = std::chrono::steady_clock::now();
    {
        std::lock_guard lock(syncMutex_);
        syncRequested_ = true;
    }
    syncWanted_.notify_one();
}

void RunJournal::folderCreated(const std::string& path, const struct stat* status) {
    struct stat read;
    if (!status && ::lstat(path.c_str(), &read) == 0)
        status = &read;
    const FileStamp stamp = status ? FileStamp::of(*status) : FileStamp();
    // Written with the intents of the copies that go into it, before their temporaries.
    append(journal::folderLineText(path, status ? &stamp : nullptr), false);
}

void RunJournal::entryIntent(EntryCopy copy, const std::string& source,
                             const std::string& temporary, const std::string& destination,
                             const FileStamp* made) {
    // An intent told before the copy waits for the others decided with it: none of their
    // temporaries is made before beforeMakingTemporaries. One told anew when publishing goes
    // at once, before the rename that follows.
    append(journal::intentLineText(copy.entry, copy.copy, source, temporary, destination, made),
           made != nullptr);
}

void RunJournal::beforeMakingTemporaries() {
    if (!pending_.empty())
        writePending();
}

void RunJournal::temporaryMade(EntryCopy copy, const FileStamp& made) {
    // Rides along with the next line written; it is needed only once the copy is published.
    append(journal::madeLineText(copy.entry, copy.copy, made), false);
    madePending_ = fd_.get() >= 0;
}

void RunJournal::beforePublishing() {
    if (madePending_)
        writePending();
}

void RunJournal::placeholderMade(size_t entry, const std::string& path, const struct stat& made) {
    append(journal::lineText({{"type", "placeholder"},
                              {"entry", entry},
                              {"path", journal::pathJson(path)},
                              {"made", journal::madeJson(FileStamp::of(made))}}),
           true);
    // Rare (file systems without a rename that never replaces): one flush each is affordable.
    if (fd_.get() >= 0 && !journal::makeDurable(fd_.get()))
        fail("write", errno);
}

void RunJournal::entryPublished(EntryCopy copy, const std::string& destination,
                                const struct stat& published) {
    if (!S_ISDIR(published.st_mode)) {
        // Written with the next intent (one write an entry), or at the next batch's end.
        append(
            journal::copiedLineText(copy.entry, copy.copy, destination, FileStamp::of(published)),
            false);
        noteEntryDone();
        return;
    }
    json line = {{"type", "copied"},
                 {"entry", copy.entry},
                 {"destination", journal::pathJson(destination)},
                 {"stamp", journal::stampJson(FileStamp::of(published))}};
    if (copy.copy)
        line["copy"] = copy.copy;
    std::vector<TreeItem> items;
    const UniqueFd fd(::open(destination.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (fd.get() >= 0 && stampTree(fd.get(), items)) {
        json tree = json::array();
        for (const TreeItem& item : items)
            tree.push_back({{"path", journal::pathJson(item.path)},
                            {"stamp", journal::stampJson(item.stamp)}});
        line["tree"] = std::move(tree);
    }
    // Without its tree the folder is never taken back: undo cannot tell what was added.
    append(journal::lineText(line), false);
    noteEntryDone();
}

void RunJournal::entrySkipped(size_t entry, const std::string& source, const std::string& reason) {
    append(journal::lineText({{"type", "skipped"},
                              {"entry", entry},
                              {"source", journal::pathJson(source)},
                              {"reason", reason}}),
           false);
    noteLineHeld();
}

void RunJournal::entryFailed(size_t entry, const std::string& source, const std::string& error) {
    append(journal::lineText({{"type", "failed"},
                              {"entry", entry},
                              {"source", journal::pathJson(source)},
                              {"error", error}}),
           false);
    noteLineHeld();
}

bool RunJournal::removingOriginals(const std::vector<OriginalRemoval>& removals) {
    for (const OriginalRemoval& removal : removals)
        append(journal::lineText(journal::removingJson(removal)), false);
    // One flush for the batch, which also puts every copy before it on record.
    sync();
    return fd_.get() >= 0;
}

void RunJournal::originalRemoved(size_t entry) {
    ++originalsRemoved_;
    append(journal::lineText({{"type", "removed"}, {"entry", entry}}), false);
    noteLineHeld();
}

void RunJournal::runEnded(bool cancelled, const RunCounts& counts) {
    if (fd_.get() < 0)
        return;
    // What the closing line vouches for must be on disk before it.
    stopSyncing();
    sync();
    append(journal::lineText({{"type", "end"},
                              {"outcome", cancelled ? "cancelled" : "finished"},
                              {"copied", counts.copied},
                              {"skipped", counts.skipped},
                              {"errors", counts.errors},
                              {"removed", originalsRemoved_},
                              {"ended", journal::timeText(time(nullptr))}}),
           true);
    sync();
    if (fd_.get() >= 0) {
        fd_.reset();
        closed_ = true;
    }
}

} // namespace orvane
