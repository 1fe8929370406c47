#include "engine/output_formats.h"

#include "engine/output_name.h"

#include <algorithm>
#include <array>
#include <string>

namespace varnelo {

namespace {

constexpr std::array<std::string_view, 1> kOtherHtmlExtensions = {".htm"};
constexpr std::array<std::string_view, 2> kOtherJpgExtensions = {".jpeg", ".jpe"};

constexpr std::array<OutputFormatEntry, 8> kOutputFormats = {{
    {OutputFormat::PlainHtml, ImageFormat::Bmp, "plain-html", ".html", kOtherHtmlExtensions, "HTML",
     OutputKind::Document, WriterKind::Html, std::nullopt},
    {OutputFormat::CssHtml,
     ImageFormat::Bmp,
     "css-html",
     ".html",
     {},
     "",
     OutputKind::Document,
     WriterKind::Html,
     std::nullopt},
    {OutputFormat::Rtf,
     ImageFormat::Bmp,
     "rtf",
     ".rtf",
     {},
     "RTF",
     OutputKind::Document,
     WriterKind::Rtf,
     std::nullopt},
    {OutputFormat::Image,
     ImageFormat::Bmp,
     "bmp",
     ".bmp",
     {},
     "BMP",
     OutputKind::Image,
     WriterKind::Image,
     std::nullopt},
    {OutputFormat::Image, ImageFormat::Jpg, "jpg", ".jpg", kOtherJpgExtensions, "JPG",
     OutputKind::Image, WriterKind::Image, QualityRange{1, 100, 80}},
    // PNG's quality is 10 - the zlib compression level: 1 compresses hardest.
    {OutputFormat::Image,
     ImageFormat::Png,
     "png",
     ".png",
     {},
     "PNG",
     OutputKind::Image,
     WriterKind::Image,
     QualityRange{1, 10, 8}},
    {OutputFormat::AnsiText,
     ImageFormat::Bmp,
     "ansi",
     ".ans",
     {},
     "",
     OutputKind::TerminalText,
     WriterKind::Terminal,
     std::nullopt},
    {OutputFormat::PlainText,
     ImageFormat::Bmp,
     "text",
     ".txt",
     {},
     "",
     OutputKind::TerminalText,
     WriterKind::Terminal,
     std::nullopt},
}};

std::string lowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

} // namespace

std::span<const OutputFormatEntry> outputFormats() {
    return kOutputFormats;
}

const OutputFormatEntry& outputFormatOf(OutputFormat outputFormat, ImageFormat imageFormat) {
    for (const OutputFormatEntry& entry : kOutputFormats) {
        if (entry.outputFormat == outputFormat &&
            (entry.kind != OutputKind::Image || entry.imageFormat == imageFormat))
            return entry;
    }
    return kOutputFormats.front(); // enumerations outside their values
}

const OutputFormatEntry& outputFormatOf(const ConversionSettings& settings) {
    return outputFormatOf(settings.outputFormat, settings.imageFormat);
}

const OutputFormatEntry* outputFormatNamed(std::string_view name) {
    for (const OutputFormatEntry& entry : kOutputFormats) {
        if (entry.name == name)
            return &entry;
    }
    return nullptr;
}

const OutputFormatEntry* outputFormatOfPath(std::string_view path) {
    const std::string extension = lowerAscii(fileExtension(path));
    if (extension.empty())
        return nullptr;
    for (const OutputFormatEntry& entry : kOutputFormats) {
        if (entry.extension == extension ||
            std::find(entry.otherExtensions.begin(), entry.otherExtensions.end(), extension) !=
                entry.otherExtensions.end())
            return &entry;
    }
    return nullptr;
}

} // namespace varnelo
