#include "history/CopyLines.h"

#include "base/StringHelpers.h"

#include <charconv>
#include <cstdint>

namespace orvane::journal {

namespace {

template <typename Number> void appendNumber(std::string& text, Number value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    text.append(digits, end);
}

void appendTime(std::string& text, const struct timespec& time) {
    text += '[';
    appendNumber(text, static_cast<int64_t>(time.tv_sec));
    text += ',';
    appendNumber(text, static_cast<long>(time.tv_nsec));
    text += ']';
}

bool writableAsText(const std::string& path) {
    for (size_t i = 0; i < path.size();) {
        const auto byte = static_cast<unsigned char>(path[i]);
        if (byte < 0x20 || byte == 0x7f)
            return false;
        const size_t length = utf8SequenceLength(path, i);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

// As pathJson writes it: a string, or {"hex": the bytes} for one that cannot be text.
void appendPath(std::string& text, const std::string& path) {
    if (writableAsText(path)) {
        text += '"';
        for (char c : path) {
            if (c == '"' || c == '\\')
                text += '\\';
            text += c;
        }
        text += '"';
        return;
    }
    static const char digits[] = "0123456789abcdef";
    text += "{\"hex\":\"";
    for (unsigned char byte : path) {
        text += digits[byte >> 4];
        text += digits[byte & 15];
    }
    text += "\"}";
}

// madeJson, or with the change time stampJson; keys in the order json objects keep them.
void appendStamp(std::string& text, const FileStamp& stamp, bool withChange) {
    text += '{';
    if (withChange) {
        text += "\"ctime\":";
        appendTime(text, stamp.changed);
        text += ',';
    }
    text += "\"dev\":";
    appendNumber(text, static_cast<uint64_t>(stamp.device));
    text += ",\"ino\":";
    appendNumber(text, static_cast<uint64_t>(stamp.inode));
    text += ",\"mtime\":";
    appendTime(text, stamp.modified);
    text += ",\"size\":";
    appendNumber(text, static_cast<int64_t>(stamp.size));
    text += ",\"type\":";
    appendNumber(text, static_cast<unsigned>(stamp.type));
    text += '}';
}

std::string startLine(unsigned copy) {
    std::string text;
    text.reserve(384);
    text += '{';
    if (copy) {
        text += "\"copy\":";
        appendNumber(text, copy);
        text += ',';
    }
    return text;
}

// The start of an intent's or a copied line: the keys before "entry", and "entry".
std::string startWithDestination(unsigned copy, const std::string& destination, size_t entry) {
    std::string text = startLine(copy);
    text += "\"destination\":";
    appendPath(text, destination);
    text += ",\"entry\":";
    appendNumber(text, entry);
    return text;
}

} // namespace

std::string folderLineText(const std::string& path, const FileStamp* stamp) {
    std::string text = startLine(0);
    text += "\"path\":";
    appendPath(text, path);
    if (stamp) {
        text += ",\"stamp\":";
        appendStamp(text, *stamp, true);
    }
    text += ",\"type\":\"folder\"}\n";
    return text;
}

std::string intentLineText(size_t entry, unsigned copy, const std::string& source,
                           const std::string& temporary, const std::string& destination,
                           const FileStamp* made) {
    std::string text = startWithDestination(copy, destination, entry);
    if (made) {
        text += ",\"made\":";
        appendStamp(text, *made, false);
    }
    text += ",\"source\":";
    appendPath(text, source);
    text += ",\"temporary\":";
    appendPath(text, temporary);
    text += ",\"type\":\"intent\"}\n";
    return text;
}

std::string madeLineText(size_t entry, unsigned copy, const FileStamp& made) {
    std::string text = startLine(copy);
    text += "\"entry\":";
    appendNumber(text, entry);
    text += ",\"made\":";
    appendStamp(text, made, false);
    text += ",\"type\":\"made\"}\n";
    return text;
}

std::string copiedLineText(size_t entry, unsigned copy, const std::string& destination,
                           const FileStamp& stamp) {
    std::string text = startWithDestination(copy, destination, entry);
    text += ",\"stamp\":";
    appendStamp(text, stamp, true);
    text += ",\"type\":\"copied\"}\n";
    return text;
}

} // namespace orvane::journal
