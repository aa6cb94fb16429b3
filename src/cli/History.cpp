#include "cli/History.h"

#include "app/BuildInfo.h"
#include "app/LoggingSetup.h"
#include "base/Log.h"
#include "base/Paths.h"
#include "base/StringHelpers.h"
#include "cli/ReportPrinter.h"
#include "history/ImportHistory.h"
#include "platform/UserDefaults.h"
#include "platform/VolumeIdentity.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sys/stat.h>

namespace orvane::cli {
namespace {

using nlohmann::ordered_json;

// Where `path` lives as the history records sources; a path no longer there (a card taken
// out) is taken as it reads.
VolumePlace placeOf(const std::string& path) {
    const std::string absolute = absolutePath(path);
    struct stat status;
    if (::stat(absolute.c_str(), &status) != 0)
        return {"", absolute};
    VolumeIdentities volumes;
    return volumes.placeOf(absolute, status.st_dev);
}

std::string sourceText(const SourceIdentity& source) {
    return source.volume.empty() ? source.path : source.volume + " " + source.path;
}

ordered_json recordJson(const ImportRecord& record) {
    return {{"volume", record.source.volume},
            {"source", jsonText(record.source.path)},
            {"size", record.source.size},
            {"imported", localDateText(static_cast<time_t>(record.imported))},
            {"destination", jsonText(record.destination)},
            {"run", record.run},
            {"hash", record.full ? ordered_json(record.full->hex()) : ordered_json(nullptr)}};
}

// The forms under which a run may have recorded `path`: as written (made absolute), with "."
// and ".." resolved by their names, and, where it exists, with links resolved too. A run records
// its sources as it was given them, so "a/../b" and a link to a card are each tried.
std::vector<VolumePlace> recordedPlacesOf(const std::string& path) {
    std::vector<std::string> forms = {absolutePath(path)};
    std::filesystem::path lexical = std::filesystem::path(forms.front()).lexically_normal();
    if (lexical.has_relative_path() && !lexical.has_filename())
        lexical = lexical.parent_path(); // "/a/b/" (from "/a/b/c/..") names "/a/b"
    forms.push_back(lexical.string());
    if (char* resolved = ::realpath(forms.front().c_str(), nullptr)) {
        forms.emplace_back(resolved);
        std::free(resolved);
    }
    std::vector<VolumePlace> places;
    auto add = [&](VolumePlace place) {
        if (std::none_of(places.begin(), places.end(), [&](const VolumePlace& known) {
                return known.volume == place.volume && known.path == place.path;
            }))
            places.push_back(std::move(place));
    };
    VolumeIdentities volumes;
    for (const std::string& form : forms) {
        add(placeOf(form));
        // A folder removed since lived on the volume of the nearest folder still there.
        struct stat status;
        std::string existing = form;
        while (::stat(existing.c_str(), &status) != 0 && existing != "/")
            existing = deletingLastPathComponent(existing);
        if (existing != form)
            add(volumes.placeOf(form, status.st_dev));
    }
    return places;
}

int forget(ImportHistory& history, const std::string& what) {
    struct stat ignored;
    const bool isPath = what.find('/') != std::string::npos || ::lstat(what.c_str(), &ignored) == 0;
    std::optional<int64_t> forgotten;
    if (isPath) {
        forgotten = 0;
        for (const VolumePlace& place : recordedPlacesOf(what)) {
            const std::optional<int64_t> here = history.forgetSource(place.volume, place.path);
            if (!here) {
                forgotten.reset();
                break;
            }
            *forgotten += *here;
        }
    } else {
        forgotten = history.forgetRun(what);
    }
    if (!forgotten) {
        std::fprintf(stderr, "orvane: %s\n", history.error().c_str());
        return 1;
    }
    std::printf("Forgot %lld import%s of %s\n", static_cast<long long>(*forgotten),
                *forgotten == 1 ? "" : "s", displayPath(what).c_str());
    return 0;
}

} // namespace

int runHistory(int argc, char** argv) {
    CLI::App app{"Show when and where files were imported: the imports of each PATH (a file, or "
                 "the files of a card or folder), oldest first; every import without PATH.",
                 "orvane history"};
    bool json = false;
    std::vector<std::string> paths;
    std::string forgotten;
    app.add_flag("--json", json, "print the imports as JSON");
    app.add_option("--forget", forgotten,
                   "forget the imports of a run (its id as `orvane runs` shows it) or of a file "
                   "or folder, so that a later run copies them again")
        ->type_name("RUN|PATH");
    app.add_option("paths", paths, "PATH...: source files or folders")->type_name("PATH");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int status = app.exit(e);
        return status == 0 ? 0 : 2;
    }
    if (!forgotten.empty() && !paths.empty()) {
        std::fprintf(stderr, "orvane history: --forget takes no other PATH\n");
        return 2;
    }
    setLogStream(stderr);
    setUpLogging(UserDefaults::standard(), build::kVersion);
    std::string problem;
    std::unique_ptr<ImportHistory> history =
        ImportHistory::open(ImportHistory::defaultFile(), problem);
    if (!problem.empty())
        std::fprintf(stderr, "orvane: %s\n", historyProblemNote(problem).c_str());
    if (!history)
        return 1;
    if (!forgotten.empty())
        return forget(*history, forgotten);

    std::vector<ImportRecord> records;
    if (paths.empty())
        paths.push_back("");
    for (const std::string& path : paths) {
        const VolumePlace place = path.empty() ? VolumePlace{} : placeOf(path);
        std::optional<std::vector<ImportRecord>> found = history->imports(place.volume, place.path);
        if (!found) {
            std::fprintf(stderr, "orvane: %s\n", history->error().c_str());
            return 1;
        }
        records.insert(records.end(), found->begin(), found->end());
    }
    if (json) {
        ordered_json list = ordered_json::array();
        for (const ImportRecord& record : records)
            list.push_back(recordJson(record));
        std::printf("%s\n", list.dump(2).c_str());
    } else if (records.empty()) {
        std::printf("No imports recorded%s\n", paths.front().empty() ? "" : " of these files");
    } else {
        for (const ImportRecord& record : records)
            std::printf("%s  %s\n  into %s  (run %s)\n",
                        localDateText(static_cast<time_t>(record.imported)).c_str(),
                        displayPath(sourceText(record.source)).c_str(),
                        displayPath(record.destination).c_str(), record.run.c_str());
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace orvane::cli
