#include "base/Paths.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace orvane {

std::string homeDirectory() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return "/";
}

std::string temporaryDirectory() {
    if (const char* tmp = std::getenv("TMPDIR"); tmp && *tmp)
        return tmp;
    return "/tmp";
}

std::string appendPathComponent(const std::string& base, const std::string& component) {
    if (base.empty())
        return component;
    if (component.empty())
        return base;
    std::string result = base;
    while (result.size() > 1 && result.back() == '/')
        result.pop_back();
    size_t start = 0;
    while (start < component.size() && component[start] == '/')
        ++start;
    if (result.back() != '/')
        result += '/';
    result.append(component, start, std::string::npos);
    return result;
}

bool isDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

std::string lastPathComponent(const std::string& path) {
    size_t end = path.size();
    while (end > 1 && path[end - 1] == '/')
        --end;
    size_t slash = path.rfind('/', end - 1);
    if (slash == std::string::npos)
        return path.substr(0, end);
    if (end == 1 && slash == 0)
        return "/";
    return path.substr(slash + 1, end - slash - 1);
}

std::string deletingLastPathComponent(const std::string& path) {
    size_t end = path.size();
    while (end > 1 && path[end - 1] == '/')
        --end;
    size_t slash = path.rfind('/', end - 1);
    if (slash == std::string::npos)
        return "";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string absolutePath(const std::string& path) {
    std::string joined = path;
    if (path.empty() || path[0] != '/') {
        std::vector<char> buffer(4096);
        while (!getcwd(buffer.data(), buffer.size()))
            buffer.resize(buffer.size() * 2);
        joined = appendPathComponent(buffer.data(), path);
    }
    // Drop "." components and doubled or trailing slashes; ".." is kept as the user wrote it
    // because resolving it lexically could name another folder when links are involved.
    std::string normal;
    size_t i = 0;
    while (i < joined.size()) {
        size_t next = joined.find('/', i);
        if (next == std::string::npos)
            next = joined.size();
        std::string part = joined.substr(i, next - i);
        if (!part.empty() && part != ".") {
            normal += '/';
            normal += part;
        }
        i = next + 1;
    }
    return normal.empty() ? "/" : normal;
}

} // namespace orvane
