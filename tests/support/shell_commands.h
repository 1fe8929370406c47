#pragma once

#include <optional>
#include <string>

namespace varnelo::test {

/// True when the program is on the PATH.
bool installed(const std::string& program);

/// The text as one word of a shell command, whatever it holds.
std::string shellQuoted(const std::string& text);

/// What the shell command prints on standard output; nothing when it fails.
std::optional<std::string> commandOutput(const std::string& command);

} // namespace varnelo::test
