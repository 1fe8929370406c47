#pragma once

#include "engine/conversion_settings.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace varnelo {

/// What a format's writer makes: document lines the conversion saves, an
/// image the writer encodes and writes itself, or lines of UTF-8 text for a
/// terminal, which the converter writes to standard output unless told otherwise.
enum class OutputKind : std::uint8_t { Document, Image, TerminalText };

/// The writer that serves a format.
enum class WriterKind : std::uint8_t { Html, Rtf, Image, Terminal };

/// The quality numbers a format accepts, and the one it starts from.
struct QualityRange {
    std::int32_t minimum = 0;
    std::int32_t maximum = 0;
    std::int32_t initial = 0;

    bool contains(std::int64_t quality) const { return quality >= minimum && quality <= maximum; }
    /// The quality written for a setting outside the range: its nearest end.
    std::int32_t clamped(std::int32_t quality) const {
        return quality < minimum ? minimum : quality > maximum ? maximum : quality;
    }
};

/// One output format: everything the window, the converter and the
/// conversion need to know of it.
struct OutputFormatEntry {
    OutputFormat outputFormat;
    /// The image file type; documents keep the settings' image format, unread.
    ImageFormat imageFormat;
    /// Its name on the command line.
    std::string_view name;
    /// The extension of its files, dot included.
    std::string_view extension;
    /// Other extensions that name the format in an output path.
    std::span<const std::string_view> otherExtensions;
    /// Its entry in the save dialog's list of file types, or empty when the
    /// dialog offers it under another format's entry.
    std::string_view dialogLabel;
    OutputKind kind;
    WriterKind writer;
    /// Image formats with a quality setting; others ignore the quality.
    std::optional<QualityRange> quality;
};

/// Every output format, in the order the window and --help list them.
std::span<const OutputFormatEntry> outputFormats();

/// The entry of a format; but for images the image format does not matter.
const OutputFormatEntry& outputFormatOf(OutputFormat outputFormat, ImageFormat imageFormat);
const OutputFormatEntry& outputFormatOf(const ConversionSettings& settings);

/// The format with the given command-line name, or nullptr.
const OutputFormatEntry* outputFormatNamed(std::string_view name);

/// The format an output path's extension names (A-Z folded), or nullptr.
/// The first format with that extension wins, so ".html" is plain HTML.
const OutputFormatEntry* outputFormatOfPath(std::string_view path);

} // namespace varnelo
