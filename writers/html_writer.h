#pragma once

#include "engine/codepages.h"
#include "engine/document_lines.h"
#include "engine/output_writer.h"
#include "writers/byte_escapes.h"
#include "writers/character_fragments.h"
#include "writers/line_builder.h"

#include <cstdint>
#include <unordered_set>
#include <vector>

namespace varnelo {

/// Pixel texts in HTML: "<", ">" and "&" become entities and a zero byte a
/// blank, so no pixel text can break the markup, and every byte from 0x80
/// on a reference to the character it stands for in the code page, so the
/// page shows the same characters whatever character set a reader assumes.
/// Made once for each code page.
const ByteEscapes& htmlTextEscapes(CodePage codePage);

/// Writes the pixels as an HTML page: each run of equally coloured pixels
/// of a line is one element, coloured by a font element (plain HTML) or by a
/// class with one style rule per colour (HTML with CSS). A filled cell whose
/// ink a mode chose has a class for its colour and its ink both.
class HtmlWriter final : public OutputWriter {
public:
    explicit HtmlWriter(DocumentLines& lines) : lines_(lines) {}

    bool producesDocumentLines() const override { return true; }
    bool linesAreFinal() const override { return !css_; }
    std::unique_ptr<OutputWriter> lineWriterInto(DocumentLines& lines) const override;
    OutputStart beginOutput(const ConversionSettings& settings, int width, int height) override;
    void beginLine(int y) override;
    void putPixel(int x, int y, const ByteString& text, CellColors colors, bool newRun) override;
    void endLine(int y) override;
    WriteOutcome finishOutput() override;

private:
    void openRun(CellColors colors);
    /// The rule of the class name the run's colours have, once for each.
    void addStyleRule(CellColors colors, const ByteString& name, bool chosenInk);

    DocumentLines& lines_;
    bool css_ = false;
    bool fill_ = false; ///< runs on their pixels' colour, in a contrasting shade
    // The escapes of ASCII in pixel texts, which are UTF-8.
    const ByteEscapes* text_ = &htmlTextEscapes(CodePage::Windows1252);
    LineBuilder line_;
    CharacterFragments fragments_;
    ByteString styleRules_;
    // One bit per 24-bit colour (2 MB): which colours have a style rule.
    // Smaller than any table of a photo's colours, so lookups stay in cache.
    std::vector<std::uint64_t> ruledColors_;
    // The filled cells' pairs of colour and ink that have a style rule,
    // where the ink is not the shade a cell's colour gives.
    std::unordered_set<std::uint64_t> ruledPairs_;
};

/// A Windows-1252 text inside a double-quoted attribute value.
ByteString htmlAttributeValue(std::string_view text);

/// A font family as the value of a CSS font-family inside the style element:
/// as it stands when it is plain words, else a quoted string with escapes.
ByteString cssFontFamily(std::string_view family);

} // namespace varnelo
