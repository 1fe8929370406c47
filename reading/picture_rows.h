#pragma once

#include "base/work_bitmap.h"
#include "reading/conversion_load.h"
#include "reading/resizing_beside.h"
#include "reading/row_resizer.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>

namespace varnelo {

/// Where a decoder puts a picture's rows, top to bottom, whatever the load:
/// into the picture at its own size, or, for a conversion that changes the
/// size, through a resizer into the picture at the conversion's size, so
/// the picture is never held at its own. The decoder writes each source row
/// where row(y) points, in the depth it started with, and says rowDone(y);
/// it is the one pixel path of every decoder.
class PictureRows {
public:
    /// conversion may be null: a load for the window, always whole.
    PictureRows(WorkBitmap& picture, ConversionLoad* conversion);
    ~PictureRows();
    PictureRows(const PictureRows&) = delete;
    PictureRows& operator=(const PictureRows&) = delete;

    /// The size the conversion turns a width × height picture into, when
    /// that is not its own: the decoder may then stream its rows.
    std::optional<PictureSize> conversionSize(int width, int height) const;
    /// The least size a decoder that shrinks as it decodes may decode at
    /// for a conversion to size.
    PictureSize leastDecodedSize(PictureSize size) const;
    /// Whether a picture decoded at decoded for a conversion to size is
    /// kept as decoded (takenAsDecoded), for a load that may be coarser.
    bool keepsDecoded(PictureSize decoded, PictureSize size) const;

    /// What the decoder's library holds at once besides the rows, while
    /// they are written: counted with them against the load's memory limit
    /// when they start. Set before a start.
    void holdBesides(std::int64_t bytes) { besides_ = std::max<std::int64_t>(bytes, 0); }

    /// The starts allocate what the rows need, once the load's memory limit
    /// allows it with what the library holds besides: Ok, OverMemoryLimit
    /// (nothing allocated) or OutOfMemory.

    /// Allocates the picture whole, at width × height in depth.
    [[nodiscard]] DecodeStatus startWhole(int width, int height, PixelDepth depth);
    /// Allocates the picture at size; the rows, decodedWidth ×
    /// decodedHeight in depth, go through the resizer (extent as it says),
    /// scratchRows of them held at a time. own is the picture's own size,
    /// which the facts report. beside: the rows are resized on a thread of
    /// their own while the decoder goes on (ResizingBeside), for a decoder
    /// that asks for scratchRows rows at a time, each through row(y).
    [[nodiscard]] DecodeStatus startStreamed(PictureSize size, int decodedWidth, int decodedHeight,
                                             PixelDepth depth, PictureSize own, int scratchRows = 1,
                                             SourceExtent extent = SourceExtent(),
                                             bool beside = false);
    /// Allocates the picture at size for a decoder that scales the picture
    /// to it itself; own is the picture's own size, which the facts report.
    [[nodiscard]] DecodeStatus startScaledByDecoder(PictureSize size, PixelDepth depth,
                                                    PictureSize own);
    bool streamed() const { return resizer_ != nullptr; }
    bool scaledByDecoder() const { return scaledByDecoder_; }

    /// Sets the colour table of an indexed picture.
    void setColorTable(std::span<const Rgb> colors);

    /// Where source row y goes: the picture's row y, or a scratch row.
    std::uint8_t* row(int y);
    /// The bytes from one row to the next, within the scratch rows as
    /// within the picture, for a decoder that writes several rows at once.
    std::size_t stride() const { return resizer_ ? scratch_.stride() : picture_.stride(); }
    /// Source row y is written; streamed, it goes through the resizer.
    void rowDone(int y);
    /// Streamed: every row of the result is written, so the decoder may
    /// stop reading. Whole: never before the end.
    bool complete() const {
        return beside_ ? beside_->done() : resizer_ != nullptr && resizer_->done();
    }

    /// After the last row of a decoding that ended with status: the facts,
    /// and a picture loaded whole resized to the conversion's size, which a
    /// cancel stops.
    DecodeStatus finish(DecodeStatus status, DecodeCancel cancel = nullptr);

private:
    DecodeStatus allowed(std::int64_t rowBytes);
    /// The rows told stop: their pixels may go.
    void stopTelling();

    WorkBitmap& picture_;
    ConversionLoad* conversion_;
    WorkBitmap scratch_;
    std::unique_ptr<RowResizer> resizer_;
    PictureSize own_;
    bool scaledByDecoder_ = false;
    Rgb topLeft_ = 0;
    std::int64_t besides_ = 0;
    // Where the rows resized beside are told, from when they start.
    ArrivingRows* telling_ = nullptr;
    // Last, so that its thread ends before what it reads goes.
    std::unique_ptr<ResizingBeside> beside_;
};

} // namespace varnelo
