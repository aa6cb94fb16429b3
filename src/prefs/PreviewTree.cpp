#include "prefs/PreviewTree.h"

#include "prefs/DateRendering.h"

#include <algorithm>
#include <cctype>
#include <climits>

namespace orvane {

std::string PreviewItem::shownText() const {
    if (decode)
        return *decode;
    return label.value_or(std::string());
}

int leadingIntValue(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX)
            return negative ? INT_MIN : INT_MAX;
    }
    return static_cast<int>(negative ? -value : value);
}

std::string previewResourceName(int levels) {
    return "Preview" + std::to_string(levels);
}

nlohmann::json parsePreviewResource(const std::optional<std::string>& text) {
    if (text) {
        nlohmann::json parsed = nlohmann::json::parse(*text, nullptr, false);
        if (parsed.is_object())
            return parsed;
    }
    return nlohmann::json::object();
}

namespace {

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;) {
        size_t end = text.find(separator, start);
        fields.push_back(text.substr(start, end - start));
        if (end == std::string::npos)
            return fields;
        start = end + 1;
    }
}

// The noon (12:12:12 local time) of a dated item's label "year/month/day", or none.
std::optional<time_t> sampleNoon(const std::string& label) {
    const std::vector<std::string> date = split(label, '/');
    if (date.size() < 3)
        return std::nullopt;
    const long year = leadingIntValue(date[0]);
    const int month = leadingIntValue(date[1]);
    const int day = leadingIntValue(date[2]);

    struct tm noon = {};
    noon.tm_year = static_cast<int>(std::clamp(year - 1900L, long{INT_MIN}, long{INT_MAX}));
    noon.tm_mon = month - 1;
    noon.tm_mday = day;
    noon.tm_hour = 12;
    noon.tm_min = 12;
    noon.tm_sec = 12;
    noon.tm_isdst = -1;
    // 12:12:12 is never one second before 1970, so -1 can only mean failure.
    const time_t seconds = mktime(&noon);
    if (seconds == static_cast<time_t>(-1))
        return std::nullopt;
    return seconds;
}

// The name a dated sample item gets, or the placeholder when its label is not a date of
// three fields or the rendering has fewer levels than the item stands for.
std::string decodedName(const std::string& label, const PreviewDecoding& decoding) {
    const std::optional<time_t> seconds = sampleNoon(label);
    if (!seconds)
        return kPreviewPlaceholder;
    const int day = leadingIntValue(split(label, '/')[2]);
    const std::string rendered = decoding.locale.render(*seconds, decoding.format);
    if (decoding.levels == 1)
        return rendered;
    const std::vector<std::string> levels = split(rendered, '/');
    if (decoding.levels == 2)
        return levels.back();
    const size_t level = day == 15 ? 1 : 2;
    return level < levels.size() ? levels[level] : std::string(kPreviewPlaceholder);
}

} // namespace

PreviewItem decodeAndSortFromItem(const nlohmann::json& item, const PreviewDecoding& decoding) {
    PreviewItem result;
    if (!item.is_object())
        return result;

    if (auto label = item.find("label"); label != item.end() && label->is_string())
        result.label = label->get<std::string>();

    if (item.contains("decode"))
        result.decode = decodedName(result.label.value_or(std::string()), decoding);

    if (auto children = item.find("children"); children != item.end() && children->is_array()) {
        std::vector<PreviewItem>& decoded = result.children.emplace();
        for (const nlohmann::json& child : *children) {
            PreviewItem decodedChild = decodeAndSortFromItem(child, decoding);
            const bool duplicate =
                decodedChild.decode &&
                std::any_of(decoded.begin(), decoded.end(), [&](const PreviewItem& sibling) {
                    return sibling.decode == decodedChild.decode;
                });
            if (!duplicate)
                decoded.push_back(std::move(decodedChild));
        }
        std::stable_sort(decoded.begin(), decoded.end(),
                         [](const PreviewItem& a, const PreviewItem& b) {
                             return a.shownText() < b.shownText();
                         });
    }
    return result;
}

namespace {

void sortTree(PreviewItem& item) {
    if (!item.children)
        return;
    std::stable_sort(
        item.children->begin(), item.children->end(),
        [](const PreviewItem& a, const PreviewItem& b) { return a.shownText() < b.shownText(); });
    for (PreviewItem& child : *item.children)
        sortTree(child);
}

// The folder of that name among the item's children, made when missing.
PreviewItem& folderNamed(PreviewItem& item, const std::string& name) {
    std::vector<PreviewItem>& children = item.children ? *item.children : item.children.emplace();
    for (PreviewItem& child : children)
        if (child.children && child.label == name)
            return child;
    PreviewItem folder;
    folder.label = name;
    folder.children.emplace();
    children.push_back(std::move(folder));
    return children.back();
}

void placeFiles(const nlohmann::json& item, std::optional<time_t> date, PreviewItem& top,
                const SampleFolderOf& folderOf) {
    if (!item.is_object())
        return;
    const auto label = item.find("label");
    const std::string text =
        label != item.end() && label->is_string() ? label->get<std::string>() : std::string();
    if (item.contains("decode"))
        date = sampleNoon(text);
    const auto children = item.find("children");
    if (children == item.end() || !children->is_array()) {
        if (!date || text.empty())
            return;
        PreviewItem* folder = &top;
        for (const std::string& level : split(folderOf(*date, text), '/'))
            folder = &folderNamed(*folder, level);
        PreviewItem file;
        file.label = text;
        (folder->children ? *folder->children : folder->children.emplace())
            .push_back(std::move(file));
        return;
    }
    for (const nlohmann::json& child : *children)
        placeFiles(child, date, top, folderOf);
}

} // namespace

PreviewItem samplePreviewTree(const nlohmann::json& sample, const std::string& top,
                              const SampleFolderOf& folderOf) {
    PreviewItem result;
    result.label = top;
    result.children.emplace();
    placeFiles(sample, std::nullopt, result, folderOf);
    sortTree(result);
    return result;
}

} // namespace orvane
