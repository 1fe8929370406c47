#include "engine/codecs/heif_decoder.h"

#include "engine/codecs/call_unless_cancelled.h"
#include "engine/codecs/iso_brands.h"
#include "engine/codecs/own_process_decoding.h"
#include "engine/conversion_load.h"
#include "engine/picture_limits.h"
#include "engine/picture_loader.h"
#include "engine/picture_rows.h"
#include "engine/work_bitmap.h"

#include <algorithm>
#include <memory>
#include <vector>

#include <libheif/heif.h>

namespace varnelo {

namespace {

struct ContextDeleter {
    void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HandleDeleter {
    void operator()(heif_image_handle* handle) const {
        if (handle != nullptr)
            heif_image_handle_release(handle);
    }
};
struct ImageDeleter {
    void operator()(heif_image* image) const {
        if (image != nullptr)
            heif_image_release(image);
    }
};
struct OptionsDeleter {
    void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
};

// What libheif's decoding gives, owned wherever it ends.
struct Decoded {
    heif_error error;
    std::unique_ptr<heif_image, ImageDeleter> image;
};

DecodeStatus statusOf(const heif_error& error) {
    // Told as a failed allocation, though nothing was allocated.
    if (error.code != heif_error_Ok && error.subcode == heif_suberror_Security_limit_exceeded)
        return DecodeStatus::TooLarge;
    switch (error.code) {
    case heif_error_Ok:
        return DecodeStatus::Ok;
    case heif_error_Memory_allocation_error:
        return DecodeStatus::OutOfMemory;
    case heif_error_Unsupported_feature:
    case heif_error_Unsupported_filetype:
    case heif_error_Decoder_plugin_error:
        return DecodeStatus::Unsupported;
    default:
        break;
    }
    return error.subcode == heif_suberror_End_of_data ? DecodeStatus::Truncated
                                                      : DecodeStatus::Corrupt;
}

// libheif's limit is one for each side, and a grid's size is its own,
// whatever the picture's stated size: sides whose square is within the
// picture limit keep a grid within it too.
constexpr int sideOfSquare(std::int64_t pixels) {
    int side = 1;
    while (std::int64_t{side + 1} * (side + 1) <= pixels)
        ++side;
    return side;
}
constexpr int kMaxHeifSide = sideOfSquare(kMaxPicturePixels);

// Copies libheif's R, G, B rows into the picture's B, G, R ones.
void copyRows(const heif_image& image, PictureRows& rows, int width, int height) {
    int stride = 0;
    const std::uint8_t* plane =
        heif_image_get_plane_readonly(&image, heif_channel_interleaved, &stride);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* in =
            plane + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride);
        std::uint8_t* out = rows.row(y);
        for (int x = 0; x < width; ++x, in += 3, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
        rows.rowDone(y);
    }
}

// What libheif holds while it decodes (measured: 124 MB for a HEIC of
// 4000 × 3000): the picture's planes, their colours and the codec's own
// pictures; a grid's tiles each bring a codec of their own.
std::int64_t heldByLibheif(std::int64_t pixels, FileBytes file) {
    constexpr std::int64_t kBytesPerPixel = 9;
    constexpr std::int64_t kCodecBytes = std::int64_t{2} << 20;
    return kBytesPerPixel * pixels +
           kCodecBytes * std::max<std::int64_t>(isoItemsOfType(file, "hvc1"), 1);
}

} // namespace

DecodeStatus decodeHeif(FileBytes file, WorkBitmap& picture, DecodeCancel cancel,
                        ConversionLoad* conversion) {
    picture.clear();
    if (!looksLikeHeif(file))
        return DecodeStatus::WrongFormat;
    const std::shared_ptr<heif_context> context(heif_context_alloc(), ContextDeleter());
    if (!context)
        return DecodeStatus::OutOfMemory;
    heif_context_set_maximum_image_size_limit(context.get(), kMaxHeifSide);
    // libheif reads a copy of its own: a cancelled decode may outlive the file.
    const auto bytes = std::make_shared<const std::vector<std::uint8_t>>(file.begin(), file.end());
    heif_error error = heif_context_read_from_memory_without_copy(context.get(), bytes->data(),
                                                                  bytes->size(), nullptr);
    if (error.code != heif_error_Ok)
        return statusOf(error);
    heif_image_handle* primary = nullptr;
    error = heif_context_get_primary_image_handle(context.get(), &primary);
    const std::shared_ptr<heif_image_handle> handle(primary, HandleDeleter());
    if (error.code != heif_error_Ok)
        return statusOf(error);
    const int storedWidth = heif_image_handle_get_ispe_width(handle.get());
    const int storedHeight = heif_image_handle_get_ispe_height(handle.get());
    if (storedWidth < 1 || storedHeight < 1)
        return DecodeStatus::Corrupt; // no size at all
    if (!pictureSizeAllowed(storedWidth, storedHeight))
        return DecodeStatus::TooLarge;
    // The size it is decoded at: turned and cut as its boxes say, or as stored.
    const bool asStored = conversion != nullptr && !conversion->autoOrient;
    const int shownWidth = asStored ? heif_image_handle_get_ispe_width(handle.get())
                                    : heif_image_handle_get_width(handle.get());
    const int shownHeight = asStored ? heif_image_handle_get_ispe_height(handle.get())
                                     : heif_image_handle_get_height(handle.get());
    if (!pictureSizeAllowed(shownWidth, shownHeight))
        return DecodeStatus::Corrupt;
    if (decodesInOwnProcess(cancel, std::int64_t{shownWidth} * shownHeight, kOneCallFromPixels)) {
        if (const std::optional<DecodeStatus> apart = decodeInOwnProcess(
                PictureType::Heif, file, picture, cancel, conversion, {shownWidth, shownHeight}))
            return *apart;
    }
    const std::shared_ptr<heif_decoding_options> options(heif_decoding_options_alloc(),
                                                         OptionsDeleter());
    options->ignore_transformations = asStored ? 1 : 0;
    if (cancelled(cancel))
        return DecodeStatus::Cancelled;
    PictureRows rows(picture, conversion);
    rows.holdBesides(heldByLibheif(std::int64_t{shownWidth} * shownHeight, file));
    const std::optional<PictureSize> size = rows.conversionSize(shownWidth, shownHeight);
    if (const DecodeStatus started =
            size ? rows.startStreamed(*size, shownWidth, shownHeight, PixelDepth::Bits24,
                                      {shownWidth, shownHeight})
                 : rows.startWhole(shownWidth, shownHeight, PixelDepth::Bits24);
        started != DecodeStatus::Ok)
        return started;
    // libheif decodes the whole picture in one call.
    const std::optional<Decoded> decoded = callUnlessCancelled<Decoded>(
        [bytes, context, handle, options] {
            heif_image* image = nullptr;
            const heif_error decodeError =
                heif_decode_image(handle.get(), &image, heif_colorspace_RGB,
                                  heif_chroma_interleaved_RGB, options.get());
            return Decoded{decodeError, std::unique_ptr<heif_image, ImageDeleter>(image)};
        },
        cancel);
    DecodeStatus status = !decoded ? DecodeStatus::Cancelled : statusOf(decoded->error);
    if (status == DecodeStatus::Ok) {
        const int width = heif_image_get_width(decoded->image.get(), heif_channel_interleaved);
        const int height = heif_image_get_height(decoded->image.get(), heif_channel_interleaved);
        // Kept as stored, a turned picture's boxes may tell the size it
        // shows at: the rows start again at the size decoded.
        if (width != shownWidth || height != shownHeight) {
            const std::optional<PictureSize> decodedSize = rows.conversionSize(width, height);
            status = !pictureSizeAllowed(width, height) ? DecodeStatus::Corrupt
                     : decodedSize ? rows.startStreamed(*decodedSize, width, height,
                                                        PixelDepth::Bits24, {width, height})
                                   : rows.startWhole(width, height, PixelDepth::Bits24);
        }
        if (status == DecodeStatus::Ok)
            copyRows(*decoded->image, rows, width, height);
    }
    const DecodeStatus finished = rows.finish(status);
    if (finished != DecodeStatus::Ok)
        picture.clear();
    return finished;
}

} // namespace varnelo
