#pragma once

#include <string>

namespace orvane {

// The user's home folder: $HOME, else the password database's entry.
std::string homeDirectory();

// The system's folder for temporary files: $TMPDIR, else /tmp.
std::string temporaryDirectory();

// Path helpers with the semantics of the path operations the merge relies on.
std::string appendPathComponent(const std::string& base, const std::string& component);
std::string lastPathComponent(const std::string& path);
std::string deletingLastPathComponent(const std::string& path);

// Whether a folder entry's name is "." or "..", which a listing skips.
bool isDotOrDotDot(const char* name);

// An absolute form of a path given on the command line, without resolving links.
std::string absolutePath(const std::string& path);

} // namespace orvane
