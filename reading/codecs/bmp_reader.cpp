#include "reading/codecs/bmp_reader.h"

#include "base/picture_limits.h"
#include "base/work_bitmap.h"
#include "reading/conversion_load.h"
#include "reading/picture_rows.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace varnelo {
namespace {

constexpr std::size_t kFileHeaderSize = 14;

// Compression values of the Windows headers. OS/2 2.x headers give 3 and 4
// other meanings (Huffman 1D, RLE24), which this reader refuses.
constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::uint32_t kBitfields = 3;
constexpr std::uint32_t kAlphaBitfields = 6;

std::uint16_t u16At(FileBytes file, std::size_t at) {
    return static_cast<std::uint16_t>(file[at] | (file[at + 1] << 8));
}

std::uint32_t u32At(FileBytes file, std::size_t at) {
    return std::uint32_t{file[at]} | (std::uint32_t{file[at + 1]} << 8) |
           (std::uint32_t{file[at + 2]} << 16) | (std::uint32_t{file[at + 3]} << 24);
}

struct BmpHeader {
    std::uint32_t pixelOffset = 0;
    std::uint32_t headerSize = 0;
    bool core = false; // 12 bytes: 16-bit sizes, 3-byte colour table entries
    bool os2 = false;  // OS/2 2.x: only uncompressed and RLE are shared with Windows
    std::int64_t width = 0;
    std::int64_t height = 0; // as stored: negative means top-down rows
    int bitsPerPixel = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t colorsUsed = 0;

    std::int64_t rows() const { return height < 0 ? -height : height; }
    bool topDown() const { return height < 0; }
    bool rle() const { return compression == kRle8 || compression == kRle4; }
    bool masked() const { return compression == kBitfields || compression == kAlphaBitfields; }
};

DecodeStatus readHeader(FileBytes file, BmpHeader& header) {
    if (file.size() < 2 || file[0] != 'B' || file[1] != 'M')
        return DecodeStatus::WrongFormat;
    if (file.size() < kFileHeaderSize + 4)
        return DecodeStatus::Truncated;
    header.pixelOffset = u32At(file, 10);
    header.headerSize = u32At(file, kFileHeaderSize);
    const std::uint32_t size = header.headerSize;
    if (size < 12 || (size > 12 && size < 16))
        return DecodeStatus::Corrupt;
    if (size > file.size() - kFileHeaderSize)
        return DecodeStatus::Truncated;

    const FileBytes dib = file.subspan(kFileHeaderSize, size);
    if (size == 12) {
        header.core = true;
        header.width = u16At(dib, 4);
        header.height = u16At(dib, 6);
        header.bitsPerPixel = u16At(dib, 10);
        return DecodeStatus::Ok;
    }
    // Every size from 16 to 64 bytes is an OS/2 2.x header cut after some
    // field, except the three sizes Windows uses.
    header.os2 = size <= 64 && size != 40 && size != 52 && size != 56;
    // The fields a short OS/2 header leaves out read as zero, their default.
    const auto field = [dib](std::size_t at) { return at + 4 <= dib.size() ? u32At(dib, at) : 0; };
    header.width = static_cast<std::int32_t>(field(4));
    header.height = static_cast<std::int32_t>(field(8));
    header.bitsPerPixel = u16At(dib, 14);
    header.compression = field(16);
    header.colorsUsed = field(32);
    return DecodeStatus::Ok;
}

DecodeStatus checkHeader(const BmpHeader& header) {
    // A side of no pixels, or fewer, is no size at all: the file is broken.
    if (header.width <= 0 || header.height == 0)
        return DecodeStatus::Corrupt;
    // In 64 bits, so that the height -2^31 cannot overflow on negation.
    if (!pictureSizeAllowed(header.width, header.rows()))
        return DecodeStatus::TooLarge;
    switch (header.bitsPerPixel) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        break;
    default:
        return DecodeStatus::Unsupported;
    }
    if (header.os2 && header.compression > kRle4)
        return DecodeStatus::Unsupported;
    switch (header.compression) {
    case kRgb:
        return DecodeStatus::Ok;
    case kRle8:
    case kRle4: {
        const int bits = header.compression == kRle8 ? 8 : 4;
        // Compressed bitmaps are bottom-up by definition.
        return header.bitsPerPixel == bits && !header.topDown() ? DecodeStatus::Ok
                                                                : DecodeStatus::Corrupt;
    }
    case kBitfields:
    case kAlphaBitfields:
        return header.bitsPerPixel == 16 || header.bitsPerPixel == 32 ? DecodeStatus::Ok
                                                                      : DecodeStatus::Corrupt;
    default: // JPEG, PNG, the CMYK variants and unknown values
        return DecodeStatus::Unsupported;
    }
}

// One colour channel of a masked pixel, widened or narrowed to 8 bits by
// plain shifting so that a 5-bit 31 reads 248 like the 15-bit depth does.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    explicit Channel(std::uint32_t channelMask) : mask(channelMask) {
        if (mask == 0)
            return;
        shift = std::countr_zero(mask);
        bits = static_cast<int>(std::bit_width(mask >> shift));
    }

    std::uint32_t value(std::uint32_t pixel) const {
        if (bits == 0)
            return 0;
        const std::uint32_t v = (pixel & mask) >> shift;
        return bits >= 8 ? v >> (bits - 8) : v << (8 - bits);
    }
};

struct Masks {
    std::uint32_t red = 0;
    std::uint32_t green = 0;
    std::uint32_t blue = 0;
};

DecodeStatus readMasks(FileBytes file, const BmpHeader& header, std::size_t& afterHeader,
                       Masks& masks) {
    // After a 40-byte header or inside a longer one, the masks start at the same place.
    const std::size_t at = kFileHeaderSize + 40;
    if (header.headerSize == 40) {
        // A plain info header keeps its masks just after it, before any colours.
        const std::size_t maskBytes = header.compression == kAlphaBitfields ? 16 : 12;
        if (file.size() - afterHeader < maskBytes)
            return DecodeStatus::Truncated;
        afterHeader += maskBytes;
    }
    masks = {u32At(file, at), u32At(file, at + 4), u32At(file, at + 8)};
    if ((masks.red | masks.green | masks.blue) == 0)
        return DecodeStatus::Corrupt;
    return DecodeStatus::Ok;
}

// The colour table from the entries the file holds. A table that
// bfOffBits cuts short keeps what fits; the missing entries stay black.
std::array<Rgb, 256> colorTableOf(FileBytes file, const BmpHeader& header, std::size_t tableStart) {
    const std::uint32_t entriesInDepth = std::uint32_t{1} << header.bitsPerPixel;
    std::uint32_t entries =
        header.colorsUsed == 0 ? entriesInDepth : std::min(header.colorsUsed, entriesInDepth);
    const std::size_t entrySize = header.core ? 3 : 4;
    const std::size_t fitting = (header.pixelOffset - tableStart) / entrySize;
    entries = static_cast<std::uint32_t>(std::min<std::size_t>(entries, fitting));

    std::array<Rgb, 256> colors{};
    for (std::uint32_t i = 0; i < entries; ++i) {
        const std::size_t at = tableStart + i * entrySize;
        colors[i] = makeRgb(file[at + 2], file[at + 1], file[at]);
    }
    return colors;
}

enum class RowFormat : std::uint8_t { Copy, Index1, Index4, Rgb555, Masked16, Masked32 };

void convertRow(RowFormat format, const std::uint8_t* src, std::uint8_t* dst, std::size_t width,
                std::size_t rowBytes, const std::array<Channel, 3>& channels) {
    switch (format) {
    case RowFormat::Copy:
        std::memcpy(dst, src, rowBytes);
        return;
    case RowFormat::Index1:
        for (std::size_t x = 0; x < width; ++x)
            dst[x] = static_cast<std::uint8_t>((src[x >> 3] >> (7 - (x & 7))) & 1);
        return;
    case RowFormat::Index4:
        for (std::size_t x = 0; x < width; ++x) {
            const unsigned byte = src[x >> 1];
            dst[x] = static_cast<std::uint8_t>((x & 1) != 0 ? byte & 15 : byte >> 4);
        }
        return;
    case RowFormat::Rgb555:
        // The top bit is unused in files but must be zero in memory.
        std::memcpy(dst, src, rowBytes);
        for (std::size_t x = 1; x < rowBytes; x += 2)
            dst[x] &= 0x7F;
        return;
    case RowFormat::Masked16:
        for (std::size_t x = 0; x < width; ++x) {
            const std::uint32_t pixel = src[2 * x] | (std::uint32_t{src[2 * x + 1]} << 8);
            const std::uint32_t out = ((channels[0].value(pixel) >> 3) << 11) |
                                      ((channels[1].value(pixel) >> 2) << 5) |
                                      (channels[2].value(pixel) >> 3);
            dst[2 * x] = static_cast<std::uint8_t>(out);
            dst[2 * x + 1] = static_cast<std::uint8_t>(out >> 8);
        }
        return;
    case RowFormat::Masked32:
        for (std::size_t x = 0; x < width; ++x) {
            const std::uint8_t* p = src + 4 * x;
            const std::uint32_t pixel = p[0] | (std::uint32_t{p[1]} << 8) |
                                        (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
            std::uint8_t* q = dst + 4 * x;
            q[0] = static_cast<std::uint8_t>(channels[2].value(pixel));
            q[1] = static_cast<std::uint8_t>(channels[1].value(pixel));
            q[2] = static_cast<std::uint8_t>(channels[0].value(pixel));
            q[3] = 0;
        }
        return;
    }
}

RowFormat rowFormatFor(const BmpHeader& header, const Masks& masks) {
    switch (header.bitsPerPixel) {
    case 1:
        return RowFormat::Index1;
    case 4:
        return RowFormat::Index4;
    case 16:
        if (!header.masked())
            return RowFormat::Rgb555;
        // The usual 5-6-5 masks are already the layout in memory.
        return masks.red == 0xF800 && masks.green == 0x07E0 && masks.blue == 0x001F
                   ? RowFormat::Copy
                   : RowFormat::Masked16;
    case 32:
        return !header.masked() ||
                       (masks.red == 0xFF0000 && masks.green == 0xFF00 && masks.blue == 0xFF)
                   ? RowFormat::Copy
                   : RowFormat::Masked32;
    default:
        return RowFormat::Copy;
    }
}

// Rows read between looks at the cancel.
constexpr std::size_t kRowsBetweenCancels = 64;
// Rows are let go in pieces of this size.
constexpr std::size_t kReleaseBytes = std::size_t{16} << 20;

// Converts every row of uncompressed data, top row first, into the row
// rowFor(y) gives, calling rowDone(y) after each; a cancel is seen every
// few rows.
template <class RowFor, class RowDone>
DecodeStatus decodeUncompressed(FileBytes data, const BmpHeader& header, const Masks& masks,
                                PixelDepth depth, DecodeCancel cancel, RowFor rowFor,
                                RowDone rowDone) {
    // The caller has checked that the data holds every row.
    const std::size_t stride = *paddedRowSize(header.width, header.bitsPerPixel);
    const auto rows = static_cast<std::size_t>(header.rows());
    const RowFormat format = rowFormatFor(header, masks);
    const std::array<Channel, 3> channels{Channel(masks.red), Channel(masks.green),
                                          Channel(masks.blue)};
    const auto width = static_cast<std::size_t>(header.width);
    const std::size_t rowBytes = width * static_cast<std::size_t>(bytesPerPixel(depth));
    // The file's rows are as large as the picture's: let go of the ones read,
    // so that the two are never in memory whole at once. Bottom-up files are
    // read from their end.
    std::size_t unreleased = 0;
    for (std::size_t y = 0; y < rows; ++y) {
        if (y % kRowsBetweenCancels == 0 && cancelled(cancel))
            return DecodeStatus::Cancelled;
        const std::size_t fileRow = header.topDown() ? y : rows - 1 - y;
        convertRow(format, data.data() + fileRow * stride, rowFor(y), width, rowBytes, channels);
        rowDone(y);
        unreleased += stride;
        if (unreleased >= kReleaseBytes) {
            const std::size_t from =
                header.topDown() ? (y + 1) * stride - unreleased : fileRow * stride;
            releaseDecodedBytes(data.subspan(from, unreleased));
            unreleased = 0;
        }
    }
    return DecodeStatus::Ok;
}

// Run-length decoding into index bytes. Positions are 64-bit and pixels
// outside the picture are dropped, so neither runs nor deltas can reach
// memory outside a row; pixels the stream skips keep index 0.
class RleDecoder {
public:
    RleDecoder(FileBytes data, bool fourBits, WorkBitmap& picture, DecodeCancel cancel)
        : data_(data), fourBits_(fourBits), picture_(picture), width_(picture.width()),
          height_(picture.height()), cancel_(cancel) {}

    DecodeStatus decode() {
        if (cancelled(cancel_))
            return DecodeStatus::Cancelled;
        while (true) {
            if (left() < 2)
                return streamEnded();
            const unsigned count = data_[at_];
            const unsigned value = data_[at_ + 1];
            at_ += 2;
            if (count > 0) {
                run(count, value);
                continue;
            }
            switch (value) {
            case 0: // end of line
                x_ = 0;
                if (++y_ >= height_)
                    return DecodeStatus::Ok;
                if (y_ % static_cast<std::int64_t>(kRowsBetweenCancels) == 0 && cancelled(cancel_))
                    return DecodeStatus::Cancelled;
                break;
            case 1: // end of bitmap
                return DecodeStatus::Ok;
            case 2: // delta: move right and up
                if (left() < 2)
                    return streamEnded();
                x_ += data_[at_];
                y_ += data_[at_ + 1];
                at_ += 2;
                if (y_ >= height_)
                    return DecodeStatus::Ok;
                break;
            default:
                if (!absoluteRun(value))
                    return streamEnded();
                break;
            }
        }
    }

private:
    std::size_t left() const { return data_.size() - at_; }

    static unsigned nibble(unsigned byte, std::size_t i) {
        return (i & 1) != 0 ? byte & 15 : byte >> 4;
    }

    // Pixels of the current row still inside the picture, of count coming.
    std::size_t visible(unsigned count) const {
        if (x_ >= width_)
            return 0;
        return static_cast<std::size_t>(std::min<std::int64_t>(count, width_ - x_));
    }

    // Only asked for while x lies inside the row.
    std::uint8_t* rowAtX() { return picture_.row(static_cast<int>(height_ - 1 - y_)) + x_; }

    // Only the pixels inside the row are touched, so a hostile stream of runs
    // past the row costs no more than its own length.
    void run(unsigned count, unsigned value) {
        if (const std::size_t shown = visible(count); shown > 0) {
            std::uint8_t* out = rowAtX();
            for (std::size_t i = 0; i < shown; ++i)
                out[i] = static_cast<std::uint8_t>(fourBits_ ? nibble(value, i) : value);
        }
        x_ += count;
    }

    // Literal pixels, padded to a 16-bit boundary. False when the file ends inside them.
    bool absoluteRun(unsigned count) {
        const std::size_t bytes = fourBits_ ? (count + 1) / 2 : count;
        const std::size_t present = std::min(bytes, left());
        // Pixels whose byte the file still holds.
        const std::size_t available =
            fourBits_ ? std::min<std::size_t>(count, 2 * present) : present;
        if (const std::size_t shown = std::min(visible(count), available); shown > 0) {
            const std::uint8_t* literal = data_.data() + at_;
            std::uint8_t* out = rowAtX();
            for (std::size_t i = 0; i < shown; ++i) {
                out[i] =
                    static_cast<std::uint8_t>(fourBits_ ? nibble(literal[i / 2], i) : literal[i]);
            }
        }
        if (present < bytes) {
            x_ += static_cast<std::int64_t>(available);
            return false;
        }
        x_ += count;
        at_ += std::min(bytes + (bytes & 1), left());
        return true;
    }

    // A stream may stop without its end marker once every pixel has been
    // reached; stopping earlier means the file was cut.
    DecodeStatus streamEnded() const {
        return y_ == height_ - 1 && x_ >= width_ ? DecodeStatus::Ok : DecodeStatus::Truncated;
    }

    FileBytes data_;
    bool fourBits_;
    WorkBitmap& picture_;
    std::int64_t width_;
    std::int64_t height_;
    DecodeCancel cancel_;
    std::size_t at_ = 0;
    std::int64_t x_ = 0;
    std::int64_t y_ = 0; // counted from the bottom row
};

PixelDepth depthFor(const BmpHeader& header) {
    switch (header.bitsPerPixel) {
    case 1:
        return PixelDepth::Bits1;
    case 4:
        return PixelDepth::Bits4;
    case 8:
        return PixelDepth::Bits8;
    case 16:
        return header.masked() ? PixelDepth::Bits16 : PixelDepth::Bits15;
    case 24:
        return PixelDepth::Bits24;
    default:
        return PixelDepth::Bits32;
    }
}

DecodeStatus decode(FileBytes file, WorkBitmap& picture, ConversionLoad* conversion,
                    DecodeCancel cancel) {
    BmpHeader header;
    if (const DecodeStatus status = readHeader(file, header); status != DecodeStatus::Ok)
        return status;
    if (const DecodeStatus status = checkHeader(header); status != DecodeStatus::Ok)
        return status;

    std::size_t afterHeader = kFileHeaderSize + header.headerSize;
    Masks masks;
    if (header.masked()) {
        if (const DecodeStatus status = readMasks(file, header, afterHeader, masks);
            status != DecodeStatus::Ok)
            return status;
    }
    if (header.pixelOffset > file.size())
        return DecodeStatus::Truncated;
    if (header.pixelOffset < afterHeader)
        return DecodeStatus::Corrupt;
    const FileBytes data = file.subspan(header.pixelOffset);

    // Uncompressed data is checked before allocating, so a cut file costs nothing.
    if (!header.rle()) {
        const std::size_t stride = *paddedRowSize(header.width, header.bitsPerPixel);
        if (data.size() / stride < static_cast<std::size_t>(header.rows()))
            return DecodeStatus::Truncated;
    }

    const int width = static_cast<int>(header.width);
    const int height = static_cast<int>(header.rows());
    const PixelDepth depth = depthFor(header);
    PictureRows rows(picture, conversion);
    // Run-length data may place its pixels anywhere: it loads whole.
    const std::optional<PictureSize> size =
        header.rle() ? std::nullopt : rows.conversionSize(width, height);
    // The sizes were checked against the limits above.
    if (const DecodeStatus started =
            size ? rows.startStreamed(*size, width, height, depth, {width, height})
                 : rows.startWhole(width, height, depth);
        started != DecodeStatus::Ok)
        return started;
    if (header.bitsPerPixel <= 8)
        rows.setColorTable(colorTableOf(file, header, afterHeader));

    const DecodeStatus status =
        header.rle() ? RleDecoder(data, header.compression == kRle4, picture, cancel).decode()
                     : decodeUncompressed(
                           data, header, masks, depth, cancel,
                           [&](std::size_t y) { return rows.row(static_cast<int>(y)); },
                           [&](std::size_t y) { rows.rowDone(static_cast<int>(y)); });
    return rows.finish(status, cancel);
}

} // namespace

DecodeStatus decodeBmp(FileBytes file, WorkBitmap& picture, ConversionLoad* conversion,
                       DecodeCancel cancel) {
    const DecodeStatus status = decode(file, picture, conversion, cancel);
    if (status != DecodeStatus::Ok)
        picture.clear();
    return status;
}

} // namespace varnelo
