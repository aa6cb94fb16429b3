#include "naming/SafeNames.h"

#include "platform/FileSystemType.h"

namespace orvane {
namespace {

bool isControl(unsigned char c) {
    return c < 0x20 || c == 0x7f;
}

bool refusedByNarrow(char c) {
    return std::string_view(":*?\"<>|\\").find(c) != std::string_view::npos;
}

bool isUtf8Continuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// The first `bytes` bytes of `text` or fewer, ending on a character boundary.
std::string_view head(std::string_view text, size_t bytes) {
    if (bytes >= text.size())
        return text;
    while (bytes > 0 && isUtf8Continuation(static_cast<unsigned char>(text[bytes])))
        --bytes;
    return text.substr(0, bytes);
}

} // namespace

NameRules nameRulesForFileSystem(long type) {
    constexpr long kFat = 0x4d44;       // MSDOS_SUPER_MAGIC
    constexpr long kExfat = 0x2011bab0; // EXFAT_SUPER_MAGIC
    constexpr long kNtfs = 0x5346544e;  // NTFS_SB_MAGIC (ntfs)
    constexpr long kNtfs3 = 0x7366746e; // ntfs3
    switch (type) {
    case kFat:
    case kExfat:
    case kNtfs:
    case kNtfs3:
    case kFuseBlockFileSystem:
        return NameRules::Narrow;
    default:
        return NameRules::Posix;
    }
}

std::string safeTokenValue(std::string value) {
    for (char& c : value)
        if (c == '/' || isControl(static_cast<unsigned char>(c)))
            c = '_';
    if (value.empty() || value == "." || value == "..")
        return "_";
    return value;
}

std::string fitName(std::string name, NameRules rules, size_t keptTail) {
    for (char& c : name)
        if (c == '/' || c == '\0' ||
            (rules == NameRules::Narrow &&
             (refusedByNarrow(c) || isControl(static_cast<unsigned char>(c)))))
            c = '_';
    if (rules == NameRules::Narrow)
        for (auto it = name.rbegin(); it != name.rend() && (*it == '.' || *it == ' '); ++it)
            *it = '_';
    if (name.empty() || name == "." || name == "..")
        return "_";
    if (name.size() <= kLongestName)
        return name;
    keptTail = keptTail < kLongestName / 2 ? keptTail : 0;
    while (keptTail > 0 && keptTail < name.size() &&
           isUtf8Continuation(static_cast<unsigned char>(name[name.size() - keptTail])))
        --keptTail;
    const std::string tail = name.substr(name.size() - keptTail);
    return std::string(head(name, kLongestName - keptTail)) + tail;
}

std::string fitFolder(const std::string& folder, NameRules rules) {
    std::string fitted;
    size_t start = 0;
    for (;;) {
        const size_t slash = folder.find('/', start);
        const std::string level =
            folder.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        // Levels the folder check refuses stay as they are, for it to refuse them.
        const bool refused = level.empty() || level == "." || level == "..";
        fitted += refused ? level : fitName(level, rules);
        if (slash == std::string::npos)
            return fitted;
        fitted += '/';
        start = slash + 1;
    }
}

} // namespace orvane
