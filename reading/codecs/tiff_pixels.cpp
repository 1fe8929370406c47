#include "reading/codecs/tiff_pixels.h"

#include <algorithm>
#include <cstring>

namespace varnelo {

namespace {

bool wholeBytes(int bits) {
    return bits == 8 || bits == 16;
}

} // namespace

std::optional<TiffSamples> TiffSamples::of(TIFF* tiff, const TiffLayout& layout) {
    TiffSamples samples;
    samples.bits_ = layout.bitsPerSample;
    const int bits = layout.bitsPerSample;
    const bool separate = layout.separatePlanes();
    switch (layout.photometric) {
    case PHOTOMETRIC_MINISBLACK:
    case PHOTOMETRIC_MINISWHITE:
        if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16)
            return std::nullopt;
        samples.kind_ = Kind::Grey;
        samples.whiteIsZero_ = layout.photometric == PHOTOMETRIC_MINISWHITE;
        samples.planes_ = 1;
        samples.mapGreys();
        break;
    case PHOTOMETRIC_RGB:
        if (!wholeBytes(bits) || layout.samplesPerPixel < 3)
            return std::nullopt;
        samples.kind_ = Kind::Colour;
        samples.planes_ = 3;
        break;
    case PHOTOMETRIC_YCBCR:
        // libjpeg turns it into RGB, as the RGBA reader has it do.
        if (layout.compression != COMPRESSION_JPEG || separate || bits != 8 ||
            layout.samplesPerPixel != 3 ||
            TIFFSetField(tiff, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB) == 0)
            return std::nullopt;
        samples.kind_ = Kind::Colour;
        samples.planes_ = 3;
        break;
    case PHOTOMETRIC_PALETTE:
        if (bits > 8 || !samples.readPalette(tiff))
            return std::nullopt;
        samples.kind_ = Kind::Palette;
        samples.planes_ = 1;
        break;
    case PHOTOMETRIC_SEPARATED: {
        std::uint16_t inks = INKSET_CMYK;
        TIFFGetFieldDefaulted(tiff, TIFFTAG_INKSET, &inks);
        if (bits != 8 || layout.samplesPerPixel < 4 || inks != INKSET_CMYK)
            return std::nullopt;
        samples.kind_ = Kind::Cmyk;
        samples.planes_ = 4;
        break;
    }
    default:
        return std::nullopt;
    }
    // Separate planes are put together a byte at a time.
    if (separate && !wholeBytes(bits) && samples.planes_ > 1)
        return std::nullopt;
    samples.stride_ = separate ? samples.planes_ : layout.samplesPerPixel;
    return samples;
}

// The colour map as the RGBA reader takes it: a map of 8-bit values as it
// is, else its high bytes.
bool TiffSamples::readPalette(TIFF* tiff) {
    std::uint16_t* red = nullptr;
    std::uint16_t* green = nullptr;
    std::uint16_t* blue = nullptr;
    if (TIFFGetField(tiff, TIFFTAG_COLORMAP, &red, &green, &blue) == 0)
        return false;
    const std::size_t entries = std::size_t{1} << bits_;
    bool wide = false;
    for (std::size_t i = 0; i < entries; ++i)
        wide = wide || red[i] >= 256 || green[i] >= 256 || blue[i] >= 256;
    const unsigned shift = wide ? 8 : 0;
    for (std::size_t i = 0; i < entries; ++i)
        palette_[i] = makeRgb(std::uint32_t{red[i]} >> shift, std::uint32_t{green[i]} >> shift,
                              std::uint32_t{blue[i]} >> shift);
    return true;
}

// As the RGBA reader maps grey: to 0-255 across the range, 16 bits by
// their high byte.
void TiffSamples::mapGreys() {
    const std::uint32_t range = bits_ == 16 ? 255 : (1U << bits_) - 1;
    for (std::uint32_t value = 0; value <= range; ++value)
        greys_[value] =
            static_cast<std::uint8_t>((whiteIsZero_ ? range - value : value) * 255 / range);
}

PixelDepth TiffSamples::depth() const {
    switch (kind_) {
    case Kind::Grey:
        return PixelDepth::Bits8;
    case Kind::Cmyk:
        return PixelDepth::Bits32;
    case Kind::Colour:
    case Kind::Palette:
        break;
    }
    return PixelDepth::Bits24;
}

std::size_t TiffSamples::rowBytes(std::uint32_t width, bool onePlane) const {
    const std::size_t samples = onePlane ? 1 : static_cast<std::size_t>(stride_);
    return (std::size_t{width} * samples * static_cast<std::size_t>(bits_) + 7) / 8;
}

std::uint32_t TiffSamples::sample(const std::uint8_t* row, std::uint32_t index) const {
    switch (bits_) {
    case 16: {
        std::uint16_t value = 0; // libtiff gives them in the machine's order
        std::memcpy(&value, row + std::size_t{index} * 2, 2);
        return value;
    }
    case 8:
        return row[index];
    default:
        break;
    }
    const std::size_t bit = std::size_t{index} * static_cast<std::size_t>(bits_);
    const int shift = 8 - bits_ - static_cast<int>(bit % 8);
    return (row[bit / 8] >> shift) & ((1U << bits_) - 1);
}

void TiffSamples::convert(const std::uint8_t* samples, std::uint32_t width,
                          std::uint8_t* out) const {
    const auto stride = static_cast<std::uint32_t>(stride_);
    switch (kind_) {
    case Kind::Grey:
        if (bits_ == 8 && stride == 1 && !whiteIsZero_) {
            std::memcpy(out, samples, width);
            return;
        }
        for (std::uint32_t x = 0; x < width; ++x)
            out[x] = greys_[sample(samples, x * stride) >> (bits_ == 16 ? 8 : 0)];
        return;
    case Kind::Colour:
        for (std::uint32_t x = 0; x < width; ++x, out += 3) {
            const std::uint32_t first = x * stride;
            if (bits_ == 8) {
                out[0] = samples[first + 2];
                out[1] = samples[first + 1];
                out[2] = samples[first];
                continue;
            }
            // 16 bits to 8, rounded, as the RGBA reader turns them.
            out[0] = static_cast<std::uint8_t>((sample(samples, first + 2) + 128) / 257);
            out[1] = static_cast<std::uint8_t>((sample(samples, first + 1) + 128) / 257);
            out[2] = static_cast<std::uint8_t>((sample(samples, first) + 128) / 257);
        }
        return;
    case Kind::Palette:
        for (std::uint32_t x = 0; x < width; ++x, out += 3) {
            const Rgb colour = palette_[sample(samples, x * stride)];
            out[0] = blueOf(colour);
            out[1] = greenOf(colour);
            out[2] = redOf(colour);
        }
        return;
    case Kind::Cmyk:
        for (std::uint32_t x = 0; x < width; ++x, out += 4) {
            const std::uint8_t* pixel = samples + std::size_t{x} * stride;
            const std::uint32_t k = 255U - pixel[3];
            out[0] = static_cast<std::uint8_t>(k * (255U - pixel[2]) / 255);
            out[1] = static_cast<std::uint8_t>(k * (255U - pixel[1]) / 255);
            out[2] = static_cast<std::uint8_t>(k * (255U - pixel[0]) / 255);
            out[3] = 0;
        }
        return;
    }
}

void TiffSamples::interleave(const std::uint8_t* const* planes, std::uint32_t width,
                             std::uint8_t* out) const {
    const std::size_t sampleBytes = static_cast<std::size_t>(bits_) / 8;
    for (std::uint32_t x = 0; x < width; ++x) {
        for (int plane = 0; plane < planes_; ++plane) {
            std::memcpy(out, planes[plane] + std::size_t{x} * sampleBytes, sampleBytes);
            out += sampleBytes;
        }
    }
}

} // namespace varnelo
