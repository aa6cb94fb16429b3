#include "naming/NameTemplate.h"

#include "base/ErrorFormat.h"
#include "naming/CameraName.h"
#include "naming/SafeNames.h"

#include <algorithm>
#include <array>
#include <cctype>
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
    return std::isalpha(static_cast<unsigned char>(c)) != 0;
}

std::string cased(std::string_view text, bool upper) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z' && upper)
            c = static_cast<char>(c - 'a' + 'A');
        else if (c >= 'A' && c <= 'Z' && !upper)
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string sequenceText(uint64_t number, int width) {
    std::string digits = std::to_string(number);
    if (static_cast<int>(digits.size()) < width)
        digits.insert(0, static_cast<size_t>(width) - digits.size(), '0');
    return digits;
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
        int width = 0;
        bool hasWidth = false;
        if (end < text.size() && text[end] == ':') {
            hasWidth = true;
            size_t digit = end + 1;
            while (digit < text.size() && std::isdigit(static_cast<unsigned char>(text[digit])) &&
                   width <= kWidestSequence)
                width = width * 10 + (text[digit++] - '0');
            if (digit == end + 1)
                width = -1;
            end = digit;
        }
        if (name.empty() || end >= text.size() || text[end] != '}') {
            appendText("{"); // not a token: the brace is text
            ++at;
            continue;
        }
        const std::string_view whole = text.substr(at, end + 1 - at);
        const std::optional<NameToken> token = tokenNamed(name);
        if (!token ||
            (hasWidth && (*token != NameToken::Seq || width < 1 || width > kWidestSequence))) {
            if (error)
                *error = fillPlaceholders(kUnknownToken, std::string(whole), std::string(text));
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
