#pragma once

#include "library/command_line.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnelo {

/// A library caller's settings: the converter's long options with their
/// values, kept in the order given, so that they read as that command line
/// would and say what it says of a value refused.
class LibrarySettings {
public:
    /// Sets an option (a value option given no value goes back to its
    /// default); the refusal's words when the option, its value, or the
    /// settings with it cannot be, which leaves the settings as they were.
    /// A missing phrase is not refused here: it may be set next.
    std::optional<std::string> set(std::string_view name, const char* value);

    /// The command line of the settings for one picture, with the output
    /// path when there is one, whose extension then names the format
    /// unless a format is set.
    ParsedCommandLine parsed(const std::optional<std::string>& outputPath = std::nullopt) const;

    /// Whether a format is set.
    bool formatSet() const;

private:
    struct Given {
        std::string name;
        std::optional<std::string> value;
    };
    std::vector<Given> given_;
};

} // namespace varnelo
