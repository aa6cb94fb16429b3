#pragma once

#include <ctime>
#include <locale.h>
#include <string>

namespace orvane {

// The user's LC_TIME locale (from LC_ALL, LC_TIME or LANG), taken once and kept for a
// run, so that month and weekday names follow the user's language.
class DateLocale {
  public:
    DateLocale();
    // A named locale ("C", "de_DE.UTF-8"); the C locale when that one is not installed.
    explicit DateLocale(const char* name);
    ~DateLocale();
    DateLocale(const DateLocale&) = delete;
    DateLocale& operator=(const DateLocale&) = delete;

    // Renders `seconds` (since 1970) in local time with a strftime format.
    std::string render(time_t seconds, const std::string& format) const;

  private:
    locale_t locale_;
};

} // namespace orvane
