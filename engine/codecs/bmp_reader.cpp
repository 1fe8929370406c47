#include "engine/codecs/bmp_reader.h"

#include "engine/work_bitmap.h"

namespace varnelo {

DecodeStatus decodeBmp(FileBytes /*file*/, WorkBitmap& picture) {
    picture.clear();
    return DecodeStatus::Unsupported;
}

} // namespace varnelo
