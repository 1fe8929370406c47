#pragma once

#include "base/byte_string.h"
#include "base/work_bitmap.h"
#include "engine/cell_matching.h"
#include "engine/conversion_settings.h"
#include "engine/glyph_shape.h"
#include "reading/conversion_load.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <span>
#include <vector>

namespace varnelo {

/// The most samples of the picture the shapes mode reads at once (24 MB in
/// 24 bits): a conversion to more cells than this allows 8 × 8 samples a
/// character reads fewer.
inline constexpr std::int64_t kMaxShapeSamples = std::int64_t{1} << 23;

/// The samples shapes mode reads of the part of the picture one pixel's
/// cell covers, across and down.
PictureSize shapeSamplesPerCell(const ConversionSettings& settings, PictureSize cells);

/// The size a conversion to cells loads its picture at: cells itself, or in
/// shapes mode the picture's detail, shapeSamplesPerCell samples a cell.
PictureSize conversionLoadSize(const ConversionSettings& settings, PictureSize cells);

/// How much coarser than its load size a conversion's picture may be
/// decoded: shapes mode asks for 8 × 8 samples a character but draws as
/// well from half as many each way, which a JPEG decodes far faster.
int loadCoarserBy(const ConversionSettings& settings);

/// The characters a mode chose for a picture's cells before its lines:
/// each pixel's text, row by row, and where the mode chose them too the
/// inks its filled cells are drawn in.
class ShapeTexts {
public:
    void assign(int width, int height, int charactersPerPixel);
    /// Room for one character of UTF-8 a pixel, of one to four bytes.
    void assignUtf8(int width, int height);
    bool empty() const { return bytes_.empty(); }
    /// The inks of filled cells, one pixel each; empty where the cells take
    /// the shade that stands out on their colour.
    WorkBitmap inks;
    /// The text of the pixel at x, y, into text.
    void textAt(int x, int y, ByteString& text) const {
        const std::size_t start = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                                   static_cast<std::size_t>(x)) *
                                  static_cast<std::size_t>(perPixel_);
        const char* const bytes = bytes_.data() + start;
        const auto room = static_cast<std::size_t>(perPixel_);
        // UTF-8 of fewer bytes than the room ends at the first zero byte.
        text.assign(bytes,
                    utf8_ ? static_cast<std::size_t>(std::find(bytes, bytes + room, '\0') - bytes)
                          : room);
    }
    char* pixel(int x, int y) {
        return bytes_.data() + (static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                                static_cast<std::size_t>(x)) *
                                   static_cast<std::size_t>(perPixel_);
    }

private:
    void reset(int width, int height, int bytesPerPixel, bool utf8);

    std::vector<char> bytes_;
    int width_ = 0;
    int perPixel_ = 1;
    bool utf8_ = false;
};

enum class ShapeMatchEnd : std::uint8_t { Done, Cancelled, OutOfMemory, NothingToDraw };

/// Draws the picture with the glyphs: detail is the picture at
/// width × height cells of samples each (as conversionLoadSize gives).
/// Each cell's characters are those glyphs whose shapes best match the
/// part of the picture the cell covers, split between them side by side:
/// where the cell's brightness varies, the parts that stand out from the
/// background against those that do not (the fewest differing of the 8 × 8
/// parts); where it is even, the glyph whose ink covers as much of the cell
/// as the picture's brightness asks, as in the ramp. Filled cells that are
/// not even take the glyph whose two colours, the mean of what its ink
/// covers and the mean of the rest, come closest to the picture under the
/// cell (CellParts). colors becomes the
/// picture of the cells' colours, 24 bits: the mean of the parts that stand
/// out, or with filled cells the mean of what the glyph leaves blank, and
/// then texts.inks the mean of what its ink covers.
ShapeMatchEnd matchShapes(const WorkBitmap& detail, int width, int height,
                          const ConversionSettings& settings, std::span<const GlyphShape> glyphs,
                          WorkBitmap& colors, ShapeTexts& texts,
                          const std::atomic<bool>& cancelRequested);

/// Shapes mode's cells (CharacterMode::matchCells): matchShapes with the glyphs the
/// face draws of the settings' candidates.
ShapeMatchEnd matchShapeCells(const CellMatchInput& input, WorkBitmap& colors, ShapeTexts& texts);

} // namespace varnelo
