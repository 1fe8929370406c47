#pragma once

#include "engine/codecs/decode_status.h"

namespace varnelo {

class WorkBitmap;

DecodeStatus decodeGif(FileBytes file, WorkBitmap& picture, DecodeCancel cancel = nullptr);

} // namespace varnelo
