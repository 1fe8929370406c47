#include "engine/codecs/picture_libraries.h"

#include <dlfcn.h>

#include <filesystem>
#include <mutex>
#include <system_error>

#ifndef VARNELO_PICTURE_LIBRARIES_FILE
#error "the build names the module's file beside the program's library folder"
#endif

namespace varnelo {

namespace {

struct Loaded {
    const PictureLibraries* table = nullptr;
    std::string problem;
};

Loaded load() {
    const std::string path = pictureLibrariesPath();
    // Never closed: decodes it started may still run on threads of their own.
    void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        const char* why = ::dlerror();
        return {nullptr, why != nullptr ? why : path + " did not load"};
    }
    using Entry = const PictureLibraries* (*)();
    const auto entry = reinterpret_cast<Entry>(::dlsym(module, kPictureLibrariesEntry));
    const PictureLibraries* table = entry != nullptr ? entry() : nullptr;
    if (table == nullptr || table->version != kPictureLibrariesVersion)
        return {nullptr, path + " belongs to another build of the program"};
    return {table, {}};
}

const Loaded& loaded() {
    static std::once_flag once;
    static Loaded result;
    std::call_once(once, [] { result = load(); });
    return result;
}

} // namespace

std::string pictureLibrariesPath() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::filesystem::path folder = error ? std::filesystem::path(".") : program.parent_path();
    return (folder.parent_path() / VARNELO_PICTURE_LIBRARIES_FILE).string();
}

const PictureLibraries* pictureLibraries() {
    return loaded().table;
}

std::string pictureLibrariesProblem() {
    return loaded().problem;
}

} // namespace varnelo
