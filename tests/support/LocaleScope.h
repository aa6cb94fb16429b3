#pragma once

#include <clocale>
#include <string>

namespace orvane::test {

// Sets the whole C locale (LC_ALL) for its lifetime, as the window does from the user's
// settings, and puts back the one before. `active()` is false where the locale is not
// installed; the test then skips.
class LocaleScope {
  public:
    explicit LocaleScope(const char* name) {
        if (const char* old = std::setlocale(LC_ALL, nullptr))
            old_ = old;
        active_ = std::setlocale(LC_ALL, name) != nullptr;
    }
    ~LocaleScope() { std::setlocale(LC_ALL, old_.c_str()); }
    LocaleScope(const LocaleScope&) = delete;
    LocaleScope& operator=(const LocaleScope&) = delete;

    bool active() const { return active_; }

  private:
    std::string old_ = "C";
    bool active_ = false;
};

// The locales whose names and case rules differ from English where file metadata is read:
// German month and weekday names, and Turkish, whose dotless and dotted I change case apart.
inline constexpr const char* kForeignLocales[] = {"de_DE.UTF-8", "tr_TR.UTF-8"};

} // namespace orvane::test
