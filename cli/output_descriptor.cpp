#include "cli/output_descriptor.h"

#include <charconv>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace varnelo {

namespace {

bool isOpen(int descriptor) {
    return ::fcntl(descriptor, F_GETFD) != -1;
}

// N of /dev/fd/N or /proc/self/fd/N.
std::optional<int> numberedDescriptor(std::string_view path) {
    for (const std::string_view folder : {"/dev/fd/", "/proc/self/fd/"}) {
        if (!path.starts_with(folder))
            continue;
        const std::string_view digits = path.substr(folder.size());
        int number = -1;
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), number);
        if (error == std::errc() && end == digits.data() + digits.size() && number >= 0)
            return number;
    }
    return std::nullopt;
}

} // namespace

std::optional<int> descriptorNamed(const std::string& path) {
    std::optional<int> named = numberedDescriptor(path);
    if (path == "/dev/stdout")
        named = STDOUT_FILENO;
    else if (path == "/dev/stderr")
        named = STDERR_FILENO;
    if (named)
        return isOpen(*named) ? named : std::nullopt;
    struct stat target {};
    struct stat output {};
    if (::stat(path.c_str(), &target) != 0 || ::fstat(STDOUT_FILENO, &output) != 0)
        return std::nullopt;
    const bool same = target.st_dev == output.st_dev && target.st_ino == output.st_ino;
    if (same && !S_ISREG(target.st_mode) && !S_ISDIR(target.st_mode))
        return STDOUT_FILENO;
    return std::nullopt;
}

} // namespace varnelo
