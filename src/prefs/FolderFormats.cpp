#include "prefs/FolderFormats.h"

#include "prefs/DateRendering.h"

#include <algorithm>

namespace orvane {

void FormatMenu::addFormat(const std::string& title, const std::string& format) {
    if (std::optional<size_t> older = indexOfTitle(title))
        items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(*older));
    items_.push_back({FormatMenuItem::Kind::Format, title});
    titleMap_[title] = format;
}

void FormatMenu::addHeading(const std::string& title) {
    items_.push_back({FormatMenuItem::Kind::Heading, title});
}

void FormatMenu::addSeparator() {
    items_.push_back({FormatMenuItem::Kind::Separator, {}});
}

std::optional<size_t> FormatMenu::indexOfTitle(const std::string& title) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].kind == FormatMenuItem::Kind::Format && items_[i].title == title)
            return i;
    return std::nullopt;
}

std::optional<std::string> FormatMenu::formatAt(std::optional<size_t> index) const {
    if (!index || *index >= items_.size() || !items_[*index].enabled())
        return std::nullopt;
    auto it = titleMap_.find(items_[*index].title);
    if (it == titleMap_.end())
        return std::nullopt;
    return it->second;
}

const FormatMenu& FormatMenus::forLevel(int level) const {
    switch (level) {
    case 1:
        return oneLevel;
    case 2:
        return twoLevel;
    default:
        return threeLevel;
    }
}

namespace {

template <size_t N> std::vector<std::string> offered(const std::array<const char*, N>& formats) {
    return std::vector<std::string>(formats.begin(), formats.end());
}

bool contains(const std::vector<std::string>& formats, const std::string& format) {
    return std::find(formats.begin(), formats.end(), format) != formats.end();
}

void addFormats(FormatMenu& menu, const std::vector<std::string>& formats, const DateLocale& locale,
                time_t sampleDate) {
    for (const std::string& format : formats)
        menu.addFormat(locale.render(sampleDate, format), format);
}

} // namespace

FormatMenus buildFormatMenus(const DateLocale& locale, time_t sampleDate,
                             const StoredFormats& stored) {
    FormatMenus menus;

    std::vector<std::string> one = offered(kOneLevelFormats);
    if (stored.oneLevel && !contains(one, *stored.oneLevel))
        one.push_back(*stored.oneLevel);
    addFormats(menus.oneLevel, one, locale, sampleDate);

    // A stored two-level format that is not offered joins the section it belongs to, and
    // only that one.
    const bool storedTwoIsNew = stored.twoLevel &&
                                !contains(offered(kTwoLevelDayFormats), *stored.twoLevel) &&
                                !contains(offered(kTwoLevelMonthFormats), *stored.twoLevel);
    const bool storedTwoHasDay =
        stored.twoLevel && stored.twoLevel->find("%d") != std::string::npos;

    menus.twoLevel.addHeading(kDaySectionHeading);
    std::vector<std::string> days = offered(kTwoLevelDayFormats);
    if (storedTwoIsNew && storedTwoHasDay)
        days.push_back(*stored.twoLevel);
    addFormats(menus.twoLevel, days, locale, sampleDate);

    menus.twoLevel.addSeparator();
    menus.twoLevel.addHeading(kMonthSectionHeading);
    std::vector<std::string> months = offered(kTwoLevelMonthFormats);
    if (storedTwoIsNew && !storedTwoHasDay)
        months.push_back(*stored.twoLevel);
    addFormats(menus.twoLevel, months, locale, sampleDate);

    std::vector<std::string> three = offered(kThreeLevelFormats);
    if (stored.threeLevel && !contains(three, *stored.threeLevel))
        three.push_back(*stored.threeLevel);
    addFormats(menus.threeLevel, three, locale, sampleDate);

    return menus;
}

} // namespace orvane
