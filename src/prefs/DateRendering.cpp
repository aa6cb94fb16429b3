#include "prefs/DateRendering.h"

#include <vector>

namespace orvane {

DateLocale::DateLocale() : DateLocale("") {}

DateLocale::DateLocale(const char* name) {
    locale_ = newlocale(LC_TIME_MASK, name, static_cast<locale_t>(0));
    if (!locale_)
        locale_ = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(0));
}

DateLocale::~DateLocale() {
    if (locale_)
        freelocale(locale_);
}

std::string DateLocale::render(time_t seconds, const std::string& format) const {
    if (format.empty())
        return {};
    struct tm local;
    if (!localtime_r(&seconds, &local))
        return {}; // a date beyond the calendar's years renders as nothing
    std::vector<char> buffer(format.size() * 8 + 64);
    for (;;) {
        // A leading space tells an empty rendering apart from a buffer that was too small.
        size_t n =
            strftime_l(buffer.data(), buffer.size(), (" " + format).c_str(), &local, locale_);
        if (n > 0)
            return std::string(buffer.data() + 1, n - 1);
        if (buffer.size() > 65536)
            return {};
        buffer.resize(buffer.size() * 4);
    }
}

} // namespace orvane
