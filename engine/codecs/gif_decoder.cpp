#include "engine/codecs/gif_decoder.h"

#include "engine/work_bitmap.h"

namespace varnelo {

DecodeStatus decodeGif(FileBytes /*file*/, WorkBitmap& picture) {
    picture.clear();
    return DecodeStatus::Unsupported;
}

} // namespace varnelo
