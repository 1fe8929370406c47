#include "engine/reduce_depth.h"
#include "base/work_bitmap.h"
#include "engine/fixed_palette.h"

#include <unordered_map>

namespace varnelo {

namespace {

// Photos hold many pixels of few distinct colours once reduced, so the
// nearest-colour search is remembered per colour.
template <std::size_t N>
void mapToPalette(const WorkBitmap& source, WorkBitmap& target, const std::array<Rgb, N>& palette) {
    std::unordered_map<Rgb, std::uint8_t> nearest;
    for (int y = 0; y < source.height(); ++y) {
        std::uint8_t* out = target.row(y);
        for (int x = 0; x < source.width(); ++x) {
            const Rgb color = source.pixelColor(x, y);
            auto found = nearest.find(color);
            if (found == nearest.end())
                found =
                    nearest.emplace(color, static_cast<std::uint8_t>(nearestIndex(palette, color)))
                        .first;
            out[x] = found->second;
        }
    }
}

// Black or white, whichever is nearer; the exact middle goes to white.
void mapToBlackAndWhite(const WorkBitmap& source, WorkBitmap& target) {
    for (int y = 0; y < source.height(); ++y) {
        std::uint8_t* out = target.row(y);
        for (int x = 0; x < source.width(); ++x) {
            const Rgb color = source.pixelColor(x, y);
            const int red = redOf(color);
            const int green = greenOf(color);
            const int blue = blueOf(color);
            const int toBlack = red * red + green * green + blue * blue;
            const int toWhite = (255 - red) * (255 - red) + (255 - green) * (255 - green) +
                                (255 - blue) * (255 - blue);
            out[x] = toWhite <= toBlack ? 1 : 0;
        }
    }
}

void packWords(const WorkBitmap& source, WorkBitmap& target, bool sixBitGreen) {
    for (int y = 0; y < source.height(); ++y) {
        std::uint8_t* out = target.row(y);
        for (int x = 0; x < source.width(); ++x) {
            const Rgb color = source.pixelColor(x, y);
            const unsigned red = redOf(color), green = greenOf(color), blue = blueOf(color);
            const unsigned word = sixBitGreen
                                      ? ((red >> 3) << 11) | ((green >> 2) << 5) | (blue >> 3)
                                      : ((red >> 3) << 10) | ((green >> 3) << 5) | (blue >> 3);
            const auto ux = static_cast<std::size_t>(x);
            out[ux * 2] = static_cast<std::uint8_t>(word);
            out[ux * 2 + 1] = static_cast<std::uint8_t>(word >> 8);
        }
    }
}

void copyDirect(const WorkBitmap& source, WorkBitmap& target) {
    const int bytes = bytesPerPixel(target.depth());
    for (int y = 0; y < source.height(); ++y) {
        std::uint8_t* out = target.row(y);
        for (int x = 0; x < source.width(); ++x) {
            const Rgb color = source.pixelColor(x, y);
            std::uint8_t* pixel =
                out + static_cast<std::size_t>(x) * static_cast<std::size_t>(bytes);
            pixel[0] = blueOf(color);
            pixel[1] = greenOf(color);
            pixel[2] = redOf(color);
        }
    }
}

} // namespace

PixelDepth pixelDepthOf(ColorDepth depth) {
    switch (depth) {
    case ColorDepth::Depth1:
        return PixelDepth::Bits1;
    case ColorDepth::Depth4:
        return PixelDepth::Bits4;
    case ColorDepth::Depth8:
        return PixelDepth::Bits8;
    case ColorDepth::Depth15:
        return PixelDepth::Bits15;
    case ColorDepth::Depth16:
        return PixelDepth::Bits16;
    case ColorDepth::Depth24:
        return PixelDepth::Bits24;
    case ColorDepth::Depth32:
        return PixelDepth::Bits32;
    }
    return PixelDepth::Bits24;
}

ColorDepth colorDepthOf(PixelDepth depth) {
    switch (depth) {
    case PixelDepth::Bits1:
        return ColorDepth::Depth1;
    case PixelDepth::Bits4:
        return ColorDepth::Depth4;
    case PixelDepth::Bits8:
        return ColorDepth::Depth8;
    case PixelDepth::Bits15:
        return ColorDepth::Depth15;
    case PixelDepth::Bits16:
        return ColorDepth::Depth16;
    case PixelDepth::Bits32:
        return ColorDepth::Depth32;
    case PixelDepth::Bits24:
    case PixelDepth::Device:
        break;
    }
    return ColorDepth::Depth24;
}

bool reduceDepth(WorkBitmap& picture, ColorDepth depth) {
    const PixelDepth wanted = pixelDepthOf(depth);
    if (picture.isEmpty() || picture.depth() == wanted)
        return true;
    WorkBitmap reduced;
    if (!reduced.allocate(picture.width(), picture.height(), wanted)) {
        picture.clear();
        return false;
    }
    switch (wanted) {
    case PixelDepth::Bits1:
        reduced.setColorTableEntry(0, makeRgb(0, 0, 0));
        reduced.setColorTableEntry(1, makeRgb(255, 255, 255));
        mapToBlackAndWhite(picture, reduced);
        break;
    case PixelDepth::Bits4:
        reduced.setColorTable(vgaPalette());
        mapToPalette(picture, reduced, vgaPalette());
        break;
    case PixelDepth::Bits8:
        reduced.setColorTable(generalPalette());
        mapToPalette(picture, reduced, generalPalette());
        break;
    case PixelDepth::Bits15:
        packWords(picture, reduced, false);
        break;
    case PixelDepth::Bits16:
        packWords(picture, reduced, true);
        break;
    case PixelDepth::Bits24:
    case PixelDepth::Bits32:
    case PixelDepth::Device:
        copyDirect(picture, reduced);
        break;
    }
    picture = std::move(reduced);
    return true;
}

} // namespace varnelo
