#pragma once

#include "engine/conversion_settings.h"
#include "writers/character_widths.h"

#include <string>

namespace varnelo {

/// The candidates of one advance in a face: those of the advance most of
/// them share (the first such advance on a tie), in their order. A
/// character the face lacks is dropped. In a document every line of such
/// characters is as wide as every other, whatever the face.
ByteString charactersOfOneAdvance(const CharacterWidths& widths, const ByteString& candidates);

/// The face the modes that draw a pixel as one character take where none
/// is chosen: fontconfig's monospaced face, or DejaVu Sans Mono.
std::string monospacedFace();

/// The settings of a mode that draws a pixel as one character with its
/// characters (ramp's, shapes') kept to one advance of the face readers
/// draw the documents in, so that every line is as wide as every other.
/// A face in which most of them differ (a proportional one, whose blank is
/// narrower than its digits) is left for monospacedFace, as blocks mode
/// leaves any face for Terminal. Other settings as they are.
ConversionSettings withCharactersOfOneAdvance(ConversionSettings settings,
                                              const std::string& monospacedFace);

/// How wide one character cell of a document is drawn for its height (a
/// line): the face's advance against the line of the font size. 0 when the
/// face draws none of the mode's characters.
double documentCellProportion(const ConversionSettings& settings);

} // namespace varnelo
