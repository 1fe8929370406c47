#pragma once

#include "engine/document_lines.h"
#include "engine/output_writer.h"

#include "engine/codepages.h"
#include "writers/byte_escapes.h"
#include "writers/character_fragments.h"
#include "writers/character_widths.h"
#include "writers/color_index_table.h"

#include <functional>
#include <vector>

namespace varnelo {

class ProgressSink;

/// The widths a reader may draw a face's characters with.
using CharacterWidthsOf = std::function<CharacterWidths(const std::string& face)>;

/// Writes the pixels as an RTF document: one centred paragraph per line, a
/// colour table entry per colour that starts a run, and the background
/// colour as paragraph shading, on paper as wide as the widest line.
class RtfWriter final : public OutputWriter {
public:
    RtfWriter(DocumentLines& lines, ProgressSink& progress,
              CharacterWidthsOf widthsOf = documentCharacterWidths)
        : lines_(lines), progress_(progress), widthsOf_(std::move(widthsOf)) {}

    bool producesDocumentLines() const override { return true; }
    OutputStart beginOutput(const ConversionSettings& settings, int width, int height) override;
    void beginLine(int y) override;
    void putPixel(int x, int y, const ByteString& text, CellColors colors, bool newRun) override;
    void endLine(int y) override;
    WriteOutcome finishOutput() override;

private:
    // A character beyond ASCII: the face's byte where its code page has
    // it, else \\u escapes.
    CharacterFragment fragmentOf(char32_t character) const;
    /// The 1-based index of the colour's table entry, added when new.
    std::uint32_t colorIndex(Rgb color);

    DocumentLines& lines_;
    ProgressSink& progress_;
    CharacterWidthsOf widthsOf_;
    CharacterWidths widths_{};
    int fontSize_ = 0;
    // In thousandths of the font size.
    std::int64_t lineWidth_ = 0;
    std::int64_t widestLine_ = 0;
    std::int64_t lineCount_ = 0;
    Rgb background_ = 0;
    bool fill_ = false; ///< runs shaded with their pixels' colour
    ByteEscapes text_;
    CharacterFragments fragments_;
    CodePage codePage_ = CodePage::Windows1252;
    ByteString line_;
    std::vector<Rgb> colors_;
    ColorIndexTable indexOf_;
};

/// Pixel texts in RTF: "\", "{" and "}" are escaped and a zero byte becomes
/// a blank, so no pixel text can break the document. In code page 437 every
/// byte from 0x80 on is its Unicode character, with the byte itself as the
/// fallback of readers without Unicode; Windows-1252 bytes stay as they are,
/// as the document's ANSI code page declares them.
ByteEscapes rtfTextEscapes(CodePage codePage);

/// A font name in the font table, where ";" would end it and braces and
/// backslashes would end the table.
ByteString rtfFontName(std::string_view family);

} // namespace varnelo
