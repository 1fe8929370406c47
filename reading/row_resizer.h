#pragma once

#include "base/work_bitmap.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <unordered_map>
#include <vector>

namespace varnelo {

/// The target rows a resizer writes, first to end: a band of them, so
/// that bands of one target can be resized side by side.
struct TargetRows {
    int first = 0;
    /// One past the last; 0 for every row from first on.
    int end = 0;
};

/// How much of a resizer's source its pixels cover, when the last column or
/// row stands for only part of a pixel (a picture decoded at 1/8 whose
/// sides are no multiple of 8); 0 for whole pixels.
struct SourceExtent {
    double width = 0;
    double height = 0;
};

/// Scales a picture as its rows arrive, top to bottom, into a target of
/// the new size: shrinking averages every source pixel that falls into a
/// target pixel, weighted by how much of it falls there; enlarging
/// interpolates linearly. Only the source rows the next target rows still
/// need are kept, so a decoder can hand its rows over one by one and the
/// picture is never held at its own size. The target keeps its depth and
/// colour table (indexed targets take the nearest colour of their table).
class RowResizer {
public:
    /// target must be allocated at the new size, at least 1 × 1, in the
    /// depth and with the colour table the result keeps.
    RowResizer(int sourceWidth, int sourceHeight, WorkBitmap& target,
               SourceExtent extent = SourceExtent(), TargetRows rows = TargetRows());
    ~RowResizer();
    RowResizer(const RowResizer&) = delete;
    RowResizer& operator=(const RowResizer&) = delete;

    /// Takes the next source row: sourceWidth pixels of blue, green and red
    /// bytes, pixelStride (3 or more) bytes apart.
    void push(const std::uint8_t* row, std::size_t pixelStride);
    /// Takes row y of a picture in any depth as the next source row.
    void pushRowOf(const WorkBitmap& picture, int y);
    /// True once every target row is written.
    bool done() const;
    /// The source row push takes next: the first its target rows need, to
    /// begin with.
    int nextSourceRow() const { return nextSource_; }
    /// The target rows written so far, from the first of its band.
    int rowsWritten() const { return nextTarget_; }
    int sourceWidth() const { return sourceWidth_; }
    int sourceHeight() const { return sourceHeight_; }

    struct Taps {
        int first = 0;
        std::vector<std::uint32_t> weights;
    };
    struct FlatTaps {
        std::vector<std::uint32_t> first;
        std::vector<std::uint32_t> weights; // count a target pixel
        int count = 0;
    };

private:
    void writeReadyRows();
    std::uint8_t nearestEntry(Rgb color);
    void store(int y);

    int sourceWidth_;
    int sourceHeight_;
    WorkBitmap& target_;
    FlatTaps columns_;
    std::vector<Taps> rows_;
    std::size_t rowValues_;
    // Horizontally scaled source rows from cacheFirst_ on, three values per
    // target pixel, each the channel value × 256.
    std::deque<std::vector<std::uint16_t>> cache_;
    std::vector<std::vector<std::uint16_t>> spare_;
    int cacheFirst_ = 0;
    int nextSource_ = 0;
    int nextTarget_ = 0;
    int endTarget_ = 0;
    std::vector<std::uint32_t> sums_;
    std::vector<std::uint8_t> bgr_;
    std::vector<std::uint8_t> converted_;
    std::unordered_map<Rgb, std::uint8_t> nearest_;
};

} // namespace varnelo
