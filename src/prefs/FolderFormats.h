#pragma once

#include "base/WindowText.h"

#include <array>
#include <ctime>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace orvane {

class DateLocale;

// The folder formats offered for each number of folder levels, in menu order. The first of
// each list is the registered default.
inline constexpr std::array<const char*, 8> kOneLevelFormats = {
    "%Y-%m-%d",  "%Y-%m-%d %a",  "%Y-%B-%d", "%Y-%B-%d %a",
    "%B %d, %Y", "%a %B %d, %Y", "%d %B %Y", "%a %d %B %Y",
};
inline constexpr std::array<const char*, 8> kTwoLevelDayFormats = {
    "%Y/%m-%d", "%Y/%m-%d %a", "%Y/%B %d",    "%Y/%B %d %a",
    "%Y/%d %B", "%Y/%d %B %a", "%Y/%Y-%m-%d", "%Y/%Y-%m-%d %a",
};
inline constexpr std::array<const char*, 3> kTwoLevelMonthFormats = {"%Y/%B", "%Y/%b", "%Y/%m"};
inline constexpr std::array<const char*, 6> kThreeLevelFormats = {
    "%Y/%m/%d", "%Y/%m/%d %a", "%Y/%B/%d", "%Y/%B/%d %a", "%Y/%b/%d", "%Y/%b/%d %a",
};

inline constexpr const char* kDaySectionHeading =
    ORVANE_TRANSLATE_NOOP("Orvane", "Create one folder per day:");
inline constexpr const char* kMonthSectionHeading =
    ORVANE_TRANSLATE_NOOP("Orvane", "Create one folder per month:");

// One item of a format menu: a format shown by its title (a sample date rendered with it),
// or a disabled section heading, or a separator.
struct FormatMenuItem {
    enum class Kind { Format, Heading, Separator };
    Kind kind = Kind::Format;
    std::string title;
    bool enabled() const { return kind == Kind::Format; }
    bool operator==(const FormatMenuItem&) const = default;
};

// The items of one format pop-up and the map from item title back to format, the only way
// from a chosen item to its format.
class FormatMenu {
  public:
    // Adds a format item. Titles are unique within a menu: an earlier format item with the
    // same title is removed and the new one appended, and the title then maps to the new
    // format. This happens when a month's full and abbreviated names are the same.
    void addFormat(const std::string& title, const std::string& format);
    void addHeading(const std::string& title);
    void addSeparator();

    const std::vector<FormatMenuItem>& items() const { return items_; }
    const std::map<std::string, std::string>& titleMap() const { return titleMap_; }

    // The index of the format item with this title, if any.
    std::optional<size_t> indexOfTitle(const std::string& title) const;
    // The format behind the item at `index`; none for a heading, a separator or no item.
    std::optional<std::string> formatAt(std::optional<size_t> index) const;

  private:
    std::vector<FormatMenuItem> items_;
    std::map<std::string, std::string> titleMap_;
};

// The three format pop-ups for one sample date.
struct FormatMenus {
    FormatMenu oneLevel;
    FormatMenu twoLevel;
    FormatMenu threeLevel;
    // The menu for a level count of 1, 2 or 3.
    const FormatMenu& forLevel(int level) const;
};

// The stored formats of the three level counts; a stored format that is not offered is
// shown as an extra item at the end of its list (for two levels: of the day section when
// it holds "%d", else of the month section).
struct StoredFormats {
    std::optional<std::string> oneLevel;
    std::optional<std::string> twoLevel;
    std::optional<std::string> threeLevel;
};

FormatMenus buildFormatMenus(const DateLocale& locale, time_t sampleDate,
                             const StoredFormats& stored);

} // namespace orvane
