#pragma once

#include "history/ImportHistory.h"

#include <map>
#include <optional>
#include <set>
#include <string>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace orvane {

// The files below a destination root by size and content hash, to find a file's bytes there
// under any name. Kept in the import history between runs; a file is hashed again only when
// its device, inode, size, modification or change time changed (the change time catches a
// file rewritten in place with its old time put back), and only files of the sizes a run
// copies are hashed at all.
class DestinationIndex {
  public:
    // Walks `root` (links not followed, the run's temporaries passed over) and brings the
    // stored index up to date for files of `sizes`. Answers none when the history failed.
    static std::optional<DestinationIndex> refresh(ImportHistory& history, const std::string& root,
                                                   const std::set<int64_t>& sizes);

    bool hasSize(int64_t size) const { return sizes_.count(size) != 0; }
    // The path below the root of a file with these bytes, or none.
    std::optional<std::string> find(int64_t size, const ContentHash& hash) const;
    // A copy the run published: later entries with its bytes are found at `path`.
    void add(const std::string& path, const struct stat& status, const ContentHash& hash);
    // Stores what the run added.
    [[nodiscard]] bool save(ImportHistory& history);

  private:
    std::string root_;
    std::vector<ImportHistory::IndexedFile> files_;
    std::set<int64_t> sizes_;
    std::map<std::pair<int64_t, ContentHash>, std::string> byContent_;
    bool changed_ = false;
};

} // namespace orvane
