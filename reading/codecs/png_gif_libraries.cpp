#include "reading/codecs/png_gif_libraries.h"

#include "reading/modules.h"

#ifndef VARNELO_PNG_GIF_LIBRARIES_FILE
#error "the build names the module's file beside the program's library folder"
#endif

namespace varnelo {

namespace {

ModuleOnce& module() {
    static ModuleOnce once(VARNELO_PNG_GIF_LIBRARIES_FILE, kPngGifLibrariesEntry,
                           kPngGifLibrariesVersion);
    return once;
}

} // namespace

std::string pngGifLibrariesPath() {
    return module().path();
}

const PngGifLibraries* pngGifLibraries() {
    return static_cast<const PngGifLibraries*>(module().loaded().table);
}

std::string pngGifLibrariesProblem() {
    return module().loaded().problem;
}

bool writePngInBandsWithLibraries(ByteSink& sink, int width, int height, RowFormat format,
                                  const RowSource& rowAt, int compressionLevel, int bands) {
    const PngGifLibraries* libraries = pngGifLibraries();
    return libraries != nullptr &&
           libraries->writePngInBands(sink, width, height, format, rowAt, compressionLevel, bands);
}

} // namespace varnelo
