#include "base/StringHelpers.h"

#include <cstdio>

namespace orvane {

size_t utf8SequenceLength(const std::string& s, size_t i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = byte(i);
    if (c < 0x80)
        return 1;
    size_t length;
    unsigned int codePoint;
    if ((c & 0xE0) == 0xC0) {
        length = 2;
        codePoint = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        length = 3;
        codePoint = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        length = 4;
        codePoint = c & 0x07;
    } else {
        return 0;
    }
    if (i + length > s.size())
        return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (byte(i + k) & 0x3F);
    }
    static const unsigned int kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (codePoint < kMinimum[length] || codePoint > 0x10FFFF ||
        (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return 0;
    return length;
}

std::string safeCString(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        size_t length = utf8SequenceLength(text, i);
        if (length == 0) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(text[i]));
            out += escaped;
            ++i;
        } else {
            out.append(text, i, length);
            i += length;
        }
    }
    return out;
}

std::string stringByRemovingCommonPrefixWith(const std::string& text, const std::string& prefix) {
    if (text.empty() || prefix.empty() || text[0] != prefix[0])
        return text;
    if (prefix.size() >= text.size())
        return std::string();
    return text.substr(prefix.size());
}

} // namespace orvane
