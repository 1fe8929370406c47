#pragma once

#include <cstdint>

class QLineEdit;

namespace varnelo {

/// Whether a number field holds a number from low to high. An empty field
/// holds none, and neither does one too long to read without wrapping.
bool fieldNumberWithin(const QLineEdit& field, std::int32_t low, std::int32_t high);

} // namespace varnelo
