#include "cli/OrganizeOptions.h"

#include "base/Paths.h"
#include "base/TimeSettings.h"
#include "dates/WallClock.h"
#include "platform/RemoteSources.h"
#include "platform/UserDefaults.h"
#include "prefs/MatchingModes.h"
#include "prefs/NamingSettings.h"
#include "prefs/PrefKeys.h"

#include <CLI/CLI.hpp>
#include <algorithm>

namespace orvane::cli {

void addOrganizeOptions(CLI::App& app, OrganizeOptions& options, std::vector<std::string>& paths) {
    app.description("Copy files into date folders under DEST (sources are never changed "
                    "unless --move is given, nothing at the destination is overwritten).");
    app.add_option("paths", paths,
                   "SOURCE... DEST: files or folders to copy (camera:PORT for a camera or "
                   "phone on a cable, see orvane cameras), then the folder to organise into")
        ->required()
        ->expected(-1);
    app.add_option("--levels", options.levels, "number of date-folder levels (1 to 3)")
        ->check(CLI::Range(1, 3));
    app.add_option("--format", options.format,
                   "folder format, e.g. %Y/%m/%d or \"%Y/%Y-%m-%d {job}/{kind}\"; '/' "
                   "separates levels; tokens {job}, {camera}, {kind}, {ext}");
    app.add_flag("--no-exif", options.noExif,
                 "date files by their modification time, not their EXIF capture date");
    app.add_flag("--no-extended-dates", options.noExtendedDates,
                 "date only JPEG and TIFF files by their capture date, not videos and other "
                 "photo formats");
    app.add_flag("--json", options.json, "print the run result as JSON");
    app.add_flag("-q,--quiet", options.quiet, "show no progress");
    app.add_flag("--copy-hidden", options.copyHidden,
                 "also copy files and folders whose names begin with a dot");
    app.add_option("--include", options.include,
                   "copy only the files whose names match PATTERN (repeatable; * is one or more "
                   "characters, ? one byte, /REGEX/ a regular expression)")
        ->type_name("PATTERN")
        ->take_all()
        ->expected(1)
        ->allow_extra_args(false);
    app.add_option("--exclude", options.exclude,
                   "copy all files except those whose names match PATTERN (repeatable)")
        ->type_name("PATTERN")
        ->take_all()
        ->expected(1)
        ->allow_extra_args(false);
    app.add_option("--intact", options.intact,
                   "copy folders whose names match PATTERN whole, not split by date (repeatable)")
        ->type_name("PATTERN")
        ->take_all()
        ->expected(1)
        ->allow_extra_args(false);
    app.add_flag("--dry-run", options.dryRun,
                 "show where each file would go, and whether that place is taken, without "
                 "creating or copying anything");
    app.add_flag("--no-skip-identical", options.noSkipIdentical,
                 "report a file whose destination already holds the same bytes as an error, "
                 "instead of skipping it as already in the destination");
    app.add_flag("--keep-both", options.keepBoth,
                 "when a different file has the destination name, copy as NAME-1.EXT, "
                 "NAME-2.EXT ... instead of reporting an error");
    app.add_option("--jobs", options.jobs,
                   "copy N entries at once (1: one after another; 0: the program decides, "
                   "several on solid-state storage, one on spinning disks); the results are "
                   "the same")
        ->type_name("N")
        ->check(CLI::Range(0, 16));
    app.add_flag("--ignore-history", options.ignoreHistory,
                 "copy files that the import history knows as imported before, instead of "
                 "skipping them (they are still recorded)");
    app.add_flag("--checksum", options.checksum,
                 "skip a file the import history knows only when all of its bytes hash as "
                 "they did when it was imported, not because its path, size, time and first "
                 "and last 64 KiB are unchanged (reads every such file whole)");
    app.add_flag("--no-history", options.noHistory,
                 "neither consult nor add to the import history: nothing is skipped as "
                 "imported before and this run is not remembered");
    app.add_flag("--skip-copies-anywhere", options.skipCopiesAnywhere,
                 "skip files whose bytes are already anywhere in the destination, under any "
                 "name");
    app.add_flag("--verify", options.verify,
                 "read every copy back from the disk once it is durable and compare it with "
                 "what was copied; a copy that differs is removed and its file fails");
    app.add_option("--backup", options.backups,
                   "copy everything to DIR too, in the same folders under the same names "
                   "(repeatable; replaces the backups set in the preferences for this run)")
        ->type_name("DIR")
        ->take_all()
        ->expected(1)
        ->allow_extra_args(false);
    app.add_flag("--move", options.move,
                 "remove each original once its copy is on disk and read back intact (implies "
                 "--verify), or once the destination is found to hold the same bytes; folders "
                 "and files that failed or were skipped for another reason stay");
    app.add_option("--rename", options.rename,
                   "name the copies by TEMPLATE: date codes (%Y%m%d-%H%M%S) and tokens {name}, "
                   "{ext}, {EXT}, {seq} ({seq:4}: four digits), {job}, {camera}; without "
                   "{ext} or {EXT} the original extension is kept")
        ->type_name("TEMPLATE");
    app.add_option("--job", options.job, "the job code that {job} gives in the templates")
        ->type_name("TEXT");
    app.add_option("--seq", options.seqScope,
                   "where {seq} counts from: run (each run from 1), day (each capture day "
                   "from 1) or stored (on from the last run that counted so)")
        ->type_name("SCOPE")
        ->check(CLI::IsMember({"run", "day", "stored"}));
    app.add_option("--video-dest", options.videoDestination,
                   "copy videos below DIR instead of DEST, into folders of their own format "
                   "(--video-format, else the same as the others')")
        ->type_name("DIR");
    app.add_option("--video-format", options.videoFormat,
                   "folder format below the video destination, as --format takes it")
        ->type_name("TEMPLATE");
    app.add_flag("--ignore-space", options.ignoreSpace,
                 "start even when the destination's disk seems too full for the copies");
    app.add_option("--shift", options.shift,
                   "the camera's clock was off by this much: move every capture date read from "
                   "a file (not modification times) by it, e.g. +7:00 or -0:30")
        ->type_name("[+|-]H:MM[:SS]");
    app.add_option("--zone", options.zone,
                   "show dates stored as UTC instants (movie headers) in this time zone, an "
                   "IANA name such as Asia/Bangkok (default: the preference, else this "
                   "computer's zone)")
        ->type_name("ZONE");
    app.add_option("--video-clock", options.videoClock,
                   "movie headers hold UTC (phones and most cameras; the default) or the "
                   "camera's local time (some action cameras)")
        ->type_name("utc|local");
    app.add_option("--day-starts-at", options.dayStartsAt,
                   "a capture before this time of day goes into the previous day's folder (the "
                   "file's own date and name are unchanged; default: the preference, else "
                   "midnight)")
        ->type_name("HH:MM");
    app.add_option("--camera", options.cameraModel,
                   "import from the camera or phone of this model (as orvane cameras names it); "
                   "with --port, the device on that port")
        ->type_name("MODEL");
    app.add_option("--port", options.cameraPort,
                   "import from the camera or phone on PORT, e.g. usb:001,004, or disk:FOLDER "
                   "for a folder seen as a camera")
        ->type_name("PORT");
}

int parseOrganizeOptions(int argc, char** argv, OrganizeOptions& options) {
    CLI::App app{"", "orvane organize"};
    std::vector<std::string> paths;
    addOrganizeOptions(app, options, paths);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int status = app.exit(e);
        return status == 0 ? 0 : 2;
    }
    const bool camera = !options.cameraModel.empty() || !options.cameraPort.empty();
    if (paths.size() < (camera ? 1u : 2u)) {
        std::fprintf(stderr, "orvane organize: give at least one source and a destination\n");
        return 2;
    }
    if (!options.include.empty() && !options.exclude.empty()) {
        std::fprintf(stderr, "orvane organize: --include and --exclude cannot be combined\n");
        return 2;
    }
    if (options.shift && !parseClockShift(*options.shift)) {
        std::fprintf(stderr,
                     "orvane organize: --shift: '%s' is not a clock shift: give [+|-]H:MM[:SS] "
                     "with hours below 24, e.g. +7:00\n",
                     options.shift->c_str());
        return 2;
    }
    if (options.zone && !ShootZone::named(*options.zone)) {
        std::fprintf(stderr,
                     "orvane organize: --zone: '%s' is not a time zone: give an IANA name such "
                     "as Asia/Bangkok\n",
                     options.zone->c_str());
        return 2;
    }
    if (options.videoClock && !parseVideoClock(*options.videoClock)) {
        std::fprintf(stderr, "orvane organize: --video-clock: '%s' is neither utc nor local\n",
                     options.videoClock->c_str());
        return 2;
    }
    if (options.dayStartsAt && !parseDayStart(*options.dayStartsAt)) {
        std::fprintf(stderr,
                     "orvane organize: --day-starts-at: '%s' is not a time of day: give HH:MM, "
                     "e.g. 04:00\n",
                     options.dayStartsAt->c_str());
        return 2;
    }
    if (options.format && options.format->empty()) {
        std::fprintf(stderr, "orvane organize: --format must not be empty\n");
        return 2;
    }
    if (options.videoFormat && options.videoFormat->empty()) {
        std::fprintf(stderr, "orvane organize: --video-format must not be empty\n");
        return 2;
    }
    for (const std::optional<std::string>* text :
         {&options.format, &options.rename, &options.videoFormat})
        if (*text)
            if (std::optional<std::string> problem = nameTemplateProblem(**text)) {
                std::fprintf(stderr, "orvane organize: %s\n", problem->c_str());
                return 2;
            }
    for (std::string& backup : options.backups)
        backup = absolutePath(backup);
    options.destination = absolutePath(paths.back());
    if (!options.videoDestination.empty())
        options.videoDestination = absolutePath(options.videoDestination);
    paths.pop_back();
    for (const std::string& path : paths)
        options.sources.push_back(isCameraPath(path) ? path : absolutePath(path));
    if (!options.cameraPort.empty())
        options.sources.push_back(std::string(kCameraScheme) + options.cameraPort);
    return -1;
}

void applyOrganizeOptions(const OrganizeOptions& options, UserDefaults& defaults) {
    if (options.noExif)
        defaults.setArgumentValue(keys::kUseExifData, false);
    if (options.noExtendedDates)
        defaults.setArgumentValue(keys::kUseExtendedDates, false);
    if (options.copyHidden)
        defaults.setArgumentValue(keys::kCopyHiddenFiles, true);
    if (!options.include.empty()) {
        defaults.setArgumentValue(keys::kCopyFilePatterns, StringList(options.include));
        defaults.setArgumentValue(keys::kMatchingMode, std::string(kOnlyMatching));
    }
    if (!options.exclude.empty()) {
        defaults.setArgumentValue(keys::kCopyFilePatterns, StringList(options.exclude));
        defaults.setArgumentValue(keys::kMatchingMode, std::string(kAllExceptMatching));
    }
    if (options.noSkipIdentical)
        defaults.setArgumentValue(keys::kSkipIdenticalFiles, false);
    if (options.keepBoth)
        defaults.setArgumentValue(keys::kKeepBothOnNameClash, true);
    if (options.jobs)
        defaults.setArgumentValue(keys::kParallelCopies, int64_t{*options.jobs});
    if (options.ignoreHistory)
        defaults.setArgumentValue(keys::kIgnoreImportHistory, true);
    if (options.checksum)
        defaults.setArgumentValue(keys::kCompareWholeContents, true);
    if (options.skipCopiesAnywhere)
        defaults.setArgumentValue(keys::kSkipCopiesAnywhere, true);
    if (options.verify)
        defaults.setArgumentValue(keys::kVerifyCopies, true);
    if (!options.backups.empty()) {
        defaults.setArgumentValue(keys::kBackupDestinations, StringList(options.backups));
        defaults.setArgumentValue(keys::kDisabledBackups, StringList{});
    }
    if (options.move)
        defaults.setArgumentValue(keys::kMoveOriginals, true);
    if (!options.intact.empty())
        defaults.setArgumentValue(keys::kIntactFolderPatterns, StringList(options.intact));
    if (options.shift)
        defaults.setArgumentValue(keys::kClockShift, *options.shift);
    if (options.zone)
        defaults.setArgumentValue(keys::kShootTimeZone, *options.zone);
    if (options.videoClock)
        defaults.setArgumentValue(keys::kVideoClock, *options.videoClock);
    if (options.dayStartsAt)
        defaults.setArgumentValue(keys::kDayStartsAt, *options.dayStartsAt);
    if (options.rename)
        defaults.setArgumentValue(keys::kNameTemplate, *options.rename);
    if (options.job)
        defaults.setArgumentValue(keys::kJobCode, *options.job);
    if (options.seqScope)
        defaults.setArgumentValue(keys::kSequenceScope, *options.seqScope);
    std::optional<int> levels = options.levels;
    if (options.format && !levels)
        levels = static_cast<int>(
            std::min<long>(3, 1 + std::count(options.format->begin(), options.format->end(), '/')));
    if (levels)
        defaults.setArgumentValue(keys::kDirLevels, int64_t{*levels});
    // A folder template typed in Preferences would win over the levels and format given here.
    if (levels || options.format)
        defaults.setArgumentValue(keys::kFolderTemplate, options.format.value_or(std::string()));
    if (!options.videoDestination.empty())
        defaults.setArgumentValue(keys::kVideoDestination, options.videoDestination);
    if (options.videoFormat)
        defaults.setArgumentValue(keys::kVideoFolderFormat, *options.videoFormat);
    if (options.format) {
        static const char* const kFormatKeys[] = {
            keys::kOneLevelDateFormat, keys::kTwoLevelDateFormat, keys::kThreeLevelDateFormat};
        defaults.setArgumentValue(kFormatKeys[*levels - 1], *options.format);
    }
}

} // namespace orvane::cli
