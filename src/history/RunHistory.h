#pragma once

#include "base/RunResult.h"
#include "history/RecordedPaths.h"
#include "merge/FileStamp.h"
#include "merge/RunObserver.h"
#include "platform/ProcessIdentity.h"

#include <optional>
#include <string>
#include <vector>

namespace orvane {

// A run as its journal tells it.
struct RunRecord {
    enum class State { kRunning, kFinished, kCancelled, kInterrupted };

    struct Copy {
        size_t entry = 0;
        std::string source;
        std::string destination;
        FileStamp stamp;
        // For a folder copied whole: everything inside it; none when it could not be read.
        std::optional<std::vector<TreeItem>> tree;
        unsigned copy = 0; // which of the entry's copies: 0 the destination's, then each backup's
    };
    struct Folder {
        std::string path;
        std::optional<FileStamp> stamp;
    };
    // An entry's copy as announced before it began: the temporary it is written under, the
    // name it is to get, and the temporary as made (for a file, also the size and modification
    // time the copy will have), by which a copy that got its name but was never recorded as
    // copied is still known after a crash.
    struct Intent {
        size_t entry = 0;
        std::string source;
        std::string temporary;
        std::string destination;
        std::optional<FileStamp> made;
        unsigned copy = 0;
    };
    struct Placeholder {
        std::string path;
        FileStamp made;
    };
    // An original the run was about to remove (freeing its sources), and whether it did.
    struct Removal {
        OriginalRemoval original;
        bool removed = false;
    };
    // An entry skipped, with the reason.
    struct Skip {
        size_t entry = 0;
        std::string source;
        std::string reason;
    };

    std::string id;
    std::string journalPath;
    ProcessIdentity process;
    std::string started; // "2026-12-08T00:36:45Z"
    PathList sources;
    std::string destination;
    std::optional<FileStamp> destinationStamp;
    // The other folders the run copied below (backups, a folder for videos), as the start
    // line names them.
    std::vector<RecordedRoot> otherRoots;
    // Whether the run was to free its sources; none when its journal does not say.
    std::optional<bool> moving;
    State state = State::kRunning;
    RunCounts counts;
    size_t originalsRemoved = 0;
    size_t temporariesRemoved = 0;
    std::optional<std::string> undone; // when
    // Read only with the whole journal (readRun with `whole`).
    std::vector<Copy> copies;
    std::vector<Folder> folders;
    std::vector<Intent> intents;
    std::vector<Placeholder> placeholders;
    std::vector<Removal> removals;
    std::vector<Skip> skips;

    // Every folder the run copied below, its destination first.
    std::vector<RecordedRoot> roots() const;
};

const char* runStateName(RunRecord::State state);

// Reads a journal. Without `whole`, only its first line and its end are read: enough for
// the summary of a closed run. Answers none for a file that is not a journal, or not one of
// the user running (journal/JournalFile.h says what is read and what is refused).
std::optional<RunRecord> readRun(const std::string& journalPath, bool whole);
// Reads the journal open as `fd` (of `size` bytes) from its start, as readRun does.
std::optional<RunRecord> readRunFrom(int fd, const std::string& journalPath, off_t size,
                                     bool whole);

// The runs of the journal folder, the latest first (summaries).
std::vector<RunRecord> listRuns(const std::string& folder);

// The run whose id is `id` or begins with it (when only one does); none otherwise.
std::optional<RunRecord> findRun(const std::string& folder, const std::string& id);

// The latest run that has ended (finished, cancelled or interrupted) and copied something or
// removed originals; the latest that has ended when none did.
std::optional<RunRecord> latestEndedRun(const std::string& folder);

// The clean-up after runs that were killed: their temporary copies still on disk are
// removed and their journals marked interrupted.
struct InterruptedRuns {
    size_t runs = 0;
    size_t temporariesRemoved = 0;
    // Of runs that were freeing their sources: the originals of entries copied (or found
    // at the destination) that are still at their places.
    size_t originalsWaiting = 0;
};

// Looks for journals without a closing line whose process is gone (and that nobody holds
// locked) and cleans up after them: removes the temporaries still as the run made them, and
// records as copied the copies that got their final names without being recorded. Removes
// journals beyond the latest kKeptRuns ended ones.
// Logs one INFO line with the counts when it found an interrupted run.
InterruptedRuns cleanUpInterruptedRuns(const std::string& folder);
inline constexpr size_t kKeptRuns = 50;

// "A previous run was interrupted; N temporary copies were removed", and for a move "… . M
// originals of the interrupted move still wait on the card; run it again with --move to free
// them"
std::string interruptedRunsNote(const InterruptedRuns& interrupted);

// "8 Dec 14:02" in local time, from a journal's "2026-12-08T14:02:11Z" (month names in
// English whatever the locale); empty when the text is not such a time.
std::string runStartedText(const std::string& started);

} // namespace orvane
