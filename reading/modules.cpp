#include "reading/modules.h"

#include <dlfcn.h>
#include <sys/auxv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

#ifndef VARNELO_INSTALLED_PROGRAM_FOLDER
#error "the build names the folder the programs are installed to"
#endif

namespace varnelo {

namespace {

namespace fs = std::filesystem;

// The folder of the running program: as the system tells it, else as the
// program was started by, else the one it is installed to. Never the
// current folder, which anyone may have made the program start in.
fs::path programFolder() {
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (!error && program.is_absolute())
        return program.parent_path();
    // Without /proc (a chroot, a container): the name the program was
    // started by, which the shell gives with its folder.
    if (const auto* started = reinterpret_cast<const char*>(::getauxval(AT_EXECFN))) {
        const fs::path named = fs::weakly_canonical(fs::absolute(started, error), error);
        if (!error && fs::is_regular_file(named, error))
            return named.parent_path();
    }
    return fs::path(VARNELO_INSTALLED_PROGRAM_FOLDER);
}

// A folder or file nobody but its owner, root or the program's own user,
// may change: not writable by others, and by its group only where that is
// the user's own. A folder anyone may write to is taken only where only
// owners may delete (the sticky bit of /tmp) and root owns it.
bool safeFromOthers(const struct stat& status, bool folder) {
    const uid_t user = ::geteuid();
    if (status.st_uid != 0 && status.st_uid != user)
        return false;
    const bool othersWrite = (status.st_mode & S_IWOTH) != 0;
    const bool groupWrites = (status.st_mode & S_IWGRP) != 0 && status.st_gid != ::getegid();
    if (!othersWrite && !groupWrites)
        return true;
    return folder && (status.st_mode & S_ISVTX) != 0 && status.st_uid == 0;
}

// Found as the program starts, before anything could change the current
// folder the name it was started by may be relative to.
const fs::path startedFrom = programFolder();

// The folder modules' relative files start from, where a library set it.
fs::path& libraryPrefix() {
    static fs::path prefix;
    return prefix;
}

} // namespace

std::string modulePath(const std::string& relativeFile) {
    const fs::path& prefix = libraryPrefix();
    return ((prefix.empty() ? startedFrom.parent_path() : prefix) / relativeFile).string();
}

void findModulesBesideLibrary(const std::string& libraryFolder, const std::string& installedAs) {
    std::error_code error;
    fs::path prefix = fs::weakly_canonical(fs::absolute(libraryFolder, error), error);
    if (error)
        return;
    for (const fs::path& part : fs::path(installedAs).relative_path()) {
        if (!part.empty())
            prefix = prefix.parent_path();
    }
    libraryPrefix() = prefix;
}

bool trustedModuleFile(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode) ||
        !safeFromOthers(status, false))
        return false;
    // Every folder on the way: one another user could write to could have
    // the file replaced.
    std::error_code error;
    fs::path folder = fs::absolute(path, error).parent_path();
    for (; !error && !folder.empty(); folder = folder.parent_path()) {
        if (::stat(folder.c_str(), &status) != 0 || !safeFromOthers(status, true))
            return false;
        if (folder == folder.root_path())
            break;
    }
    return !error;
}

LoadedModule loadModule(const std::string& path, const char* entry, std::uint32_t version) {
    if (!trustedModuleFile(path))
        return {nullptr, path + " may be changed by other users: not loaded"};
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
