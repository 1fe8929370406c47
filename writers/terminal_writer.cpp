#include "writers/terminal_writer.h"

#include "engine/codepages.h"
#include "engine/terminal_palette.h"

#include <charconv>

namespace varnelo {

namespace {

void appendNumber(ByteString& text, unsigned value) {
    char digits[4];
    const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    text.append(digits, static_cast<std::size_t>(end - digits));
}

bool isControl(char32_t character) {
    return character < 0x20 || (character >= 0x7F && character < 0xA0);
}

} // namespace

void appendTerminalText(ByteString& line, std::string_view text, CharacterFragments& fragments) {
    // Printable ASCII stands as it is; a character beyond it is looked at
    // once a writer.
    for (std::size_t index = 0; index < text.size();) {
        const auto byte = static_cast<std::uint8_t>(text[index]);
        if (byte < 0x80) {
            line += byte < 0x20 || byte == 0x7F ? ' ' : static_cast<char>(byte);
            ++index;
            continue;
        }
        line += fragments
                    .next(text, index,
                          [](char32_t character) {
                              CharacterFragment fragment;
                              ByteString shown;
                              appendUtf8(shown, isControl(character) ? U' ' : character);
                              fragment.append(shown);
                              return fragment;
                          })
                    .view();
    }
}

std::uint32_t terminalColorCode(TerminalColors colors, Rgb color) {
    switch (colors) {
    case TerminalColors::Truecolor:
        return color;
    case TerminalColors::Palette256:
        return static_cast<std::uint32_t>(nearestXterm256(color));
    case TerminalColors::Palette16:
        return static_cast<std::uint32_t>(nearestXterm16(color));
    case TerminalColors::None:
        break;
    }
    return 0;
}

void appendColorSequence(ByteString& text, TerminalColors colors, std::uint32_t code,
                         bool background) {
    text += "\x1b[";
    switch (colors) {
    case TerminalColors::Truecolor:
        text += background ? "48;2;" : "38;2;";
        appendNumber(text, redOf(code));
        text += ';';
        appendNumber(text, greenOf(code));
        text += ';';
        appendNumber(text, blueOf(code));
        break;
    case TerminalColors::Palette256:
        text += background ? "48;5;" : "38;5;";
        appendNumber(text, code);
        break;
    case TerminalColors::Palette16: {
        const unsigned index = code;
        const unsigned base = index < 8 ? (background ? 40 : 30) : (background ? 100 : 90);
        appendNumber(text, base + index % 8);
        break;
    }
    case TerminalColors::None:
        break;
    }
    text += 'm';
}

OutputStart TerminalWriter::beginOutput(const ConversionSettings& settings, int /*width*/,
                                        int /*height*/) {
    colors_ = settings.outputFormat == OutputFormat::PlainText ? TerminalColors::None
                                                               : settings.terminalColors;
    fill_ = settings.fillCells;
    background_.clear();
    if (colors_ != TerminalColors::None)
        appendColorSequence(background_, colors_,
                            terminalColorCode(colors_, settings.backgroundColor), true);
    return OutputStart::proceed();
}

void TerminalWriter::beginLine(int /*y*/) {
    line_ = background_;
    lineHasColor_ = false;
}

void TerminalWriter::putPixel(int /*x*/, int /*y*/, const ByteString& text, CellColors colors,
                              bool newRun) {
    // Neighbours of different colours often share their palette entry: one
    // sequence then serves them all.
    if (newRun && colors_ != TerminalColors::None) {
        const std::uint32_t code = terminalColorCode(colors_, colors.color);
        if (fill_) {
            // The pixel's colour behind, the ink in front.
            const std::uint32_t ink = terminalColorCode(colors_, colors.ink);
            if (!lineHasColor_ || code != lineColor_ || ink != lineInk_) {
                appendColorSequence(line_, colors_, ink, false);
                appendColorSequence(line_, colors_, code, true);
            }
            lineInk_ = ink;
        } else if (!lineHasColor_ || code != lineColor_) {
            appendColorSequence(line_, colors_, code, false);
        }
        lineColor_ = code;
        lineHasColor_ = true;
    }
    appendTerminalText(line_, text, fragments_);
}

void TerminalWriter::endLine(int /*y*/) {
    if (colors_ != TerminalColors::None)
        line_ += "\x1b[0m";
    lines_.push_back(line_);
}

} // namespace varnelo
