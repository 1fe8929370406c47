#include "engine/output_name.h"

#include <cstdint>
#include <filesystem>
#include <system_error>

namespace varnelo {

namespace {

// Anything of the name takes it: a dangling link or a device would be
// replaced by the output just as a regular file would, and a folder could
// not be written at all.
bool nameTaken(const std::string& path) {
    std::error_code error;
    const std::filesystem::file_status entry = std::filesystem::symlink_status(path, error);
    return !error && std::filesystem::exists(entry);
}

// The longest file name the systems' file systems take, in bytes.
constexpr std::size_t kMaxFileNameBytes = 255;

// The folder and stem with suffix, the stem cut, at a character's start,
// where the file name would be longer than a file system takes.
std::string withinNameLimit(const std::string& stem, const std::string& suffix) {
    const std::size_t slash = stem.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::size_t end = stem.size();
    if (end - nameStart + suffix.size() > kMaxFileNameBytes) {
        end =
            nameStart + (suffix.size() < kMaxFileNameBytes ? kMaxFileNameBytes - suffix.size() : 0);
        // Not inside a character of UTF-8: back to where one starts.
        while (end > nameStart && (static_cast<unsigned char>(stem[end]) & 0xC0U) == 0x80U)
            --end;
    }
    return stem.substr(0, end) + suffix;
}

} // namespace

std::string_view fileExtension(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || dot < nameStart)
        return {};
    return path.substr(dot);
}

std::string uniqueOutputName(const std::string& basePath, const std::string& extension) {
    const std::string stem = basePath.substr(0, basePath.size() - fileExtension(basePath).size());
    std::string candidate = withinNameLimit(stem, extension);
    for (std::uint64_t number = 1; nameTaken(candidate); ++number)
        candidate = withinNameLimit(stem, std::to_string(number) + extension);
    return candidate;
}

} // namespace varnelo
