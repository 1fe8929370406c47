#pragma once

#include "reading/codecs/decode_status.h"
#include "tests/support/bad_files.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace varnelo::test {

struct JpegSampleOptions {
    int quality = 95;
    bool progressive = false;
    bool arithmetic = false;
    /// Huffman tables made for the picture: the smallest files.
    bool optimizeCoding = false;
    /// Whether a CMYK file carries Adobe's marker (and so inverted channels).
    bool adobeMarker = true;
    /// Full-resolution colour, so flat areas and edges keep their colours.
    bool fullChroma = true;
    /// A restart marker after every this many rows of blocks; 0 for none.
    int restartRows = 0;
};

/// A JPEG file of width × height pixels given top row first with `channels`
/// bytes each: 1 grey, 2 unnamed channels, 3 red-green-blue,
/// 4 cyan-magenta-yellow-black.
std::vector<std::uint8_t> encodeJpeg(int width, int height, int channels,
                                     const std::vector<std::uint8_t>& pixels,
                                     const JpegSampleOptions& options = {});

/// Offset of the first marker 0xFF `code` after the start-of-image marker, or
/// the file size.
std::size_t findJpegMarker(const std::vector<std::uint8_t>& file, std::uint8_t code);

/// A small progressive grey file whose last scan is repeated until the file
/// has `scans` scans: the few bytes of a scan can make a decoder walk the
/// whole picture again.
std::vector<std::uint8_t> progressiveJpegOfScans(int scans);

/// Rewrites the picture size in the frame header.
void setJpegSize(std::vector<std::uint8_t>& file, unsigned width, unsigned height);

using BadJpeg = BadFile;

/// The broken files kept in tests/data/bad.
std::vector<BadJpeg> badJpegSamples();

} // namespace varnelo::test
