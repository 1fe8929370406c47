#pragma once

#include "base/color.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>

namespace varnelo {

/// How a WorkBitmap stores its pixels. The numbers are bits per pixel;
/// Device is the display's own format, which reads like 32 bits.
enum class PixelDepth : std::uint8_t {
    Device = 0,
    Bits1 = 1,
    Bits4 = 4,
    Bits8 = 8,
    Bits15 = 15,
    Bits16 = 16,
    Bits24 = 24,
    Bits32 = 32,
};

/// Bytes one pixel takes in memory. Indexed depths keep one index byte per
/// pixel whatever their bit count: the depth only bounds the colour table.
constexpr int bytesPerPixel(PixelDepth depth) {
    switch (depth) {
    case PixelDepth::Bits1:
    case PixelDepth::Bits4:
    case PixelDepth::Bits8:
        return 1;
    case PixelDepth::Bits15:
    case PixelDepth::Bits16:
        return 2;
    case PixelDepth::Bits24:
        return 3;
    case PixelDepth::Bits32:
    case PixelDepth::Device:
        return 4;
    }
    return 4;
}

/// Entries of the colour table of an indexed depth (2, 16 or 256), else 0.
constexpr int colorTableSize(PixelDepth depth) {
    switch (depth) {
    case PixelDepth::Bits1:
        return 2;
    case PixelDepth::Bits4:
        return 16;
    case PixelDepth::Bits8:
        return 256;
    default:
        return 0;
    }
}

/// The colour table of an 8-bit grey picture: index i is grey level i.
constexpr std::array<Rgb, 256> greyColorTable() {
    std::array<Rgb, 256> greys{};
    for (std::uint32_t i = 0; i < greys.size(); ++i)
        greys[i] = makeRgb(i, i, i);
    return greys;
}

/// The picture in memory. Pixels are addressed from the top-left corner and
/// rows are packed without padding:
///   indexed (1, 4, 8 bits): one colour-table index byte per pixel;
///   15 bits: 16-bit little-endian words 0RRRRRGGGGGBBBBB;
///   16 bits: 16-bit little-endian words RRRRRGGGGGGBBBBB;
///   24 bits: blue, green, red; 32 bits and Device: blue, green, red, unused.
/// The empty picture is 0 × 0; a picture never has one side 0 and the other not.
class WorkBitmap {
public:
    WorkBitmap() = default;
    WorkBitmap(const WorkBitmap& other);
    WorkBitmap& operator=(const WorkBitmap& other);
    WorkBitmap(WorkBitmap&& other) noexcept;
    WorkBitmap& operator=(WorkBitmap&& other) noexcept;
    ~WorkBitmap() = default;

    int width() const { return width_; }
    int height() const { return height_; }
    PixelDepth depth() const { return depth_; }
    bool isEmpty() const { return width_ == 0; }

    /// Makes a picture of the given size and depth with every byte zero
    /// (index 0 or black) and a black colour table. Returns false, leaving the
    /// bitmap empty, when the size is outside the picture limits or the memory
    /// cannot be had. Untouched pages cost no memory until written.
    [[nodiscard]] bool allocate(int width, int height, PixelDepth depth);

    /// Makes the picture empty (0 × 0) and frees its pixels.
    void clear();

    /// A picture that reads other's pixels without owning them, for a
    /// reader on another thread while other is still written or moved: it
    /// holds as long as the pixels do, and never frees them.
    static WorkBitmap viewOf(const WorkBitmap& other);

    /// Changes the size, keeping the picture in the top-left corner; new
    /// pixels are zero. A size of 0 or below in either direction gives the
    /// empty picture. Returns false (picture unchanged) when the new size is
    /// outside the limits.
    [[nodiscard]] bool setSize(int width, int height);

    std::size_t stride() const { return stride_; }
    std::uint8_t* row(int y) { return pixels_.get() + static_cast<std::size_t>(y) * stride_; }
    const std::uint8_t* row(int y) const {
        return pixels_.get() + static_cast<std::size_t>(y) * stride_;
    }

    /// The colour table of the indexed depths; 256 entries whatever the depth,
    /// the ones past the depth's table size black, so any index byte reads safely.
    const std::array<Rgb, 256>& colorTable() const { return colorTable_; }
    void setColorTable(std::span<const Rgb> colors);
    void setColorTableEntry(int index, Rgb color) {
        colorTable_[static_cast<std::size_t>(index & 0xFF)] = color;
    }

    /// The colour of pixel (x, y) as every reader sees it: 15-bit channels
    /// read as v × 8, the 6-bit green of 16 bits as v × 4. (x, y) must lie
    /// inside the picture.
    Rgb pixelColor(int x, int y) const;

private:
    struct FreeDeleter {
        FreeDeleter() noexcept : owns(true) {}
        explicit FreeDeleter(bool owning) noexcept : owns(owning) {}
        bool owns;
        void operator()(std::uint8_t* pointer) const {
            if (owns)
                std::free(pointer);
        }
    };

    std::unique_ptr<std::uint8_t[], FreeDeleter> pixels_;
    int width_ = 0;
    int height_ = 0;
    std::size_t stride_ = 0;
    PixelDepth depth_ = PixelDepth::Bits24;
    std::array<Rgb, 256> colorTable_{};
};

inline Rgb WorkBitmap::pixelColor(int x, int y) const {
    const std::uint8_t* p = row(y);
    const auto ux = static_cast<std::size_t>(x);
    switch (depth_) {
    case PixelDepth::Bits24:
        p += ux * 3;
        return makeRgb(p[2], p[1], p[0]);
    case PixelDepth::Bits32:
    case PixelDepth::Device:
        p += ux * 4;
        return makeRgb(p[2], p[1], p[0]);
    case PixelDepth::Bits1:
    case PixelDepth::Bits4:
    case PixelDepth::Bits8:
        return colorTable_[p[ux]];
    case PixelDepth::Bits15: {
        const unsigned v = p[ux * 2] | (unsigned{p[ux * 2 + 1]} << 8);
        return makeRgb(((v >> 10) & 31) * 8, ((v >> 5) & 31) * 8, (v & 31) * 8);
    }
    case PixelDepth::Bits16: {
        const unsigned v = p[ux * 2] | (unsigned{p[ux * 2 + 1]} << 8);
        return makeRgb(((v >> 11) & 31) * 8, ((v >> 5) & 63) * 4, (v & 31) * 8);
    }
    }
    return 0;
}

} // namespace varnelo
