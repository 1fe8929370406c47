#include "writers/glyph_shapes.h"

#include "engine/face_text.h"
#include "writers/cell_font.h"

#include <algorithm>
#include <array>
#include <mutex>

namespace varnelo {

namespace {

// Large enough that a stroke spans several pixels of a grid part.
constexpr int kRenderedCellHeight = 64;
constexpr int kGridSide = 8;
// A part is ink when its ink covers at least this much of it, out of 255:
// a thin stroke through the middle of a part still marks it.
constexpr std::uint32_t kInkedPart = 80;

// The shape of a candidate, its face's byte, drawn as text.
GlyphShape shapeOf(const CellFont& font, char byte, const ByteString& text, int cellWidth,
                   std::vector<std::uint8_t>& mask) {
    const int cellHeight = font.textHeight();
    std::fill(mask.begin(), mask.end(), std::uint8_t{0});
    font.render(text, 0, font.ascent(), mask.data(), cellWidth, cellHeight);

    GlyphShape shape;
    shape.byte = byte;
    std::uint64_t total = 0;
    for (int row = 0; row < kGridSide; ++row) {
        const int top = row * cellHeight / kGridSide;
        const int bottom = (row + 1) * cellHeight / kGridSide;
        for (int column = 0; column < kGridSide; ++column) {
            const int start = column * cellWidth / kGridSide;
            const int end = (column + 1) * cellWidth / kGridSide;
            std::uint64_t sum = 0;
            for (int y = top; y < bottom; ++y)
                for (int x = start; x < end; ++x)
                    sum += mask[static_cast<std::size_t>(y * cellWidth + x)];
            total += sum;
            const auto area =
                static_cast<std::uint64_t>(std::max((bottom - top) * (end - start), 1));
            if (sum >= kInkedPart * area)
                shape.mask |= std::uint64_t{1} << (row * kGridSide + column);
        }
    }
    const auto cellArea =
        static_cast<std::uint64_t>(cellWidth) * static_cast<std::uint64_t>(cellHeight);
    shape.density = static_cast<std::uint8_t>(std::min<std::uint64_t>(total / cellArea, 255));
    return shape;
}

std::vector<GlyphShape> renderShapes(const std::string& face, const ByteString& candidates) {
    const CellFont font(face, kRenderedCellHeight);
    if (font.family().empty() || candidates.empty())
        return {};
    // The candidates are the face's bytes; the font takes UTF-8.
    const FaceText& faceText = FaceText::of(codePageOfFace(face));
    // Documents draw each character at its own width: the cell a glyph's
    // shape is laid over is its own advance (every character's the same in
    // a monospaced face).
    // A character given again is drawn once: its shape is the same.
    std::vector<GlyphShape> shapes;
    std::array<bool, 256> drawn{};
    std::vector<std::uint8_t> mask;
    for (const char byte : candidates) {
        bool& done = drawn[static_cast<unsigned char>(byte)];
        if (done)
            continue;
        done = true;
        ByteString utf8;
        const ByteString text = faceText.toUtf8(ByteString(1, byte), utf8);
        const int cellWidth = std::max(font.textWidth(text), 1);
        mask.resize(static_cast<std::size_t>(cellWidth) *
                    static_cast<std::size_t>(std::max(font.textHeight(), 1)));
        shapes.push_back(shapeOf(font, byte, text, cellWidth, mask));
    }
    return shapes;
}

} // namespace

std::vector<GlyphShape> glyphShapesOf(const std::string& face, const ByteString& candidates) {
    static std::mutex mutex;
    static std::string lastFace;
    static ByteString lastCandidates;
    static std::vector<GlyphShape> lastShapes;
    const std::lock_guard lock(mutex);
    if (lastShapes.empty() || face != lastFace || candidates != lastCandidates) {
        lastShapes = renderShapes(face, candidates);
        lastFace = face;
        lastCandidates = candidates;
    }
    return lastShapes;
}

} // namespace varnelo
