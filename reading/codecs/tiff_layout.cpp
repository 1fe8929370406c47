#include "reading/codecs/tiff_layout.h"

#include "base/picture_limits.h"
#include "reading/codecs/jpeg_work.h"

#include <algorithm>
#include <array>

namespace varnelo {

namespace {

// The most bytes of samples a compression makes of one byte of its data.
// A file whose strips hold less than their samples divided by this cannot
// hold its picture; it is refused before anything is allocated for it.
struct Expansion {
    std::uint16_t compression;
    std::int64_t samplesPerByte;
};

constexpr std::array<Expansion, 9> kExpansions = {{
    {COMPRESSION_NONE, 1},
    {COMPRESSION_PACKBITS, 64},        // two bytes repeat one 128 times
    {COMPRESSION_LZW, 4096},           // a table of 4096 strings of up to 4096 bytes
    {COMPRESSION_ADOBE_DEFLATE, 1040}, // deflate: at most 258 bytes for 2 bits
    {COMPRESSION_DEFLATE, 1040},
    {COMPRESSION_PIXARLOG, 1040 * 4}, // deflate, of samples stored in fewer bytes
    {COMPRESSION_LZMA, 1 << 14},
    {COMPRESSION_ZSTD, 1 << 16}, // a block of 128 KB of one byte in four
    {COMPRESSION_SGILOG, 256},
}};

// What the fax compressions take at least: a bit a row of black and white.
bool isFax(std::uint16_t compression) {
    return compression == COMPRESSION_CCITTRLE || compression == COMPRESSION_CCITTFAX3 ||
           compression == COMPRESSION_CCITTFAX4 || compression == COMPRESSION_CCITTRLEW;
}

constexpr std::int64_t kMaxHeldBytes = std::int64_t{1} << 40;

bool isJpeg(std::uint16_t compression) {
    return compression == COMPRESSION_JPEG || compression == COMPRESSION_OJPEG;
}

// A tile may reach past the picture to a multiple of 16, or be of a
// common size larger than a small picture.
bool tileSideFits(std::uint32_t tile, std::uint32_t side) {
    constexpr std::uint32_t kCommonTile = 4096;
    return tile >= 1 &&
           tile <= std::max<std::uint64_t>((std::uint64_t{side} + 15) / 16 * 16, kCommonTile);
}

// The bytes of samples of the whole page, as libtiff sizes its pieces.
std::int64_t sampleBytes(TIFF* tiff, const TiffLayout& layout) {
    if (layout.tiled)
        return static_cast<std::int64_t>(layout.pieces) *
               static_cast<std::int64_t>(TIFFTileSize64(tiff));
    const std::uint32_t rows = std::min(layout.pieceHeight, layout.height);
    const std::uint32_t full = layout.height / rows;
    const std::uint32_t rest = layout.height % rows;
    const std::int64_t planes = layout.separatePlanes() ? layout.samplesPerPixel : 1;
    return planes * (full * static_cast<std::int64_t>(TIFFVStripSize64(tiff, rows)) +
                     (rest > 0 ? static_cast<std::int64_t>(TIFFVStripSize64(tiff, rest)) : 0));
}

// Each JPEG strip or tile as the JPEG decoder would take it; the memory of
// the largest one of several scans.
DecodeStatus checkJpegPieces(TIFF* tiff, const TiffLayout& layout, FileBytes file, TiffCost& cost) {
    const int channels = layout.separatePlanes() ? 1 : layout.samplesPerPixel;
    std::int64_t pixelScans = 0;
    const auto check = [&](FileBytes stream, std::int64_t width, std::int64_t height) {
        const JpegWork work = jpegWorkOf(stream, width, height, channels);
        if (const DecodeStatus status =
                checkJpegWork(work, static_cast<std::int64_t>(stream.size()));
            status != DecodeStatus::Ok)
            return status;
        if (work.scans > 1)
            pixelScans += work.width * work.height * work.scans;
        cost.jpegCoefficientBytes = std::max(cost.jpegCoefficientBytes, jpegCoefficientBytes(work));
        // Every scan of every piece walks its part of the picture again.
        return pixelScans > kMaxJpegPixelScans ? DecodeStatus::TooCostly : DecodeStatus::Ok;
    };
    // An old-style JPEG may keep the whole stream apart from its strips.
    std::uint64_t streamAt = 0;
    std::uint64_t streamLength = 0;
    if (layout.compression == COMPRESSION_OJPEG &&
        TIFFGetField(tiff, TIFFTAG_JPEGIFOFFSET, &streamAt) != 0 &&
        TIFFGetField(tiff, TIFFTAG_JPEGIFBYTECOUNT, &streamLength) != 0 && streamAt < file.size()) {
        const std::uint64_t length = std::min<std::uint64_t>(streamLength, file.size() - streamAt);
        if (const DecodeStatus status =
                check(file.subspan(streamAt, length), layout.width, layout.height);
            status != DecodeStatus::Ok)
            return status;
    }
    for (std::uint32_t piece = 0; piece < layout.pieces; ++piece) {
        const std::uint64_t at = TIFFGetStrileOffset(tiff, piece);
        const std::uint64_t length = TIFFGetStrileByteCount(tiff, piece);
        if (const DecodeStatus status = check(file.subspan(at, length), layout.pieceWidth,
                                              std::min(layout.pieceHeight, layout.height));
            status != DecodeStatus::Ok)
            return status;
    }
    return DecodeStatus::Ok;
}

} // namespace

TiffLayout tiffLayoutOf(TIFF* tiff) {
    TiffLayout layout;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &layout.width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &layout.height);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &layout.bitsPerSample);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &layout.samplesPerPixel);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &layout.planar);
    TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &layout.photometric);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &layout.compression);
    layout.tiled = TIFFIsTiled(tiff) != 0;
    if (layout.tiled) {
        TIFFGetField(tiff, TIFFTAG_TILEWIDTH, &layout.pieceWidth);
        TIFFGetField(tiff, TIFFTAG_TILELENGTH, &layout.pieceHeight);
        layout.pieces = TIFFNumberOfTiles(tiff);
    } else {
        layout.pieceWidth = layout.width;
        layout.pieceHeight = layout.height;
        TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &layout.pieceHeight);
        layout.pieceHeight = std::max<std::uint32_t>(layout.pieceHeight, 1);
        layout.pieces = TIFFNumberOfStrips(tiff);
    }
    return layout;
}

DecodeStatus checkTiffClaims(TIFF* tiff, const TiffLayout& layout, FileBytes file, TiffCost& cost) {
    if (layout.tiled && (!tileSideFits(layout.pieceWidth, layout.width) ||
                         !tileSideFits(layout.pieceHeight, layout.height)))
        return DecodeStatus::Corrupt;
    if (layout.pieces == 0)
        return DecodeStatus::Corrupt;
    std::int64_t held = 0;
    for (std::uint32_t piece = 0; piece < layout.pieces; ++piece) {
        const std::uint64_t at = TIFFGetStrileOffset(tiff, piece);
        const std::uint64_t length = TIFFGetStrileByteCount(tiff, piece);
        if (at > file.size() || length > file.size() - at)
            return DecodeStatus::Truncated;
        // Pieces may share their data: past what any picture needs, more
        // tells nothing.
        held = std::min<std::int64_t>(held + static_cast<std::int64_t>(length), kMaxHeldBytes);
    }
    if (isJpeg(layout.compression))
        return checkJpegPieces(tiff, layout, file, cost);

    std::int64_t samplesPerByte = 0;
    for (const Expansion& expansion : kExpansions) {
        if (expansion.compression == layout.compression)
            samplesPerByte = expansion.samplesPerByte;
    }
    // A fax row of any width may take a single bit.
    if (isFax(layout.compression))
        samplesPerByte = std::max<std::int64_t>(layout.width, 8);
    // Others (JBIG, WebP, LERC, ...) may make a picture of almost nothing:
    // what they hold at once is bounded by the memory limit alone.
    if (samplesPerByte == 0)
        return DecodeStatus::Ok;
    const std::int64_t needed = sampleBytes(tiff, layout);
    // A little room for the last piece's rounding and the codecs' headers.
    constexpr std::int64_t kRoom = 4096;
    return held * samplesPerByte + kRoom * samplesPerByte < needed ? DecodeStatus::Truncated
                                                                   : DecodeStatus::Ok;
}

} // namespace varnelo
