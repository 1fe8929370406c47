#pragma once

#include "engine/conversion_settings.h"
#include "engine/glyph_shape.h"
#include "engine/two_colour_fit.h"

#include <atomic>
#include <cstdint>

namespace varnelo {

class ArrivingRows;
class WorkBitmap;
class ShapeTexts;
enum class ShapeMatchEnd : std::uint8_t;

/// What a mode that chooses its cells from the picture's detail under them
/// is given: the picture at width × height cells of samples each
/// (conversionLoadSize), the settings, what draws a face's characters, the
/// colours the output shows and the request to stop.
struct CellMatchInput {
    const WorkBitmap& detail;
    int width;
    int height;
    const ConversionSettings& settings;
    const GlyphShaper& shaper;
    ShownColours shown;
    const std::atomic<bool>& cancelRequested;
    /// Where the detail is still being loaded, its rows as they arrive: a
    /// matcher that reads them so waits for them, and reads the detail
    /// there instead (one that does not finds no detail, and the pass then
    /// matches the loaded picture itself); none for a detail loaded whole.
    ArrivingRows* arriving = nullptr;
};

/// The colours the output shows a cell's two as: text's the terminal's
/// own ink and ground, a terminal of few colours its palette's.
ShownColours shownColoursOf(const ConversionSettings& settings);

/// A mode's matcher (CharacterMode::matchCells) chooses each cell's text
/// into texts and its colour into colors (and, filled, its ink into
/// texts.inks); NothingToDraw when no font draws the mode's characters.

} // namespace varnelo
