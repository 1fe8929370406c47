#include "writers/rtf_writer.h"

#include "engine/status_sink.h"

#include <charconv>
#include <string>

namespace varnelo {

namespace {

// The header line whose shading the background colour sets; the colour
// table goes in front of it.
constexpr std::size_t kFormatLine = 1;

} // namespace

void appendRtfText(ByteString& line, const ByteString& text) {
    for (const char byte : text) {
        if (byte == '\\' || byte == '{' || byte == '}')
            line += '\\';
        line += byte == '\0' ? ' ' : byte;
    }
}

OutputStart RtfWriter::beginOutput(const ConversionSettings& settings, int /*width*/,
                                   int /*height*/) {
    background_ = settings.backgroundColor;
    colors_.clear();
    indexOf_.clear();
    lines_.push_back("{\\rtf\\ansi\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 " + settings.fontFace +
                     ";}}");
    lines_.push_back(
        ";}\\qc\\sl-" + std::to_string(20 * static_cast<std::int64_t>(settings.fontSize)) +
        "\\expnd-1\\fs" + std::to_string(2 * static_cast<std::int64_t>(settings.fontSize)));
    return OutputStart::proceed();
}

void RtfWriter::beginLine(int /*y*/) {
    line_.clear();
}

std::uint32_t RtfWriter::colorIndex(Rgb color) {
    bool isNew = false;
    const std::uint32_t index = indexOf_.indexOf(color, isNew);
    if (isNew)
        colors_.push_back(color);
    return index;
}

void RtfWriter::putPixel(int /*x*/, int /*y*/, const ByteString& text, Rgb color, bool newRun) {
    if (newRun) {
        char control[16] = "\\cf";
        char* end = std::to_chars(control + 3, control + sizeof control - 1, colorIndex(color)).ptr;
        *end++ = ' ';
        line_.append(control, static_cast<std::size_t>(end - control));
    }
    appendRtfText(line_, text);
}

void RtfWriter::endLine(int /*y*/) {
    line_ += "\\cf0\\par";
    lines_.push_back(line_);
}

WriteOutcome RtfWriter::finishOutput() {
    status_.showStatus("removing leading color zeros...");
    // The background is found among the run colours or becomes the last entry.
    const std::size_t background = colorIndex(background_);
    if (lines_.size() <= kFormatLine)
        return {WriteStatus::Failed, "the document has no header"};
    lines_[kFormatLine] += "\\cbpat" + std::to_string(background);

    ByteString table = "{\\colortbl ";
    for (const Rgb color : colors_) {
        table += ";\\red" + std::to_string(redOf(color));
        table += "\\green" + std::to_string(greenOf(color));
        table += "\\blue" + std::to_string(blueOf(color));
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(kFormatLine), std::move(table));
    lines_.emplace_back("}");
    return {};
}

} // namespace varnelo
