#pragma once

// Libraries loaded the first time they are needed rather than linked: loading them (and the
// libraries they bring) would cost every start, most of which never need them. Each stays
// loaded for the life of the process.

#include <dlfcn.h>

namespace orvane {

// Opens the library `soname`; none when it cannot be loaded, which is logged as
// "`off`: why", `off` telling what goes without it.
void* openLibrary(const char* soname, const char* off);

// Sets `function` to the library's function `name`; false when the library lacks it.
template <typename Function>
bool loadFunction(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(::dlsym(library, name));
    return function != nullptr;
}

} // namespace orvane
