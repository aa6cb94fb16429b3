#include "naming/NameTemplate.h"

#include "base/AsciiText.h"
#include "base/ErrorFormat.h"
#include "naming/CameraName.h"
#include "naming/SafeNames.h"

#include <algorithm>
#include <array>
#include <utility>

namespace orvane {
namespace {

constexpr int kWidestSequence = 12;

struct TokenName {
    std::string_view name;
    NameToken token;
};

constexpr std::array<TokenName, 7> kTokenNames = {{
    {"job", NameToken::Job},
    {"camera", NameToken::Camera},
    {"kind", NameToken::Kind},
    {"ext", NameToken::Ext},
    {"EXT", NameToken::ExtUpper},
    {"name", NameToken::Name},
    {"seq", NameToken::Seq},
}};

std::optional<NameToken> tokenNamed(std::string_view name) {
    for (const TokenName& known : kTokenNames)
        if (known.name == name)
            return known.token;
    return std::nullopt;
}

bool isWordByte(char c) {
    return isAsciiAlpha(c);
}

std::string cased(std::string_view text, bool upper) {
    std::string out(text);
    for (char& c : out)
        c = upper ? asciiUpper(c) : asciiLower(c);
    return out;
}

std::string sequenceText(uint64_t number, int width) {
    std::string digits = std::to_string(number);
    if (static_cast<int>(digits.size()) < width)
        digits.insert(0, static_cast<size_t>(width) - digits.size(), '0');
    return digits;
}

// The width of "{seq:N}" from its digits, or -1 when they are no number from 1 to the widest.
int sequenceWidth(std::string_view digits) {
    if (digits.empty() || digits.size() > 2)
        return -1;
    int width = 0;
    for (char c : digits) {
        if (!isAsciiDigit(c))
            return -1;
        width = width * 10 + (c - '0');
    }
    return width >= 1 && width <= kWidestSequence ? width : -1;
}

// strftime must take a token's value as it is.
void appendEscaped(std::string& format, const std::string& value) {
    for (char c : value) {
        if (c == '%')
            format += '%';
        format += c;
    }
}

} // namespace

std::optional<NameTemplate> NameTemplate::parse(std::string_view text, std::string* error) {
    NameTemplate parsed;
    parsed.text_ = std::string(text);
    auto appendText = [&](std::string_view literal) {
        if (parsed.parts_.empty() || parsed.parts_.back().token)
            parsed.parts_.push_back({std::nullopt, {}, 0});
        parsed.parts_.back().text += literal;
    };
    size_t at = 0;
    while (at < text.size()) {
        if (text[at] != '{') {
            const size_t brace = std::min(text.find('{', at), text.size());
            appendText(text.substr(at, brace - at));
            at = brace;
            continue;
        }
        size_t end = at + 1;
        while (end < text.size() && isWordByte(text[end]))
            ++end;
        const std::string_view name = text.substr(at + 1, end - at - 1);
        // A width is whatever stands between the colon and the closing brace, so that
        // "{seq:999}" and "{seq:-1}" are refused like "{seq:0}" rather than kept as text.
        std::optional<std::string_view> widthText;
        if (end < text.size() && text[end] == ':') {
            const size_t close = text.find_first_of("{}", end + 1);
            if (close != std::string_view::npos && text[close] == '}') {
                widthText = text.substr(end + 1, close - end - 1);
                end = close;
            }
        }
        if (name.empty() || end >= text.size() || text[end] != '}') {
            appendText("{"); // not a token: the brace is text
            ++at;
            continue;
        }
        const std::string_view whole = text.substr(at, end + 1 - at);
        const std::optional<NameToken> token = tokenNamed(name);
        if (!token || (widthText && *token != NameToken::Seq)) {
            if (error)
                *error = fillPlaceholders(kUnknownToken, std::string(whole), std::string(text));
            return std::nullopt;
        }
        const int width = widthText ? sequenceWidth(*widthText) : 0;
        if (width < 0) {
            if (error)
                *error = fillPlaceholders(kSequenceWidth, std::string(whole), std::string(text));
            return std::nullopt;
        }
        parsed.parts_.push_back({token, {}, width});
        at = end + 1;
    }
    return parsed;
}

bool NameTemplate::uses(NameToken token) const {
    return std::any_of(parts_.begin(), parts_.end(),
                       [&](const Part& part) { return part.token == token; });
}

std::string NameTemplate::render(const NameFacts& facts, const DateCodes& dateCodes) const {
    std::string format;
    for (const Part& part : parts_) {
        if (!part.token) {
            format += part.text;
            continue;
        }
        std::string value;
        switch (*part.token) {
        case NameToken::Job:
            value = facts.job;
            break;
        case NameToken::Camera:
            value = facts.camera.empty() ? std::string(kUnknownCamera) : std::string(facts.camera);
            break;
        case NameToken::Kind:
            value = facts.kind;
            break;
        case NameToken::Ext:
        case NameToken::ExtUpper:
            value = cased(facts.extension, *part.token == NameToken::ExtUpper);
            break;
        case NameToken::Name:
            value = facts.name;
            break;
        case NameToken::Seq:
            value = sequenceText(facts.sequence, part.width);
            break;
        }
        appendEscaped(format, safeTokenValue(std::move(value)));
    }
    return dateCodes(facts.date, format);
}

} // namespace orvane
