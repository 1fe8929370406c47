#pragma once

#include "base/byte_string.h"

#include <cstdint>

namespace varnelo {

/// The paper of an RTF document, in twips (1/1440 inch).
struct RtfPage {
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::int64_t margin = 0; ///< on each of the four sides
};

/// The widest and the highest paper both Word (22 inches) and LibreOffice open.
inline constexpr std::int64_t kLargestRtfPaper = 31680;

/// Paper on which every line of the picture fits without wrapping, and
/// all its lines on one page where that fits: at least US Letter, at most
/// kLargestRtfPaper either way. A picture wider than that wraps.
/// widestLine is the widest line's width in twips, as drawn at the font
/// size; each line takes fontSize points (the document's exact spacing).
RtfPage rtfPageFor(std::int64_t widestLine, std::int64_t lineCount, int fontSize);

/// The document controls that set the page: \paperw, \paperh and the margins.
ByteString rtfPageControls(const RtfPage& page);

} // namespace varnelo
