#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace varnelo {

// The largest picture the program holds in memory. Decoders check a file's
// claimed size against these limits before they allocate anything, so a
// hostile header costs at most one allocation of this bound.
// 16384 × 16384 pictures load; at 4 bytes per pixel the bound is 1 GiB.
inline constexpr std::int64_t kMaxPictureSide = 65535;
#ifdef VARNELO_FUZZING
// A few bytes can describe a picture of 2^28 pixels; decoding one takes
// seconds and only slows the fuzzers down, so they run with a lower bound.
inline constexpr std::int64_t kMaxPicturePixels = std::int64_t{1} << 22;
#else
inline constexpr std::int64_t kMaxPicturePixels = std::int64_t{1} << 28;
#endif

// Every scan of a progressive (or non-interleaved) JPEG walks the whole
// picture again, and a few bytes can describe a scan: a 754 KB file of 500
// scans over 16384 × 16384 pixels once cost a minute. Real encoders write
// about ten scans. A JPEG is decoded only with at most kMaxJpegScans scans
// and at most kMaxJpegPixelScans pixels times scans (24 scans at the largest
// picture size, a few seconds' work); it is refused before anything is allocated.
inline constexpr int kMaxJpegScans = 500;
inline constexpr std::int64_t kMaxJpegPixelScans = kMaxPicturePixels * 24;

// Every 8 × 8 block of every channel of a JPEG carries its DC value in at
// least one bit, so a complete file holds at least a byte for every
// kMinJpegBlocksPerByte blocks. A shorter one is refused as truncated before
// anything is allocated: a 1,073-byte progressive file claiming 16384 × 16384
// pixels once took 790 MB of coefficients and 3 seconds before it was found so.
inline constexpr std::int64_t kMinJpegBlocksPerByte = 8;

// The memory a load takes: the picture, at most 4 bytes a pixel, and what
// its decoder works in, at most a progressive CMYK JPEG's coefficients (2
// bytes a pixel for each of 4 channels) and some tables and rows. The mapped
// file comes on top only as pages the system may drop. 3 GiB + 64 MiB for
// the largest picture; 112 MiB in fuzz builds, whose fuzzers run with
// -malloc_limit_mb at that bound (and -rss_limit_mb 512, for the sanitizer's
// quarantine and shadow memory).
inline constexpr std::int64_t kMaxLoadingBytes =
    kMaxPicturePixels * (4 + 2 * 4) + (std::int64_t{64} << 20);

// The pictures the libraries decode are held to the same limits, and to
// the first of what a file holds:
// - WebP: the still picture, or the first frame of an animation on its
//   canvas (both checked as pictures are); 64 kB of file decoded at a time.
// - AVIF: libavif is given kMaxPicturePixels and indexes at most 4096
//   pictures of a sequence; only the first is decoded, held whole as YUV.
// - HEIF: the primary picture's size is checked before it decodes, and
//   libheif holds each side, a grid's too, to the side of a square within
//   kMaxPicturePixels (16384).
// - TIFF: the first page; one of libtiff's allocations takes at most 1 GiB;
//   a row, a strip or a row of tiles decoded at a time.
// - JPEG XL: the first frame; libjxl works in floats, some 12 bytes a pixel,
//   within kMaxLoadingBytes.
// A few bytes may still describe a large picture (a compressed stream that
// repeats itself): the work is then that of a picture within the limits.

/// The memory one load of a picture may take by default: the picture as it
/// is held, and what the library decoding it takes besides. A file that
/// needs more is refused before anything is allocated for it; the
/// converter's --max-memory changes it.
#ifdef VARNELO_FUZZING
inline constexpr std::int64_t kDefaultMemoryLimit = std::int64_t{96} << 20;
#else
inline constexpr std::int64_t kDefaultMemoryLimit = std::int64_t{512} << 20;
#endif

/// The largest picture a conversion scales to. Larger sizes are refused
/// before any memory is taken for them.
inline constexpr std::int64_t kMaxConversionPixels = std::int64_t{1} << 26;
inline constexpr std::int64_t kMaxConversionSide = 65535;

/// True when a conversion may scale to width × height: neither side nor
/// their product beyond the limits above. A side below 1 is within them,
/// whatever the other: it makes no picture, which is refused in its own words.
bool conversionSizeWithinLimits(std::int64_t width, std::int64_t height);

/// True when a picture of width × height lies inside the limits (both sides at least 1).
bool pictureSizeAllowed(std::int64_t width, std::int64_t height);

/// Bytes of a picture buffer of width × height pixels at bytesPerPixel, or
/// nothing when the size is outside the limits. The one place where sizes
/// taken from files are multiplied.
std::optional<std::size_t> pictureBufferSize(std::int64_t width, std::int64_t height,
                                             int bytesPerPixel);

/// Row size in bytes of a BMP-style row padded to 4 bytes, or nothing when it
/// would not fit the limits.
std::optional<std::size_t> paddedRowSize(std::int64_t width, int bitsPerPixel);

} // namespace varnelo
