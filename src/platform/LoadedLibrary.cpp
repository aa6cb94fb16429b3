#include "platform/LoadedLibrary.h"

#include "base/Log.h"

namespace orvane {

void* openLibrary(const char* soname, const char* off) {
    void* library = ::dlopen(soname, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* error = ::dlerror();
        logMessage(LOG_INFO, "%s: %s", off, error ? error : "");
    }
    return library;
}

} // namespace orvane
