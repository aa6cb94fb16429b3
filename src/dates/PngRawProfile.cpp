#include "dates/PngRawProfile.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <zlib.h>

namespace orvane {
namespace {

// A profile's text is at most this long once inflated: an EXIF block of 64 KiB takes about
// 130 KiB of hexadecimal text.
constexpr size_t kLongestText = size_t{16} << 20;

std::string_view textUpTo(std::string_view& rest) {
    const size_t end = rest.find('\0');
    if (end == std::string_view::npos) {
        rest = {};
        return {};
    }
    const std::string_view text = rest.substr(0, end);
    rest.remove_prefix(end + 1);
    return text;
}

bool inflateInto(std::string_view compressed, std::string& text) {
    z_stream stream = {};
    if (inflateInit(&stream) != Z_OK)
        return false;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
    stream.avail_in = static_cast<uInt>(std::min<size_t>(compressed.size(), UINT32_MAX));
    int status = Z_OK;
    char buffer[16384];
    while (status == Z_OK && text.size() < kLongestText) {
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = sizeof buffer;
        status = inflate(&stream, Z_NO_FLUSH);
        text.append(buffer, sizeof buffer - stream.avail_out);
        if (status == Z_BUF_ERROR && stream.avail_in == 0)
            break; // the stream ends early: keep what came
    }
    inflateEnd(&stream);
    return status == Z_STREAM_END || status == Z_OK || status == Z_BUF_ERROR;
}

// Each character's value as a hexadecimal digit, or -1.
constexpr std::array<signed char, 256> kHexValues = [] {
    std::array<signed char, 256> values{};
    values.fill(-1);
    for (int c = '0'; c <= '9'; ++c)
        values[c] = static_cast<signed char>(c - '0');
    for (int c = 'a'; c <= 'f'; ++c)
        values[c] = static_cast<signed char>(c - 'a' + 10);
    for (int c = 'A'; c <= 'F'; ++c)
        values[c] = static_cast<signed char>(c - 'A' + 10);
    return values;
}();

// "\n<name>\n<spaces><length>\n<hexadecimal digits, broken into lines>".
std::vector<unsigned char> profileBytes(std::string_view text) {
    size_t at = text.find_first_not_of('\n');
    at = at == std::string_view::npos ? text.size() : text.find('\n', at);
    if (at == std::string_view::npos)
        return {};
    at = text.find_first_not_of(" \t\n", at);
    size_t length = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        length = length * 10 + static_cast<size_t>(text[at] - '0');
        if (length > kLongestText / 2)
            return {};
    }
    // No more bytes than the digits left can give, whatever the length claims.
    std::vector<unsigned char> bytes(at < text.size() ? std::min(length, (text.size() - at) / 2)
                                                      : 0);
    const auto* digits = reinterpret_cast<const unsigned char*>(text.data());
    size_t made = 0;
    int high = -1;
    for (; at < text.size() && made < bytes.size(); ++at) {
        const int value = kHexValues[digits[at]];
        if (value < 0)
            continue;
        if (high < 0) {
            high = value;
        } else {
            bytes[made++] = static_cast<unsigned char>(high << 4 | value);
            high = -1;
        }
    }
    bytes.resize(made);
    return bytes;
}

} // namespace

bool isExifRawProfile(std::string_view keyword) {
    return keyword == "Raw profile type exif" || keyword == "Raw profile type APP1";
}

std::vector<unsigned char> exifOfRawProfile(std::string_view chunkType, const unsigned char* data,
                                            size_t length) {
    std::string_view rest(reinterpret_cast<const char*>(data), length);
    if (!isExifRawProfile(textUpTo(rest)))
        return {};
    bool compressed = chunkType == "zTXt";
    if (chunkType == "zTXt") {
        if (rest.empty() || rest[0] != 0) // deflate is the one method
            return {};
        rest.remove_prefix(1);
    } else if (chunkType == "iTXt") {
        if (rest.size() < 2 || (rest[0] != 0 && rest[1] != 0))
            return {};
        compressed = rest[0] != 0;
        rest.remove_prefix(2);
        textUpTo(rest); // language
        textUpTo(rest); // translated keyword
    } else if (chunkType != "tEXt") {
        return {};
    }
    std::string inflated;
    if (compressed && !inflateInto(rest, inflated))
        return {};
    std::vector<unsigned char> bytes = profileBytes(compressed ? inflated : rest);
    static const unsigned char kHeader[6] = {'E', 'x', 'i', 'f', 0, 0};
    const auto header = std::search(bytes.begin(), bytes.end(), kHeader, kHeader + 6);
    if (header == bytes.end())
        return {};
    bytes.erase(bytes.begin(), header);
    return bytes;
}

} // namespace orvane
