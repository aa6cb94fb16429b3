#pragma once

#include "base/WindowText.h"

#include <array>

namespace orvane {

// The items of the matching-mode menu, in menu order. The first is the registered default,
// so that a new install, whose copy-file list is empty, copies every file. The stored title
// decides the mode: exactly kOnlyMatching admits only matching files, any other title copies
// all files except the matching ones.
inline constexpr const char* kOnlyMatching =
    ORVANE_TRANSLATE_NOOP("Orvane", "only files that match:");
inline constexpr const char* kAllExceptMatching =
    ORVANE_TRANSLATE_NOOP("Orvane", "all files except those that match:");
inline constexpr std::array<const char*, 2> kMatchingModeTitles = {kAllExceptMatching,
                                                                   kOnlyMatching};

} // namespace orvane
