#pragma once

#include "base/work_bitmap.h"
#include "engine/char_source.h"
#include "engine/character_modes.h"
#include "engine/conversion_settings.h"
#include "engine/face_text.h"
#include "engine/output_writer.h"
#include "engine/random_generator.h"
#include "engine/shape_matching.h"

namespace varnelo {

/// Hands the writer row y of the picture, pixel by pixel with its text, as a
/// conversion does: false, with the line left unfinished, as soon as
/// stopped() says so (checked before every pixel). Texts chosen before the
/// lines, when there are any, are the pixels' texts.
template <class Stopped>
bool buildLine(OutputWriter& writer, RandomGenerator& random, const ConversionSettings& settings,
               const WorkBitmap& picture, const ShapeTexts* chosen, int y,
               std::int32_t& phrasePosition, ByteString& text, const Stopped& stopped) {
    writer.beginLine(y);
    const CharacterMode& mode = characterModeOf(settings.transformation);
    // Only the phrase's mode moves through the phrase; in the others the
    // position stays where it starts, at 0.
    const bool throughPhrase = mode.field == ModeField::Phrase;
    const bool chosenInks = chosen != nullptr && !chosen->inks.isEmpty();
    // The modes write in their face's code page; the writers take UTF-8.
    const FaceText* const faceText =
        mode.utf8Texts ? nullptr : &FaceText::of(codePageOfFace(settings.fontFace));
    ByteString utf8;
    CellColors previous = 0;
    for (int x = 0; x < picture.width(); ++x) {
        if (stopped())
            return false;
        if (throughPhrase)
            advancePhrasePosition(settings, phrasePosition);
        const Rgb color = picture.pixelColor(x, y);
        if (chosen != nullptr)
            chosen->textAt(x, y, text);
        else
            mode.pixelText(random, settings, phrasePosition, color, text);
        const CellColors colors = chosenInks ? CellColors{color, chosen->inks.pixelColor(x, y)}
                                  : settings.fillCells ? filledCell(color)
                                                       : CellColors{color};
        writer.putPixel(x, y, faceText != nullptr ? faceText->toUtf8(text, utf8) : text, colors,
                        x == 0 || colors != previous);
        previous = colors;
    }
    writer.endLine(y);
    return true;
}

} // namespace varnelo
