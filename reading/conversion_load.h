#pragma once

#include "base/color.h"
#include "base/picture_limits.h"
#include "base/work_bitmap.h"
#include "reading/codecs/decode_status.h"

#include <cstdint>
#include <functional>

namespace varnelo {

class ArrivingRows;

struct PictureSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

/// What a picture is at its own size, whatever size it was loaded at.
struct PictureFacts {
    int width = 0;
    int height = 0;
    PixelDepth depth = PixelDepth::Bits24;
    /// The colour of its top-left pixel; of the top-left pixel of the
    /// picture as decoded at 1/2, 1/4 or 1/8 when a JPEG decoder shrank it.
    Rgb topLeft = 0;
};

/// A load for a conversion, which turns a picture of width × height into
/// sizeOf(width, height). Decoders whose rows come top to bottom (all but
/// RLE BMPs and interlaced PNGs and GIFs) hand them straight to the
/// resizer through PictureRows, JPEG at the largest of libjpeg's
/// reductions that keeps at least that size, so the picture is never held
/// at its own size; the others load whole and are resized after. The bitmap then holds the picture
/// at the conversion's size, in the depth it has at its own, and facts tells what it was. A size
/// outside the conversion limits loads the picture at its own size. Sizes and facts are those of
/// the picture as it shows: turned upright as its EXIF orientation says, unless autoOrient is off.
/// Without sizeOf the picture loads whole, at its own size, as for the window.
struct ConversionLoad {
    std::function<PictureSize(int width, int height)> sizeOf;
    /// A decoder that shrinks the picture as it decodes (JPEG) may shrink it
    /// down to sizeOf's size divided by this, each way, leaving the rest to
    /// the resizer: for a load whose size asks for more detail than it
    /// needs whole.
    int coarserBy = 1;
    /// Whether a picture so decoded coarser is taken as it is; else the
    /// load brings it to sizeOf's size (a mode that weighs every sample).
    bool keepCoarser = true;
    /// Where the rows of the picture at sizeOf's size are told as they are
    /// written, for a reader of them on another thread (ArrivingRows):
    /// only a load whose resizer runs beside its decoder (a large JPEG)
    /// tells them; may be null.
    ArrivingRows* arriving = nullptr;
    PictureFacts facts;
    bool autoOrient = true;
    /// The most memory the load may take, in bytes: what it holds of the
    /// picture and what the library decoding it holds besides, each
    /// reckoned before it is allocated.
    std::int64_t memoryLimit = kDefaultMemoryLimit;
    /// What a load refused with DecodeStatus::OverMemoryLimit would have needed.
    std::int64_t memoryNeeded = 0;
};

/// Whether a load may take `bytes` in all at once; when not, the load
/// records them as what it needed. Without a conversion load the default
/// limit holds.
bool memoryAllows(ConversionLoad* conversion, std::int64_t bytes);

/// Whether a conversion can take a picture of this size; see sizeFits.
bool conversionSizeUsable(PictureSize size);

/// Whether a conversion load resizes a picture of width × height to size:
/// a usable size that is not the picture's own.
bool conversionResizes(PictureSize size, int width, int height);

/// Whether a load that may be coarserBy coarser than size takes a picture
/// decoded at decoded as it is: no side below size's divided by coarserBy,
/// and no more pixels than size has.
bool takenAsDecoded(PictureSize decoded, PictureSize size, int coarserBy);

/// The facts of a picture loaded at its own size.
PictureFacts factsOf(const WorkBitmap& picture);

/// For decoders that loaded a picture whole: fills in the facts and
/// resizes it to the conversion's size, a cancel seen between rows. Without
/// a conversion, or after a failed decoding, only gives the status back.
DecodeStatus resizeAfterLoading(DecodeStatus status, WorkBitmap& picture,
                                ConversionLoad* conversion, DecodeCancel cancel = nullptr);

} // namespace varnelo
