#include "reading/codecs/webp_decoder.h"

#include "base/picture_limits.h"
#include "base/work_bitmap.h"
#include "reading/codecs/own_process_decoding.h"
#include "reading/conversion_load.h"
#include "reading/picture_loader.h"
#include "reading/picture_rows.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include <webp/decode.h>
#include <webp/demux.h>

namespace varnelo {

namespace {

// The compressed bytes handed to the decoder at a time: a few milliseconds
// of decoding, between which a cancel is seen.
constexpr std::size_t kPieceBytes = std::size_t{64} << 10;

DecodeStatus statusOf(VP8StatusCode code) {
    switch (code) {
    case VP8_STATUS_OK:
        return DecodeStatus::Ok;
    case VP8_STATUS_OUT_OF_MEMORY:
        return DecodeStatus::OutOfMemory;
    case VP8_STATUS_UNSUPPORTED_FEATURE:
        return DecodeStatus::Unsupported;
    case VP8_STATUS_NOT_ENOUGH_DATA:
    case VP8_STATUS_SUSPENDED:
        return DecodeStatus::Truncated;
    case VP8_STATUS_USER_ABORT:
        return DecodeStatus::Cancelled;
    case VP8_STATUS_INVALID_PARAM:
    case VP8_STATUS_BITSTREAM_ERROR:
        break;
    }
    return DecodeStatus::Corrupt;
}

struct IDecoderDeleter {
    void operator()(WebPIDecoder* decoder) const { WebPIDelete(decoder); }
};

// Where a still picture's pixels go, 3 bytes a pixel: scaled by libwebp
// when its size is not the picture's.
struct Destination {
    std::uint8_t* pixels = nullptr;
    std::size_t stride = 0;
    int width = 0;
    int height = 0;
    bool scaled = false;
};

// A still picture (or an animation's frame), a piece of its bytes at a time.
DecodeStatus decodeStill(FileBytes file, const Destination& into, DecodeCancel cancel) {
    WebPDecoderConfig config;
    if (WebPInitDecoderConfig(&config) == 0)
        return DecodeStatus::Unsupported;
    config.output.colorspace = MODE_BGR;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = into.pixels;
    config.output.u.RGBA.stride = static_cast<int>(into.stride);
    config.output.u.RGBA.size = into.stride * static_cast<std::size_t>(into.height);
    if (into.scaled) {
        config.options.use_scaling = 1;
        config.options.scaled_width = into.width;
        config.options.scaled_height = into.height;
    }
    const std::unique_ptr<WebPIDecoder, IDecoderDeleter> decoder(WebPIDecode(nullptr, 0, &config));
    if (!decoder)
        return DecodeStatus::OutOfMemory;
    VP8StatusCode status = VP8_STATUS_SUSPENDED;
    for (std::size_t given = 0; status == VP8_STATUS_SUSPENDED && given < file.size();) {
        if (cancelled(cancel))
            return DecodeStatus::Cancelled;
        given = std::min(file.size(), given + kPieceBytes);
        status = WebPIUpdate(decoder.get(), file.data(), given);
    }
    return statusOf(status);
}

// What libwebp holds besides the pixels it writes: a lossless picture is
// decoded whole, 4 bytes a pixel, for its backward references; a lossy
// one's alpha is a plane of its own.
std::int64_t heldByLibwebp(const WebPBitstreamFeatures& features) {
    const std::int64_t pixels = std::int64_t{features.width} * features.height;
    constexpr int kLossless = 2;
    if (features.format == kLossless)
        return 4 * pixels + 64 * std::int64_t{features.width};
    return (features.has_alpha != 0 ? pixels : 0) + 64 * std::int64_t{features.width};
}

struct DemuxDeleter {
    void operator()(WebPDemuxer* demux) const { WebPDemuxDelete(demux); }
};

// An animation's first frame: where it lies on the canvas, and its bytes.
struct FirstFrame {
    int left = 0;
    int top = 0;
    WebPBitstreamFeatures features{};
    FileBytes bytes;
};

// The first frame, once the frames are found able to fill much of the
// canvas: a canvas far larger than all its frames together holds nothing
// but what a few bytes claim.
DecodeStatus firstFrameOf(FileBytes file, int width, int height, FirstFrame& first) {
    const WebPData data{file.data(), file.size()};
    const std::unique_ptr<WebPDemuxer, DemuxDeleter> demux(WebPDemux(&data));
    if (!demux)
        return DecodeStatus::Corrupt;
    WebPIterator frame;
    if (WebPDemuxGetFrame(demux.get(), 1, &frame) == 0)
        return DecodeStatus::Corrupt;
    first.left = frame.x_offset;
    first.top = frame.y_offset;
    // The demuxer's frames point into the file, which outlives them.
    first.bytes = file.subspan(static_cast<std::size_t>(frame.fragment.bytes - file.data()),
                               frame.fragment.size);
    std::int64_t covered = 0;
    do {
        covered += std::int64_t{frame.width} * frame.height;
    } while (WebPDemuxNextFrame(&frame) != 0);
    WebPDemuxReleaseIterator(&frame);
    constexpr std::int64_t kAnyCanvas = std::int64_t{1} << 22;
    if (std::int64_t{width} * height > covered + kAnyCanvas)
        return DecodeStatus::Corrupt;
    const VP8StatusCode read =
        WebPGetFeatures(first.bytes.data(), first.bytes.size(), &first.features);
    if (read != VP8_STATUS_OK)
        return statusOf(read);
    if (first.left < 0 || first.top < 0 || first.features.width < 1 || first.features.height < 1 ||
        first.features.width > width - first.left || first.features.height > height - first.top)
        return DecodeStatus::Corrupt;
    return DecodeStatus::Ok;
}

// The first frame on its canvas, black where the frame is not, as libwebp's
// animation decoder starts it; the canvas is never held, only the frame.
DecodeStatus decodeFirstFrame(const FirstFrame& first, PictureRows& rows, int width, int height,
                              DecodeCancel cancel) {
    const int frameWidth = first.features.width;
    const int frameHeight = first.features.height;
    const std::size_t stride = static_cast<std::size_t>(frameWidth) * 3;
    std::vector<std::uint8_t> frame(stride * static_cast<std::size_t>(frameHeight));
    if (const DecodeStatus decoded = decodeStill(
            first.bytes, {frame.data(), stride, frameWidth, frameHeight, false}, cancel);
        decoded != DecodeStatus::Ok)
        return decoded;
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
    for (int y = 0; y < height && !rows.complete(); ++y) {
        if (y % 256 == 0 && cancelled(cancel))
            return DecodeStatus::Cancelled;
        std::uint8_t* out = rows.row(y);
        std::memset(out, 0, rowBytes);
        if (y >= first.top && y < first.top + frameHeight)
            std::memcpy(out + static_cast<std::size_t>(first.left) * 3,
                        frame.data() + static_cast<std::size_t>(y - first.top) * stride, stride);
        rows.rowDone(y);
    }
    return DecodeStatus::Ok;
}

} // namespace

DecodeStatus decodeWebp(FileBytes file, WorkBitmap& picture, DecodeCancel cancel,
                        ConversionLoad* conversion) {
    picture.clear();
    if (!looksLikeWebp(file))
        return DecodeStatus::WrongFormat;
    WebPBitstreamFeatures features;
    const VP8StatusCode read = WebPGetFeatures(file.data(), file.size(), &features);
    if (read != VP8_STATUS_OK)
        return statusOf(read);
    // For an animation these are its canvas's sides.
    const int width = features.width;
    const int height = features.height;
    if (width < 1 || height < 1)
        return DecodeStatus::Corrupt;
    if (!pictureSizeAllowed(width, height))
        return DecodeStatus::TooLarge;
    if (const std::optional<DecodeStatus> apart =
            decodeInOwnProcess(PictureType::Webp, file, picture, cancel, conversion,
                               {width, height}, kPiecesFromPixels))
        return *apart;

    PictureRows rows(picture, conversion);
    const std::optional<PictureSize> size = rows.conversionSize(width, height);
    if (features.has_animation != 0) {
        FirstFrame first;
        if (const DecodeStatus found = firstFrameOf(file, width, height, first);
            found != DecodeStatus::Ok)
            return found;
        const std::int64_t frameBytes =
            std::int64_t{first.features.width} * first.features.height * 3;
        rows.holdBesides(frameBytes + heldByLibwebp(first.features));
        if (const DecodeStatus started =
                size ? rows.startStreamed(*size, width, height, PixelDepth::Bits24, {width, height})
                     : rows.startWhole(width, height, PixelDepth::Bits24);
            started != DecodeStatus::Ok)
            return started;
        const DecodeStatus finished =
            rows.finish(decodeFirstFrame(first, rows, width, height, cancel));
        if (finished != DecodeStatus::Ok)
            picture.clear();
        return finished;
    }
    const bool shrinks = size && size->width <= width && size->height <= height;
    rows.holdBesides(heldByLibwebp(features));
    if (const DecodeStatus started =
            shrinks ? rows.startScaledByDecoder(*size, PixelDepth::Bits24, {width, height})
                    : rows.startWhole(width, height, PixelDepth::Bits24);
        started != DecodeStatus::Ok)
        return started;
    const DecodeStatus status = decodeStill(
        file, {rows.row(0), picture.stride(), picture.width(), picture.height(), shrinks}, cancel);
    const DecodeStatus finished = rows.finish(status);
    if (finished != DecodeStatus::Ok)
        picture.clear();
    return finished;
}

} // namespace varnelo
