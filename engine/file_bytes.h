#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace varnelo {

enum class ReadFileStatus : std::uint8_t { Ok, CannotOpen, NotAFile, TooLarge, ReadError };

/// How reading a file ended; errorNumber is the system's error number for
/// CannotOpen and ReadError.
struct ReadFileOutcome {
    ReadFileStatus status = ReadFileStatus::Ok;
    int errorNumber = 0;
};

/// Reads a whole regular file into bytes. Files above maxBytes are refused
/// before anything is allocated.
ReadFileOutcome readWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes,
                              std::size_t maxBytes);

} // namespace varnelo
