#pragma once

#include "reading/codecs/decode_status.h"

namespace varnelo {

class WorkBitmap;
struct ConversionLoad;

/// Decodes a Windows or OS/2 bitmap: headers of 12 to 124 bytes; 1, 4 and 8 bits
/// with a colour table (uncompressed, RLE8, RLE4); 16 bits (5-5-5, or any masks);
/// 24 bits; 32 bits (plain or with masks). Indexed files give Bits1/4/8 with the
/// colour table set, plain 16 bits gives Bits15, masked 16 bits gives Bits16,
/// 24 and 32 bits give Bits24 and Bits32. The bytes are treated as hostile: on
/// any status other than Ok the picture is left empty. With a conversion
/// load, at the conversion's size (see ConversionLoad), filling in its facts.
/// Setting cancel stops it between rows.
DecodeStatus decodeBmp(FileBytes file, WorkBitmap& picture, ConversionLoad* conversion = nullptr,
                       DecodeCancel cancel = nullptr);

} // namespace varnelo
