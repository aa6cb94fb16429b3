#pragma once

#include <string>

namespace orvane {

// Fills the %@ and %s placeholders of an error text with `first` and `second`, in order.
// The values are not scanned again, so a '%' in a file name stays as it is.
inline std::string fillPlaceholders(const char* format, const std::string& first,
                                    const std::string& second = std::string()) {
    std::string out;
    const std::string* values[] = {&first, &second};
    size_t used = 0;
    for (const char* p = format; *p; ++p) {
        if (p[0] == '%' && (p[1] == '@' || p[1] == 's') && used < 2) {
            out += *values[used++];
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

} // namespace orvane
