#include "engine/codecs/png_decoder.h"

#include "engine/work_bitmap.h"

namespace varnelo {

DecodeStatus decodePng(FileBytes /*file*/, WorkBitmap& picture) {
    picture.clear();
    return DecodeStatus::Unsupported;
}

} // namespace varnelo
