#include "cli/OrganizeOptions.h"

#include "platform/Paths.h"
#include "platform/UserDefaults.h"
#include "prefs/PrefKeys.h"

#include <CLI/CLI.hpp>
#include <algorithm>

namespace orvane::cli {

int parseOrganizeOptions(int argc, char** argv, OrganizeOptions& options) {
    CLI::App app{"Copy files into date folders under DEST (sources are never changed, nothing "
                 "at the destination is overwritten).",
                 "orvane organize"};
    std::vector<std::string> paths;
    app.add_option("paths", paths,
                   "SOURCE... DEST: files or folders to copy, then the folder "
                   "to organise into")
        ->required()
        ->expected(-1);
    app.add_option("--levels", options.levels, "number of date-folder levels (1 to 3)")
        ->check(CLI::Range(1, 3));
    app.add_option("--format", options.format,
                   "date-folder format, e.g. %Y/%m/%d; '/' separates levels");
    app.add_flag("--no-exif", options.noExif,
                 "date files by their modification time, not their EXIF capture date");
    app.add_flag("--json", options.json, "print the run result as JSON");
    app.add_flag("-q,--quiet", options.quiet, "show no progress");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int status = app.exit(e);
        return status == 0 ? 0 : 2;
    }
    if (paths.size() < 2) {
        std::fprintf(stderr, "orvane organize: give at least one source and a destination\n");
        return 2;
    }
    if (options.format && options.format->empty()) {
        std::fprintf(stderr, "orvane organize: --format must not be empty\n");
        return 2;
    }
    options.destination = absolutePath(paths.back());
    paths.pop_back();
    for (const std::string& path : paths)
        options.sources.push_back(absolutePath(path));
    return -1;
}

void applyOrganizeOptions(const OrganizeOptions& options, UserDefaults& defaults) {
    if (options.noExif)
        defaults.setArgumentValue(keys::kUseExifData, false);
    std::optional<int> levels = options.levels;
    if (options.format && !levels)
        levels = static_cast<int>(
            std::min<long>(3, 1 + std::count(options.format->begin(), options.format->end(), '/')));
    if (levels)
        defaults.setArgumentValue(keys::kDirLevels, int64_t{*levels});
    if (options.format) {
        static const char* const kFormatKeys[] = {
            keys::kOneLevelDateFormat, keys::kTwoLevelDateFormat, keys::kThreeLevelDateFormat};
        defaults.setArgumentValue(kFormatKeys[*levels - 1], *options.format);
    }
}

} // namespace orvane::cli
