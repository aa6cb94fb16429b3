#pragma once

#include "platform/UserDefaults.h"
#include "selection/PatternRules.h"

#include <string>
#include <string_view>
#include <sys/stat.h>

namespace orvane {

// The skip reason for a path, or null when these rules let it pass: a temporary copy of ours
// ("Temporary copy of an interrupted run", whatever the hidden-file rule), a dot name while hidden
// files are not copied ("Hidden file"), a path that lstat cannot examine ("Couldn't access
// file"), a symbolic link or alias file ("Alias"), anything but a regular file or folder ("Not
// file or folder"). Only the path's own name and the object itself are looked at.
const char* shouldSkipPath(const std::string& path, const UserDefaults& defaults);

// Whether a folder is copied whole: a package always, else when its name matches the
// intact-folder pattern.
bool shouldPreserveDirectory(const std::string& path, const CompiledPattern& regex);

// Whether a path passes the copy-file rule: its name's match against the copy-file pattern
// must agree with the matching mode; a matcher error counts as no match.
bool shouldIncludeFile(const std::string& path, const CompiledPattern& regex,
                       const UserDefaults& defaults);

// The same rules in steps, for callers that already hold the name, the file's status or the
// preferences of one file-list build (which cannot change while it is built).
namespace filters {

bool isHiddenName(std::string_view name);

// The temporary-copy rule: "Temporary copy of an interrupted run" (logged) or null.
const char* partialCopySkipReason(const std::string& path, std::string_view name);

// The hidden-name rule: "Hidden file" (logged) or null.
const char* hiddenSkipReason(const std::string& path, std::string_view name, bool copyHiddenFiles);

// The rules after the hidden-name rule, given lstat's outcome for the path: `lstatError` is 0
// with `status` set, or the errno.
const char* statusSkipReason(const std::string& path, int lstatError, const struct stat& status);

bool shouldPreserveDirectory(const std::string& path, std::string_view name,
                             const CompiledPattern& regex);
bool shouldIncludeFile(const std::string& path, std::string_view name, const CompiledPattern& regex,
                       bool acceptsCopy);

} // namespace filters

} // namespace orvane
