#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace varnelo::test {

/// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();

    const std::filesystem::path& path() const { return path_; }
    /// path()/name as a string.
    std::string file(const std::string& name) const;

private:
    std::filesystem::path path_;
};

/// The folder of the committed broken files, each named after what it breaks.
std::filesystem::path badFilesFolder();

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> readBytes(const std::string& path);

} // namespace varnelo::test
