#include "writers/rtf_writer.h"

#include "base/pass_progress.h"
#include "engine/character_modes.h"
#include "engine/font_family.h"
#include "writers/rtf_page.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <string>

namespace varnelo {

namespace {

// The header line whose shading the background colour sets; the colour
// table goes in front of it.
constexpr std::size_t kFormatLine = 1;

// \'hh: a byte written as two lower-case hexadecimal digits.
std::string hexEscape(std::uint8_t byte) {
    static constexpr char kDigits[] = "0123456789abcdef";
    return {'\\', '\'', kDigits[byte >> 4], kDigits[byte & 15]};
}

} // namespace

ByteEscapes rtfTextEscapes(CodePage codePage) {
    ByteEscapes escapes;
    escapes.replace('\\', "\\\\");
    escapes.replace('{', "\\{");
    escapes.replace('}', "\\}");
    escapes.replace('\0', " ");
    if (codePage == CodePage::Cp437) {
        for (unsigned byte = 0x80; byte <= 0xFF; ++byte) {
            const auto value = static_cast<std::uint8_t>(byte);
            // \u takes a signed 16-bit number; code page 437 stays below 0x8000.
            escapes.replace(value,
                            "\\u" + std::to_string(toUnicode(codePage, value)) + hexEscape(value));
        }
    }
    return escapes;
}

ByteString rtfFontName(std::string_view family) {
    ByteString name;
    for (const char c : family) {
        const auto byte = static_cast<std::uint8_t>(c);
        if (c == '\\' || c == '{' || c == '}' || c == ';' || byte < 0x20)
            name += hexEscape(byte);
        else
            name += c;
    }
    return name;
}

OutputStart RtfWriter::beginOutput(const ConversionSettings& settings, int /*width*/,
                                   int /*height*/) {
    background_ = settings.backgroundColor;
    fill_ = settings.fillCells;
    fontSize_ = settings.fontSize;
    widths_ = widthsOf_(settings.fontFace);
    widestLine_ = 0;
    lineCount_ = 0;
    colors_.clear();
    indexOf_.clear();
    codePage_ = codePageOfFace(settings.fontFace);
    text_ = rtfTextEscapes(codePage_);
    fragments_.clear();
    // LibreOffice draws a run of blanks wider than the face's advance, so a
    // line of a mode whose every character is a cell would be wider where
    // the picture is dark; a figure space is drawn at the advance (a blank
    // for readers without \u).
    if (pixelIsACell(settings.transformation))
        text_.replace(' ', "\\u8199\\'20");
    lines_.push_back("{\\rtf\\ansi\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 " +
                     rtfFontName(fontFamily(settings.fontFace)) + ";}}");
    // Characters drawn closer by a quarter point, but in the modes whose
    // every character is a cell: LibreOffice spaces a run of one colour
    // otherwise than runs of one character each, which would set their
    // lines apart.
    const char* const closer = pixelIsACell(settings.transformation) ? "" : "\\expnd-1";
    // Symbols fill their cells to the face's own line: a block's ink
    // reaches from the line above to the line below.
    std::int64_t lineTwips = 20 * static_cast<std::int64_t>(settings.fontSize);
    if (drawsTwoColourSymbols(settings.transformation)) {
        const LineMetrics faceLines = documentFaceLines(settings.fontFace);
        const std::int64_t perMille = faceLines.ascent + faceLines.descent;
        if (perMille > 0)
            lineTwips = (lineTwips * perMille + 500) / 1000;
    }
    lines_.push_back(";}\\qc\\sl-" + std::to_string(lineTwips) + closer + "\\fs" +
                     std::to_string(2 * static_cast<std::int64_t>(settings.fontSize)));
    return OutputStart::proceed();
}

void RtfWriter::beginLine(int /*y*/) {
    line_.clear();
    lineWidth_ = 0;
}

std::uint32_t RtfWriter::colorIndex(Rgb color) {
    bool isNew = false;
    const std::uint32_t index = indexOf_.indexOf(color, isNew);
    if (isNew)
        colors_.push_back(color);
    return index;
}

void RtfWriter::putPixel(int /*x*/, int /*y*/, const ByteString& text, CellColors colors,
                         bool newRun) {
    if (newRun) {
        char control[48] = "\\cf";
        char* end = std::to_chars(control + 3, control + 16, colorIndex(colors.ink)).ptr;
        if (fill_) {
            // Character shading of no pattern: its background colour alone.
            static constexpr std::string_view kShading = "\\chshdng0\\chcbpat";
            end = std::copy(kShading.begin(), kShading.end(), end);
            end = std::to_chars(end, control + sizeof control - 1, colorIndex(colors.color)).ptr;
        }
        *end++ = ' ';
        line_.append(control, static_cast<std::size_t>(end - control));
    }
    // A pixel's few characters are gathered in a buffer and appended at once:
    // fragments copied whole, the line grown once.
    const std::string_view view = text;
    std::array<char, 256> gathered;
    std::size_t used = 0;
    const auto flush = [&] {
        line_.append(gathered.data(), used);
        used = 0;
    };
    for (std::size_t index = 0; index < view.size();) {
        if (used > gathered.size() - 2 * sizeof(CharacterFragment::bytes))
            flush();
        const auto byte = static_cast<std::uint8_t>(view[index]);
        if (byte < 0x80) {
            const std::string_view escaped = text_.of(byte);
            if (escaped.size() > gathered.size() - used)
                flush();
            if (escaped.size() > gathered.size())
                line_ += escaped;
            else
                used += escaped.copy(gathered.data() + used, escaped.size());
            lineWidth_ += widths_[byte];
            ++index;
            continue;
        }
        const CharacterFragment& fragment = fragments_.next(
            view, index, [this](char32_t character) { return fragmentOf(character); });
        std::memcpy(gathered.data() + used, fragment.bytes.data(), fragment.bytes.size());
        used += fragment.size;
        lineWidth_ += fragment.width;
    }
    flush();
}

CharacterFragment RtfWriter::fragmentOf(char32_t character) const {
    CharacterFragment fragment;
    if (const std::optional<std::uint8_t> byte = fromUnicode(codePage_, character)) {
        ByteString escaped;
        text_.appendByte(escaped, *byte);
        fragment.append(escaped);
        fragment.width = widths_[*byte];
        return fragment;
    }
    // A character the face's code page lacks: \u of its UTF-16 units, each
    // a signed 16-bit number, and "?" for readers without \u.
    const auto unit = [&](std::uint32_t value) {
        char control[16] = "\\u";
        char* end = std::to_chars(control + 2, control + 14, static_cast<std::int16_t>(value)).ptr;
        *end++ = '?';
        fragment.append({control, static_cast<std::size_t>(end - control)});
    };
    if (character >= 0x10000) {
        unit(0xD800 + ((character - 0x10000) >> 10));
        unit(0xDC00 + ((character - 0x10000) & 0x3FF));
    } else {
        unit(character);
    }
    fragment.width = widths_[static_cast<std::uint8_t>('?')];
    return fragment;
}

void RtfWriter::endLine(int /*y*/) {
    line_ += "\\cf0\\par";
    lines_.push_back(line_);
    widestLine_ = std::max(widestLine_, lineWidth_);
    ++lineCount_;
}

WriteOutcome RtfWriter::finishOutput() {
    progress_.showProgress(PassProgress::of(PassStage::RemovingZeros));
    // The background is found among the run colours or becomes the last entry.
    const std::size_t background = colorIndex(background_);
    if (lines_.size() <= kFormatLine)
        return {WriteStatus::Failed, "the document has no header", {}};
    lines_[kFormatLine] += "\\cbpat" + std::to_string(background);
    // The paper, set where the document's formatting starts, after the tables.
    const std::int64_t widestTwips = (widestLine_ * fontSize_ + 49) / 50;
    lines_[kFormatLine].insert(2, rtfPageControls(rtfPageFor(widestTwips, lineCount_, fontSize_)));

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
