#pragma once

#include "base/byte_string.h"
#include "reading/file_bytes.h"

#include <cstddef>
#include <optional>
#include <string>

namespace varnelo {

/// The largest phrase file read; a phrase is walked with 32-bit positions.
inline constexpr std::size_t kMaxPhraseFileBytes = std::size_t{1} << 26;

/// Reads a phrase from a file of Windows-1252 text. Its lines are joined
/// with nothing between them: a CR ends a line, together with a LF right
/// after it, while a LF on its own stays in the phrase. Nothing when the file
/// cannot be read (a folder, an error of the system) or is larger than
/// kMaxPhraseFileBytes; outcome, when given, then tells why.
std::optional<ByteString> readPhraseFile(const std::string& path,
                                         ReadFileOutcome* outcome = nullptr);

} // namespace varnelo
