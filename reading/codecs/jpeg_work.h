#pragma once

#include "reading/codecs/decode_status.h"

#include <cstdint>

namespace varnelo {

/// The number of scans of a JPEG stream, counted over its markers without
/// decoding anything: what each scan will cost is known before it is paid.
/// The stream may start at its start-of-image marker or at any marker.
std::int64_t countJpegScans(FileBytes stream);

/// What decoding a JPEG stream costs, as its frame header and markers say.
struct JpegWork {
    std::int64_t width = 0;
    std::int64_t height = 0;
    /// 8 × 8 blocks of all its channels.
    std::int64_t blocks = 0;
    std::int64_t scans = 0;
};

/// The work of a stream, from its frame header; the size and channels
/// given stand in where the stream has no frame header of its own (a strip
/// of an old-style JPEG TIFF, whose tags give them).
JpegWork jpegWorkOf(FileBytes stream, std::int64_t width, std::int64_t height, int channels);

/// The rules every JPEG is held to, alone or inside another file, before
/// anything of it is decoded: at most kMaxJpegScans scans and
/// kMaxJpegPixelScans pixels times scans (TooCostly), and at least a byte
/// for every kMinJpegBlocksPerByte blocks (Truncated). bytes is the size of
/// the stream.
DecodeStatus checkJpegWork(const JpegWork& work, std::int64_t bytes);

/// The memory a stream of several scans is decoded in: the coefficients of
/// every block, whatever size it is decoded at. 0 for a single scan.
std::int64_t jpegCoefficientBytes(const JpegWork& work);

} // namespace varnelo
