#include "engine/codecs/jpeg_decoder.h"

#include "engine/work_bitmap.h"

namespace varnelo {

DecodeStatus decodeJpeg(FileBytes /*file*/, WorkBitmap& picture) {
    picture.clear();
    return DecodeStatus::Unsupported;
}

} // namespace varnelo
