#include "engine/codecs/png_gif_libraries.h"

#include "engine/modules.h"

#include <mutex>

#ifndef VARNELO_PNG_GIF_LIBRARIES_FILE
#error "the build names the module's file beside the program's library folder"
#endif

namespace varnelo {

namespace {

const LoadedModule& loaded() {
    static std::once_flag once;
    static LoadedModule result;
    std::call_once(once, [] {
        result = loadModule(pngGifLibrariesPath(), kPngGifLibrariesEntry, kPngGifLibrariesVersion);
    });
    return result;
}

} // namespace

std::string pngGifLibrariesPath() {
    return modulePath(VARNELO_PNG_GIF_LIBRARIES_FILE);
}

const PngGifLibraries* pngGifLibraries() {
    return static_cast<const PngGifLibraries*>(loaded().table);
}

std::string pngGifLibrariesProblem() {
    return loaded().problem;
}

bool writePngInBandsWithLibraries(ByteSink& sink, int width, int height, RowFormat format,
                                  const RowSource& rowAt, int compressionLevel, int bands) {
    const PngGifLibraries* libraries = pngGifLibraries();
    return libraries != nullptr &&
           libraries->writePngInBands(sink, width, height, format, rowAt, compressionLevel, bands);
}

} // namespace varnelo
