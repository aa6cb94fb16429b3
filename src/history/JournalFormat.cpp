#include "history/JournalFormat.h"

#include "base/StringHelpers.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>

namespace orvane::journal {

namespace {

bool hasControlCharacter(const std::string& text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7f;
    });
}

// A whole number of the journal as `T`; throws NotAWholeNumber for anything else, a number
// with a fraction or exponent among them, whose conversion would be undefined when out of range.
struct NotAWholeNumber {};
template <typename T> T whole(const json& value) {
    if (!value.is_number_integer())
        throw NotAWholeNumber{};
    return value.get<T>();
}

} // namespace

json pathJson(const std::string& path) {
    // safeCString changes exactly the bytes that are not valid UTF-8. A name with control
    // characters is written as bytes too, so that a path written as text never holds one and
    // a reader can refuse any that does.
    if (!hasControlCharacter(path) && safeCString(path) == path)
        return path;
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(path.size() * 2);
    for (unsigned char byte : path) {
        hex += digits[byte >> 4];
        hex += digits[byte & 15];
    }
    return json{{"hex", hex}};
}

std::optional<std::string> pathFrom(const json& value) {
    if (value.is_string()) {
        std::string path = value.get<std::string>();
        if (path.empty() || hasControlCharacter(path))
            return std::nullopt;
        return path;
    }
    if (!value.is_object() || !value.contains("hex") || !value["hex"].is_string())
        return std::nullopt;
    const std::string hex = value["hex"].get<std::string>();
    if (hex.size() % 2 != 0)
        return std::nullopt;
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    };
    std::string path;
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int high = nibble(hex[i]), low = nibble(hex[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        path += static_cast<char>(high * 16 + low);
    }
    // No path holds a NUL: a string cut there would name another file than the one checked.
    if (path.empty() || path.find('\0') != std::string::npos)
        return std::nullopt;
    return path;
}

json madeJson(const FileStamp& stamp) {
    return {{"dev", static_cast<uint64_t>(stamp.device)},
            {"ino", static_cast<uint64_t>(stamp.inode)},
            {"type", static_cast<unsigned>(stamp.type)},
            {"size", static_cast<int64_t>(stamp.size)},
            {"mtime", {static_cast<int64_t>(stamp.modified.tv_sec), stamp.modified.tv_nsec}}};
}

std::optional<FileStamp> madeFrom(const json& value) {
    try {
        FileStamp stamp;
        stamp.device = static_cast<dev_t>(whole<uint64_t>(value.at("dev")));
        stamp.inode = static_cast<ino_t>(whole<uint64_t>(value.at("ino")));
        stamp.type = static_cast<mode_t>(whole<unsigned>(value.at("type")));
        stamp.size = static_cast<off_t>(whole<int64_t>(value.at("size")));
        stamp.modified.tv_sec = static_cast<time_t>(whole<int64_t>(value.at("mtime").at(0)));
        stamp.modified.tv_nsec = whole<long>(value.at("mtime").at(1));
        return stamp;
    } catch (const json::exception&) {
        return std::nullopt;
    } catch (const NotAWholeNumber&) {
        return std::nullopt;
    }
}

json stampJson(const FileStamp& stamp) {
    json value = madeJson(stamp);
    value["ctime"] = {static_cast<int64_t>(stamp.changed.tv_sec), stamp.changed.tv_nsec};
    return value;
}

std::optional<FileStamp> stampFrom(const json& value) {
    std::optional<FileStamp> stamp = madeFrom(value);
    try {
        if (stamp) {
            stamp->changed.tv_sec = static_cast<time_t>(whole<int64_t>(value.at("ctime").at(0)));
            stamp->changed.tv_nsec = whole<long>(value.at("ctime").at(1));
        }
        return stamp;
    } catch (const json::exception&) {
        return std::nullopt;
    } catch (const NotAWholeNumber&) {
        return std::nullopt;
    }
}

json removingJson(const OriginalRemoval& removal) {
    return {{"type", "removing"},
            {"entry", removal.entry},
            {"source", pathJson(removal.source)},
            {"sourceStamp", stampJson(removal.sourceStamp)},
            {"mode", static_cast<unsigned>(removal.mode)},
            {"atime", {static_cast<int64_t>(removal.accessed.tv_sec), removal.accessed.tv_nsec}},
            {"copy", pathJson(removal.copy)},
            {"copyStamp", stampJson(removal.copyStamp)}};
}

std::optional<OriginalRemoval> removingFrom(const json& line) {
    try {
        OriginalRemoval removal;
        removal.entry = whole<size_t>(line.at("entry"));
        std::optional<std::string> source = pathFrom(line.at("source"));
        std::optional<std::string> copy = pathFrom(line.at("copy"));
        std::optional<FileStamp> sourceStamp = stampFrom(line.at("sourceStamp"));
        std::optional<FileStamp> copyStamp = stampFrom(line.at("copyStamp"));
        const unsigned mode = whole<unsigned>(line.at("mode"));
        removal.accessed.tv_sec = static_cast<time_t>(whole<int64_t>(line.at("atime").at(0)));
        removal.accessed.tv_nsec = whole<long>(line.at("atime").at(1));
        if (!source || !copy || !sourceStamp || !copyStamp || (*source)[0] != '/' ||
            (*copy)[0] != '/' || mode > 07777 || removal.accessed.tv_nsec < 0 ||
            removal.accessed.tv_nsec > 999999999)
            return std::nullopt;
        removal.source = std::move(*source);
        removal.copy = std::move(*copy);
        removal.sourceStamp = *sourceStamp;
        removal.copyStamp = *copyStamp;
        removal.mode = static_cast<mode_t>(mode);
        return removal;
    } catch (const json::exception&) {
        return std::nullopt;
    } catch (const NotAWholeNumber&) {
        return std::nullopt;
    }
}

std::string timeText(time_t seconds) {
    struct tm utc;
    gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string lineText(const json& line) {
    // Paths are encoded above; an error text that quotes a path with invalid bytes only
    // loses those bytes.
    return line.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
}

} // namespace orvane::journal
