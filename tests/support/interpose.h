// What tests on an ELF system (Linux) ask of the dynamic linker: the real GL or GLU function
// behind one the test defines under the same name, and libraries held loaded for leak reports.
#pragma once

#include <dlfcn.h>
#include <link.h>

// The library's own `name`, for a test's function of that name to forward to.
template <typename Function>
Function realFunction(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

// Closing a window unloads the GL driver, and leak reports from driver code would then name no
// module that a suppression could match: every library loaded so far is held open instead.
inline void pinLoadedLibraries() {
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void*) {
            if (info->dlpi_name && info->dlpi_name[0]) dlopen(info->dlpi_name, RTLD_LAZY | RTLD_NOLOAD);
            return 0;
        },
        nullptr);
}
