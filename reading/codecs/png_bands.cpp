#include "reading/codecs/png_bands.h"

#include "base/picture_limits.h"
#include "reading/codecs/png_chunks.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <thread>
#include <vector>

namespace varnelo {
namespace {

constexpr std::array<std::uint8_t, 8> kSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// Image data goes out in chunks of at most this many bytes.
constexpr std::size_t kChunkBytes = std::size_t{1} << 20;
// Each band's deflate data is kept in blocks of this size, never moved.
constexpr std::size_t kBlockBytes = std::size_t{1} << 20;
// Fewer rows than this per band would lose more to the bands' separate
// dictionaries than the threads gain.
constexpr int kMinBandRows = 64;

struct Band {
    int first = 0;
    int end = 0;
    bool last = false;
    bool ok = false;
    std::vector<std::vector<std::uint8_t>> blocks; // the last one filled up to its size
    uLong adler = 0;
    std::size_t rawBytes = 0;
};

// Runs deflate over what the stream holds, in new blocks as they fill.
bool drain(z_stream& stream, Band& band, int flush) {
    for (;;) {
        if (stream.avail_out == 0) {
            if (!band.blocks.empty())
                band.blocks.back().resize(kBlockBytes);
            band.blocks.emplace_back(kBlockBytes);
            stream.next_out = band.blocks.back().data();
            stream.avail_out = static_cast<uInt>(kBlockBytes);
        }
        const int result = deflate(&stream, flush);
        if (result == Z_STREAM_ERROR)
            return false;
        if (flush == Z_FINISH ? result == Z_STREAM_END
                              : stream.avail_in == 0 && stream.avail_out != 0)
            return true;
    }
}

// Deflates the band's rows, each behind filter byte 0, as raw deflate data
// that ends on a byte boundary (a sync flush), or, for the last band, with
// the final block.
void deflateBand(Band& band, int width, RowFormat format, const RowSource& rowAt, int level) {
    z_stream stream{};
    if (deflateInit2(&stream, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return;
    const auto pixels = static_cast<std::size_t>(width);
    const std::size_t stride = format == RowFormat::Bgrx32 ? 4 : 3;
    std::vector<std::uint8_t> raw(1 + 3 * pixels);
    band.adler = adler32(0, nullptr, 0);
    stream.avail_out = 0;
    bool ok = true;
    for (int y = band.first; y < band.end && ok; ++y) {
        const std::uint8_t* row = rowAt(y);
        if (row == nullptr) {
            ok = false;
            break;
        }
        std::uint8_t* out = raw.data() + 1;
        for (std::size_t x = 0; x < pixels; ++x, row += stride, out += 3) {
            out[0] = row[2];
            out[1] = row[1];
            out[2] = row[0];
        }
        band.adler = adler32(band.adler, raw.data(), static_cast<uInt>(raw.size()));
        band.rawBytes += raw.size();
        stream.next_in = raw.data();
        stream.avail_in = static_cast<uInt>(raw.size());
        ok = drain(stream, band, Z_NO_FLUSH);
    }
    if (ok)
        ok = drain(stream, band, band.last ? Z_FINISH : Z_SYNC_FLUSH);
    if (!band.blocks.empty())
        band.blocks.back().resize(kBlockBytes - stream.avail_out);
    deflateEnd(&stream);
    band.ok = ok;
}

void putBigEndian(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
    bytes.insert(bytes.end(),
                 {static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
                  static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)});
}

class ChunkWriter {
public:
    explicit ChunkWriter(ByteSink& sink) : sink_(sink) {}

    bool write(std::span<const std::uint8_t> bytes) {
        try {
            return sink_.write(bytes);
        } catch (...) {
            return false; // a sink that throws has failed
        }
    }

    bool chunk(std::string_view type, std::span<const std::uint8_t> data) {
        const PngChunkFrame frame = pngChunkFrame(type, data);
        return write(frame.head) && (data.empty() || write(data)) && write(frame.tail);
    }

private:
    ByteSink& sink_;
};

// The image data as IDAT chunks: the zlib header, the bands' deflate data
// one after the other, the Adler-32 of all rows.
bool writeImageData(ChunkWriter& out, const std::vector<Band>& bands, int level) {
    const int flevel = level <= 1 ? 0 : level <= 5 ? 1 : level == 6 ? 2 : 3;
    const unsigned header = 0x7800u | static_cast<unsigned>(flevel << 6);
    std::vector<std::uint8_t> pending = {static_cast<std::uint8_t>(header >> 8),
                                         static_cast<std::uint8_t>(header + 31 - header % 31)};
    uLong adler = bands.front().adler;
    for (std::size_t i = 1; i < bands.size(); ++i)
        adler = adler32_combine(adler, bands[i].adler, static_cast<z_off_t>(bands[i].rawBytes));
    for (const Band& band : bands) {
        for (const std::vector<std::uint8_t>& block : band.blocks) {
            std::span<const std::uint8_t> rest = block;
            while (!rest.empty()) {
                const std::size_t take = std::min(rest.size(), kChunkBytes - pending.size());
                pending.insert(pending.end(), rest.begin(),
                               rest.begin() + static_cast<std::ptrdiff_t>(take));
                rest = rest.subspan(take);
                if (pending.size() == kChunkBytes) {
                    if (!out.chunk("IDAT", pending))
                        return false;
                    pending.clear();
                }
            }
        }
    }
    putBigEndian(pending, static_cast<std::uint32_t>(adler));
    return out.chunk("IDAT", pending);
}

} // namespace

bool writePngInBands(ByteSink& sink, int width, int height, RowFormat format,
                     const RowSource& rowAt, int compressionLevel, int bands) {
    if (!rowAt || !pictureSizeAllowed(width, height))
        return false;
    const int level = std::clamp(compressionLevel, 0, 9);
    const int count = std::clamp(std::min(bands, height / kMinBandRows), 1, 64);
    std::vector<Band> parts(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        Band& band = parts[static_cast<std::size_t>(i)];
        band.first = static_cast<int>(std::int64_t{height} * i / count);
        band.end = static_cast<int>(std::int64_t{height} * (i + 1) / count);
        band.last = i == count - 1;
    }
    {
        std::vector<std::jthread> threads;
        for (std::size_t i = 1; i < parts.size(); ++i) {
            try {
                threads.emplace_back(
                    [&, i] { deflateBand(parts[i], width, format, rowAt, level); });
            } catch (const std::system_error&) {
                deflateBand(parts[i], width, format, rowAt, level); // no thread to be had
            }
        }
        deflateBand(parts.front(), width, format, rowAt, level);
    }
    if (!std::all_of(parts.begin(), parts.end(), [](const Band& band) { return band.ok; }))
        return false;

    ChunkWriter out(sink);
    std::vector<std::uint8_t> header;
    putBigEndian(header, static_cast<std::uint32_t>(width));
    putBigEndian(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(),
                  {8, 2, 0, 0, 0}); // 8-bit RGB, deflate, adaptive filters, no interlace
    return out.write(kSignature) && out.chunk("IHDR", header) &&
           writeImageData(out, parts, level) && out.chunk("IEND", {});
}

} // namespace varnelo
