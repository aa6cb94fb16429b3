#pragma once

#include <optional>
#include <string>

namespace orvane {

class UserDefaults;

// Registers the defaults of every key that has one (run once per launch, after the
// first-run decision).
void registerDefaults(UserDefaults& defaults);

// The folder template of a run: the typed one when set, else the format for the stored level
// count, or none when OVDirLevels is not 1, 2 or 3.
std::optional<std::string> dirFormat(const UserDefaults& defaults);

// The folder template of videos sent to their own destination: their own when set, else
// dirFormat's.
std::optional<std::string> videoFolderFormat(const UserDefaults& defaults);

} // namespace orvane
