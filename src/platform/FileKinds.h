#pragma once

#include <span>
#include <string>
#include <string_view>

namespace orvane {

// Whether a folder is a package: a folder that is one document or program and must be copied
// whole. Linux marks none, so a folder counts as one when its name ends in the extension of a
// known bundle kind (compared without regard to ASCII case): such folders, carried over on
// another system's disk, fall apart when their contents are sorted by date. `name` is the
// folder's own name; the caller knows that it is a folder.
bool isFilePackageAtPath(std::string_view name);

// The bundle extensions that make a folder a package, without the dot.
std::span<const std::string_view> packageExtensions();

// Whether a path is an alias file. Linux has no alias files: the answer is always no.
bool isAliasFile(const std::string& path);

} // namespace orvane
