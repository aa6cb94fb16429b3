#pragma once

// The keys of the preference store.
namespace orvane::keys {
inline constexpr const char* kDirLevels = "OVDirLevels";
inline constexpr const char* kOneLevelDateFormat = "OVOneLevelDateFormat";
inline constexpr const char* kTwoLevelDateFormat = "OVTwoLevelDateFormat";
inline constexpr const char* kThreeLevelDateFormat = "OVThreeLevelDateFormat";
inline constexpr const char* kRememberPaths = "OVRememberPaths";
inline constexpr const char* kHidePathsInReport = "OVHidePathsInReport";
inline constexpr const char* kCopyHiddenFiles = "OVCopyHiddenFiles";
inline constexpr const char* kUseExifData = "OVUseExifData";
inline constexpr const char* kUseExtendedDates = "OVUseExtendedDates";
inline constexpr const char* kIntactFolderPatterns = "OVIntactFolderPatterns";
inline constexpr const char* kCopyFilePatterns = "OVCopyFilePatterns";
inline constexpr const char* kMatchingMode = "OVMatchingMode";
// A destination name that holds the same bytes as the source is skipped, not an error.
inline constexpr const char* kSkipIdenticalFiles = "OVSkipIdenticalFiles";
// A different file under a taken name is published as NAME-1.EXT, NAME-2.EXT ….
inline constexpr const char* kKeepBothOnNameClash = "OVKeepBothOnNameClash";
// Files the import history knows as imported before are copied all the same.
inline constexpr const char* kIgnoreImportHistory = "OVIgnoreImportHistory";
// A file the import history knows is skipped only when its whole contents hash as they did.
inline constexpr const char* kCompareWholeContents = "OVCompareWholeContents";
// A file whose bytes are anywhere below the destination, under any name, is skipped.
inline constexpr const char* kSkipCopiesAnywhere = "OVSkipCopiesAnywhere";
// Each copy is read back from the disk once durable and compared with what was copied.
inline constexpr const char* kVerifyCopies = "OVVerifyCopies";
// Folders that get a second copy of everything a run copies, in the same folders under the
// same names; those also in kDisabledBackups are kept in the list but not copied to.
inline constexpr const char* kBackupDestinations = "OVBackupDestinations";
inline constexpr const char* kDisabledBackups = "OVDisabledBackups";
// Where videos go instead of the destination, with their own folder format; empty: with
// the rest.
inline constexpr const char* kVideoDestination = "OVVideoDestination";
// The folder template of videos below kVideoDestination; empty: the same as the others'.
inline constexpr const char* kVideoFolderFormat = "OVVideoFolderFormat";
// A folder template typed in Preferences or given on the command line; when set it is used
// instead of the format of kDirLevels, which keeps its menus and stored values.
inline constexpr const char* kFolderTemplate = "OVFolderTemplate";
// The originals of what was copied (and read back) are removed from the sources.
inline constexpr const char* kMoveOriginals = "OVMoveOriginals";
// How many entries a run copies at once; 0 leaves it to the program (several on solid-state
// storage, one on spinning disks).
inline constexpr const char* kParallelCopies = "OVParallelCopies";
// The zone of the shoot: dates stored as UTC instants (movie headers) are shown in it; empty
// for this computer's.
inline constexpr const char* kShootTimeZone = "OVShootTimeZone";
// "HH:MM": a capture before this time of day belongs to the previous day's folder.
inline constexpr const char* kDayStartsAt = "OVDayStartsAt";
// For one run only (the command line, the preview): "[+|-]H:MM[:SS]" by which the camera's
// clock was off, and whether movie headers hold UTC ("utc") or the camera's time ("local").
inline constexpr const char* kClockShift = "OVClockShift";
inline constexpr const char* kVideoClock = "OVVideoClock";
// The name template of copies; empty keeps every original name.
inline constexpr const char* kNameTemplate = "OVNameTemplate";
// Where {seq} counts from: "run", "day" or "stored".
inline constexpr const char* kSequenceScope = "OVSequenceScope";
// The number {seq} gives next when it counts on across runs.
inline constexpr const char* kNextSequenceNumber = "OVNextSequenceNumber";
// The run's job code, for {job}, and the last ten used, newest first.
inline constexpr const char* kJobCode = "OVJobCode";
inline constexpr const char* kRecentJobCodes = "OVRecentJobCodes";
inline constexpr const char* kCheckUpdateFrequency = "OVCheckUpdateFrequency";
inline constexpr const char* kLastUpdateCheck = "OVLastUpdateCheck";
inline constexpr const char* kPreviousRuns = "OVPreviousRuns";
inline constexpr const char* kFirstRunTime = "OVFirstRunTime";
inline constexpr const char* kLastTarget = "OVLastTarget";
inline constexpr const char* kLastSource = "OVLastSource";
inline constexpr const char* kDebug = "debug";
// Where the two choose panels were when the user last chose in them.
inline constexpr const char* kSourcePanelFolder = "OVSourcePanelFolder";
inline constexpr const char* kTargetPanelFolder = "OVTargetPanelFolder";
} // namespace orvane::keys
