#pragma once

#include "base/byte_string.h"

#include <vector>

namespace varnelo {

/// The lines of the document being built, in file order, without line ends.
using DocumentLines = std::vector<ByteString>;

} // namespace varnelo
