#pragma once

#include <string>

namespace varnelo {

/// Bytes in Windows-1252, the single-byte character set of every text,
/// phrase and document the program makes.
using ByteString = std::string;

} // namespace varnelo
