#include "engine/character_modes.h"

#include "engine/char_source.h"
#include "engine/codepages.h"
#include "engine/face_text.h"
#include "engine/random_generator.h"
#include "engine/shape_matching.h"
#include "engine/symbol_matching.h"

#include <array>

namespace varnelo {

namespace {

// The shading blocks of code page 437, from light to full.
constexpr std::array<char, 4> kBlockBytes = {'\xB0', '\xB1', '\xB2', '\xDB'};

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

void binaryText(RandomGenerator& random, const ConversionSettings& settings, std::int32_t&, Rgb,
                ByteString& result) {
    twoDigits(random, 2, settings.fontSize == 1, result);
}

void numbersText(RandomGenerator& random, const ConversionSettings& settings, std::int32_t&, Rgb,
                 ByteString& result) {
    twoDigits(random, 10, settings.fontSize == 1, result);
}

void smallLettersText(RandomGenerator& random, const ConversionSettings& settings, std::int32_t&,
                      Rgb, ByteString& result) {
    twoLetters(random, 'a', settings.fontSize == 1, result);
}

void bigLettersText(RandomGenerator& random, const ConversionSettings& settings, std::int32_t&, Rgb,
                    ByteString& result) {
    twoLetters(random, 'A', settings.fontSize == 1, result);
}

void customText(RandomGenerator&, const ConversionSettings& settings, std::int32_t& phrasePosition,
                Rgb, ByteString& result) {
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

void blocksText(RandomGenerator& random, const ConversionSettings& settings, std::int32_t&, Rgb,
                ByteString& result) {
    const BlockStrength strength = settings.blockStrength;
    if (strength >= 0 && strength < kRandomBlockStrength) {
        const char block = kBlockBytes[static_cast<std::size_t>(strength)];
        result.assign({block, block});
    } else if (strength == kRandomBlockStrength) {
        const char first = kBlockBytes[random.nextBelow(4)];
        const char second = kBlockBytes[random.nextBelow(4)];
        result.assign({first, second});
    }
}

void rangeText(RandomGenerator& random, const ConversionSettings& settings, std::int32_t&, Rgb,
               ByteString& result) {
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

bool darkBackground(const ConversionSettings& settings) {
    return luminanceOf(settings.backgroundColor) < 128;
}

} // namespace

char rampCharacter(const ConversionSettings& settings, Rgb color) {
    const ByteString& ramp = settings.ramp;
    if (ramp.empty())
        return ' ';
    const std::uint32_t bright = luminanceOf(color);
    const std::uint32_t ink = darkBackground(settings) ? bright : 255 - bright;
    const auto last = static_cast<std::uint32_t>(ramp.size() - 1);
    return ramp[(ink * last + 127) / 255];
}

namespace {

void rampText(RandomGenerator&, const ConversionSettings& settings, std::int32_t&, Rgb color,
              ByteString& result) {
    result.assign(1, rampCharacter(settings, color));
    forbiddenCharSubstitution(result);
}

// Without the picture's detail (the texts a conversion draws come from the
// shapes it matched) a cell shows as even: the first candidate.
void shapeText(RandomGenerator&, const ConversionSettings& settings, std::int32_t&, Rgb,
               ByteString& result) {
    result.assign(1, settings.glyphs.empty() ? ' ' : settings.glyphs.front());
}

// Without the picture's detail a cell is one colour: the blank.
void blankSymbol(RandomGenerator&, const ConversionSettings&, std::int32_t&, Rgb,
                 ByteString& result) {
    result.assign(1, ' ');
}

std::optional<std::uint32_t> oneDrawACharacter(const ConversionSettings& settings) {
    return settings.fontSize == 1 ? 1u : 2u;
}

std::optional<std::uint32_t> followsThePhrase(const ConversionSettings&) {
    return std::nullopt;
}

std::optional<std::uint32_t> blockDraws(const ConversionSettings& settings) {
    return settings.blockStrength == kRandomBlockStrength ? 2u : 0u;
}

std::optional<std::uint32_t> twoDraws(const ConversionSettings&) {
    return 2u;
}

using Measure = std::function<void(const ByteString&)>;

void measurePair(const Measure& measure, char first, char second) {
    measure(ByteString{first, second});
}

// Every pair of the bytes from first to last; none when last is below first.
void allPairs(int first, int last, const Measure& measure) {
    for (int one = first; one <= last; ++one)
        for (int other = first; other <= last; ++other)
            measurePair(measure, static_cast<char>(one), static_cast<char>(other));
}

void binaryTexts(const ConversionSettings&, const Measure& measure) {
    measurePair(measure, '1', '1');
    measurePair(measure, '0', '0');
    measurePair(measure, '0', '1');
}

void numberTexts(const ConversionSettings&, const Measure& measure) {
    allPairs('0', '9', measure);
}

void smallLetterTexts(const ConversionSettings&, const Measure& measure) {
    allPairs('a', 'z', measure);
}

void bigLetterTexts(const ConversionSettings&, const Measure& measure) {
    allPairs('A', 'Z', measure);
}

// Each two neighbouring bytes of the phrase, and its last byte before its first.
void phraseTexts(const ConversionSettings& settings, const Measure& measure) {
    const ByteString& phrase = settings.customPhrase;
    for (std::size_t i = 0; i + 1 < phrase.size(); ++i)
        measurePair(measure, phrase[i], phrase[i + 1]);
    if (!phrase.empty())
        measurePair(measure, phrase.back(), phrase.front());
}

void blockTexts(const ConversionSettings& settings, const Measure& measure) {
    const BlockStrength strength = settings.blockStrength;
    if (strength >= 0 && strength < kRandomBlockStrength) {
        const char block = kBlockBytes[static_cast<std::size_t>(strength)];
        measurePair(measure, block, block);
    } else if (strength == kRandomBlockStrength) {
        for (const char block : kBlockBytes)
            measurePair(measure, block, kBlockBytes[0]);
    }
}

void rangeTexts(const ConversionSettings& settings, const Measure& measure) {
    allPairs(settings.rangeFrom & 0xFF, settings.rangeTo & 0xFF, measure);
}

void eachCharacter(const ByteString& characters, const Measure& measure) {
    for (const char character : characters)
        measure(ByteString(1, character));
}

void rampTexts(const ConversionSettings& settings, const Measure& measure) {
    eachCharacter(settings.ramp, measure);
}

void glyphTexts(const ConversionSettings& settings, const Measure& measure) {
    eachCharacter(settings.glyphs, measure);
}

// Symbols of one face share its advance: the blank's is every cell's.
void blankText(const ConversionSettings&, const Measure& measure) {
    measure(ByteString(1, ' '));
}

std::optional<std::uint32_t> noDraws(const ConversionSettings&) {
    return 0u;
}

ByteString glyphsDrawnFromFace(const ConversionSettings& settings) {
    return FaceText::of(codePageOfFace(settings.fontFace)).utf8(settings.glyphs);
}

// The ramp's characters on a background are drawn in the ink their shapes
// leave the colour (showRampInk); filled cells and text take none.
ByteString rampDrawnFromFace(const ConversionSettings& settings) {
    if (settings.fillCells || settings.outputFormat == OutputFormat::PlainText)
        return {};
    return FaceText::of(codePageOfFace(settings.fontFace)).utf8(settings.ramp);
}

constexpr std::array<CharacterMode, 10> kModes = {{
    {PixelTransformation::RandomBinary, "binary", "random binary code (eg. 01101)",
     "random 0 and 1", ModeField::None, PixelCharacters::TwoButOneAtSizeOne, "", oneDrawACharacter,
     binaryTexts, CellWidthChoice::Widest, true, nullptr, false, nullptr, false, binaryText},
    {PixelTransformation::RandomNumbers, "numbers", "random numbers (eg. 02485)", "random digits",
     ModeField::None, PixelCharacters::TwoButOneAtSizeOne, "", oneDrawACharacter, numberTexts,
     CellWidthChoice::Widest, true, nullptr, false, nullptr, false, numbersText},
    {PixelTransformation::RandomSmallLetters, "small", "random small characters (eg. ardhf)",
     "random small letters", ModeField::None, PixelCharacters::TwoButOneAtSizeOne, "",
     oneDrawACharacter, smallLetterTexts, CellWidthChoice::Middle, true, nullptr, false, nullptr,
     false, smallLettersText},
    {PixelTransformation::RandomBigLetters, "big", "random big characters (eg. ARDHF)",
     "random capital letters", ModeField::None, PixelCharacters::TwoButOneAtSizeOne, "",
     oneDrawACharacter, bigLetterTexts, CellWidthChoice::Middle, true, nullptr, false, nullptr,
     false, bigLettersText},
    {PixelTransformation::CustomText, "text", "custom text", "a phrase of your own, see --phrase",
     ModeField::Phrase, PixelCharacters::TwoButOneAtSizeOne, "", followsThePhrase, phraseTexts,
     CellWidthChoice::Widest, false, nullptr, false, nullptr, false, customText},
    {PixelTransformation::TerminalBlocks, "blocks", "\"Terminal\" blocks",
     "terminal shading blocks, see --blocks", ModeField::Blocks, PixelCharacters::Two,
     kTerminalFace, blockDraws, blockTexts, CellWidthChoice::Widest, false, nullptr, false, nullptr,
     false, blocksText},
    // An end byte below the start byte measures nothing: (1 + 100) div 2.
    {PixelTransformation::CustomRange, "range", "custom chars  from",
     "random character codes, see --range", ModeField::Range, PixelCharacters::Two, "", twoDraws,
     rangeTexts, CellWidthChoice::Middle, false, nullptr, false, nullptr, false, rangeText},
    {PixelTransformation::BrightnessRamp, "ramp", "brightness ramp",
     "characters by brightness, see --ramp", ModeField::None, PixelCharacters::One, "", noDraws,
     rampTexts, CellWidthChoice::Widest, false, nullptr, false, rampDrawnFromFace, false, rampText},
    {PixelTransformation::GlyphShapes, "shapes", "glyph shapes",
     "characters whose shapes follow the picture's, see --glyphs", ModeField::None,
     PixelCharacters::One, "", noDraws, glyphTexts, CellWidthChoice::Widest, false, matchShapeCells,
     false, glyphsDrawnFromFace, false, shapeText},
    {PixelTransformation::Symbols, "symbols", "symbols",
     "a symbol and two colours a cell, see --symbols", ModeField::None, PixelCharacters::One, "",
     noDraws, blankText, CellWidthChoice::Widest, true, matchSymbolCells, true,
     symbolsDrawnFromFace, true, blankSymbol},
}};

static_assert([] {
    for (std::size_t i = 0; i < kModes.size(); ++i) {
        if (static_cast<std::size_t>(kModes[i].transformation) != i)
            return false;
    }
    return true;
}());

} // namespace

std::span<const CharacterMode> characterModes() {
    return kModes;
}

const CharacterMode& characterModeOf(PixelTransformation transformation) {
    // The rows stand in the enumeration's order.
    const auto index = static_cast<std::size_t>(transformation);
    return index < kModes.size() ? kModes[index] : kModes.front();
}

const CharacterMode* characterModeNamed(std::string_view name) {
    for (const CharacterMode& mode : kModes) {
        if (mode.name == name)
            return &mode;
    }
    return nullptr;
}

} // namespace varnelo
