#pragma once

#include <initializer_list>
#include <string>

// Marks an English text that reaches the window through a presenter as one to translate.
// The core, the log and the command line keep the English; lupdate reads the macro as
// QT_TRANSLATE_NOOP (src/ui/CMakeLists.txt) and the window translates the text when it shows
// it (platform/qt/Translation.h), always in the context "Orvane". The values in such a text
// are counts, byte sizes, web addresses or names in curly quotes, written %1, %2 … in the
// order they appear (a count of one too: "Removed %1 file from %2.") and filled with
// fillValues: the window finds them in the shown text by their form and translates the rest.
#define ORVANE_TRANSLATE_NOOP(context, text) text

namespace orvane {

// FORMAT with %1 … %9 replaced by VALUES in order; the values are not scanned again.
inline std::string fillValues(const char* format, std::initializer_list<std::string> values) {
    std::string out;
    for (const char* p = format; *p; ++p) {
        const size_t index = p[0] == '%' && p[1] >= '1' && p[1] <= '9' ? p[1] - '1' : values.size();
        if (index < values.size()) {
            out += *(values.begin() + index);
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

} // namespace orvane
