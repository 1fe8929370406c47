#include "engine/char_source.h"

#include "engine/character_modes.h"

namespace varnelo {

void advancePhrasePosition(const ConversionSettings& settings, std::int32_t& phrasePosition) {
    if (characterModeOf(settings.transformation).field == ModeField::Phrase)
        ++phrasePosition;
    if (phrasePosition > static_cast<std::int64_t>(settings.customPhrase.size()))
        phrasePosition = 1;
}

void nextPixelText(RandomGenerator& random, const ConversionSettings& settings,
                   std::int32_t& phrasePosition, ByteString& result, Rgb color) {
    characterModeOf(settings.transformation)
        .pixelText(random, settings, phrasePosition, color, result);
}

std::optional<std::uint32_t> drawsPerPixel(const ConversionSettings& settings) {
    return characterModeOf(settings.transformation).drawsPerPixel(settings);
}

int charactersPerPixel(const ConversionSettings& settings) {
    switch (characterModeOf(settings.transformation).characters) {
    case PixelCharacters::One:
        return 1;
    case PixelCharacters::TwoButOneAtSizeOne:
        return settings.fontSize == 1 ? 1 : 2;
    case PixelCharacters::Two:
        break;
    }
    return 2;
}

std::string conversionFace(PixelTransformation mode, const std::string& chosenFace) {
    const std::string_view own = characterModeOf(mode).ownFace;
    return own.empty() ? chosenFace : std::string(own);
}

void forbiddenCharSubstitution(ByteString& text) {
    for (char& byte : text) {
        if (byte == '}' || byte == '{' || byte == '/' || byte == '\\')
            byte = '|';
    }
}

} // namespace varnelo
