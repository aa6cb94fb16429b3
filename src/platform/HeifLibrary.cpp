#include "platform/HeifLibrary.h"

#include "base/Log.h"
#include "platform/LoadedLibrary.h"

namespace orvane {

const HeifLibrary* heifLibrary() {
    static const HeifLibrary* const loaded = []() -> const HeifLibrary* {
        // Its codecs are found through it.
        void* library = openLibrary("libheif.so.1", "HEIF files are read without libheif");
        if (!library)
            return nullptr;
        static HeifLibrary functions;
        bool complete = true;
#define ORVANE_HEIF_LOAD(name)                                                                     \
    complete = loadFunction(library, "heif_" #name, functions.name) && complete;
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
