#pragma once

#include <chrono>

namespace varnelo::test {

/// Whether the tests run under a sanitizer, whose checks slow everything
/// down several times and take memory of their own.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool kUnderSanitizer = true;
#else
inline constexpr bool kUnderSanitizer = false;
#endif

/// How soon a cancel is answered, whatever a decoder is doing: 100 ms, or
/// four times that under a sanitizer.
inline constexpr std::chrono::milliseconds kCancelAnswered{kUnderSanitizer ? 400 : 100};

} // namespace varnelo::test
