#pragma once

#include "base/RunResult.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace orvane {

// Which entries of one run's file list belong together: sidecars (IMG_1.xmp, IMG_1.THM,
// IMG_1.aae, IMG_1.CR2.xmp …) with the files of their name, and the halves of RAW+JPEG
// pairs, found by name within one folder, letter case aside. Other files that share a name
// (a scan's JPEG and TIFF, a note beside a photo) are not partners: each has its own date.
// Built in one pass over the list; a file without a date of its own takes the date of its
// first partner that has one.
class PairedFiles {
  public:
    PairedFiles() = default;
    explicit PairedFiles(const PathList& fileList);

    // The entries, in list order and without `path` itself, in `path`'s folder whose name
    // without extension, or whose whole name, equals `path`'s name without extension; for a
    // sidecar all of them, for a JPEG its RAW files, for a RAW file its JPEGs, else none.
    std::vector<std::string> partnersOf(const std::string& path) const;

    // The entry whose new name `path` follows when copies are renamed: for a sidecar its
    // first partner that is not a sidecar (a RAW file before a JPEG), for the JPEG of a
    // RAW+JPEG pair its first RAW file; else `path` itself.
    std::string nameLeaderOf(const std::string& path) const;

    // Whether `path` is a sidecar by its extension (.xmp, .thm, .aae, .pp3, .dop): a file that
    // belongs to its leader (nameLeaderOf), goes where it goes and is chosen with it.
    static bool isSidecar(const std::string& path);

    // Whether `path` is anyone's partner or has partners: its date may be asked for twice.
    bool isPaired(const std::string& path) const;

  private:
    PathList paths_; // the entries that share a name key with another, in list order
    std::unordered_map<std::string, std::vector<size_t>> byKey_;
};

} // namespace orvane
