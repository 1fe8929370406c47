// Where the shared library finds the program's modules: beside itself, not
// beside whichever program loaded it.
#include "reading/modules.h"

#include <dlfcn.h>

#include <filesystem>

#ifndef VARNELO_INSTALLED_LIBRARY_FOLDER
#error "the build names the folder the library is installed to"
#endif

namespace {

const char anchor = 0;

// Runs as the library loads, before a caller can ask it for anything.
__attribute__((constructor)) void findModulesBesideThisLibrary() {
    Dl_info info{};
    if (::dladdr(&anchor, &info) == 0 || info.dli_fname == nullptr || *info.dli_fname == '\0')
        return;
    varnelo::findModulesBesideLibrary(std::filesystem::path(info.dli_fname).parent_path().string(),
                                      VARNELO_INSTALLED_LIBRARY_FOLDER);
}

} // namespace
