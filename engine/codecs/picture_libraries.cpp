#include "engine/codecs/picture_libraries.h"

#include "engine/modules.h"

#include <mutex>

#ifndef VARNELO_PICTURE_LIBRARIES_FILE
#error "the build names the module's file beside the program's library folder"
#endif

namespace varnelo {

namespace {

const LoadedModule& loaded() {
    static std::once_flag once;
    static LoadedModule result;
    std::call_once(once, [] {
        result =
            loadModule(pictureLibrariesPath(), kPictureLibrariesEntry, kPictureLibrariesVersion);
    });
    return result;
}

} // namespace

std::string pictureLibrariesPath() {
    return modulePath(VARNELO_PICTURE_LIBRARIES_FILE);
}

const PictureLibraries* pictureLibraries() {
    return static_cast<const PictureLibraries*>(loaded().table);
}

std::string pictureLibrariesProblem() {
    return loaded().problem;
}

} // namespace varnelo
