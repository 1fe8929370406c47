#pragma once

#include "reading/codecs/decode_status.h"

namespace varnelo {

class WorkBitmap;

struct ConversionLoad;

/// Decodes a PNG file; with a conversion load, at the conversion's size
/// (see ConversionLoad), filling in its facts.
DecodeStatus decodePng(FileBytes file, WorkBitmap& picture, DecodeCancel cancel = nullptr,
                       ConversionLoad* conversion = nullptr);

/// The same with libpng reading every row, as it does for the pictures the
/// decoder does not read itself: what its own reading must equal.
DecodeStatus decodePngWithLibpng(FileBytes file, WorkBitmap& picture, DecodeCancel cancel = nullptr,
                                 ConversionLoad* conversion = nullptr);

} // namespace varnelo
