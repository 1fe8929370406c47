#include "writers/encoders/bmp_writer.h"

#include "base/picture_limits.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <vector>

namespace varnelo {
namespace {

constexpr std::size_t kHeadersSize = 14 + 40;
// Rows are gathered into writes of about this size: few enough writes for a
// slow sink, and far less memory than a 5079 × 5079 picture.
constexpr std::size_t kBatchBytes = 256 * 1024;
// 72 dots per inch, the resolution viewers assume anyway.
constexpr std::uint32_t kPixelsPerMetre = 2835;

void put16(std::uint8_t*& out, std::uint32_t value) {
    out[0] = static_cast<std::uint8_t>(value);
    out[1] = static_cast<std::uint8_t>(value >> 8);
    out += 2;
}

void put32(std::uint8_t*& out, std::uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

std::array<std::uint8_t, kHeadersSize> makeHeaders(int width, int height, int bitsPerPixel,
                                                   std::uint32_t imageSize) {
    std::array<std::uint8_t, kHeadersSize> headers{};
    std::uint8_t* out = headers.data();
    *out++ = 'B';
    *out++ = 'M';
    put32(out, static_cast<std::uint32_t>(kHeadersSize) + imageSize);
    put32(out, 0); // two reserved words
    put32(out, static_cast<std::uint32_t>(kHeadersSize));
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(width));
    put32(out, static_cast<std::uint32_t>(height)); // positive: rows stored bottom-up
    put16(out, 1);                                  // planes
    put16(out, static_cast<std::uint32_t>(bitsPerPixel));
    put32(out, 0); // uncompressed
    put32(out, imageSize);
    put32(out, kPixelsPerMetre);
    put32(out, kPixelsPerMetre);
    put32(out, 0); // no colour table
    put32(out, 0);
    return headers;
}

} // namespace

bool writeBmp(ByteSink& sink, int width, int height, RowFormat format, const RowSource& rowAt) {
    if (!rowAt || !pictureSizeAllowed(width, height))
        return false;
    const int bitsPerPixel = format == RowFormat::Bgr24 ? 24 : 32;
    const auto stride = paddedRowSize(width, bitsPerPixel);
    if (!stride)
        return false;
    const std::uint64_t imageSize = std::uint64_t{*stride} * static_cast<std::uint64_t>(height);
    if (imageSize > std::numeric_limits<std::uint32_t>::max() - kHeadersSize)
        return false;

    const auto headers =
        makeHeaders(width, height, bitsPerPixel, static_cast<std::uint32_t>(imageSize));
    if (!sink.write(headers))
        return false;

    const std::size_t rowBytes = static_cast<std::size_t>(width) * (bitsPerPixel == 24 ? 3 : 4);
    const std::size_t rowsPerBatch =
        std::min(std::max<std::size_t>(1, kBatchBytes / *stride), static_cast<std::size_t>(height));
    // Zero-filled once: the padding at the end of each row is never overwritten.
    std::vector<std::uint8_t> batch(rowsPerBatch * *stride);
    int y = height - 1;
    while (y >= 0) {
        std::size_t filled = 0;
        for (std::size_t i = 0; i < rowsPerBatch && y >= 0; ++i, --y) {
            const std::uint8_t* source = rowAt(y);
            if (source == nullptr)
                return false;
            std::uint8_t* row = batch.data() + filled;
            std::memcpy(row, source, rowBytes);
            // The fourth byte of a 32-bit pixel is reserved; whatever the
            // source kept there must not reach readers that take it for alpha.
            if (bitsPerPixel == 32) {
                for (std::size_t x = 3; x < rowBytes; x += 4)
                    row[x] = 0;
            }
            filled += *stride;
        }
        if (!sink.write(std::span<const std::uint8_t>(batch.data(), filled)))
            return false;
    }
    return true;
}

} // namespace varnelo
