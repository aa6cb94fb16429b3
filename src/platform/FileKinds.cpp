#include "platform/FileKinds.h"

#include <array>

namespace orvane {
namespace {

// The one list of package kinds.
constexpr std::array<std::string_view, 14> kPackageExtensions = {"app",
                                                                 "bundle",
                                                                 "framework",
                                                                 "plugin",
                                                                 "photoslibrary",
                                                                 "aplibrary",
                                                                 "migratedphotolibrary",
                                                                 "imovielibrary",
                                                                 "fcpbundle",
                                                                 "rtfd",
                                                                 "lrdata",
                                                                 "pages",
                                                                 "numbers",
                                                                 "key"};

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z')
            x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

} // namespace

std::span<const std::string_view> packageExtensions() {
    return kPackageExtensions;
}

bool isFilePackageAtPath(std::string_view name) {
    const size_t dot = name.rfind('.');
    // A name that is only a dot and an extension (".app") has no extension of its own.
    if (dot == std::string_view::npos || dot == 0)
        return false;
    const std::string_view extension = name.substr(dot + 1);
    for (std::string_view known : kPackageExtensions)
        if (equalsIgnoringAsciiCase(extension, known))
            return true;
    return false;
}

bool isAliasFile(const std::string&) {
    return false;
}

} // namespace orvane
