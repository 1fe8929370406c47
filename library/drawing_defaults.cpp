#include "library/drawing_defaults.h"

#include "engine/character_modes.h"
#include "engine/codepages.h"
#include "writers/character_cells.h"

#include <utility>

namespace varnelo {

void settleDrawingDefaults(CommandLine& options, bool toTerminal) {
    if (settleAllButTheFace(options, toTerminal))
        options.choices = withSettledFace(std::move(options.choices), options.fontChosen);
}

bool settleAllButTheFace(CommandLine& options, bool toTerminal) {
    ConversionSettings& choices = options.choices;
    if (!options.modeChosen && toTerminal && choices.outputFormat == OutputFormat::AnsiText)
        choices.transformation = kTerminalMode;
    if (!pixelIsACell(choices.transformation))
        return false;
    // Filled cells show a photo far better than characters on a background
    // (bench/recognisability.sh: SSIM of lightness 0.98 against 0.6);
    // text has no colours to fill.
    if (!options.fillChosen && choices.outputFormat != OutputFormat::PlainText)
        choices.fillCells = true;
    // A symbol shows the picture with both its colours, always.
    if (drawsTwoColourSymbols(choices.transformation))
        choices.fillCells = choices.outputFormat != OutputFormat::PlainText;
    return true;
}

ConversionSettings withSettledFace(ConversionSettings choices, bool fontChosen) {
    if (!pixelIsACell(choices.transformation))
        return choices;
    const std::string monospaced = monospacedFace();
    if (!fontChosen)
        choices.fontFace = monospaced;
    return withCharactersOfOneAdvance(std::move(choices), monospaced);
}

} // namespace varnelo
