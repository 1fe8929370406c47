#include "writers/rtf_page.h"

#include <algorithm>
#include <string>

namespace varnelo {

namespace {

constexpr std::int64_t kLetterWidth = 12240;
constexpr std::int64_t kLetterHeight = 15840;
constexpr std::int64_t kMargin = 720; // half an inch

} // namespace

RtfPage rtfPageFor(std::int64_t widestLine, std::int64_t lineCount, int fontSize) {
    RtfPage page;
    page.margin = kMargin;
    // A little room for a reader's rounding of each character's advance.
    const std::int64_t lineRoom = widestLine + widestLine / 50 + 20;
    page.width = std::clamp(lineRoom + 2 * kMargin, kLetterWidth, kLargestRtfPaper);
    // One line more than the picture has: the document ends with an empty
    // paragraph after the last line's.
    const std::int64_t lines = (std::max<std::int64_t>(lineCount, 0) + 1) * 20 * fontSize;
    page.height = std::clamp(lines + 2 * kMargin, kLetterHeight, kLargestRtfPaper);
    return page;
}

ByteString rtfPageControls(const RtfPage& page) {
    const std::string margin = std::to_string(page.margin);
    return "\\paperw" + std::to_string(page.width) + "\\paperh" + std::to_string(page.height) +
           "\\margl" + margin + "\\margr" + margin + "\\margt" + margin + "\\margb" + margin;
}

} // namespace varnelo
