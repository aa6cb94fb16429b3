#pragma once

#include <string_view>

namespace orvane {

// What {kind} gives, and what decides whether an entry goes to the video destination.
inline constexpr const char* kPhotosKind = "Photos";
inline constexpr const char* kVideosKind = "Videos";
inline constexpr const char* kOtherKind = "Other";

// The kind of a file by its extension (letter case aside): one of the three above. Folders
// and sidecars are "Other"; a sidecar follows its partner where the caller knows it.
const char* fileKindOf(std::string_view name);

} // namespace orvane
