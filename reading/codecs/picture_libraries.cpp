#include "reading/codecs/picture_libraries.h"

#include "reading/modules.h"

#ifndef VARNELO_PICTURE_LIBRARIES_FILE
#error "the build names the module's file beside the program's library folder"
#endif

namespace varnelo {

namespace {

ModuleOnce& module() {
    static ModuleOnce once(VARNELO_PICTURE_LIBRARIES_FILE, kPictureLibrariesEntry,
                           kPictureLibrariesVersion);
    return once;
}

} // namespace

std::string pictureLibrariesPath() {
    return module().path();
}

const PictureLibraries* pictureLibraries() {
    return static_cast<const PictureLibraries*>(module().loaded().table);
}

std::string pictureLibrariesProblem() {
    return module().loaded().problem;
}

} // namespace varnelo
