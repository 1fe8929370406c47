#include "cli/drawing_defaults.h"

#include "engine/character_modes.h"
#include "engine/codepages.h"
#include "writers/character_cells.h"

namespace varnelo {

void settleDrawingDefaults(CommandLine& options, bool toTerminal) {
    ConversionSettings& choices = options.choices;
    if (!options.modeChosen && toTerminal && choices.outputFormat == OutputFormat::AnsiText)
        choices.transformation = kTerminalMode;
    if (!pixelIsACell(choices.transformation))
        return;
    // Filled cells show a photo far better than characters on a background
    // (bench/recognisability.sh: SSIM of lightness 0.98 against 0.6);
    // text has no colours to fill.
    if (!options.fillChosen && choices.outputFormat != OutputFormat::PlainText)
        choices.fillCells = true;
    // A symbol shows the picture with both its colours, always.
    if (drawsTwoColourSymbols(choices.transformation))
        choices.fillCells = choices.outputFormat != OutputFormat::PlainText;
    const std::string monospaced = monospacedFace();
    if (!options.fontChosen)
        choices.fontFace = monospaced;
    choices = withCharactersOfOneAdvance(choices, monospaced);
}

} // namespace varnelo
