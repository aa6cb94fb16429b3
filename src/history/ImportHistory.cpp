#include "history/ImportHistory.h"

#include "base/Log.h"
#include "base/Paths.h"
#include "base/StringHelpers.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <sqlite3.h>
#include <sys/stat.h>
#include <thread>

namespace orvane {
namespace {

constexpr int kSchemaVersion = 2;
// Another process's transaction is waited for this long before the history is called locked:
// another run's writes take milliseconds, so a longer wait is for a lock that stays (a tool
// holding the database open), and would only hold up the run.
constexpr int kBusyMilliseconds = 1500;
// Copies already made should reach the history: another run's write is waited for a little
// longer when recording them, but a few seconds at most.
constexpr int kRecordBusyMilliseconds = 3000;
// Longer texts read back are not ours.
constexpr size_t kMaxText = 8192;

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS imports(
  id INTEGER PRIMARY KEY,
  volume TEXT NOT NULL,
  source TEXT NOT NULL,
  size INTEGER NOT NULL,
  modified INTEGER NOT NULL,
  edges BLOB NOT NULL,
  full BLOB,
  destination TEXT NOT NULL,
  root TEXT NOT NULL,
  run TEXT NOT NULL,
  imported INTEGER NOT NULL,
  copy_device INTEGER,
  copy_inode INTEGER,
  copy_size INTEGER,
  copy_modified INTEGER);
CREATE INDEX IF NOT EXISTS imports_by_source ON imports(volume, source);
CREATE INDEX IF NOT EXISTS imports_by_run ON imports(run);
CREATE TABLE IF NOT EXISTS destination_files(
  root TEXT NOT NULL,
  path TEXT NOT NULL,
  device INTEGER NOT NULL,
  inode INTEGER NOT NULL,
  size INTEGER NOT NULL,
  modified INTEGER NOT NULL,
  changed INTEGER NOT NULL,
  hash BLOB NOT NULL,
  PRIMARY KEY(root, path));
)sql";

// Version 1 did not stamp the copies.
constexpr const char* kStampCopies = R"sql(
ALTER TABLE imports ADD COLUMN copy_device INTEGER;
ALTER TABLE imports ADD COLUMN copy_inode INTEGER;
ALTER TABLE imports ADD COLUMN copy_size INTEGER;
ALTER TABLE imports ADD COLUMN copy_modified INTEGER;
)sql";

class Statement {
  public:
    Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); }
    // Kept in `slot` between uses: prepared at the first, reset after each.
    Statement(sqlite3* db, const char* sql, sqlite3_stmt*& slot) : kept_(true) {
        if (!slot)
            sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &slot, nullptr);
        stmt_ = slot;
    }
    ~Statement() {
        if (kept_)
            reset();
        else
            sqlite3_finalize(stmt_);
    }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    bool ok() const { return stmt_ != nullptr; }
    Statement& text(int i, const std::string& value) {
        sqlite3_bind_text(stmt_, i, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement& blob(int i, const std::string& value) {
        sqlite3_bind_blob(stmt_, i, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement& integer(int i, int64_t value) {
        sqlite3_bind_int64(stmt_, i, value);
        return *this;
    }
    Statement& null(int i) {
        sqlite3_bind_null(stmt_, i);
        return *this;
    }
    // SQLITE_ROW, SQLITE_DONE or an error.
    int step() { return stmt_ ? sqlite3_step(stmt_) : SQLITE_ERROR; }
    void reset() {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }
    int64_t integerAt(int i) const { return sqlite3_column_int64(stmt_, i); }
    bool isNull(int i) const { return sqlite3_column_type(stmt_, i) == SQLITE_NULL; }
    std::optional<std::string> textAt(int i) const {
        if (sqlite3_column_type(stmt_, i) != SQLITE_TEXT)
            return std::nullopt;
        const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, i));
        const size_t size = static_cast<size_t>(sqlite3_column_bytes(stmt_, i));
        if (!data || size > kMaxText)
            return std::nullopt;
        return std::string(data, size);
    }
    std::optional<ContentHash> hashAt(int i) const {
        if (sqlite3_column_type(stmt_, i) != SQLITE_BLOB)
            return std::nullopt;
        const auto* data = static_cast<const char*>(sqlite3_column_blob(stmt_, i));
        return ContentHash::fromBytes(
            std::string_view(data, static_cast<size_t>(sqlite3_column_bytes(stmt_, i))));
    }

  private:
    sqlite3_stmt* stmt_ = nullptr;
    bool kept_ = false;
};

// Below a folder: the range of texts that begin with "path/" ('0' follows '/').
std::string rangeEnd(const std::string& path) {
    return path + "0";
}

bool isDamage(int code) {
    code &= 0xff;
    return code == SQLITE_NOTADB || code == SQLITE_CORRUPT;
}

// The name a damaged history is kept under, beside it.
std::string asideName(const std::string& file) {
    char stamp[32];
    const time_t now = time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    std::string aside = file + ".corrupt-" + stamp;
    struct stat ignored;
    for (int i = 1; ::lstat(aside.c_str(), &ignored) == 0; ++i)
        aside = file + ".corrupt-" + stamp + "-" + std::to_string(i);
    return aside;
}

std::optional<ImportRecord> recordAt(const Statement& row) {
    ImportRecord record;
    std::optional<std::string> volume = row.textAt(0), source = row.textAt(1),
                               destination = row.textAt(6), root = row.textAt(7),
                               run = row.textAt(8);
    std::optional<ContentHash> edges = row.hashAt(4);
    if (!volume || !source || !destination || !root || !run || !edges)
        return std::nullopt;
    record.source = {*volume, *source, row.integerAt(2), row.integerAt(3)};
    record.edges = *edges;
    record.full = row.hashAt(5);
    record.destination = std::move(*destination);
    record.root = std::move(*root);
    record.run = std::move(*run);
    record.imported = row.integerAt(9);
    if (!row.isNull(10) && !row.isNull(11) && !row.isNull(12) && !row.isNull(13))
        record.copy =
            CopyStamp{row.integerAt(10), row.integerAt(11), row.integerAt(12), row.integerAt(13)};
    return record;
}

constexpr const char* kRecordColumns = "volume, source, size, modified, edges, full, destination, "
                                       "root, run, imported, copy_device, copy_inode, copy_size, "
                                       "copy_modified";

} // namespace

std::string historyProblemNote(const std::string& problem, HistoryAccess access) {
    return std::string(access == HistoryAccess::Writing ? "The import history couldn't be written: "
                                                        : "The import history couldn't be read: ") +
           problem;
}

std::string ImportHistory::defaultFile() {
    if (const char* dir = std::getenv("ORVANE_DATA_DIR"); dir && *dir)
        return std::string(dir) + "/history.sqlite";
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && xdg[0] == '/')
        return std::string(xdg) + "/orvane/history.sqlite";
    return homeDirectory() + "/.local/share/orvane/history.sqlite";
}

std::unique_ptr<ImportHistory> ImportHistory::open(const std::string& file, std::string& problem) {
    problem.clear();
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(file).parent_path(), ignored);
    // Two runs starting at once may find each other setting the database up (its journal
    // mode, its tables), where SQLite answers "locked" at once instead of waiting: that is
    // tried again for as long as a lock is waited for.
    const auto lockedUntil =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyMilliseconds);
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::unique_ptr<ImportHistory> history(new ImportHistory);
        history->file_ = file;
        const int opened = sqlite3_open_v2(
            file.c_str(), &history->db_,
            SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOFOLLOW, nullptr);
        int code = opened;
        if (code == SQLITE_OK) {
            sqlite3_busy_timeout(history->db_, kBusyMilliseconds);
            sqlite3_extended_result_codes(history->db_, 1);
            if (sqlite3_db_readonly(history->db_, "main") == 1) {
                problem = "'" + file + "' is read-only";
                return nullptr;
            }
            code = sqlite3_exec(history->db_,
                                "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;"
                                "SELECT count(*) FROM sqlite_master;",
                                nullptr, nullptr, nullptr);
        }
        int version = 0;
        if (code == SQLITE_OK) {
            Statement read(history->db_, "PRAGMA user_version");
            code = read.step();
            if (code == SQLITE_ROW) {
                version = static_cast<int>(read.integerAt(0));
                code = SQLITE_OK;
            }
        }
        if (code == SQLITE_OK && version > kSchemaVersion) {
            problem = "'" + file + "' was written by a newer version of Orvane";
            return nullptr;
        }
        if (code == SQLITE_OK && version < kSchemaVersion) {
            const std::string create =
                std::string("BEGIN IMMEDIATE;") + (version == 0 ? kSchema : kStampCopies) +
                "PRAGMA user_version=" + std::to_string(kSchemaVersion) + "; COMMIT;";
            code = sqlite3_exec(history->db_, create.c_str(), nullptr, nullptr, nullptr);
            if (code != SQLITE_OK)
                sqlite3_exec(history->db_, "ROLLBACK", nullptr, nullptr, nullptr);
        }
        if (code == SQLITE_OK)
            return history;
        const std::string why = history->db_ ? sqlite3_errmsg(history->db_) : sqlite3_errstr(code);
        history.reset();
        if (((code & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_LOCKED) &&
            std::chrono::steady_clock::now() < lockedUntil) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            --attempt;
            continue;
        }
        if (!isDamage(code) || attempt > 0) {
            problem = why;
            return nullptr;
        }
        // Never delete what the user had: the damaged file is kept under a new name, with
        // the log of writes that belongs to it.
        const std::string aside = asideName(file);
        if (::rename(file.c_str(), aside.c_str()) != 0) {
            problem = why + "; it could not be moved aside: " + std::strerror(errno);
            return nullptr;
        }
        for (const char* suffix : {"-wal", "-shm"})
            ::rename((file + suffix).c_str(), (aside + suffix).c_str());
        logMessage(LOG_WARN, "Import history '%s' could not be read (%s); moved it aside to '%s'",
                   safeCString(file).c_str(), why.c_str(), safeCString(aside).c_str());
        problem = why + "; it was kept as '" + aside + "' and a new one was started";
    }
    return nullptr;
}

ImportHistory::~ImportHistory() {
    endLookups();
    sqlite3_finalize(knows_);
    sqlite3_finalize(find_);
    sqlite3_finalize(latest_);
    sqlite3_close_v2(db_);
}

bool ImportHistory::fail(const char* what, HistoryAccess access) {
    error_ = std::string(what) + ": " + sqlite3_errmsg(db_);
    failedAccess_ = access;
    logMessage(LOG_WARN, "Import history '%s': %s", safeCString(file_).c_str(), error_.c_str());
    return false;
}

void ImportHistory::lookingUp() {
    const auto now = std::chrono::steady_clock::now();
    if (lookupsInRead_ >= kLookupsPerRead || now - readBegun_ > kLongestRead)
        endLookups();
    if (lookupsInRead_ < 0 && sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK) {
        lookupsInRead_ = 0;
        readBegun_ = now;
    }
    if (lookupsInRead_ >= 0)
        ++lookupsInRead_;
}

void ImportHistory::endLookups() {
    if (lookupsInRead_ < 0)
        return;
    lookupsInRead_ = -1;
    if (sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

std::optional<bool> ImportHistory::knows(const SourceIdentity& source) {
    lookingUp();
    Statement query(db_,
                    "SELECT 1 FROM imports WHERE volume=?1 AND source=?2 AND size=?3 AND "
                    "modified=?4 LIMIT 1",
                    knows_);
    const int code = query.text(1, source.volume)
                         .text(2, source.path)
                         .integer(3, source.size)
                         .integer(4, source.modified)
                         .step();
    if (code != SQLITE_ROW && code != SQLITE_DONE)
        return fail("Couldn't look up an import"), std::nullopt;
    return code == SQLITE_ROW;
}

std::optional<ImportRecord> ImportHistory::latest(const SourceIdentity& source) {
    return latestImport(source, nullptr);
}

std::optional<ImportRecord> ImportHistory::find(const SourceIdentity& source,
                                                const ContentHash& edges) {
    return latestImport(source, &edges);
}

std::optional<ImportRecord> ImportHistory::latestImport(const SourceIdentity& source,
                                                        const ContentHash* edges) {
    static const std::string kLatest[2] = {
        std::string("SELECT ") + kRecordColumns +
            " FROM imports WHERE volume=?1 AND source=?2 AND size=?3 AND modified=?4 "
            "ORDER BY imported DESC, id DESC LIMIT 1",
        std::string("SELECT ") + kRecordColumns +
            " FROM imports WHERE volume=?1 AND source=?2 AND size=?3 AND modified=?4 AND "
            "edges=?5 ORDER BY imported DESC, id DESC LIMIT 1"};
    lookingUp();
    Statement query(db_, kLatest[edges ? 1 : 0].c_str(), edges ? find_ : latest_);
    query.text(1, source.volume).text(2, source.path).integer(3, source.size);
    query.integer(4, source.modified);
    if (edges)
        query.blob(5, edges->bytes());
    const int code = query.step();
    if (code != SQLITE_ROW && code != SQLITE_DONE)
        fail("Couldn't look up an import");
    if (code != SQLITE_ROW)
        return std::nullopt;
    return recordAt(query);
}

bool ImportHistory::add(const std::vector<ImportRecord>& records) {
    endLookups();
    if (records.empty())
        return true;
    sqlite3_busy_timeout(db_, kRecordBusyMilliseconds);
    const int began = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    sqlite3_busy_timeout(db_, kBusyMilliseconds);
    if (began != SQLITE_OK)
        return fail("Couldn't record the imports", HistoryAccess::Writing);
    Statement insert(db_, (std::string("INSERT INTO imports(") + kRecordColumns +
                           ") VALUES(?1,?2,?3,?4,?5,?6,?7,?8,?9,?10,?11,?12,?13,?14)")
                              .c_str());
    for (const ImportRecord& record : records) {
        insert.text(1, record.source.volume).text(2, record.source.path);
        insert.integer(3, record.source.size).integer(4, record.source.modified);
        insert.blob(5, record.edges.bytes());
        if (record.full)
            insert.blob(6, record.full->bytes());
        else
            insert.null(6);
        insert.text(7, record.destination).text(8, record.root).text(9, record.run);
        insert.integer(10, record.imported);
        for (int column = 11; column <= 14; ++column)
            insert.null(column);
        if (record.copy)
            insert.integer(11, record.copy->device)
                .integer(12, record.copy->inode)
                .integer(13, record.copy->size)
                .integer(14, record.copy->modified);
        if (insert.step() != SQLITE_DONE) {
            fail("Couldn't record the imports", HistoryAccess::Writing);
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
            return false;
        }
        insert.reset();
    }
    if (sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
        fail("Couldn't record the imports", HistoryAccess::Writing);
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        return false;
    }
    return true;
}

std::optional<int64_t> ImportHistory::forgetRun(const std::string& run,
                                                const std::vector<std::string>* destinations) {
    endLookups();
    if (!destinations) {
        Statement remove(db_, "DELETE FROM imports WHERE run=?1");
        if (remove.text(1, run).step() != SQLITE_DONE)
            return fail("Couldn't forget the run", HistoryAccess::Writing), std::nullopt;
        return sqlite3_changes64(db_);
    }
    if (sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        return fail("Couldn't forget the run", HistoryAccess::Writing), std::nullopt;
    Statement remove(db_, "DELETE FROM imports WHERE run=?1 AND destination=?2");
    int64_t removed = 0;
    for (const std::string& destination : *destinations) {
        if (remove.text(1, run).text(2, destination).step() != SQLITE_DONE) {
            fail("Couldn't forget the run", HistoryAccess::Writing);
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
            return std::nullopt;
        }
        removed += sqlite3_changes64(db_);
        remove.reset();
    }
    if (sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
        fail("Couldn't forget the run", HistoryAccess::Writing);
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        return std::nullopt;
    }
    return removed;
}

std::optional<int64_t> ImportHistory::forgetSource(const std::string& volume,
                                                   const std::string& path) {
    endLookups();
    Statement remove(db_, "DELETE FROM imports WHERE volume=?1 AND (source=?2 OR "
                          "(source>=?3 AND source<?4))");
    const std::string below = path == "/" ? "/" : path + "/";
    remove.text(1, volume).text(2, path).text(3, below).text(
        4, rangeEnd(below.substr(0, below.size() - 1)));
    if (remove.step() != SQLITE_DONE)
        return fail("Couldn't forget the imports", HistoryAccess::Writing), std::nullopt;
    return sqlite3_changes64(db_);
}

std::optional<std::vector<ImportRecord>> ImportHistory::imports(const std::string& volume,
                                                                const std::string& path) {
    endLookups();
    const bool all = volume.empty() && path.empty();
    Statement query(db_, (std::string("SELECT ") + kRecordColumns + " FROM imports" +
                          (all ? ""
                               : " WHERE volume=?1 AND (source=?2 OR (source>=?3 AND "
                                 "source<?4))") +
                          " ORDER BY imported, id")
                             .c_str());
    if (!all) {
        const std::string below = path == "/" ? "/" : path + "/";
        query.text(1, volume).text(2, path).text(3, below);
        query.text(4, rangeEnd(below.substr(0, below.size() - 1)));
    }
    std::vector<ImportRecord> records;
    int code;
    while ((code = query.step()) == SQLITE_ROW)
        if (std::optional<ImportRecord> record = recordAt(query))
            records.push_back(std::move(*record));
    if (code != SQLITE_DONE)
        return fail("Couldn't read the imports"), std::nullopt;
    return records;
}

std::optional<std::vector<ImportHistory::IndexedFile>>
ImportHistory::indexOf(const std::string& root) {
    endLookups();
    Statement query(db_, "SELECT path, device, inode, size, modified, changed, hash FROM "
                         "destination_files WHERE root=?1");
    query.text(1, root);
    std::vector<IndexedFile> files;
    int code;
    while ((code = query.step()) == SQLITE_ROW) {
        std::optional<std::string> path = query.textAt(0);
        std::optional<ContentHash> hash = query.hashAt(6);
        if (path && hash)
            files.push_back({std::move(*path), query.integerAt(1), query.integerAt(2),
                             query.integerAt(3), query.integerAt(4), query.integerAt(5), *hash});
    }
    if (code != SQLITE_DONE)
        return fail("Couldn't read the destination index"), std::nullopt;
    return files;
}

bool ImportHistory::replaceIndex(const std::string& root, const std::vector<IndexedFile>& files) {
    endLookups();
    if (sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        return fail("Couldn't write the destination index", HistoryAccess::Writing);
    Statement clear(db_, "DELETE FROM destination_files WHERE root=?1");
    bool ok = clear.text(1, root).step() == SQLITE_DONE;
    Statement insert(db_, "INSERT OR REPLACE INTO destination_files(root, path, device, inode, "
                          "size, modified, changed, hash) VALUES(?1,?2,?3,?4,?5,?6,?7,?8)");
    for (size_t i = 0; ok && i < files.size(); ++i) {
        const IndexedFile& file = files[i];
        insert.text(1, root).text(2, file.path).integer(3, file.device).integer(4, file.inode);
        insert.integer(5, file.size).integer(6, file.modified).integer(7, file.changed);
        insert.blob(8, file.hash.bytes());
        ok = insert.step() == SQLITE_DONE;
        insert.reset();
    }
    if (ok && sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK)
        return true;
    fail("Couldn't write the destination index", HistoryAccess::Writing);
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    return false;
}

} // namespace orvane
