#include "platform/HeifLibrary.h"

#include "base/Log.h"

#include <dlfcn.h>

namespace orvane {

const HeifLibrary* heifLibrary() {
    static const HeifLibrary* const loaded = []() -> const HeifLibrary* {
        // Stays loaded for the life of the process; its codecs are found through it.
        void* library = ::dlopen("libheif.so.1", RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            const char* error = ::dlerror();
            logMessage(LOG_INFO, "HEIF files are read without libheif: %s", error ? error : "");
            return nullptr;
        }
        static HeifLibrary functions;
        bool complete = true;
#define ORVANE_HEIF_LOAD(name)                                                                     \
    functions.name = reinterpret_cast<decltype(functions.name)>(::dlsym(library, "heif_" #name));  \
    complete = complete && functions.name;
        ORVANE_HEIF_FUNCTIONS(ORVANE_HEIF_LOAD)
#undef ORVANE_HEIF_LOAD
        if (!complete) {
            logMessage(LOG_INFO, "HEIF files are read without libheif: it lacks a function");
            return nullptr;
        }
        return &functions;
    }();
    return loaded;
}

} // namespace orvane
