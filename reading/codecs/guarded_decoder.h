#pragma once

#include "base/work_bitmap.h"
#include "reading/codecs/picture_libraries.h"

#include <new>

namespace varnelo {

/// A decoder as a module hands it out. The program around the module may
/// have a C++ runtime of its own: no exception crosses between the two.
template <PictureDecoder decode>
DecodeStatus guardedDecoder(FileBytes file, WorkBitmap& picture, DecodeCancel cancel,
                            ConversionLoad* conversion) noexcept {
    try {
        return decode(file, picture, cancel, conversion);
    } catch (const std::bad_alloc&) {
        picture.clear();
        return DecodeStatus::OutOfMemory;
    } catch (...) {
        picture.clear();
        return DecodeStatus::Corrupt;
    }
}

} // namespace varnelo
