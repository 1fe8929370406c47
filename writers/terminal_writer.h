#pragma once

#include "engine/codepages.h"
#include "engine/document_lines.h"
#include "engine/output_writer.h"
#include "writers/byte_escapes.h"
#include "writers/character_fragments.h"

#include <cstdint>

namespace varnelo {

/// Writes the pixels as lines of UTF-8 text for a terminal, each ended by LF:
/// the characters the bytes stand for in the face's code page, each run of a
/// colour started by an SGR sequence in that colour (none for plain text),
/// each line on the background colour and ended by a reset. Control
/// characters are written as blanks, so no pixel text can steer the terminal.
class TerminalWriter final : public OutputWriter {
public:
    explicit TerminalWriter(DocumentLines& lines) : lines_(lines) {}

    bool producesDocumentLines() const override { return true; }
    bool linesAreFinal() const override { return true; }
    std::string_view lineEnd() const override { return "\n"; }
    OutputStart beginOutput(const ConversionSettings& settings, int width, int height) override;
    void beginLine(int y) override;
    void putPixel(int x, int y, const ByteString& text, CellColors colors, bool newRun) override;
    void endLine(int y) override;
    WriteOutcome finishOutput() override { return {}; }

private:
    DocumentLines& lines_;
    TerminalColors colors_ = TerminalColors::None;
    ByteString background_;
    ByteString line_;
    CharacterFragments fragments_;
    std::uint32_t lineColor_ = 0; ///< the code of the line's last sequence
    std::uint32_t lineInk_ = 0;   ///< filled: the code of its characters' colour
    bool lineHasColor_ = false;
    bool fill_ = false; ///< runs on their pixels' colour
};

/// Appends UTF-8 text to a terminal's line, every control character (C0,
/// DEL and C1) a blank, so that no pixel text can move the cursor or set
/// the terminal's state; the characters beyond ASCII met kept in fragments.
void appendTerminalText(ByteString& line, std::string_view text, CharacterFragments& fragments);

/// What stands for the colour in the SGR sequences of the colour mode: the
/// colour itself for 24-bit colours, else its nearest palette entry.
std::uint32_t terminalColorCode(TerminalColors colors, Rgb color);

/// The SGR sequence that sets the foreground (or background) colour of
/// that code.
void appendColorSequence(ByteString& text, TerminalColors colors, std::uint32_t code,
                         bool background);

} // namespace varnelo
