#pragma once

#include "reading/codecs/decode_status.h"

namespace varnelo {

class WorkBitmap;

struct ConversionLoad;

/// Decodes a JPEG file; with a conversion load, at the conversion's size
/// (see ConversionLoad), filling in its facts.
DecodeStatus decodeJpeg(FileBytes file, WorkBitmap& picture, DecodeCancel cancel = nullptr,
                        ConversionLoad* conversion = nullptr);

} // namespace varnelo
