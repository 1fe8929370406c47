#include "engine/modules.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>

namespace varnelo {

std::string modulePath(const std::string& relativeFile) {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::filesystem::path folder = error ? std::filesystem::path(".") : program.parent_path();
    return (folder.parent_path() / relativeFile).string();
}

LoadedModule loadModule(const std::string& path, const char* entry, std::uint32_t version) {
    void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
        const char* why = ::dlerror();
        return {nullptr, why != nullptr ? why : path + " did not load"};
    }
    using Entry = const void* (*)();
    const auto function = reinterpret_cast<Entry>(::dlsym(module, entry));
    const void* table = function != nullptr ? function() : nullptr;
    if (table == nullptr || *static_cast<const std::uint32_t*>(table) != version)
        return {nullptr, path + " belongs to another build of the program"};
    return {table, {}};
}

} // namespace varnelo
