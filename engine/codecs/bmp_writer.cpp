#include "engine/codecs/bmp_writer.h"

#include "engine/work_bitmap.h"

namespace varnelo {

bool writeBmp(ByteSink& /*sink*/, int /*width*/, int /*height*/, BmpPixelFormat /*format*/,
              const BmpRowSource& /*rowAt*/) {
    return false;
}

bool writeBmp(ByteSink& /*sink*/, const WorkBitmap& /*picture*/) { return false; }

} // namespace varnelo
