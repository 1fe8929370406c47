#include "writers/glyph_shapes.h"

#include "engine/codepages.h"
#include "writers/cell_font.h"
#include "writers/font_files.h"

#include <algorithm>
#include <array>
#include <memory>
#include <mutex>
#include <unordered_set>

namespace varnelo {

namespace {

// Large enough that a stroke spans several pixels of a grid part.
constexpr int kRenderedCellHeight = 64;
constexpr int kGridSide = 8;
// A part is ink when its ink covers at least this much of it, out of 255:
// a thin stroke through the middle of a part still marks it.
constexpr std::uint32_t kInkedPart = 80;

// The shape of a candidate, its face's byte, drawn as text.
// The shape of a candidate drawn as text by drawing in the cell of font.
GlyphShape shapeOf(const CellFont& font, const CellFont& drawing, const ByteString& text,
                   int cellWidth, std::vector<std::uint8_t>& mask) {
    const int cellHeight = font.textHeight();
    std::fill(mask.begin(), mask.end(), std::uint8_t{0});
    drawing.render(text, 0, font.ascent(), mask.data(), cellWidth, cellHeight);

    GlyphShape shape;
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
            shape.coverage[static_cast<std::size_t>(row * kGridSide + column)] =
                static_cast<std::uint8_t>(std::min<std::uint64_t>(sum / area, 255));
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
    const CodePage codePage = codePageOfFace(face);
    // Documents draw each character at its own width: the cell a glyph's
    // shape is laid over is its own advance (every character's the same in
    // a monospaced face).
    // A character given again is drawn once: its shape is the same.
    std::vector<GlyphShape> shapes;
    std::unordered_set<char32_t> drawn;
    std::vector<std::uint8_t> mask;
    std::unique_ptr<CellFont> fallback;
    for (std::size_t index = 0; index < candidates.size();) {
        const std::size_t start = index;
        const char32_t character = nextUtf8(candidates, index);
        if (!drawn.insert(character).second)
            continue;
        const ByteString text = candidates.substr(start, index - start);
        // The blank is a glyph of no ink in any face. A character the face
        // lacks is drawn as readers draw it: in the font fontconfig falls
        // back to, in the face's cell. One fallback draws a whole class
        // (braille): it is asked again before fontconfig is.
        const CellFont* drawing = &font;
        if (character != U' ' && !font.draws(character)) {
            if (fallback == nullptr || !fallback->draws(character)) {
                const std::string family =
                    findFontFileDrawing(font.family(), kRenderedCellHeight, character).family;
                if (family.empty() || family == font.family())
                    continue;
                fallback =
                    std::make_unique<CellFont>(utf8ToWindows1252(family), kRenderedCellHeight);
                if (!fallback->draws(character))
                    continue;
            }
            drawing = fallback.get();
        }
        const int cellWidth =
            std::max(font.textWidth(drawing != &font ? ByteString(" ") : text), 1);
        mask.resize(static_cast<std::size_t>(cellWidth) *
                    static_cast<std::size_t>(std::max(font.textHeight(), 1)));
        GlyphShape shape = shapeOf(font, *drawing, text, cellWidth, mask);
        shape.character = character;
        if (drawing != &font)
            shape.advance = static_cast<std::uint16_t>(std::clamp<std::int64_t>(
                (std::int64_t{drawing->textWidth(text)} * 1000 + cellWidth / 2) / cellWidth, 1,
                65535));
        shape.byte = static_cast<char>(fromUnicode(codePage, character).value_or('?'));
        shapes.push_back(shape);
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
