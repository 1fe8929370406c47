#pragma once

#include "engine/codecs/decode_status.h"

namespace varnelo {

class WorkBitmap;

DecodeStatus decodeBmp(FileBytes file, WorkBitmap& picture);

} // namespace varnelo
