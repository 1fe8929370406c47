#include "reading/codecs/heif_decoder.h"

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

// How libheif gives a picture's colours. An 8-bit picture comes in planes:
// the same colours as interleaved, which libheif makes from the planes in
// a copy of its own, a third of all it holds for a photo.
bool inPlanes(heif_image_handle* handle) {
    return heif_image_handle_get_luma_bits_per_pixel(handle) == 8 &&
           heif_image_handle_get_chroma_bits_per_pixel(handle) == 8;
}

heif_channel firstChannel(bool planes) {
    return planes ? heif_channel_R : heif_channel_interleaved;
}

// Copies libheif's R, G, B rows, interleaved or in planes, into the
// picture's B, G, R ones.
void copyRows(const heif_image& image, bool planes, PictureRows& rows, int width, int height) {
    std::array<int, 3> strides{};
    std::array<const std::uint8_t*, 3> channels{};
    if (planes) {
        channels = {heif_image_get_plane_readonly(&image, heif_channel_R, &strides[0]),
                    heif_image_get_plane_readonly(&image, heif_channel_G, &strides[1]),
                    heif_image_get_plane_readonly(&image, heif_channel_B, &strides[2])};
    } else {
        const std::uint8_t* plane =
            heif_image_get_plane_readonly(&image, heif_channel_interleaved, &strides[0]);
        channels = {plane, plane + 1, plane + 2};
        strides[1] = strides[2] = strides[0];
    }
    const std::size_t step = planes ? 1 : 3;
    for (int y = 0; y < height; ++y) {
        const auto row = static_cast<std::size_t>(y);
        const std::uint8_t* red = channels[0] + row * static_cast<std::size_t>(strides[0]);
        const std::uint8_t* green = channels[1] + row * static_cast<std::size_t>(strides[1]);
        const std::uint8_t* blue = channels[2] + row * static_cast<std::size_t>(strides[2]);
        std::uint8_t* out = rows.row(y);
        for (std::size_t x = 0; x < static_cast<std::size_t>(width); ++x, out += 3) {
            out[0] = blue[x * step];
            out[1] = green[x * step];
            out[2] = red[x * step];
        }
        rows.rowDone(y);
    }
}

// What libheif holds while it decodes (measured: 88 MB for an 8-bit HEIC
// of 4000 × 3000 given in planes, 124 MB interleaved): the picture's planes,
// their colours and the codec's own pictures; a grid's tiles each bring a
// codec of their own.
std::int64_t heldByLibheif(std::int64_t pixels, FileBytes file) {
    constexpr std::int64_t kBytesPerPixel = 9;
    constexpr std::int64_t kCodecBytes = std::int64_t{2} << 20;
    return kBytesPerPixel * pixels +
           kCodecBytes * std::max<std::int64_t>(isoItemsOfType(file, "hvc1"), 1);
}

} // namespace

namespace {

// A file libheif has read: its primary picture, and the size it is decoded
// at, turned and cut as its boxes say or as stored.
struct OpenedHeif {
    std::shared_ptr<const std::vector<std::uint8_t>> bytes;
    std::shared_ptr<heif_context> context;
    std::shared_ptr<heif_image_handle> handle;
    PictureSize shown;
};

DecodeStatus openHeif(FileBytes file, bool asStored, OpenedHeif& opened) {
    opened.context = std::shared_ptr<heif_context>(heif_context_alloc(), ContextDeleter());
    if (!opened.context)
        return DecodeStatus::OutOfMemory;
    heif_context_set_maximum_image_size_limit(opened.context.get(), kMaxHeifSide);
    // libheif reads a copy of its own: a cancelled decode may outlive the file.
    opened.bytes = std::make_shared<const std::vector<std::uint8_t>>(file.begin(), file.end());
    heif_error error = heif_context_read_from_memory_without_copy(
        opened.context.get(), opened.bytes->data(), opened.bytes->size(), nullptr);
    if (error.code != heif_error_Ok)
        return statusOf(error);
    heif_image_handle* primary = nullptr;
    error = heif_context_get_primary_image_handle(opened.context.get(), &primary);
    opened.handle = std::shared_ptr<heif_image_handle>(primary, HandleDeleter());
    if (error.code != heif_error_Ok)
        return statusOf(error);
    heif_image_handle* handle = opened.handle.get();
    const int storedWidth = heif_image_handle_get_ispe_width(handle);
    const int storedHeight = heif_image_handle_get_ispe_height(handle);
    if (storedWidth < 1 || storedHeight < 1)
        return DecodeStatus::Corrupt; // no size at all
    if (!pictureSizeAllowed(storedWidth, storedHeight))
        return DecodeStatus::TooLarge;
    opened.shown = asStored ? PictureSize{storedWidth, storedHeight}
                            : PictureSize{heif_image_handle_get_width(handle),
                                          heif_image_handle_get_height(handle)};
    return pictureSizeAllowed(opened.shown.width, opened.shown.height) ? DecodeStatus::Ok
                                                                       : DecodeStatus::Corrupt;
}

DecodeStatus startRows(PictureRows& rows, PictureSize size) {
    const std::optional<PictureSize> converted = rows.conversionSize(size.width, size.height);
    return converted
               ? rows.startStreamed(*converted, size.width, size.height, PixelDepth::Bits24, size)
               : rows.startWhole(size.width, size.height, PixelDepth::Bits24);
}

// The decoded picture into the rows. Kept as stored, a turned picture's
// boxes may tell the size it shows at: the rows start again at the size
// decoded.
DecodeStatus takeDecoded(const Decoded& decoded, bool planes, PictureRows& rows,
                         PictureSize shown) {
    const PictureSize size{heif_image_get_width(decoded.image.get(), firstChannel(planes)),
                           heif_image_get_height(decoded.image.get(), firstChannel(planes))};
    if (size.width != shown.width || size.height != shown.height) {
        if (!pictureSizeAllowed(size.width, size.height))
            return DecodeStatus::Corrupt;
        if (const DecodeStatus started = startRows(rows, size); started != DecodeStatus::Ok)
            return started;
    }
    copyRows(*decoded.image, planes, rows, size.width, size.height);
    return DecodeStatus::Ok;
}

} // namespace

DecodeStatus decodeHeif(FileBytes file, WorkBitmap& picture, DecodeCancel cancel,
                        ConversionLoad* conversion) {
    picture.clear();
    if (!looksLikeHeif(file))
        return DecodeStatus::WrongFormat;
    const bool asStored = conversion != nullptr && !conversion->autoOrient;
    OpenedHeif opened;
    if (const DecodeStatus status = openHeif(file, asStored, opened); status != DecodeStatus::Ok)
        return status;
    const PictureSize shown = opened.shown;
    if (const std::optional<DecodeStatus> apart = decodeInOwnProcess(
            PictureType::Heif, file, picture, cancel, conversion, shown, kOneCallFromPixels))
        return *apart;
    const std::shared_ptr<heif_decoding_options> options(heif_decoding_options_alloc(),
                                                         OptionsDeleter());
    options->ignore_transformations = asStored ? 1 : 0;
    if (cancelled(cancel))
        return DecodeStatus::Cancelled;
    PictureRows rows(picture, conversion);
    rows.holdBesides(heldByLibheif(std::int64_t{shown.width} * shown.height, file));
    if (const DecodeStatus started = startRows(rows, shown); started != DecodeStatus::Ok)
        return started;
    // libheif decodes the whole picture in one call.
    const bool planes = inPlanes(opened.handle.get());
    const std::optional<Decoded> decoded = callUnlessCancelled<Decoded>(
        [opened, options, planes] {
            heif_image* image = nullptr;
            const heif_error decodeError = heif_decode_image(
                opened.handle.get(), &image, heif_colorspace_RGB,
                planes ? heif_chroma_444 : heif_chroma_interleaved_RGB, options.get());
            return Decoded{decodeError, std::unique_ptr<heif_image, ImageDeleter>(image)};
        },
        cancel);
    DecodeStatus status = !decoded ? DecodeStatus::Cancelled : statusOf(decoded->error);
    if (status == DecodeStatus::Ok)
        status = takeDecoded(*decoded, planes, rows, shown);
    const DecodeStatus finished = rows.finish(status);
    if (finished != DecodeStatus::Ok)
        picture.clear();
    return finished;
}

} // namespace varnelo
