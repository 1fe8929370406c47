#pragma once

#include <optional>
#include <string>

namespace varnelo {

/// The open descriptor of this process that an output path names:
/// /dev/stdout, /dev/stderr, /dev/fd/N and /proc/self/fd/N, or any other
/// name of the pipe, socket or terminal standard output is. Written to
/// directly, since its name leads to no file that could be replaced (a
/// pipe's link reads "pipe:[N]"). Nothing for every other path.
std::optional<int> descriptorNamed(const std::string& path);

} // namespace varnelo
