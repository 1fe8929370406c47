#pragma once

#include "reading/codecs/decode_status.h"

#include <cstddef>

namespace varnelo {

class PictureRows;

/// A PNG picture of 8-bit samples without interlacing: grey, grey and
/// alpha, RGB or RGBA (1 to 4 channels).
struct PngLayout {
    int width = 0;
    int height = 0;
    int channels = 0;
};

/// Reads such a picture's rows from its image data, whose first chunk's data
/// starts at dataAt (libpng has read what comes before), into rows, started
/// in the Device layout: stored colour values, alpha dropped, grey as three
/// equal channels, as the decoder's libpng path gives them, byte for byte.
/// Inflates with ISA-L and undoes the filters itself: some two and a half
/// times libpng's pace on a photo.
/// Where the inflater refuses the image data, inflaterRefused is set: the
/// caller reads the file with libpng instead, whose zlib may have stopped
/// short of the fault or fail it elsewhere, so that a broken file reads as
/// it always has.
DecodeStatus readPngRows(FileBytes file, std::size_t dataAt, PngLayout layout, PictureRows& rows,
                         DecodeCancel cancel, bool& inflaterRefused);

} // namespace varnelo
