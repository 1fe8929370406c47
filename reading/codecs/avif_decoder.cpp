#include "reading/codecs/avif_decoder.h"

#include "base/picture_limits.h"
#include "base/work_bitmap.h"
#include "reading/codecs/call_unless_cancelled.h"
#include "reading/codecs/iso_brands.h"
#include "reading/codecs/own_process_decoding.h"
#include "reading/conversion_load.h"
#include "reading/picture_loader.h"
#include "reading/picture_rows.h"

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include <avif/avif.h>

namespace varnelo {

namespace {

// The pictures of a sequence libavif may index: only the first is shown.
constexpr std::uint32_t kMaxSequencePictures = 4096;
// Rows turned from YUV into colours at a time: even, for chroma shared by
// two rows, and few, so a picture that streams is never held in colour.
constexpr int kBandRows = 16;

struct DecoderDeleter {
    void operator()(avifDecoder* decoder) const { avifDecoderDestroy(decoder); }
};
using DecoderPtr = std::unique_ptr<avifDecoder, DecoderDeleter>;

DecodeStatus statusOf(avifResult result) {
    switch (result) {
    case AVIF_RESULT_OK:
        return DecodeStatus::Ok;
    case AVIF_RESULT_TRUNCATED_DATA:
        return DecodeStatus::Truncated;
    case AVIF_RESULT_OUT_OF_MEMORY:
        return DecodeStatus::OutOfMemory;
    case AVIF_RESULT_NOT_IMPLEMENTED:
    case AVIF_RESULT_NO_CODEC_AVAILABLE:
    case AVIF_RESULT_UNSUPPORTED_DEPTH:
        return DecodeStatus::Unsupported;
    default:
        break;
    }
    return DecodeStatus::Corrupt;
}

// A decoder that has parsed the file's boxes, nothing decoded yet.
DecoderPtr parsed(FileBytes file, avifResult& result) {
    DecoderPtr decoder(avifDecoderCreate());
    if (!decoder) {
        result = AVIF_RESULT_OUT_OF_MEMORY;
        return nullptr;
    }
    decoder->maxThreads = 1;
    decoder->imageSizeLimit = static_cast<std::uint32_t>(kMaxPicturePixels);
    decoder->imageCountLimit = kMaxSequencePictures;
    decoder->ignoreExif = AVIF_TRUE;
    decoder->ignoreXMP = AVIF_TRUE;
    result = avifDecoderSetIOMemory(decoder.get(), file.data(), file.size());
    if (result == AVIF_RESULT_OK)
        result = avifDecoderParse(decoder.get());
    return decoder;
}

// What libavif holds while it decodes: the picture's planes, and the
// codec's own frame of them; a grid holds each tile's picture and codec as
// well, until the last tile is decoded.
std::int64_t heldByLibavif(const avifDecoder& decoder, FileBytes file) {
    const avifImage& image = *decoder.image;
    const std::int64_t pixels = std::int64_t{image.width} * image.height;
    std::int64_t chromaQuarters = 4; // 4:4:4, two planes of a quarter each per 4:2:0
    if (image.yuvFormat == AVIF_PIXEL_FORMAT_YUV420)
        chromaQuarters = 1;
    else if (image.yuvFormat == AVIF_PIXEL_FORMAT_YUV422)
        chromaQuarters = 2;
    else if (image.yuvFormat == AVIF_PIXEL_FORMAT_YUV400)
        chromaQuarters = 0;
    const std::int64_t sampleBytes = image.depth > 8 ? 2 : 1;
    const std::int64_t planes = pixels * sampleBytes * (4 + 2 * chromaQuarters) / 4 +
                                (decoder.alphaPresent != AVIF_FALSE ? pixels * sampleBytes : 0);
    const std::uint32_t tiles = isoItemsOfType(file, "av01");
    constexpr std::int64_t kCodecBytes = std::int64_t{2} << 20;
    return tiles > 1 ? 3 * planes + kCodecBytes * tiles : 2 * planes + kCodecBytes;
}

} // namespace

namespace {

// Turns the decoded YUV picture into the rows, a band at a time.
DecodeStatus convertRows(const avifImage& image, PictureRows& rows, DecodeCancel cancel) {
    const auto width = static_cast<int>(image.width);
    const auto height = static_cast<int>(image.height);
    const int band = rows.streamed() ? kBandRows : height;
    for (int top = 0; top < height; top += band) {
        if (cancelled(cancel))
            return DecodeStatus::Cancelled;
        const int count = std::min(band, height - top);
        const avifCropRect rect{0, static_cast<std::uint32_t>(top),
                                static_cast<std::uint32_t>(width),
                                static_cast<std::uint32_t>(count)};
        avifImage view{};
        avifResult result = avifImageSetViewRect(&view, &image, &rect);
        avifRGBImage rgb;
        avifRGBImageSetDefaults(&rgb, &view);
        rgb.format = AVIF_RGB_FORMAT_BGR;
        rgb.depth = 8;
        rgb.ignoreAlpha = AVIF_TRUE;
        rgb.pixels = rows.row(top);
        rgb.rowBytes = static_cast<std::uint32_t>(rows.stride());
        if (result == AVIF_RESULT_OK)
            result = avifImageYUVToRGB(&view, &rgb);
        if (result != AVIF_RESULT_OK)
            return statusOf(result);
        for (int y = top; y < top + count; ++y)
            rows.rowDone(y);
        if (rows.complete())
            break;
    }
    return DecodeStatus::Ok;
}

} // namespace

DecodeStatus decodeAvif(FileBytes file, WorkBitmap& picture, DecodeCancel cancel,
                        ConversionLoad* conversion) {
    picture.clear();
    if (!looksLikeAvif(file))
        return DecodeStatus::WrongFormat;
    // The decoder reads its own copy: a cancelled decode may outlive the file.
    const auto bytes = std::make_shared<const std::vector<std::uint8_t>>(file.begin(), file.end());
    avifResult result = AVIF_RESULT_OK;
    const std::shared_ptr<avifDecoder> decoder = parsed(*bytes, result);
    if (result != AVIF_RESULT_OK)
        return statusOf(result);
    const avifImage& header = *decoder->image;
    if (header.width < 1 || header.height < 1)
        return DecodeStatus::Corrupt;
    if (!pictureSizeAllowed(header.width, header.height))
        return DecodeStatus::TooLarge;
    if (cancelled(cancel))
        return DecodeStatus::Cancelled;
    const auto width = static_cast<int>(header.width);
    const auto height = static_cast<int>(header.height);
    if (const std::optional<DecodeStatus> apart =
            decodeInOwnProcess(PictureType::Avif, file, picture, cancel, conversion,
                               {width, height}, kOneCallFromPixels))
        return *apart;
    PictureRows rows(picture, conversion);
    rows.holdBesides(heldByLibavif(*decoder, file));
    const std::optional<PictureSize> size = rows.conversionSize(width, height);
    if (const DecodeStatus started =
            size ? rows.startStreamed(*size, width, height, PixelDepth::Bits24, {width, height},
                                      kBandRows)
                 : rows.startWhole(width, height, PixelDepth::Bits24);
        started != DecodeStatus::Ok)
        return started;
    // libavif decodes the whole picture in one call.
    const std::optional<avifResult> decoded = callUnlessCancelled<avifResult>(
        [bytes, decoder] { return avifDecoderNextImage(decoder.get()); }, cancel);
    DecodeStatus status = !decoded ? DecodeStatus::Cancelled : statusOf(*decoded);
    const avifImage& image = *decoder->image;
    if (status == DecodeStatus::Ok &&
        (static_cast<int>(image.width) != width || static_cast<int>(image.height) != height))
        status = DecodeStatus::Corrupt;
    const DecodeStatus finished =
        rows.finish(status == DecodeStatus::Ok ? convertRows(image, rows, cancel) : status);
    if (finished != DecodeStatus::Ok)
        picture.clear();
    return finished;
}

Orientation heifTransformOrientation(int quarterTurns, int mirror) {
    // Rows: quarter turns anti-clockwise; columns: no mirror, left and
    // right exchanged, top and bottom exchanged.
    static constexpr std::array<std::array<int, 3>, 4> kOrientations = {
        {{1, 2, 4}, {8, 7, 5}, {3, 4, 2}, {6, 5, 7}}};
    const int column = mirror == 1 ? 1 : mirror == 0 ? 2 : 0;
    return static_cast<Orientation>(kOrientations[static_cast<std::size_t>(quarterTurns & 3)]
                                                 [static_cast<std::size_t>(column)]);
}

Orientation avifOrientation(FileBytes file) {
    avifResult result = AVIF_RESULT_OK;
    const DecoderPtr decoder = parsed(file, result);
    if (result != AVIF_RESULT_OK)
        return Orientation::Upright;
    const avifImage& image = *decoder->image;
    const int turns = (image.transformFlags & AVIF_TRANSFORM_IROT) != 0 ? image.irot.angle : 0;
    const int mirror = (image.transformFlags & AVIF_TRANSFORM_IMIR) != 0 ? image.imir.mode : -1;
    return heifTransformOrientation(turns, mirror);
}

} // namespace varnelo
