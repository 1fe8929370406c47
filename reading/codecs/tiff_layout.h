#pragma once

#include "reading/codecs/decode_status.h"

#include <cstdint>

#include <tiffio.h>

namespace varnelo {

/// How the first page of a TIFF stores its pixels, as its tags say.
struct TiffLayout {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t bitsPerSample = 1;
    std::uint16_t samplesPerPixel = 1;
    std::uint16_t planar = PLANARCONFIG_CONTIG;
    std::uint16_t photometric = PHOTOMETRIC_MINISWHITE;
    std::uint16_t compression = COMPRESSION_NONE;
    bool tiled = false;
    /// A tile's sides, or a strip's: the picture's width and its rows.
    std::uint32_t pieceWidth = 0;
    std::uint32_t pieceHeight = 0;
    /// The strips or tiles of the page, of every plane.
    std::uint32_t pieces = 0;

    bool separatePlanes() const { return planar == PLANARCONFIG_SEPARATE && samplesPerPixel > 1; }
};

/// The layout of the directory libtiff has read; width and height 0 when
/// the file states none.
TiffLayout tiffLayoutOf(TIFF* tiff);

/// What the page's claims cost, found while holding them to the file.
struct TiffCost {
    /// The memory libjpeg decodes a JPEG strip or tile of several scans in.
    std::int64_t jpegCoefficientBytes = 0;
};

/// Holds what the file claims to what it can hold, before anything of it is
/// decoded: tiles no larger than the picture needs, every strip and tile
/// within the file, no more samples than the compression can make of the
/// bytes it has (Truncated), and every JPEG strip or tile, and an old-style
/// JPEG's stream, held to the JPEG decoder's own rules.
DecodeStatus checkTiffClaims(TIFF* tiff, const TiffLayout& layout, FileBytes file, TiffCost& cost);

} // namespace varnelo
