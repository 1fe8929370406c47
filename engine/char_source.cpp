#include "engine/char_source.h"

#include "engine/random_generator.h"

namespace varnelo {

namespace {

constexpr char kBlockBytes[4] = {'\xB0', '\xB1', '\xB2', '\xDB'};

char digit(std::uint32_t value) {
    return static_cast<char>('0' + value);
}

// Two draws, the second one printed first.
void twoDigits(RandomGenerator& random, std::int32_t base, bool single, ByteString& result) {
    if (single) {
        result.assign(1, digit(random.nextBelow(base)));
        return;
    }
    const char first = digit(random.nextBelow(base));
    const char second = digit(random.nextBelow(base));
    result.resize(2);
    result[0] = second;
    result[1] = first;
}

// Two draws, printed in the order drawn.
void twoLetters(RandomGenerator& random, char base, bool single, ByteString& result) {
    const char first = static_cast<char>(base + static_cast<char>(random.nextBelow(26)));
    if (single) {
        result.assign(1, first);
        return;
    }
    const char second = static_cast<char>(base + static_cast<char>(random.nextBelow(26)));
    result.resize(2);
    result[0] = first;
    result[1] = second;
}

char phraseByte(const ByteString& phrase, std::int32_t position) {
    return phrase[static_cast<std::size_t>(position - 1)];
}

void customText(const ConversionSettings& settings, std::int32_t& phrasePosition,
                ByteString& result) {
    const ByteString& phrase = settings.customPhrase;
    const auto length = static_cast<std::int64_t>(phrase.size());
    if (length == 0) { // refused before a conversion starts; never index an empty phrase
        result.clear();
        return;
    }
    if (phrasePosition < 1 || phrasePosition > length)
        phrasePosition = 1;
    result.assign(1, phraseByte(phrase, phrasePosition));
    if (settings.fontSize == 1)
        return;
    ++phrasePosition;
    if (phrasePosition > length)
        phrasePosition = 1;
    result.push_back(phraseByte(phrase, phrasePosition));
    forbiddenCharSubstitution(result);
}

void terminalBlocks(RandomGenerator& random, BlockStrength strength, ByteString& result) {
    if (strength >= 0 && strength < kRandomBlockStrength) {
        const char block = kBlockBytes[strength];
        result.assign({block, block});
    } else if (strength == kRandomBlockStrength) {
        const char first = kBlockBytes[random.nextBelow(4)];
        const char second = kBlockBytes[random.nextBelow(4)];
        result.assign({first, second});
    }
}

void customRange(RandomGenerator& random, const ConversionSettings& settings, ByteString& result) {
    // The span is a 32-bit difference; an end below the start wraps to a
    // large unsigned span, which spreads the bytes over all 256 values.
    const auto from = static_cast<std::uint32_t>(settings.rangeFrom);
    const auto span =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(settings.rangeTo) - from);
    const char first = static_cast<char>((from + random.nextBelow(span)) & 0xFFu);
    const char second = static_cast<char>((from + random.nextBelow(span)) & 0xFFu);
    result.assign({first, second});
    forbiddenCharSubstitution(result);
}

} // namespace

void advancePhrasePosition(const ConversionSettings& settings, std::int32_t& phrasePosition) {
    if (settings.transformation == PixelTransformation::CustomText)
        ++phrasePosition;
    if (phrasePosition > static_cast<std::int64_t>(settings.customPhrase.size()))
        phrasePosition = 1;
}

void nextPixelText(RandomGenerator& random, const ConversionSettings& settings,
                   std::int32_t& phrasePosition, ByteString& result) {
    const bool single = settings.fontSize == 1;
    switch (settings.transformation) {
    case PixelTransformation::RandomBinary:
        twoDigits(random, 2, single, result);
        break;
    case PixelTransformation::RandomNumbers:
        twoDigits(random, 10, single, result);
        break;
    case PixelTransformation::RandomSmallLetters:
        twoLetters(random, 'a', single, result);
        break;
    case PixelTransformation::RandomBigLetters:
        twoLetters(random, 'A', single, result);
        break;
    case PixelTransformation::CustomText:
        customText(settings, phrasePosition, result);
        break;
    case PixelTransformation::TerminalBlocks:
        terminalBlocks(random, settings.blockStrength, result);
        break;
    case PixelTransformation::CustomRange:
        customRange(random, settings, result);
        break;
    }
}

std::optional<std::uint32_t> drawsPerPixel(const ConversionSettings& settings) {
    switch (settings.transformation) {
    case PixelTransformation::RandomBinary:
    case PixelTransformation::RandomNumbers:
    case PixelTransformation::RandomSmallLetters:
    case PixelTransformation::RandomBigLetters:
        return settings.fontSize == 1 ? 1u : 2u;
    case PixelTransformation::CustomText:
        return std::nullopt;
    case PixelTransformation::TerminalBlocks:
        return settings.blockStrength == kRandomBlockStrength ? 2u : 0u;
    case PixelTransformation::CustomRange:
        return 2u;
    }
    return std::nullopt;
}

int charactersPerPixel(const ConversionSettings& settings) {
    const bool alwaysTwo = settings.transformation == PixelTransformation::TerminalBlocks ||
                           settings.transformation == PixelTransformation::CustomRange;
    return alwaysTwo || settings.fontSize != 1 ? 2 : 1;
}

std::string conversionFace(PixelTransformation mode, const std::string& chosenFace) {
    return mode == PixelTransformation::TerminalBlocks ? std::string(kTerminalFace) : chosenFace;
}

void forbiddenCharSubstitution(ByteString& text) {
    for (char& byte : text) {
        if (byte == '}' || byte == '{' || byte == '/' || byte == '\\')
            byte = '|';
    }
}

} // namespace varnelo
