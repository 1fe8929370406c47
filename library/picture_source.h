#pragma once

#include "base/work_bitmap.h"
#include "reading/conversion_load.h"
#include "reading/picture_loader.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace varnelo {

/// A library caller's picture: a file read when converted, a file's bytes,
/// or pixels. A conversion reads it and never changes it, so that
/// conversions on several threads may share it.
class PictureSource {
public:
    /// A file, checked to open and to start like a picture (or be named like one).
    static PictureSource file(std::string path, LoadOutcome& refused);
    /// A copy of a file's bytes, checked to start like a picture; or, not
    /// copied, the bytes where they lie, which must then stay as they are
    /// while the source lives.
    static PictureSource bytes(const std::uint8_t* data, std::size_t size, LoadOutcome& refused,
                               bool copied = true);
    /// A picture already decoded, at its own size.
    static PictureSource pixels(WorkBitmap picture);

    /// Loads the picture for a conversion: the file's or the bytes' at the
    /// size the load asks (see ConversionLoad), or a copy of the pixels;
    /// the load's facts then say what it was.
    LoadOutcome load(WorkBitmap& picture, const std::atomic<bool>& cancel,
                     ConversionLoad& conversion) const;

    /// The picture's size as it shows, turned upright: the pixels', or as
    /// its decoder reads it from the file's or the bytes' header (the whole
    /// picture decoded where its type tells it only then); how reading it
    /// went.
    LoadOutcome size(PictureSize& size) const;

    /// The file's path; empty for bytes and pixels.
    const std::string& path() const { return path_; }

private:
    std::string path_;
    FileBytes view() const;

    std::vector<std::uint8_t> bytes_;
    FileBytes borrowed_;
    WorkBitmap pixels_;
};

} // namespace varnelo
