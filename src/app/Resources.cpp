#include "app/Resources.h"

#include "app/BuildInfo.h"

#include <system_error>

namespace orvane {

namespace fs = std::filesystem;

fs::path currentExecutable() {
    std::error_code ec;
    fs::path executable = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : executable;
}

fs::path desktopProgram(const fs::path& executable) {
    if (executable.empty())
        return {};
    return (executable.parent_path() / build::kDesktopFromBin).lexically_normal();
}

std::vector<fs::path> resourceFolders(const fs::path& executable) {
    std::vector<fs::path> folders;
    if (!executable.empty() && fs::path(build::kInstallBinDir).is_relative()) {
        // The window's program climbs from where the command line is installed.
        const fs::path program = executable.filename() == build::kDesktopName
                                     ? executable.parent_path() / build::kBinFromDesktop / "orvane"
                                     : executable;
        // Climb out of the binary folder (bin, or a deeper one) to the prefix.
        fs::path prefix = program.lexically_normal().parent_path();
        for (const auto& part : fs::path(build::kInstallBinDir)) {
            (void)part;
            prefix = prefix.parent_path();
        }
        folders.push_back(prefix / build::kInstallDataDir / "orvane");
    }
    folders.emplace_back(build::kSourceResourceDir);
    folders.emplace_back(build::kInstalledResourceDir);
    return folders;
}

std::optional<fs::path> pathForResource(const std::string& name, const std::string& type,
                                        const std::string& directory,
                                        const std::vector<fs::path>& folders) {
    const std::string fileName = type.empty() ? name : name + "." + type;
    for (const fs::path& folder : folders) {
        fs::path candidate = directory.empty() ? folder / fileName : folder / directory / fileName;
        std::error_code ec;
        if (fs::is_regular_file(candidate, ec))
            return candidate.lexically_normal();
    }
    return std::nullopt;
}

std::string fileURLForPath(const fs::path& path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (unsigned char c : path.string()) {
        const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                                (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' ||
                                c == '~' || c == '/';
        if (unreserved) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 0xF];
        }
    }
    return url;
}

} // namespace orvane
