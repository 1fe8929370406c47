#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace varnelo {

/// How wide each byte of a document is drawn, in thousandths of the font
/// size: the advance of the character the byte stands for in the face's
/// code page (a zero byte as the blank it is written as).
using CharacterWidths = std::array<std::uint16_t, 256>;

/// The widths a reader of a document in this face may draw: the wider of
/// the face fontconfig finds for the name and of DejaVu Sans, which readers
/// on Debian draw when the named face is missing (LibreOffice draws Tahoma's
/// lines in it, its digits about a sixth wider). A character that neither
/// has counts a full em.
CharacterWidths documentCharacterWidths(const std::string& face);

/// The advances of the face other programs draw a document's name of a face
/// in (fontconfig's match among the system's fonts): what a reader lays a
/// line out with. 0 for a character that face lacks, and for every one
/// when no font is found.
CharacterWidths documentFaceWidths(const std::string& face);

/// The lines of that face, in thousandths of the font size: above the
/// baseline, below it, and the gap a reader adds between lines of the
/// face's own height ("normal" in CSS). All 0 when no font is found.
struct LineMetrics {
    std::uint16_t ascent = 0;
    std::uint16_t descent = 0;
    std::uint16_t gap = 0;
};
LineMetrics documentFaceLines(const std::string& face);

} // namespace varnelo
