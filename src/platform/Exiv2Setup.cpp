#include "platform/Exiv2Setup.h"

#include "base/Log.h"

#include <mutex>
#include <string>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>
#pragma GCC diagnostic pop

namespace orvane {
namespace {

// exiv2's warnings and errors about damaged files are of interest only when debugging.
void logExiv2Message(int, const char* message) {
    std::string text = message ? message : "";
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    logMessage(LOG_DEBUG, "exiv2: %s", text.c_str());
}

} // namespace

void initialiseExiv2() {
    static std::once_flag once;
    std::call_once(once, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::warn);
        Exiv2::LogMsg::setHandler(logExiv2Message);
        // Needed before exiv2 is used from more than one thread, and for the XMP it meets.
        Exiv2::XmpParser::initialize();
#ifdef EXV_ENABLE_BMFF
        Exiv2::enableBMFF(true);
#endif
    });
}

} // namespace orvane
