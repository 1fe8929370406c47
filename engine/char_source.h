#pragma once

#include "engine/codepages.h"
#include "engine/conversion_settings.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace varnelo {

class RandomGenerator;

/// The face a conversion draws its texts in: blocks mode always uses the
/// Terminal face, whose code page holds the blocks; every other mode the
/// face the user chose.
std::string conversionFace(PixelTransformation mode, const std::string& chosenFace);

/// The caller's step before each pixel: in custom-text mode the phrase
/// position moves on by one; in every mode a position past the phrase's end
/// wraps to 1. The position starts at 0 when a conversion starts and runs on
/// across line ends.
void advancePhrasePosition(const ConversionSettings& settings, std::int32_t& phrasePosition);

/// Writes the text of one pixel of the colour into result: one or two bytes,
/// depending on the character mode and on whether the font size is 1.
/// Two-character custom text advances phrasePosition once more. With a
/// block strength outside 0..4 in block mode, result keeps what it held.
void nextPixelText(RandomGenerator& random, const ConversionSettings& settings,
                   std::int32_t& phrasePosition, ByteString& result, Rgb color = 0);

/// How many draws of the random generator each pixel's text takes, the
/// same for every pixel of a conversion; none in custom-text mode, whose
/// texts follow the phrase position instead.
std::optional<std::uint32_t> drawsPerPixel(const ConversionSettings& settings);

/// How many characters each pixel's text has: two, but one in the modes that
/// give one at font size 1 (the random ones and custom text).
int charactersPerPixel(const ConversionSettings& settings);

/// Replaces "}", "{", "/" and "\" by "|", bytes that two-character custom
/// texts and custom ranges must not produce.
void forbiddenCharSubstitution(ByteString& text);

} // namespace varnelo
