#include "engine/resize_picture.h"
#include "engine/picture_limits.h"
#include "engine/status_sink.h"
#include "engine/work_bitmap.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <span>
#include <unordered_map>
#include <vector>

namespace varnelo {

namespace {

// Weights are fixed point with 16 fraction bits and add up to exactly 1.0
// for every target pixel, so a flat picture stays flat to the last bit.
constexpr std::uint32_t kUnit = 1u << 16;

// The source pixels that make one target pixel along one axis.
struct Taps {
    int first = 0;
    std::vector<std::uint32_t> weights;
};

std::vector<Taps> shrinkTaps(int oldSize, int newSize) {
    // Target pixel i covers [i × scale, (i + 1) × scale) of the source; each
    // source pixel counts with the part of it that lies inside.
    const double scale = static_cast<double>(oldSize) / newSize;
    std::vector<Taps> result(static_cast<std::size_t>(newSize));
    for (int i = 0; i < newSize; ++i) {
        const double low = i * scale;
        const double high = std::min((i + 1) * scale, static_cast<double>(oldSize));
        Taps& taps = result[static_cast<std::size_t>(i)];
        taps.first = std::min(static_cast<int>(low), oldSize - 1);
        const int last = std::clamp(static_cast<int>(std::ceil(high)) - 1, taps.first, oldSize - 1);
        std::uint32_t sum = 0;
        for (int j = taps.first; j <= last; ++j) {
            const double overlap = std::min<double>(j + 1, high) - std::max<double>(j, low);
            const auto weight =
                static_cast<std::uint32_t>(std::lround(std::max(overlap, 0.0) / scale * kUnit));
            taps.weights.push_back(weight);
            sum += weight;
        }
        // Rounding may leave the sum a little off 1.0: the largest weight absorbs it.
        auto largest = std::max_element(taps.weights.begin(), taps.weights.end());
        *largest = *largest + kUnit - sum;
    }
    return result;
}

std::vector<Taps> enlargeTaps(int oldSize, int newSize) {
    // Linear interpolation between the two source pixels around the target
    // pixel's centre.
    const double scale = static_cast<double>(oldSize) / newSize;
    std::vector<Taps> result(static_cast<std::size_t>(newSize));
    for (int i = 0; i < newSize; ++i) {
        const double centre = std::max((i + 0.5) * scale - 0.5, 0.0);
        Taps& taps = result[static_cast<std::size_t>(i)];
        taps.first = std::min(static_cast<int>(centre), oldSize - 1);
        const double fraction = taps.first + 1 < oldSize ? centre - taps.first : 0.0;
        const auto second = static_cast<std::uint32_t>(std::lround(fraction * kUnit));
        taps.weights = {kUnit - second};
        if (second != 0)
            taps.weights.push_back(second);
    }
    return result;
}

std::vector<Taps> axisTaps(int oldSize, int newSize) {
    if (newSize < oldSize)
        return shrinkTaps(oldSize, newSize);
    if (newSize > oldSize)
        return enlargeTaps(oldSize, newSize);
    std::vector<Taps> identity(static_cast<std::size_t>(newSize));
    for (int i = 0; i < newSize; ++i)
        identity[static_cast<std::size_t>(i)] = {i, {kUnit}};
    return identity;
}

// Gives a source row as blue, green, red bytes, pixelStride bytes apart.
class SourceRows {
public:
    explicit SourceRows(const WorkBitmap& picture) : picture_(picture) {
        if (picture.depth() == PixelDepth::Bits24)
            pixelStride_ = 3;
        else if (picture.depth() == PixelDepth::Bits32 || picture.depth() == PixelDepth::Device)
            pixelStride_ = 4;
        else
            converted_.resize(static_cast<std::size_t>(picture.width()) * 3);
    }
    std::size_t pixelStride() const { return pixelStride_; }
    const std::uint8_t* row(int y) {
        if (converted_.empty())
            return picture_.row(y);
        for (int x = 0; x < picture_.width(); ++x) {
            const Rgb color = picture_.pixelColor(x, y);
            std::uint8_t* pixel = converted_.data() + static_cast<std::size_t>(x) * 3;
            pixel[0] = blueOf(color);
            pixel[1] = greenOf(color);
            pixel[2] = redOf(color);
        }
        return converted_.data();
    }

private:
    const WorkBitmap& picture_;
    std::size_t pixelStride_ = 3;
    std::vector<std::uint8_t> converted_;
};

// One source row scaled horizontally: three channels per target pixel, each
// the channel value × 256.
void resampleRow(const std::uint8_t* source, std::size_t pixelStride, std::span<const Taps> taps,
                 std::uint16_t* out) {
    for (const Taps& tap : taps) {
        const std::uint8_t* pixel = source + static_cast<std::size_t>(tap.first) * pixelStride;
        std::uint32_t blue = 0, green = 0, red = 0;
        for (const std::uint32_t weight : tap.weights) {
            blue += weight * pixel[0];
            green += weight * pixel[1];
            red += weight * pixel[2];
            pixel += pixelStride;
        }
        *out++ = static_cast<std::uint16_t>((blue + 128) >> 8);
        *out++ = static_cast<std::uint16_t>((green + 128) >> 8);
        *out++ = static_cast<std::uint16_t>((red + 128) >> 8);
    }
}

// Stores target rows in the picture's own depth.
class TargetWriter {
public:
    explicit TargetWriter(WorkBitmap& target) : target_(target) {}

    void store(int y, std::span<const std::uint8_t> bgr) {
        std::uint8_t* out = target_.row(y);
        const auto width = static_cast<std::size_t>(target_.width());
        switch (target_.depth()) {
        case PixelDepth::Bits24:
            std::copy(bgr.begin(), bgr.end(), out);
            break;
        case PixelDepth::Bits32:
        case PixelDepth::Device:
            for (std::size_t x = 0; x < width; ++x) {
                out[x * 4] = bgr[x * 3];
                out[x * 4 + 1] = bgr[x * 3 + 1];
                out[x * 4 + 2] = bgr[x * 3 + 2];
            }
            break;
        case PixelDepth::Bits15:
        case PixelDepth::Bits16:
            for (std::size_t x = 0; x < width; ++x) {
                const unsigned blue = bgr[x * 3], green = bgr[x * 3 + 1], red = bgr[x * 3 + 2];
                const unsigned word = target_.depth() == PixelDepth::Bits16
                                          ? ((red >> 3) << 11) | ((green >> 2) << 5) | (blue >> 3)
                                          : ((red >> 3) << 10) | ((green >> 3) << 5) | (blue >> 3);
                out[x * 2] = static_cast<std::uint8_t>(word);
                out[x * 2 + 1] = static_cast<std::uint8_t>(word >> 8);
            }
            break;
        case PixelDepth::Bits1:
        case PixelDepth::Bits4:
        case PixelDepth::Bits8:
            for (std::size_t x = 0; x < width; ++x)
                out[x] = nearestEntry(makeRgb(bgr[x * 3 + 2], bgr[x * 3 + 1], bgr[x * 3]));
            break;
        }
    }

private:
    // Averaged colours of an indexed picture fall back onto its own table,
    // as a palette bitmap keeps its palette when it is stretched.
    std::uint8_t nearestEntry(Rgb color) {
        const auto found = nearest_.find(color);
        if (found != nearest_.end())
            return found->second;
        const auto& table = target_.colorTable();
        const int entries = colorTableSize(target_.depth());
        int best = 0;
        int bestDistance = 1 << 30;
        for (int index = 0; index < entries; ++index) {
            const Rgb entry = table[static_cast<std::size_t>(index)];
            const int dr = redOf(color) - redOf(entry);
            const int dg = greenOf(color) - greenOf(entry);
            const int db = blueOf(color) - blueOf(entry);
            const int distance = dr * dr + dg * dg + db * db;
            if (distance < bestDistance) {
                bestDistance = distance;
                best = index;
            }
        }
        const auto index = static_cast<std::uint8_t>(best);
        nearest_.emplace(color, index);
        return index;
    }

    WorkBitmap& target_;
    std::unordered_map<Rgb, std::uint8_t> nearest_;
};

} // namespace

bool resizePicture(WorkBitmap& picture, int newWidth, int newHeight, StatusSink& status) {
    if (newWidth == picture.width() && newHeight == picture.height())
        return true;
    status.showStatus("resizing image...");
    if (newWidth <= 0 || newHeight <= 0 || picture.isEmpty()) {
        picture.clear();
        return true;
    }
    WorkBitmap target;
    if (!target.allocate(newWidth, newHeight, picture.depth())) {
        picture.clear();
        return false;
    }
    target.setColorTable(picture.colorTable());

    const std::vector<Taps> columns = axisTaps(picture.width(), newWidth);
    const std::vector<Taps> rows = axisTaps(picture.height(), newHeight);
    const std::size_t rowValues = static_cast<std::size_t>(newWidth) * 3;

    // Horizontally scaled source rows, kept while target rows still need
    // them; the windows of target rows only ever move down.
    SourceRows source(picture);
    std::deque<std::vector<std::uint16_t>> cache;
    int cacheFirst = 0;
    std::vector<std::uint32_t> sums(rowValues);
    std::vector<std::uint8_t> bgr(rowValues);
    TargetWriter writer(target);

    for (int y = 0; y < newHeight; ++y) {
        const Taps& tap = rows[static_cast<std::size_t>(y)];
        while (!cache.empty() && cacheFirst < tap.first) {
            cache.pop_front();
            ++cacheFirst;
        }
        if (cache.empty())
            cacheFirst = tap.first;
        const int needed = tap.first + static_cast<int>(tap.weights.size());
        while (cacheFirst + static_cast<int>(cache.size()) < needed) {
            const int sourceY = cacheFirst + static_cast<int>(cache.size());
            cache.emplace_back(rowValues);
            resampleRow(source.row(sourceY), source.pixelStride(), columns, cache.back().data());
        }

        std::fill(sums.begin(), sums.end(), 0u);
        for (std::size_t k = 0; k < tap.weights.size(); ++k) {
            const std::uint32_t weight = tap.weights[k];
            const std::uint16_t* values =
                cache[static_cast<std::size_t>(tap.first - cacheFirst) + k].data();
            for (std::size_t i = 0; i < rowValues; ++i)
                sums[i] += weight * values[i];
        }
        for (std::size_t i = 0; i < rowValues; ++i)
            bgr[i] = static_cast<std::uint8_t>((sums[i] + (1u << 23)) >> 24);
        writer.store(y, bgr);
    }
    picture = std::move(target);
    return true;
}

} // namespace varnelo
