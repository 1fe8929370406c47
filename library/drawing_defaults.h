#pragma once

#include "library/command_line.h"
#include "writers/character_cells.h"

#include <string>

namespace varnelo {

/// The mode drawn on a terminal when --mode is not given: the one that
/// shows a photo best there.
inline constexpr PixelTransformation kTerminalMode = PixelTransformation::Symbols;

/// Settles, once for a run, what the command line leaves to the mode:
/// without --mode, text for a terminal is drawn in kTerminalMode; the
/// modes that draw a pixel as one character fill their cells without
/// --fill or --no-fill, take the monospaced face without --font or for a
/// proportional one, and draw only characters of one advance in the face
/// documents are drawn in, so that their lines align
/// (withCharactersOfOneAdvance).
void settleDrawingDefaults(CommandLine& options, bool toTerminal);

/// The same but the face, which takes fontconfig some milliseconds: true
/// when the mode's face is still to settle (withSettledFace).
bool settleAllButTheFace(CommandLine& options, bool toTerminal);
/// The choices in the face a mode of one character a pixel draws in, and
/// with only characters of one advance in it.
ConversionSettings withSettledFace(ConversionSettings choices, bool fontChosen);

} // namespace varnelo
