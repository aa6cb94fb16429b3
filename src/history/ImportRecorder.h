#pragma once

#include "history/ImportHistory.h"
#include "merge/PriorImports.h"
#include "merge/RunObserver.h"
#include "platform/VolumeIdentity.h"

#include <map>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

namespace orvane {

class DestinationIndex;
class UserDefaults;

// The import history's part in one run: before a regular file is copied it looks for an
// earlier import of the same file (same place, size, time and edges) and answers the skip;
// once the copy is published it records it, with the hashes the copy computed. A history
// that fails during the run is left alone from then on, with one note; the run goes on.
class ImportRecorder : public RunObserver, public PriorImports {
  public:
    struct Options {
        std::string destination;         // the run's destination root
        std::string run;                 // the run's id
        bool ignoreHistory = false;      // copy files imported before all the same
        bool skipCopiesAnywhere = false; // skip files whose bytes are anywhere below the root
        // Sources to copy although the history knows them: chosen again in the preview.
        std::unordered_set<std::string> importAgain;
        // Where videos go when they go apart: their copies are recorded with this root, and
        // copies anywhere are looked for below it.
        std::string videoDestination;
        // A file the history knows is skipped only when all of its bytes hash as the import's
        // did, not on its path, size, time and edges alone.
        bool wholeContents = false;
    };

    // Opens the history at `file`; a problem goes into `notes` (once). Answers none when
    // the run is to go without it. Without a file (the user keeps no history) it answers
    // one only to find copies anywhere in the destination, and remembers nothing.
    static std::unique_ptr<ImportRecorder> start(const std::string& file, Options options,
                                                 std::vector<std::string>& notes);
    // For a plan (the dry run, the preview): the history as `rules` ask for it, to be
    // prepared like a run's; as start() answers it.
    static std::unique_ptr<ImportRecorder> forPlan(const std::string& file,
                                                   const std::string& destination,
                                                   const UserDefaults& rules,
                                                   std::vector<std::string>& notes);
    ~ImportRecorder() override;

    // The run's files that may be skipped as copies found in the destination: called with
    // the run's file list before the run, so that only files of their sizes are hashed.
    void prepare(const std::vector<std::string>& fileList);

    std::optional<PriorCopy> priorCopy(size_t entry, const std::string& source,
                                       const struct stat& status) override;

    void folderCreated(const std::string&, const struct stat*) override {}
    void entryIntent(EntryCopy, const std::string&, const std::string&, const std::string&,
                     const FileStamp*) override {}
    void temporaryMade(EntryCopy, const FileStamp&) override {}
    void beforePublishing() override {}
    void placeholderMade(size_t, const std::string&, const struct stat&) override {}
    void entryHashed(size_t entry, const ContentHash& full, const ContentHash& edges) override;
    // Records the destination's copy; a backup's is not the library's.
    void entryPublished(EntryCopy copy, const std::string& destination,
                        const struct stat& published) override;
    // Records the file found holding the entry's bytes as its copy, so that a later run
    // skips the entry as imported whatever it would name it.
    void entryFoundAt(size_t entry, const std::string&, const std::string& existing) override;
    void entrySkipped(size_t entry, const std::string&, const std::string&) override;
    void entryFailed(size_t entry, const std::string&, const std::string&) override;
    void runEnded(bool cancelled, const RunCounts& counts) override;

  private:
    ImportRecorder(std::unique_ptr<ImportHistory> history, Options options,
                   std::vector<std::string>& notes);
    void flush();
    void failed(const std::string& problem);
    // Whether an entry goes below the video destination.
    bool goesApart(const std::string& source) const;
    // The root of a run's copy: the video destination for a copy below it.
    const std::string& rootOf(const std::string& copy) const;

    struct Pending {
        SourceIdentity source;
        std::optional<ContentHash> full;
        std::optional<ContentHash> edges;
    };
    std::unique_ptr<ImportHistory> history_;
    Options options_;
    std::vector<std::string>& notes_;
    bool broken_ = false;
    VolumeIdentities volumes_;
    std::map<size_t, Pending> pending_;
    std::vector<ImportRecord> records_;
    std::unique_ptr<DestinationIndex> index_;
    std::unique_ptr<DestinationIndex> videoIndex_; // below the video destination
    // The copies this run published, added to the indexes when it ends: within a run the
    // indexes answer for the destination as the run found it, so that whether the second of
    // two identical files is copied never depends on when the first one's batch was published
    // (and the dry run, which copies nothing, plans the same).
    struct PublishedCopy {
        DestinationIndex* index;
        std::string path;
        struct stat status;
        ContentHash hash;
    };
    std::vector<PublishedCopy> published_;
};

// The report's reason for a file imported before: "Imported before on 8 Dec 2026 into
// …/2026/12/08" (the folder below the destination root of that import).
std::string importedBeforeText(const ImportRecord& record);

// The run id of a run whose journal is `journalPath`, or a new one of the same kind when it
// keeps none.
std::string runIdFor(const std::string& journalPath);

// After an undo: forgets the imports of the run's copies that were removed.
void forgetUndoneCopies(const std::string& historyFile, const std::string& run,
                        const std::vector<std::string>& removed);

} // namespace orvane
