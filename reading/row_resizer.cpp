#include "reading/row_resizer.h"

#include <algorithm>
#include <cmath>
#include <span>

namespace varnelo {

namespace {

// Weights are fixed point with 16 fraction bits and add up to exactly 1.0
// for every target pixel, so a flat picture stays flat to the last bit.
constexpr std::uint32_t kUnit = 1u << 16;

// The source pixels that make one target pixel along one axis.
using Taps = RowResizer::Taps;
using FlatTaps = RowResizer::FlatTaps;

// extent is the source's size in pixels, the last one possibly partial.
std::vector<Taps> shrinkTaps(int oldSize, int newSize, double extent) {
    // Target pixel i covers [i × scale, (i + 1) × scale) of the source; each
    // source pixel counts with the part of it that lies inside.
    const double scale = extent / newSize;
    std::vector<Taps> result(static_cast<std::size_t>(newSize));
    for (int i = 0; i < newSize; ++i) {
        const double low = i * scale;
        const double high = std::min((i + 1) * scale, extent);
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

std::vector<Taps> axisTaps(int oldSize, int newSize, double extent) {
    if (newSize < oldSize || (extent > 0 && extent < oldSize))
        return shrinkTaps(oldSize, newSize, extent > 0 ? extent : oldSize);
    if (newSize > oldSize)
        return enlargeTaps(oldSize, newSize);
    std::vector<Taps> identity(static_cast<std::size_t>(newSize));
    for (int i = 0; i < newSize; ++i)
        identity[static_cast<std::size_t>(i)] = {i, {kUnit}};
    return identity;
}

// One source row scaled horizontally: three channels per target pixel, each
// the channel value × 256. Every target pixel has Count taps (the flat
// layout pads the shorter ones with zero weights), so the loops unroll.
template <int Count, std::size_t Stride>
void resampleFlat(const std::uint8_t* source, const FlatTaps& taps, std::uint16_t* out) {
    const std::uint32_t* weight = taps.weights.data();
    for (const std::uint32_t first : taps.first) {
        const std::uint8_t* pixel = source + std::size_t{first} * Stride;
        std::uint32_t blue = 0, green = 0, red = 0;
        for (int k = 0; k < Count; ++k, pixel += Stride) {
            blue += weight[k] * pixel[0];
            green += weight[k] * pixel[1];
            red += weight[k] * pixel[2];
        }
        weight += Count;
        *out++ = static_cast<std::uint16_t>((blue + 128) >> 8);
        *out++ = static_cast<std::uint16_t>((green + 128) >> 8);
        *out++ = static_cast<std::uint16_t>((red + 128) >> 8);
    }
}

void resampleAny(const std::uint8_t* source, std::size_t pixelStride, const FlatTaps& taps,
                 std::uint16_t* out) {
    const std::uint32_t* weight = taps.weights.data();
    for (const std::uint32_t first : taps.first) {
        const std::uint8_t* pixel = source + std::size_t{first} * pixelStride;
        std::uint32_t blue = 0, green = 0, red = 0;
        for (int k = 0; k < taps.count; ++k, pixel += pixelStride) {
            blue += weight[k] * pixel[0];
            green += weight[k] * pixel[1];
            red += weight[k] * pixel[2];
        }
        weight += taps.count;
        *out++ = static_cast<std::uint16_t>((blue + 128) >> 8);
        *out++ = static_cast<std::uint16_t>((green + 128) >> 8);
        *out++ = static_cast<std::uint16_t>((red + 128) >> 8);
    }
}

template <std::size_t Stride>
bool resampleUnrolled(const std::uint8_t* source, const FlatTaps& taps, std::uint16_t* out) {
    switch (taps.count) {
    case 1:
        resampleFlat<1, Stride>(source, taps, out);
        return true;
    case 2:
        resampleFlat<2, Stride>(source, taps, out);
        return true;
    case 3:
        resampleFlat<3, Stride>(source, taps, out);
        return true;
    case 4:
        resampleFlat<4, Stride>(source, taps, out);
        return true;
    default:
        return false;
    }
}

void resampleRow(const std::uint8_t* source, std::size_t pixelStride, const FlatTaps& taps,
                 std::uint16_t* out) {
    if (pixelStride == 3 && resampleUnrolled<3>(source, taps, out))
        return;
    if (pixelStride == 4 && resampleUnrolled<4>(source, taps, out))
        return;
    resampleAny(source, pixelStride, taps, out);
}

// The taps as one array, each target pixel's window as wide as the widest;
// a window that would pass the row's end starts earlier instead, its
// weights shifted along.
FlatTaps flatten(const std::vector<Taps>& taps, int sourceWidth) {
    FlatTaps flat;
    for (const Taps& tap : taps)
        flat.count = std::max(flat.count, static_cast<int>(tap.weights.size()));
    flat.first.reserve(taps.size());
    flat.weights.assign(taps.size() * static_cast<std::size_t>(flat.count), 0);
    std::uint32_t* weights = flat.weights.data();
    for (const Taps& tap : taps) {
        const int first = std::max(std::min(tap.first, sourceWidth - flat.count), 0);
        flat.first.push_back(static_cast<std::uint32_t>(first));
        std::copy(tap.weights.begin(), tap.weights.end(), weights + (tap.first - first));
        weights += flat.count;
    }
    return flat;
}

} // namespace

RowResizer::RowResizer(int sourceWidth, int sourceHeight, WorkBitmap& target, SourceExtent extent,
                       TargetRows rows)
    : sourceWidth_(sourceWidth), sourceHeight_(sourceHeight), target_(target),
      columns_(flatten(axisTaps(sourceWidth, target.width(), extent.width), sourceWidth)),
      rows_(axisTaps(sourceHeight, target.height(), extent.height)),
      rowValues_(static_cast<std::size_t>(target.width()) * 3),
      nextTarget_(std::clamp(rows.first, 0, target.height())),
      endTarget_(rows.end > 0 ? std::clamp(rows.end, nextTarget_, target.height())
                              : target.height()),
      sums_(rowValues_), bgr_(rowValues_) {
    // Rows above the band's first are none of its own.
    if (nextTarget_ < endTarget_)
        nextSource_ = cacheFirst_ = rows_[static_cast<std::size_t>(nextTarget_)].first;
}

RowResizer::~RowResizer() = default;

bool RowResizer::done() const {
    return nextTarget_ >= endTarget_;
}

void RowResizer::push(const std::uint8_t* row, std::size_t pixelStride) {
    if (done() || nextSource_ >= sourceHeight_)
        return;
    const int y = nextSource_++;
    // Rows above the next target row's window are no longer needed.
    const int needFrom = rows_[static_cast<std::size_t>(nextTarget_)].first;
    while (!cache_.empty() && cacheFirst_ < needFrom) {
        spare_.push_back(std::move(cache_.front()));
        cache_.pop_front();
        ++cacheFirst_;
    }
    if (cache_.empty())
        cacheFirst_ = y;
    if (y < needFrom) {
        cacheFirst_ = y + 1;
        return;
    }
    if (spare_.empty()) {
        cache_.emplace_back(rowValues_);
    } else {
        cache_.push_back(std::move(spare_.back()));
        spare_.pop_back();
    }
    resampleRow(row, pixelStride, columns_, cache_.back().data());
    writeReadyRows();
}

void RowResizer::pushRowOf(const WorkBitmap& picture, int y) {
    switch (picture.depth()) {
    case PixelDepth::Bits24:
        push(picture.row(y), 3);
        return;
    case PixelDepth::Bits32:
    case PixelDepth::Device:
        push(picture.row(y), 4);
        return;
    default:
        break;
    }
    converted_.resize(static_cast<std::size_t>(picture.width()) * 3);
    std::uint8_t* pixel = converted_.data();
    if (colorTableSize(picture.depth()) > 0) {
        // One index byte a pixel, whatever the table's size.
        const std::array<Rgb, 256>& table = picture.colorTable();
        const std::uint8_t* index = picture.row(y);
        for (int x = 0; x < picture.width(); ++x, pixel += 3) {
            const Rgb color = table[index[x]];
            pixel[0] = blueOf(color);
            pixel[1] = greenOf(color);
            pixel[2] = redOf(color);
        }
        push(converted_.data(), 3);
        return;
    }
    for (int x = 0; x < picture.width(); ++x, pixel += 3) {
        const Rgb color = picture.pixelColor(x, y);
        pixel[0] = blueOf(color);
        pixel[1] = greenOf(color);
        pixel[2] = redOf(color);
    }
    push(converted_.data(), 3);
}

void RowResizer::writeReadyRows() {
    while (!done()) {
        const Taps& tap = rows_[static_cast<std::size_t>(nextTarget_)];
        const int needed = tap.first + static_cast<int>(tap.weights.size());
        if (cacheFirst_ + static_cast<int>(cache_.size()) < needed || cacheFirst_ > tap.first)
            return;
        std::fill(sums_.begin(), sums_.end(), 0u);
        for (std::size_t k = 0; k < tap.weights.size(); ++k) {
            const std::uint32_t weight = tap.weights[k];
            const std::uint16_t* values =
                cache_[static_cast<std::size_t>(tap.first - cacheFirst_) + k].data();
            for (std::size_t i = 0; i < rowValues_; ++i)
                sums_[i] += weight * values[i];
        }
        // Through plain pointers: bytes written through the vector may alias
        // anything, which would have every pass reload its pointers.
        const std::uint32_t* sums = sums_.data();
        std::uint8_t* bgr = bgr_.data();
        for (std::size_t i = 0; i < rowValues_; ++i)
            bgr[i] = static_cast<std::uint8_t>((sums[i] + (1u << 23)) >> 24);
        store(nextTarget_++);
    }
}

// Stores a target row in the target's own depth.
void RowResizer::store(int y) {
    const std::span<const std::uint8_t> bgr = bgr_;
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

// Averaged colours of an indexed picture fall back onto its own table, as a
// palette bitmap keeps its palette when it is stretched.
std::uint8_t RowResizer::nearestEntry(Rgb color) {
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

} // namespace varnelo
