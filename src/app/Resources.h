#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// Finding the program's resources (help pages, preview trees, icons) wherever the program
// runs from: an installed tree, the build tree, or the configured install prefix.
namespace orvane {

// The running program's executable.
std::filesystem::path currentExecutable();

// The window's program that the command line at `executable` starts: in the libexec folder
// of the same install (or build) tree.
std::filesystem::path desktopProgram(const std::filesystem::path& executable = currentExecutable());

// The folders that may hold resources, in the order they are searched: the share folder
// beside the executable's install location, so that an installed tree moved elsewhere, or
// installed under another prefix, finds its own resources first (the window's program looks
// where the command line of its tree does); the source tree's resources; then the configured
// install location.
std::vector<std::filesystem::path>
resourceFolders(const std::filesystem::path& executable = currentExecutable());

// The resource `name`.`type` in the resource folder `directory` (empty for the top), from
// the first of `folders` that has it; none when no folder has it.
std::optional<std::filesystem::path>
pathForResource(const std::string& name, const std::string& type, const std::string& directory,
                const std::vector<std::filesystem::path>& folders = resourceFolders());

// A file URL for an absolute path, with every byte outside the unreserved set and "/"
// percent-encoded.
std::string fileURLForPath(const std::filesystem::path& path);

} // namespace orvane
