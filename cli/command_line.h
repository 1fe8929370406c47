#pragma once

#include "engine/conversion_settings.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace varnelo {

/// The choices of one varnelo-convert run. The ones that default to a
/// property of the picture stay empty until each picture is loaded.
struct CommandLine {
    std::vector<std::string> pictures;
    std::optional<std::string> outputPath;
    OutputFormat outputFormat = OutputFormat::PlainHtml;
    ImageFormat imageFormat = ImageFormat::Bmp;
    std::int32_t imageQuality = 80;
    PixelTransformation transformation = PixelTransformation::RandomBinary;
    std::optional<ByteString> phrase; ///< --phrase, already in Windows-1252
    std::optional<std::string> phraseFile;
    BlockStrength blockStrength = 0;
    std::int32_t rangeFrom = 123;
    std::int32_t rangeTo = 255;
    std::int32_t fontSize = 8;
    std::string fontFace = "Tahoma";
    std::optional<Rgb> backgroundColor;
    std::optional<std::int32_t> width;
    std::optional<std::int32_t> height;
    std::optional<ColorDepth> colorDepth;
    std::optional<std::uint32_t> seed;
};

enum class CommandAction : std::uint8_t { Convert, ShowHelp, ShowVersion, UsageError };

struct ParsedCommandLine {
    CommandAction action = CommandAction::UsageError;
    CommandLine options;
    std::string error; ///< why the arguments are refused, for UsageError
};

/// Reads the arguments after the program's name. --help and --version win
/// over whatever follows them; the first fault found is the one reported.
ParsedCommandLine parseCommandLine(const std::vector<std::string>& arguments);

/// The text --help prints.
std::string usageText();

/// The one line --version prints.
inline constexpr const char* kVersionText = "varnelo-convert 0.4";

} // namespace varnelo
