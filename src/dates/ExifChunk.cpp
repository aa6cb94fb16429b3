#include "dates/ExifChunk.h"

#include "dates/PngRawProfile.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace orvane {

ReadAt readFromMemory(const unsigned char* bytes, size_t length) {
    return [bytes, length](uint64_t offset, unsigned char* buffer, size_t wanted) -> size_t {
        // An empty buffer may be a null pointer, which memcpy must never see.
        if (offset >= length || wanted == 0)
            return 0;
        const size_t count = std::min<uint64_t>(wanted, length - offset);
        std::memcpy(buffer, bytes + offset, count);
        return count;
    };
}

std::vector<unsigned char> readSpan(const ReadAt& read, uint64_t offset, size_t size) {
    std::vector<unsigned char> bytes(size);
    bytes.resize(read(offset, bytes.data(), size));
    return bytes;
}

namespace {

// A file of more chunks than this is walked no further: exiv2 decides.
constexpr int kMostChunks = 100000;
// EXIF blocks are at most 64 KiB in JPEG; other containers allow more, not this much.
constexpr uint64_t kLongestBlock = uint64_t{16} << 20;

uint32_t bigEndian32(const unsigned char* bytes) {
    return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) |
           bytes[3];
}

uint32_t littleEndian32(const unsigned char* bytes) {
    return (uint32_t{bytes[3]} << 24) | (uint32_t{bytes[2]} << 16) | (uint32_t{bytes[1]} << 8) |
           bytes[0];
}

ExifChunk block(uint64_t offset, uint64_t length) {
    if (length == 0 || length > kLongestBlock)
        return {};
    return {ExifChunk::Found::kBlock, offset, length};
}

// PNG: the signature, then chunks of a 4-byte length, a 4-byte type, the data and a CRC, up
// to IEND. exiv2 also finds EXIF in the text chunks ImageMagick and others write, keyed
// "Raw profile type exif" or "Raw profile type APP1" (or a longer keyword beginning so: it
// compares only that much); a file with such a chunk is left to it, with the first one named
// so that it can be decoded alone first. Other raw profiles (IPTC, XMP, Photoshop's) never
// give exiv2 EXIF.
ExifChunk pngExif(const ReadAt& read, uint64_t fileSize) {
    constexpr size_t kExiv2ComparedKeyword = 21; // "Raw profile type exif"
    uint64_t at = 8;
    bool rawProfile = false;
    ExifChunk unknown;
    for (int chunks = 0; chunks < kMostChunks; ++chunks) {
        unsigned char header[8 + 24];
        if (fileSize - at < 12 || read(at, header, 8) != 8)
            return unknown;
        const uint64_t length = bigEndian32(header);
        const std::string_view type(reinterpret_cast<const char*>(header + 4), 4);
        if (length > fileSize - at - 12)
            return unknown;
        if (type == "eXIf")
            return block(at + 8, length);
        if (type == "tEXt" || type == "zTXt" || type == "iTXt") {
            const size_t got = read(at + 8, header + 8, std::min<uint64_t>(length, 24));
            std::string_view keyword(reinterpret_cast<const char*>(header + 8), got);
            keyword = keyword.substr(0, keyword.find('\0'));
            rawProfile = rawProfile || isExifRawProfile(keyword.substr(0, kExiv2ComparedKeyword));
            if (unknown.textLength == 0 && isExifRawProfile(keyword) && length <= kLongestBlock) {
                std::memcpy(unknown.textType, type.data(), 4);
                unknown.textOffset = at + 8;
                unknown.textLength = length;
            }
        }
        if (type == "IEND")
            return rawProfile ? unknown : ExifChunk{ExifChunk::Found::kNone};
        at += 12 + length;
    }
    return unknown;
}

// WebP: "RIFF", the size, "WEBP", then chunks of a four-character code, a little-endian
// length and the data, padded to an even length.
ExifChunk webpExif(const ReadAt& read, uint64_t fileSize) {
    uint64_t at = 12;
    for (int chunks = 0; chunks < kMostChunks; ++chunks) {
        if (at == fileSize)
            return {ExifChunk::Found::kNone};
        unsigned char header[8];
        if (fileSize - at < 8 || read(at, header, 8) != 8)
            return {};
        const uint64_t length = littleEndian32(header + 4);
        if (length > fileSize - at - 8)
            return {};
        if (std::memcmp(header, "EXIF", 4) == 0)
            return block(at + 8, length);
        at += 8 + length + (length & 1);
    }
    return {};
}

} // namespace

ExifChunk findExifChunk(const ReadAt& read, uint64_t fileSize) {
    static const unsigned char kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    unsigned char head[12];
    if (fileSize < sizeof head || read(0, head, sizeof head) != sizeof head)
        return {};
    if (std::memcmp(head, kPng, sizeof kPng) == 0)
        return pngExif(read, fileSize);
    if (std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WEBP", 4) == 0)
        return webpExif(read, fileSize);
    return {};
}

} // namespace orvane
