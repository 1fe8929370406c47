#include "reading/codecs/png_decoder.h"

#include "base/picture_limits.h"
#include "base/work_bitmap.h"
#include "reading/codecs/png_chunks.h"
#include "reading/codecs/png_image_data_chunks.h"
#include "reading/codecs/png_rows.h"
#include "reading/conversion_load.h"
#include "reading/picture_rows.h"

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

#include <png.h>

namespace varnelo {
namespace {

constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Deflate never packs better than about 1032:1, so image data that could not
// come out of a file this size marks a header that lies about the size.
constexpr std::uint64_t kMaxInflateRatio = 1100;
// More than any chunk the decoder reads needs: a palette, a transparency table.
constexpr png_alloc_size_t kMaxChunkBytes = 1 << 20;
constexpr std::uint64_t kInflateSlack = std::uint64_t{1} << 20;
// Read bytes of a mapped file leave memory in pieces of this size.
constexpr std::size_t kReleaseBytes = std::size_t{4} << 20;

// Everything the libpng callbacks reach. Plain data only: libpng leaves
// through longjmp, which runs no destructors.
struct PngJob {
    std::jmp_buf jump;
    const std::uint8_t* data;
    std::size_t size;
    std::size_t position;
    std::size_t released;
    WorkBitmap* picture;
    DecodeCancel cancel;
    png_structp png;
    png_infop info;
    DecodeStatus status;
    png_uint_32 width;
    png_uint_32 height;
    int passes;
    PictureRows* rows;
    // Rows libpng hands over in all, and has handed over; once all are
    // there, nothing more of the file is read.
    std::uint64_t rowsToCome;
    std::uint64_t rowsDone;
    bool rowsComplete;
    int rowPending; // the row being read, not yet done; -1 for none
    bool libpngOnly;
    bool readAgainByLibpng;
};

bool mentions(std::string_view text, std::string_view word) {
    return text.find(word) != std::string_view::npos;
}

[[noreturn]] void onError(png_structp png, png_const_charp message) {
    auto& job = *static_cast<PngJob*>(png_get_error_ptr(png));
    // The stop after the last row is no error.
    if (job.status == DecodeStatus::Ok && !job.rowsComplete) {
        const std::string_view text = message != nullptr ? message : "";
        job.status = mentions(text, "ut of memory") || mentions(text, "ut of Memory") ||
                             mentions(text, "nsufficient memory")
                         ? DecodeStatus::OutOfMemory
                         : DecodeStatus::Corrupt;
    }
    std::longjmp(job.jump, 1);
}

void onWarning(png_structp /*png*/, png_const_charp /*message*/) {}

bool cancelled(const PngJob& job) {
    return varnelo::cancelled(job.cancel);
}

void readFromSpan(png_structp png, png_bytep out, std::size_t count) {
    auto& job = *static_cast<PngJob*>(png_get_io_ptr(png));
    // With the last row, libpng inflates whatever the image data holds after
    // the rows, up to gigabytes for a few megabytes of file, unasked and
    // unseen. That data is never needed: reading stops here.
    if (job.rowsComplete)
        png_error(png, "rows complete");
    // libpng reads image data in pieces of a few kilobytes, which inflate
    // to a few megabytes at most: a cancel is seen within milliseconds.
    if (cancelled(job)) {
        job.status = DecodeStatus::Cancelled;
        png_error(png, "cancelled");
    }
    if (count > job.size - job.position) {
        job.status = DecodeStatus::Truncated;
        png_error(png, "file ends early");
    }
    std::memcpy(out, job.data + job.position, count);
    job.position += count;
    if (job.position - job.released >= kReleaseBytes) {
        releaseDecodedBytes({job.data + job.released, job.position - job.released});
        job.released = job.position;
    }
}

// libpng rejects sides beyond our limit as a broken header; reading the
// claimed size first reports such files as too large instead.
bool claimsTooLarge(const std::uint8_t* data, std::size_t size) {
    if (size < 24 || std::memcmp(data + 12, "IHDR", 4) != 0)
        return false;
    const std::uint32_t width = pngBigEndian32(data + 16);
    const std::uint32_t height = pngBigEndian32(data + 20);
    if (width == 0 || height == 0 || width > 0x7FFFFFFFu || height > 0x7FFFFFFFu)
        return false; // not a size at all: libpng reports the broken header
    return !pictureSizeAllowed(width, height);
}

// Sets up libpng to hand over every colour type and depth as 8-bit B, G, R
// and a filler byte: the picture's Device layout. Stored colour values
// only: no gamma, no alpha blending, transparency is dropped.
int requestDeviceRows(png_structp png, int colorType, int bitDepth) {
    if (colorType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (bitDepth == 16)
        png_set_scale_16(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    // Also for palettes, whose tRNS chunk the expansion would turn into alpha.
    png_set_strip_alpha(png);
    png_set_bgr(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    return png_set_interlace_handling(png);
}

DecodeStatus checkHeader(const PngJob& job, png_uint_32 width, png_uint_32 height) {
    if (!pictureSizeAllowed(width, height))
        return DecodeStatus::TooLarge;
    // Both factors are bounded by the limits just checked: no overflow.
    const std::uint64_t rawBytes =
        std::uint64_t{height} * (1 + std::uint64_t{png_get_rowbytes(job.png, job.info)});
    if (rawBytes > kMaxInflateRatio * job.size + kInflateSlack)
        return DecodeStatus::Corrupt;
    return DecodeStatus::Ok;
}

void readHeader(PngJob& job) {
    png_read_info(job.png, job.info);
    png_get_IHDR(job.png, job.info, &job.width, &job.height, nullptr, nullptr, nullptr, nullptr,
                 nullptr);
    job.status = checkHeader(job, job.width, job.height);
}

// Called for every row libpng has finished, before it looks for more data.
void countRow(png_structp png, png_row_infop /*row*/, png_bytep /*data*/) {
    auto& job = *static_cast<PngJob*>(png_get_io_ptr(png));
    job.rowsComplete = ++job.rowsDone >= job.rowsToCome;
}

// The rows libpng hands over: each of Adam7's seven passes of an
// interlaced picture holds some of the rows, and a pass without columns none.
std::uint64_t rowsOf(png_uint_32 width, png_uint_32 height, int interlace) {
    if (interlace == PNG_INTERLACE_NONE)
        return height;
    struct Pass {
        std::uint32_t firstColumn, columnStep, firstRow, rowStep;
    };
    static constexpr Pass kPasses[7] = {{0, 8, 0, 8}, {4, 8, 0, 8}, {0, 4, 4, 8}, {2, 4, 0, 4},
                                        {0, 2, 2, 4}, {1, 2, 0, 2}, {0, 1, 1, 2}};
    const auto count = [](std::uint32_t size, std::uint32_t first, std::uint32_t step) {
        return size > first ? (size - first + step - 1) / step : 0;
    };
    std::uint64_t rows = 0;
    for (const Pass& pass : kPasses) {
        if (count(width, pass.firstColumn, pass.columnStep) > 0)
            rows += count(height, pass.firstRow, pass.rowStep);
    }
    return rows;
}

void requestRows(PngJob& job) {
    const int bitDepth = png_get_bit_depth(job.png, job.info);
    const int colorType = png_get_color_type(job.png, job.info);
    job.passes = requestDeviceRows(job.png, colorType, bitDepth);
    job.rowsToCome = rowsOf(job.width, job.height, png_get_interlace_type(job.png, job.info));
    png_set_read_user_transform_fn(job.png, countRow);
    png_read_update_info(job.png, job.info);
    if (png_get_rowbytes(job.png, job.info) != std::size_t{job.width} * 4 ||
        png_get_bit_depth(job.png, job.info) != 8)
        job.status = DecodeStatus::Corrupt;
}

void readRows(PngJob& job) {
    PictureRows& rows = *job.rows;
    const int height = static_cast<int>(job.height);
    // Each pass of an interlaced file, which loads whole, adds its pixels to
    // rows already there.
    for (int pass = 0; pass < job.passes; ++pass) {
        for (int y = 0; y < height && !rows.complete(); ++y) {
            if (cancelled(job)) {
                job.status = DecodeStatus::Cancelled;
                return;
            }
            job.rowPending = y;
            png_read_row(job.png, rows.row(y), nullptr);
            rows.rowDone(y);
            job.rowPending = -1;
        }
    }
    // Whatever follows the rows (more image data, text, IEND) cannot change
    // the picture, so it is not read: a file cut after its pixels still loads.
}

// The one function that calls setjmp: it owns nothing with a destructor, and
// everything a step changes lives in the job, outside its frame. A libpng
// error inside the step comes back as false, with the job's status set.
bool guarded(PngJob& job, void (*step)(PngJob&)) {
    if (setjmp(job.jump) != 0)
        return false;
    step(job);
    return true;
}

// The chunk that was being read when reading stopped at position: libpng
// checked the checksums of the chunks before it, not this one's, which
// covers pixels too. Truncated when the file ends inside it.
DecodeStatus checkChunkAt(const PngJob& job, std::size_t position) {
    std::size_t at = sizeof kSignature;
    while (at + 12 <= job.size && at < position) {
        const std::size_t length = pngBigEndian32(job.data + at);
        if (length > job.size - at - 12)
            return DecodeStatus::Truncated;
        const std::size_t end = at + 12 + length;
        if (position < end)
            return pngChunkSound({job.data, job.size}, at);
        at = end;
    }
    return at < position ? DecodeStatus::Truncated : DecodeStatus::Ok;
}

// Reads the rows; a stop once they are complete is no failure.
bool readAllRows(PngJob& job) {
    if (guarded(job, readRows))
        return true;
    if (!job.rowsComplete || job.status != DecodeStatus::Ok)
        return false;
    job.status = checkChunkAt(job, job.position);
    if (job.status != DecodeStatus::Ok)
        return false;
    // The last row left libpng by the stop, before the loop could take it.
    if (job.rowPending >= 0)
        job.rows->rowDone(job.rowPending);
    return true;
}

void createReader(PngJob& job) {
    // libpng may report errors while it builds its structures, so the
    // jump target is set first.
    job.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &job, onError, onWarning);
    if (job.png != nullptr)
        job.info = png_create_info_struct(job.png);
    if (job.png == nullptr || job.info == nullptr) {
        job.status = DecodeStatus::OutOfMemory;
        return;
    }
    png_set_read_fn(job.png, &job, readFromSpan);
    png_set_user_limits(job.png, static_cast<png_uint_32>(kMaxPictureSide),
                        static_cast<png_uint_32>(kMaxPictureSide));
    png_set_benign_errors(job.png, 1);
    // Only the pixels matter: every chunk but IHDR, PLTE, tRNS, IDAT and
    // IEND is skipped unread. Text, profiles and palettes suggested for
    // other displays would otherwise be decompressed into memory, up to a
    // gigabyte and more for a few bytes of file.
    png_set_keep_unknown_chunks(job.png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    png_set_chunk_malloc_max(job.png, kMaxChunkBytes);
#ifdef VARNELO_FUZZING
    // Mutated files almost never keep their checksums right; without this
    // the fuzzer would hardly get past the first chunk.
    png_set_crc_action(job.png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
    png_set_option(job.png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
}

bool ok(const PngJob& job) {
    return job.status == DecodeStatus::Ok;
}

// The pictures whose rows the decoder reads itself once libpng has read
// everything before them: 8-bit samples without interlacing or a palette,
// nearly every photo saved as PNG.
std::optional<PngLayout> ownLayout(const PngJob& job) {
    const int colorType = png_get_color_type(job.png, job.info);
    if (job.libpngOnly || png_get_bit_depth(job.png, job.info) != 8 ||
        png_get_interlace_type(job.png, job.info) != PNG_INTERLACE_NONE ||
        colorType == PNG_COLOR_TYPE_PALETTE || job.position < 8 + 12 + 8 ||
        std::memcmp(job.data + job.position - 4, "IDAT", 4) != 0)
        return std::nullopt;
    return PngLayout{.width = static_cast<int>(job.width),
                     .height = static_cast<int>(job.height),
                     .channels = png_get_channels(job.png, job.info)};
}

// Nothing, where the inflater refuses the image data: then libpng reads it.
std::optional<DecodeStatus> decodeOwnRows(PngJob& job, PngLayout layout,
                                          ConversionLoad* conversion) {
    PictureRows rows(*job.picture, conversion);
    const std::optional<PictureSize> size = rows.conversionSize(layout.width, layout.height);
    if (const DecodeStatus started =
            size ? rows.startStreamed(*size, layout.width, layout.height, PixelDepth::Device,
                                      {layout.width, layout.height})
                 : rows.startWhole(layout.width, layout.height, PixelDepth::Device);
        started != DecodeStatus::Ok)
        return started;
    bool inflaterRefused = false;
    const DecodeStatus status =
        readPngRows({job.data, job.size}, job.position, layout, rows, job.cancel, inflaterRefused);
    if (inflaterRefused)
        return std::nullopt;
    return status == DecodeStatus::Ok ? rows.finish(status) : status;
}

DecodeStatus decode(PngJob& job, ConversionLoad* conversion) {
    if (!guarded(job, createReader) || !ok(job) || !guarded(job, readHeader) || !ok(job))
        return job.status;
    if (const std::optional<PngLayout> layout = ownLayout(job)) {
        if (const std::optional<DecodeStatus> status = decodeOwnRows(job, *layout, conversion))
            return *status;
        job.readAgainByLibpng = true;
        return DecodeStatus::Corrupt;
    }
    const int width = static_cast<int>(job.width);
    const int height = static_cast<int>(job.height);
    if (!guarded(job, requestRows) || !ok(job))
        return job.status;
    // The rows live here, outside the frame libpng jumps out of. Interlaced
    // files fill their rows in seven passes: they load whole.
    PictureRows rows(*job.picture, conversion);
    const std::optional<PictureSize> size =
        png_get_interlace_type(job.png, job.info) == PNG_INTERLACE_NONE
            ? rows.conversionSize(width, height)
            : std::nullopt;
    if (const DecodeStatus started =
            size ? rows.startStreamed(*size, width, height, PixelDepth::Device, {width, height})
                 : rows.startWhole(width, height, PixelDepth::Device);
        started != DecodeStatus::Ok)
        return started;
    job.rows = &rows;
    if (!readAllRows(job))
        return job.status;
    return rows.finish(job.status, job.cancel);
}

DecodeStatus decodePngWith(FileBytes file, WorkBitmap& picture, DecodeCancel cancel,
                           ConversionLoad* conversion, bool libpngOnly) {
    picture.clear();
    if (file.size() < sizeof kSignature ||
        std::memcmp(file.data(), kSignature, sizeof kSignature) != 0)
        return DecodeStatus::WrongFormat;
    if (claimsTooLarge(file.data(), file.size()))
        return DecodeStatus::TooLarge;

    PngJob job{};
    job.data = file.data();
    job.size = file.size();
    job.picture = &picture;
    job.cancel = cancel;
    job.status = DecodeStatus::Ok;
    job.rowPending = -1;
    job.libpngOnly = libpngOnly;
    const DecodeStatus status = decode(job, conversion);
    if (job.png != nullptr)
        png_destroy_read_struct(&job.png, job.info != nullptr ? &job.info : nullptr, nullptr);
    if (job.readAgainByLibpng)
        return decodePngWith(file, picture, cancel, conversion, true);
    if (status != DecodeStatus::Ok)
        picture.clear();
    return status;
}

} // namespace

DecodeStatus decodePng(FileBytes file, WorkBitmap& picture, DecodeCancel cancel,
                       ConversionLoad* conversion) {
    return decodePngWith(file, picture, cancel, conversion, false);
}

DecodeStatus decodePngWithLibpng(FileBytes file, WorkBitmap& picture, DecodeCancel cancel,
                                 ConversionLoad* conversion) {
    return decodePngWith(file, picture, cancel, conversion, true);
}

} // namespace varnelo
