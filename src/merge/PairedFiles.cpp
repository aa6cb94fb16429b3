#include "merge/PairedFiles.h"

#include <algorithm>

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

} // namespace

PairedFiles::PairedFiles(const PathList& fileList) : paths_(fileList) {
    for (size_t index = 0; index < paths_.size(); ++index) {
        const NameParts parts = nameParts(paths_[index]);
        byKey_[stemKey(parts)].push_back(index);
        if (parts.dot != std::string::npos)
            byKey_[parts.folder + parts.name].push_back(index);
    }
}

std::vector<std::string> PairedFiles::partnersOf(const std::string& path) const {
    std::vector<std::string> partners;
    auto it = byKey_.find(stemKey(nameParts(path)));
    if (it == byKey_.end())
        return partners;
    for (size_t index : it->second)
        if (paths_[index] != path)
            partners.push_back(paths_[index]);
    return partners;
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
