#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace varnelo {

enum class ReadFileStatus : std::uint8_t { Ok, CannotOpen, NotAFile, TooLarge, ReadError };

/// Reads a whole regular file into bytes. Files above maxBytes are refused
/// before anything is allocated.
ReadFileStatus readWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes,
                             std::size_t maxBytes);

} // namespace varnelo
