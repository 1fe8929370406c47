#pragma once

#include "base/color.h"
#include "base/work_bitmap.h"
#include "reading/codecs/tiff_layout.h"

#include <array>
#include <cstdint>
#include <optional>

namespace varnelo {

/// Turns a row of a TIFF's samples into the picture's pixels as libtiff's
/// RGBA reader turns them, the colours as stored and alpha dropped: grey of
/// 1 to 16 bits, RGB of 8 or 16, palettes of 1 to 8 bits and CMYK of 8,
/// and JPEG's YCbCr, which libjpeg turns into RGB. The rows can then be
/// read one at a time; every other kind is left to the RGBA reader.
class TiffSamples {
public:
    /// The samples of the layout, telling libtiff to give JPEG's YCbCr as
    /// RGB; nothing for a kind read otherwise.
    static std::optional<TiffSamples> of(TIFF* tiff, const TiffLayout& layout);

    PixelDepth depth() const;
    /// The planes a row of separate planes is made of, each a sample.
    int planes() const { return planes_; }
    /// Bytes of one plane's row, or of a row of all samples together.
    std::size_t rowBytes(std::uint32_t width, bool onePlane) const;

    /// Writes width pixels of a row whose pixels keep their samples
    /// together (as stored, or as interleave made them) into out.
    void convert(const std::uint8_t* samples, std::uint32_t width, std::uint8_t* out) const;
    /// Puts the first planes() planes of a row of separate planes together,
    /// pixel by pixel, as convert takes them.
    void interleave(const std::uint8_t* const* planes, std::uint32_t width,
                    std::uint8_t* out) const;

private:
    enum class Kind : std::uint8_t { Grey, Colour, Palette, Cmyk };

    std::uint32_t sample(const std::uint8_t* row, std::uint32_t index) const;
    void mapGreys();
    bool readPalette(TIFF* tiff);

    Kind kind_ = Kind::Grey;
    int bits_ = 8;
    int stride_ = 1; ///< samples of a pixel as convert takes them
    int planes_ = 1;
    bool whiteIsZero_ = false;
    std::array<Rgb, 256> palette_{};
    std::array<std::uint8_t, 256> greys_{};
};

} // namespace varnelo
