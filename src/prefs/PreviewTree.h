#pragma once

#include <ctime>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

namespace orvane {

class DateLocale;

// Shown for a dated item whose date or rendered name lacks the fields the preview needs.
inline constexpr const char* kPreviewPlaceholder = "?";

// One item of the decoded sample folder tree: its label copied from the sample, the name
// rendered from a dated item ("decode"), and its children, without duplicate names and
// sorted.
struct PreviewItem {
    std::optional<std::string> label;
    std::optional<std::string> decode;
    std::optional<std::vector<PreviewItem>> children;

    // The rendered name when there is one, else the label.
    std::string shownText() const;
    bool operator==(const PreviewItem&) const = default;
};

// What decoding needs: the level count (1, 2 or 3) and the chosen format.
struct PreviewDecoding {
    const DateLocale& locale;
    int levels;
    std::string format;
};

// Decodes one sample item (a JSON object with optional "label", "decode" and "children")
// and, recursively, its children. A dated item ("decode" present) has a label
// "year/month/day"; it is rendered at 12:12:12 local time with the chosen format and
// named by the level its sample stands for: with 2 levels the last rendered level, with 3
// the month level when the day is 15, else the day level. Of siblings with the same
// rendered name only the first stays, with its own children; siblings sort by shown text
// in plain byte order.
PreviewItem decodeAndSortFromItem(const nlohmann::json& item, const PreviewDecoding& decoding);

// The folder (levels separated by "/") a sample file of that date and name goes to.
using SampleFolderOf = std::function<std::string(time_t date, const std::string& file)>;

// A sample tree made by a folder template rather than by the sample's own levels: each file
// of the sample (an item without children, dated by the dated item above it) goes into the
// folder `folderOf` gives it. The top item is labelled `top`; folders sort as decoded ones do.
PreviewItem samplePreviewTree(const nlohmann::json& sample, const std::string& top,
                              const SampleFolderOf& folderOf);

// Reads a sample tree; anything that is not a JSON object gives the empty root item.
nlohmann::json parsePreviewResource(const std::optional<std::string>& text);

// The value of a decimal field read the lenient way: leading white space skipped, an
// optional sign, digits up to the first other character; no digits give 0.
int leadingIntValue(const std::string& text);

// The resource that holds the sample tree for a level count: "Preview1" ... "Preview3".
std::string previewResourceName(int levels);

} // namespace orvane
