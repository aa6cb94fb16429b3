#pragma once

#include "platform/ContentHash.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace orvane {

// A source file as a later run can recognise it: its volume ("uuid:…" or "label:…", empty
// where it has neither), its path below that volume's root (absolute without a volume), its
// size and its modification time in nanoseconds since 1970.
struct SourceIdentity {
    std::string volume;
    std::string path;
    int64_t size = 0;
    int64_t modified = 0;
};

// What tells a copy unchanged since it was made: where it is on its file system, its size
// and its modification time in nanoseconds since 1970.
struct CopyStamp {
    int64_t device = 0, inode = 0, size = 0, modified = 0;
    bool operator==(const CopyStamp&) const = default;
};

// One copy a run made, as the import history keeps it.
struct ImportRecord {
    SourceIdentity source;
    ContentHash edges;
    std::optional<ContentHash> full;
    std::string destination;       // the copy's path
    std::string root;              // the run's destination root
    std::string run;               // the run's id, as its journal is named
    int64_t imported = 0;          // seconds since 1970
    std::optional<CopyStamp> copy; // none in records of older versions
};

// What a failed use of the history was about.
enum class HistoryAccess { Reading, Writing };

// The import history: one SQLite database (WAL, versioned schema) that remembers every file a
// run copied, so that a later run can skip what was imported before wherever the copy went
// since. Read back as untrusted input: rows of the wrong shape are passed over, and nothing
// it names is ever opened or changed. One connection per run; several processes share the
// file. Failures are answered as none or false, with the reason in error().
class ImportHistory {
  public:
    // The database file: $ORVANE_DATA_DIR/history.sqlite, else in $XDG_DATA_HOME/orvane or
    // ~/.local/share/orvane.
    static std::string defaultFile();

    // Opens `file`, creating it (and its folder) when missing. A file that is no database or
    // a damaged one is moved aside (kept under a new name) and a new history started; then
    // `problem` still tells what happened. A locked or read-only history, or one of a newer
    // schema, answers none with the reason in `problem`.
    static std::unique_ptr<ImportHistory> open(const std::string& file, std::string& problem);
    ~ImportHistory();
    ImportHistory(const ImportHistory&) = delete;
    ImportHistory& operator=(const ImportHistory&) = delete;

    // Whether any import of this source (same volume, path, size and time) is on record: a
    // cheap test before its edges are read.
    [[nodiscard]] std::optional<bool> knows(const SourceIdentity& source);
    // The latest import of this source, whatever its edges; none also when the look-up
    // fails, with the reason in error().
    [[nodiscard]] std::optional<ImportRecord> latest(const SourceIdentity& source);
    // The latest import of this source with these edges.
    [[nodiscard]] std::optional<ImportRecord> find(const SourceIdentity& source,
                                                   const ContentHash& edges);
    [[nodiscard]] bool add(const std::vector<ImportRecord>& records);

    // The imports of a run, of its copies at `destinations` only when given. Answers how many
    // were forgotten, or none.
    [[nodiscard]] std::optional<int64_t>
    forgetRun(const std::string& run, const std::vector<std::string>* destinations = nullptr);
    // The imports of a source file, or of every file below a source folder.
    [[nodiscard]] std::optional<int64_t> forgetSource(const std::string& volume,
                                                      const std::string& path);
    // The imports of a source file or of the files below a source folder (every import with
    // an empty `path` and volume), oldest first.
    [[nodiscard]] std::optional<std::vector<ImportRecord>> imports(const std::string& volume,
                                                                   const std::string& path);

    // The destination index: the files below a destination root by size and hash, each
    // with what tells it unchanged since it was hashed (its path below the root, device,
    // inode, size, and modification and change times in nanoseconds).
    struct IndexedFile {
        std::string path;
        int64_t device = 0, inode = 0, size = 0, modified = 0, changed = 0;
        ContentHash hash;
    };
    [[nodiscard]] std::optional<std::vector<IndexedFile>> indexOf(const std::string& root);
    // Replaces the index of `root` by `files`.
    [[nodiscard]] bool replaceIndex(const std::string& root, const std::vector<IndexedFile>& files);

    const std::string& error() const { return error_; }
    // Whether the last failure was of a read or a write.
    HistoryAccess failedAccess() const { return failedAccess_; }
    const std::string& file() const { return file_; }

  private:
    ImportHistory() = default;
    bool fail(const char* what, HistoryAccess access = HistoryAccess::Reading);
    // The latest import of `source`, of these edges only when given.
    std::optional<ImportRecord> latestImport(const SourceIdentity& source,
                                             const ContentHash* edges);
    // The look-ups of a run share one read transaction, ended after kLookupsPerRead of them
    // or after kLongestRead (so that other runs' writes are seen soon and the log of writes
    // can be folded in), and before anything is written: outside one, every statement takes
    // and gives back the database's shared lock, two system calls for each file looked up.
    void lookingUp();
    void endLookups();
    static constexpr int kLookupsPerRead = 256;
    static constexpr std::chrono::milliseconds kLongestRead{500};
    int lookupsInRead_ = -1; // -1: no read transaction open
    std::chrono::steady_clock::time_point readBegun_;
    sqlite3* db_ = nullptr;
    // The look-ups a run makes for every file, prepared once.
    sqlite3_stmt* knows_ = nullptr;
    sqlite3_stmt* find_ = nullptr;
    sqlite3_stmt* latest_ = nullptr;
    std::string file_;
    std::string error_;
    HistoryAccess failedAccess_ = HistoryAccess::Reading;
};

// The message a run gives once when its import history cannot be used: that it couldn't be read
// (opened, looked up) or written (the run's copies not recorded).
std::string historyProblemNote(const std::string& problem,
                               HistoryAccess access = HistoryAccess::Reading);

} // namespace orvane
