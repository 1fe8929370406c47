#include "library/library_settings.h"

#include <algorithm>

namespace varnelo {

namespace {

// What the converter takes but a caller of the library has no use for: its
// output goes where the call says, and the library prints nothing.
constexpr std::string_view kNotSettings[] = {"output", "quiet", "help", "version", "list-fonts"};

// The picture the command line needs, never read: the conversion names its own.
constexpr const char* kPlaceholderPicture = "picture";

} // namespace

std::optional<std::string> LibrarySettings::set(std::string_view name, const char* value) {
    const std::optional<bool> takesValue = longOptionTakesValue(name);
    if (!takesValue ||
        std::find(std::begin(kNotSettings), std::end(kNotSettings), name) != std::end(kNotSettings))
        return "unknown setting '" + std::string(name) + "'";
    if (!*takesValue && value != nullptr)
        return "the setting '" + std::string(name) + "' takes no value";

    const std::vector<Given> before = given_;
    std::erase_if(given_, [&](const Given& given) { return given.name == name; });
    if (!*takesValue || value != nullptr)
        given_.push_back({std::string(name),
                          value != nullptr ? std::optional<std::string>(value) : std::nullopt});
    const ParsedCommandLine checked = parsed();
    if (checked.action == CommandAction::UsageError && checked.error != kNoPhraseMessage) {
        given_ = before;
        return checked.error;
    }
    return std::nullopt;
}

ParsedCommandLine LibrarySettings::parsed(const std::optional<std::string>& outputPath) const {
    std::vector<std::string> arguments;
    for (const Given& given : given_)
        arguments.push_back("--" + given.name + (given.value ? "=" + *given.value : ""));
    if (outputPath)
        arguments.push_back("--output=" + *outputPath);
    // Past "--" the placeholder is a picture, whatever it is called.
    arguments.emplace_back("--");
    arguments.emplace_back(kPlaceholderPicture);
    return parseCommandLine(arguments);
}

bool LibrarySettings::formatSet() const {
    return std::any_of(given_.begin(), given_.end(),
                       [](const Given& given) { return given.name == "format"; });
}

} // namespace varnelo
