#pragma once

#include <string>
#include <string_view>

namespace orvane {

// Character tests and case changes of ASCII alone, the same under every locale. The <cctype>
// functions follow LC_CTYPE, which the window sets from the user's locale: under Turkish,
// tolower('I') is not 'i', so "AVI" would not read as a video's extension. Metadata, file
// extensions and templates are compared with these instead.

constexpr bool isAsciiDigit(char c) {
    return c >= '0' && c <= '9';
}
constexpr bool isAsciiAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
constexpr bool isAsciiAlnum(char c) {
    return isAsciiAlpha(c) || isAsciiDigit(c);
}
constexpr bool isAsciiSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
constexpr char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
constexpr char asciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

inline std::string asciiLowered(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = asciiLower(c);
    return out;
}

constexpr bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    return true;
}

} // namespace orvane
