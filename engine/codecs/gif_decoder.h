#pragma once

#include "engine/codecs/decode_status.h"

namespace varnelo {

class WorkBitmap;

DecodeStatus decodeGif(FileBytes file, WorkBitmap& picture);

} // namespace varnelo
