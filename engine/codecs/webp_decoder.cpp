#include "engine/codecs/webp_decoder.h"

#include "engine/conversion_load.h"
#include "engine/picture_limits.h"
#include "engine/picture_rows.h"
#include "engine/work_bitmap.h"

#include <algorithm>
#include <cstring>
#include <memory>

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

// A still picture, into the picture as PictureRows prepared it: whole, or
// at the conversion's size by libwebp's own scaling.
DecodeStatus decodeStill(FileBytes file, PictureRows& rows, WorkBitmap& picture,
                         DecodeCancel cancel) {
    WebPDecoderConfig config;
    if (WebPInitDecoderConfig(&config) == 0)
        return DecodeStatus::Unsupported;
    config.output.colorspace = MODE_BGR;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = rows.row(0);
    config.output.u.RGBA.stride = static_cast<int>(picture.stride());
    config.output.u.RGBA.size = picture.stride() * static_cast<std::size_t>(picture.height());
    if (rows.scaledByDecoder()) {
        config.options.use_scaling = 1;
        config.options.scaled_width = picture.width();
        config.options.scaled_height = picture.height();
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

struct AnimDecoderDeleter {
    void operator()(WebPAnimDecoder* decoder) const { WebPAnimDecoderDelete(decoder); }
};

// The first frame of an animation on its canvas, row by row.
DecodeStatus decodeFirstFrame(FileBytes file, PictureRows& rows, int width, int height) {
    WebPAnimDecoderOptions options;
    if (WebPAnimDecoderOptionsInit(&options) == 0)
        return DecodeStatus::Unsupported;
    options.color_mode = MODE_BGRA;
    options.use_threads = 0;
    const WebPData data{file.data(), file.size()};
    const std::unique_ptr<WebPAnimDecoder, AnimDecoderDeleter> decoder(
        WebPAnimDecoderNew(&data, &options));
    if (!decoder)
        return DecodeStatus::Corrupt;
    WebPAnimInfo info;
    if (WebPAnimDecoderGetInfo(decoder.get(), &info) == 0 ||
        static_cast<int>(info.canvas_width) != width ||
        static_cast<int>(info.canvas_height) != height)
        return DecodeStatus::Corrupt;
    std::uint8_t* canvas = nullptr;
    int timestamp = 0;
    if (WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp) == 0)
        return DecodeStatus::Corrupt;
    for (int y = 0; y < height && !rows.complete(); ++y) {
        const std::uint8_t* in =
            canvas + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 4;
        std::uint8_t* out = rows.row(y);
        for (int x = 0; x < width; ++x, in += 4, out += 3)
            std::memcpy(out, in, 3);
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

    PictureRows rows(picture, conversion);
    const std::optional<PictureSize> size = rows.conversionSize(width, height);
    const bool shrinks = size && size->width <= width && size->height <= height;
    DecodeStatus started = DecodeStatus::Ok;
    if (features.has_animation != 0)
        started =
            size ? rows.startStreamed(*size, width, height, PixelDepth::Bits24, {width, height})
                 : rows.startWhole(width, height, PixelDepth::Bits24);
    else
        started = shrinks ? rows.startScaledByDecoder(*size, PixelDepth::Bits24, {width, height})
                          : rows.startWhole(width, height, PixelDepth::Bits24);
    if (started != DecodeStatus::Ok)
        return started;
    const DecodeStatus status = features.has_animation != 0
                                    ? decodeFirstFrame(file, rows, width, height)
                                    : decodeStill(file, rows, picture, cancel);
    const DecodeStatus finished = rows.finish(status);
    if (finished != DecodeStatus::Ok)
        picture.clear();
    return finished;
}

} // namespace varnelo
