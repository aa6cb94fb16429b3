#pragma once

#include "base/RunResult.h"

#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
}
namespace orvane {
class UserDefaults;
}

namespace orvane::cli {

struct OrganizeOptions {
    PathList sources;        // absolute
    std::string destination; // absolute
    std::optional<int> levels;
    std::optional<std::string> format;
    bool noExif = false;
    bool noExtendedDates = false;
    bool json = false;
    bool quiet = false;
    bool copyHidden = false;
    std::vector<std::string> include; // copy only the files whose names match
    std::vector<std::string> exclude; // copy all files except those whose names match
    std::vector<std::string> intact;  // folders whose names match are copied whole
    bool dryRun = false;
    bool noSkipIdentical = false;        // a destination with the same contents is an error again
    bool keepBoth = false;               // a different file under a taken name gets NAME-1.EXT …
    bool ignoreSpace = false;            // start even when the copies may not fit
    std::optional<int> jobs;             // entries copied at once (0: left to the program)
    std::optional<std::string> rename;   // the name template of the copies
    std::optional<std::string> job;      // the job code for {job}
    std::optional<std::string> seqScope; // "run", "day" or "stored"
    std::string videoDestination;        // absolute; empty: videos go with the rest
    std::optional<std::string> videoFormat; // the folder template below videoDestination
    // Time settings, checked by parseOrganizeOptions.
    std::optional<std::string> shift;       // "[+|-]H:MM[:SS]"
    std::optional<std::string> zone;        // an IANA name
    std::optional<std::string> videoClock;  // "utc" or "local"
    std::optional<std::string> dayStartsAt; // "HH:MM"
    bool ignoreHistory = false;             // copy files imported before all the same
    bool noHistory = false;                 // neither consult nor keep the import history
    bool checksum = false;                  // trust the history only on the whole contents' hash
    bool skipCopiesAnywhere = false; // skip files whose bytes are anywhere in the destination
    bool move = false;               // remove the originals of what was copied safely
    bool verify = false;             // read every copy back from the disk and compare it
    PathList backups;                // folders that get the same tree again (absolute)
    std::string cameraModel;         // --camera: the model of the device on cameraPort
    std::string cameraPort;          // --port: a device's port, added as the source camera:PORT
};

// The options of "organize", bound to OPTIONS and PATHS (SOURCE... DEST): the one table that
// the parser, the help and the shell completion read.
void addOrganizeOptions(CLI::App& app, OrganizeOptions& options, std::vector<std::string>& paths);

// Parses the arguments after "organize". Answers -1 to go on, or the exit status when the
// program should stop (help shown: 0; bad usage: 2, with the message on standard error).
int parseOrganizeOptions(int argc, char** argv, OrganizeOptions& options);

// Puts the options over the stored preferences for this process only.
void applyOrganizeOptions(const OrganizeOptions& options, UserDefaults& defaults);

} // namespace orvane::cli
