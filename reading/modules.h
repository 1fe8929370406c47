#pragma once

#include <cstdint>
#include <mutex>
#include <string>

namespace varnelo {

/// A module of the program's own, loaded with dlopen: libraries that take
/// longer to load than most conversions take (the picture libraries, the
/// font libraries) live in one, and a program loads it only once it needs
/// them. Its one entry is a function without arguments returning a table
/// whose first member is the version of the table's layout.
struct LoadedModule {
    /// nullptr when the module is missing or of another build.
    const void* table = nullptr;
    /// Why there is no table.
    std::string problem;
};

/// Where a module is looked for: the file, relative to the folder above the
/// program's own (the library folder it is installed to; the build puts it
/// there too). The program's folder is found without /proc too, and never
/// taken to be the current folder.
std::string modulePath(const std::string& relativeFile);

/// Has modules looked for beside a shared library of the program's rather
/// than beside the program that loaded it (python3, say): libraryFolder is
/// the folder the library was loaded from, installedAs the same folder
/// relative to the prefix ("lib/x86_64-linux-gnu"). Called as the library
/// loads, before any module is looked for.
void findModulesBesideLibrary(const std::string& libraryFolder, const std::string& installedAs);

/// Whether the file, and every folder on its way, may be changed only by
/// root or the program's own user: what else could be made to run inside
/// the program is not loaded or run.
bool trustedModuleFile(const std::string& path);

/// Loads the module, never to close it: work it started may still run on
/// threads of its own. A file others may change is not loaded.
LoadedModule loadModule(const std::string& path, const char* entry, std::uint32_t version);

/// A module loaded at the first need, once, from whichever thread needs it.
class ModuleOnce {
public:
    /// relativeFile as for modulePath; entry and version as for loadModule.
    ModuleOnce(const char* relativeFile, const char* entry, std::uint32_t version)
        : relativeFile_(relativeFile), entry_(entry), version_(version) {}

    std::string path() const { return modulePath(relativeFile_); }
    const LoadedModule& loaded() {
        std::call_once(once_, [this] { loaded_ = loadModule(path(), entry_, version_); });
        return loaded_;
    }

private:
    const char* relativeFile_;
    const char* entry_;
    std::uint32_t version_;
    std::once_flag once_;
    LoadedModule loaded_;
};

} // namespace varnelo
