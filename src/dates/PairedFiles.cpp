#include "dates/PairedFiles.h"

#include <algorithm>
#include <unordered_set>

namespace orvane {
namespace {

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; });
    return text;
}

// The folder with its slash, and the lowered name; the name's extension starts at `dot`
// (npos when there is none). A leading dot is part of the name, not an extension.
struct NameParts {
    std::string folder;
    std::string name;
    size_t dot;
};

NameParts nameParts(const std::string& path) {
    const size_t slash = path.rfind('/');
    const size_t start = slash == std::string::npos ? 0 : slash + 1;
    NameParts parts{path.substr(0, start), lowered(path.substr(start)), std::string::npos};
    const size_t dot = parts.name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        parts.dot = dot;
    return parts;
}

std::string stemKey(const NameParts& parts) {
    return parts.folder + parts.name.substr(0, parts.dot);
}

enum class PairKind { Sidecar, Jpeg, Raw, Other };

PairKind pairKind(const NameParts& parts) {
    if (parts.dot == std::string::npos)
        return PairKind::Other;
    static const std::unordered_set<std::string> kSidecars = {"xmp", "thm", "aae", "pp3", "dop"};
    static const std::unordered_set<std::string> kJpegs = {"jpg", "jpeg", "jpe"};
    static const std::unordered_set<std::string> kRaws = {
        "3fr", "arw", "cr2", "cr3", "crw", "dcr", "dng", "erf", "iiq", "kdc", "mef", "mos", "mrw",
        "nef", "nrw", "orf", "pef", "raf", "raw", "rw2", "rwl", "sr2", "srf", "srw", "x3f"};
    const std::string extension = parts.name.substr(parts.dot + 1);
    if (kSidecars.count(extension))
        return PairKind::Sidecar;
    if (kJpegs.count(extension))
        return PairKind::Jpeg;
    if (kRaws.count(extension))
        return PairKind::Raw;
    return PairKind::Other;
}

// Whether a file of kind `kind` without a date may take the date of a file of kind `other`.
bool datesWith(PairKind kind, PairKind other) {
    return kind == PairKind::Sidecar || (kind == PairKind::Jpeg && other == PairKind::Raw) ||
           (kind == PairKind::Raw && other == PairKind::Jpeg);
}

} // namespace

PairedFiles::PairedFiles(const PathList& fileList) {
    // Most entries of a large card have no partner: only those whose name key is shared are
    // kept. The keys are first compared by hash, so that the lone ones cost no copy; a hash
    // shared by different keys merely keeps a few lone entries more.
    struct Keyed {
        size_t hash;
        size_t index;
    };
    std::vector<Keyed> keys;
    keys.reserve(fileList.size() * 2);
    const std::hash<std::string> hash;
    for (size_t index = 0; index < fileList.size(); ++index) {
        const NameParts parts = nameParts(fileList[index]);
        keys.push_back({hash(stemKey(parts)), index});
        if (parts.dot != std::string::npos)
            keys.push_back({hash(parts.folder + parts.name), index});
    }
    std::sort(keys.begin(), keys.end(),
              [](const Keyed& a, const Keyed& b) { return a.hash < b.hash; });
    std::vector<bool> shared(fileList.size());
    for (size_t at = 0; at < keys.size();) {
        size_t end = at + 1;
        while (end < keys.size() && keys[end].hash == keys[at].hash)
            ++end;
        for (size_t i = at; end - at > 1 && i < end; ++i)
            shared[keys[i].index] = true;
        at = end;
    }
    keys = {};
    for (size_t index = 0; index < fileList.size(); ++index) {
        if (!shared[index])
            continue;
        const NameParts parts = nameParts(fileList[index]);
        byKey_[stemKey(parts)].push_back(paths_.size());
        if (parts.dot != std::string::npos)
            byKey_[parts.folder + parts.name].push_back(paths_.size());
        paths_.push_back(fileList[index]);
    }
}

std::vector<std::string> PairedFiles::partnersOf(const std::string& path) const {
    std::vector<std::string> partners;
    const NameParts parts = nameParts(path);
    const PairKind kind = pairKind(parts);
    if (kind == PairKind::Other)
        return partners;
    auto it = byKey_.find(stemKey(parts));
    if (it == byKey_.end())
        return partners;
    for (size_t index : it->second)
        if (paths_[index] != path && datesWith(kind, pairKind(nameParts(paths_[index]))))
            partners.push_back(paths_[index]);
    return partners;
}

std::string PairedFiles::nameLeaderOf(const std::string& path) const {
    const PairKind kind = pairKind(nameParts(path));
    if (kind != PairKind::Sidecar && kind != PairKind::Jpeg)
        return path;
    std::string leader;
    for (const std::string& partner : partnersOf(path)) {
        const PairKind partnerKind = pairKind(nameParts(partner));
        if (partnerKind == PairKind::Raw)
            return partner;
        if (partnerKind != PairKind::Sidecar && leader.empty())
            leader = partner;
    }
    return leader.empty() ? path : leader;
}

bool PairedFiles::isSidecar(const std::string& path) {
    return pairKind(nameParts(path)) == PairKind::Sidecar;
}

bool PairedFiles::isPaired(const std::string& path) const {
    const NameParts parts = nameParts(path);
    auto inGroup = [&](const std::string& key) {
        auto it = byKey_.find(key);
        return it != byKey_.end() && it->second.size() > 1;
    };
    return inGroup(stemKey(parts)) ||
           (parts.dot != std::string::npos && inGroup(parts.folder + parts.name));
}

} // namespace orvane
