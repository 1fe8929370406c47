#include "reading/codecs/jpeg_decoder.h"

#include "reading/codecs/jpeg_work.h"

#include "base/picture_limits.h"
#include "base/work_bitmap.h"
#include "reading/conversion_load.h"
#include "reading/picture_rows.h"

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio> // jpeglib.h uses FILE and size_t without including their headers
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

namespace varnelo {
namespace {

// libjpeg hands out at most a few rows per call; asking for more costs nothing.
constexpr int kRowsPerCall = 16;

// Served in place of the bytes after the end of the file.
constexpr JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

// Everything the libjpeg callbacks reach through client_data. Plain data only:
// libjpeg leaves through longjmp, which runs no destructors.
struct JpegJob {
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    jpeg_source_mgr source;
    jpeg_progress_mgr progress;
    std::jmp_buf jump;
    WorkBitmap* picture;
    PictureRows* rows;
    // The size libjpeg decodes at: the picture's own, or reduced for a conversion.
    PictureSize decoded;
    FileBytes file;
    DecodeCancel cancel;
    DecodeStatus status;
    // A file that ends right after its last scan, lacking only the end
    // marker, still holds the whole picture. That is only knowable for a
    // single Huffman-coded scan; everywhere else the end of the data means
    // part of the picture is missing.
    bool missingEndTolerated;
    bool ranOut;
};

JpegJob& jobOf(j_common_ptr info) {
    return *static_cast<JpegJob*>(info->client_data);
}
JpegJob& jobOf(j_decompress_ptr info) {
    return *static_cast<JpegJob*>(info->client_data);
}

[[noreturn]] void fail(JpegJob& job, DecodeStatus status) {
    job.status = status;
    std::longjmp(job.jump, 1);
}

DecodeStatus statusForError(int code) {
    switch (code) {
    case JERR_NO_SOI:
        return DecodeStatus::WrongFormat;
    case JERR_OUT_OF_MEMORY:
    case JERR_NO_BACKING_STORE:
        return DecodeStatus::OutOfMemory;
    case JERR_IMAGE_TOO_BIG:
        return DecodeStatus::TooLarge;
    case JERR_BAD_PRECISION:
    case JERR_SOF_UNSUPPORTED:
    case JERR_NOT_COMPILED:
    case JERR_CONVERSION_NOTIMPL:
        return DecodeStatus::Unsupported;
    default:
        return DecodeStatus::Corrupt;
    }
}

void onError(j_common_ptr info) {
    fail(jobOf(info), statusForError(info->err->msg_code));
}

// Replaces libjpeg's printing. Damaged data is mostly tolerated, as every
// viewer does, but not data that ends before the picture does: past the end
// of the file, or at the end-of-image marker, libjpeg would go on with made-up
// bits and fill the (possibly huge) rest of the picture with grey.
void onMessage(j_common_ptr info, int level) {
    if (level >= 0)
        return; // trace output
    ++info->err->num_warnings;
    JpegJob& job = jobOf(info);
    const int code = info->err->msg_code;
    const bool dataEndedEarly =
        (code == JWRN_HIT_MARKER || code == JWRN_MUST_RESYNC) && job.info.unread_marker == JPEG_EOI;
    if (job.ranOut || dataEndedEarly || code == JWRN_JPEG_EOF)
        fail(job, DecodeStatus::Truncated);
}

void onOutput(j_common_ptr /*info*/) {}

// Called every row of blocks or so, in every scan: often enough to stop
// within a fraction of a second.
void onProgress(j_common_ptr info) {
    JpegJob& job = jobOf(info);
    if (cancelled(job.cancel))
        fail(job, DecodeStatus::Cancelled);
    // The scans were counted before decoding; this holds should libjpeg
    // find more than the count did.
    if (job.info.input_scan_number > kMaxJpegScans)
        fail(job, DecodeStatus::TooCostly);
}

// Bounds the work before any of it is done: every scan walks the whole picture.
DecodeStatus checkCost(const JpegJob& job) {
    JpegWork work;
    work.width = job.info.image_width;
    work.height = job.info.image_height;
    work.scans = countJpegScans(job.file);
    for (int i = 0; i < job.info.num_components; ++i) {
        const jpeg_component_info& component = job.info.comp_info[i];
        work.blocks += std::int64_t{component.width_in_blocks} * component.height_in_blocks;
    }
    const DecodeStatus status = checkJpegWork(work, static_cast<std::int64_t>(job.file.size()));
    // A picture past the limits is refused as too large, further on.
    if (status == DecodeStatus::Truncated && !pictureSizeAllowed(work.width, work.height))
        return DecodeStatus::Ok;
    return status;
}

void initSource(j_decompress_ptr /*info*/) {}
void termSource(j_decompress_ptr /*info*/) {}

boolean fillInput(j_decompress_ptr info) {
    JpegJob& job = jobOf(info);
    if (!job.missingEndTolerated)
        fail(job, DecodeStatus::Truncated);
    job.ranOut = true;
    info->src->next_input_byte = kEndOfImage;
    info->src->bytes_in_buffer = sizeof kEndOfImage;
    return TRUE;
}

void skipInput(j_decompress_ptr info, long count) {
    if (count <= 0)
        return;
    jpeg_source_mgr& source = *info->src;
    const auto skip = static_cast<unsigned long>(count);
    if (skip > source.bytes_in_buffer) {
        source.bytes_in_buffer = 0;
        fillInput(info);
        return;
    }
    source.next_input_byte += skip;
    source.bytes_in_buffer -= skip;
}

// Stored CMYK is R = (255 − C)(255 − K)/255; Adobe's programs write the
// channels inverted, so for their files R = C·K/255.
std::uint8_t scaled(unsigned a, unsigned b) {
    return static_cast<std::uint8_t>((a * b + 127) / 255);
}

void cmykToBgrx(std::uint8_t* pixel, int width, bool inverted) {
    const unsigned flip = inverted ? 0 : 255;
    for (int x = 0; x < width; ++x, pixel += 4) {
        const unsigned k = pixel[3] ^ flip;
        const std::uint8_t red = scaled(pixel[0] ^ flip, k);
        const std::uint8_t green = scaled(pixel[1] ^ flip, k);
        const std::uint8_t blue = scaled(pixel[2] ^ flip, k);
        pixel[0] = blue;
        pixel[1] = green;
        pixel[2] = red;
        pixel[3] = 0;
    }
}

// Picks the output format libjpeg converts to; the picture keeps that depth.
DecodeStatus chooseOutput(JpegJob& job, PixelDepth& depth) {
    jpeg_decompress_struct& info = job.info;
    switch (info.jpeg_color_space) {
    case JCS_GRAYSCALE:
        info.out_color_space = JCS_GRAYSCALE;
        depth = PixelDepth::Bits8;
        break;
    case JCS_YCbCr:
    case JCS_RGB:
        info.out_color_space = JCS_EXT_BGR;
        depth = PixelDepth::Bits24;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        info.out_color_space = JCS_CMYK;
        depth = PixelDepth::Bits32;
        break;
    default:
        return DecodeStatus::Unsupported;
    }
    if (!pictureSizeAllowed(info.image_width, info.image_height))
        return DecodeStatus::TooLarge;
    return DecodeStatus::Ok;
}

// A file of several scans is decoded into the coefficients of the whole
// picture, at its own size whatever size it is decoded at: 64 of 2 bytes a
// block of each channel.
std::int64_t coefficientBytes(j_decompress_ptr info) {
    if (jpeg_has_multiple_scans(info) == FALSE)
        return 0;
    std::int64_t blocks = 0;
    for (int i = 0; i < info->num_components; ++i)
        blocks +=
            std::int64_t{info->comp_info[i].width_in_blocks} * info->comp_info[i].height_in_blocks;
    return blocks * 64 * static_cast<std::int64_t>(sizeof(JCOEF));
}

// The sides libjpeg decodes at when it scales by 1/denominator.
PictureSize scaledSize(const jpeg_decompress_struct& info, unsigned denominator) {
    return {static_cast<std::int32_t>((info.image_width + denominator - 1) / denominator),
            static_cast<std::int32_t>((info.image_height + denominator - 1) / denominator)};
}

// The largest of libjpeg's reductions whose picture is still at least the
// conversion's size both ways: decoding fewer pixels, it averages the rest.
unsigned reductionFor(const jpeg_decompress_struct& info, PictureSize target) {
    for (const unsigned denominator : {8u, 4u, 2u}) {
        const PictureSize scaled = scaledSize(info, denominator);
        if (scaled.width >= target.width && scaled.height >= target.height)
            return denominator;
    }
    return 1;
}

// Every row, into the picture or through the resizer; libjpeg writes
// straight into them.
void readRows(JpegJob& job) {
    jpeg_decompress_struct& info = job.info;
    PictureRows& rows = *job.rows;
    const int width = static_cast<int>(info.output_width);
    const int height = static_cast<int>(info.output_height);
    const bool cmyk = info.out_color_space == JCS_CMYK;
    while (static_cast<int>(info.output_scanline) < height) {
        const int first = static_cast<int>(info.output_scanline);
        const int wanted = std::min(kRowsPerCall, height - first);
        JSAMPROW pointers[kRowsPerCall];
        for (int i = 0; i < wanted; ++i)
            pointers[i] = rows.row(first + i);
        const auto got =
            static_cast<int>(jpeg_read_scanlines(&info, pointers, static_cast<JDIMENSION>(wanted)));
        if (got <= 0)
            fail(job, DecodeStatus::Corrupt);
        for (int i = 0; i < got; ++i) {
            if (cmyk)
                cmykToBgrx(pointers[i], width, info.saw_Adobe_marker != FALSE);
            rows.rowDone(first + i);
        }
    }
}

void startDecoder(JpegJob& job) {
    // The jpeg_create_decompress macro hides an old-style cast.
    jpeg_CreateDecompress(&job.info, JPEG_LIB_VERSION, sizeof(jpeg_decompress_struct));
    job.info.src = &job.source;
    job.info.progress = &job.progress;
    jpeg_read_header(&job.info, TRUE);
    job.status = checkCost(job);
}

void decodeRows(JpegJob& job) {
    jpeg_start_decompress(&job.info);
    const int width = job.decoded.width;
    const int height = job.decoded.height;
    const int components = job.info.out_color_space == JCS_GRAYSCALE ? 1
                           : job.info.out_color_space == JCS_CMYK    ? 4
                                                                     : 3;
    if (static_cast<int>(job.info.output_width) != width ||
        static_cast<int>(job.info.output_height) != height ||
        job.info.output_components != components)
        fail(job, DecodeStatus::Corrupt);
    job.missingEndTolerated =
        !job.info.progressive_mode && !job.info.arith_code && !jpeg_has_multiple_scans(&job.info);
    readRows(job);
    jpeg_finish_decompress(&job.info);
}

// The one function that calls setjmp: it owns nothing with a destructor, and
// everything a step changes lives in the job, outside its frame. A libjpeg
// error inside the step comes back as false, with the job's status set.
bool guarded(JpegJob& job, void (*step)(JpegJob&)) {
    if (setjmp(job.jump) != 0)
        return false;
    step(job);
    return true;
}

// The picture whole, or for a conversion that shrinks it, decoded at the
// largest of libjpeg's reductions that keeps the conversion's size.
DecodeStatus startRows(JpegJob& job, PictureRows& rows, PixelDepth depth) {
    const PictureSize own{static_cast<int>(job.info.image_width),
                          static_cast<int>(job.info.image_height)};
    const std::optional<PictureSize> size = rows.conversionSize(own.width, own.height);
    if (!size) {
        job.decoded = own;
        return rows.startWhole(own.width, own.height, depth);
    }
    const unsigned denominator = reductionFor(job.info, rows.leastDecodedSize(*size));
    job.info.scale_num = 1;
    job.info.scale_denom = denominator;
    job.decoded = scaledSize(job.info, denominator);
    if (rows.keepsDecoded(job.decoded, *size))
        return rows.startScaledByDecoder(job.decoded, depth, own);
    // The last decoded column and row stand for what is left of a block.
    // libjpeg has one core to itself: the rows are resized beside it.
    return rows.startStreamed(*size, job.decoded.width, job.decoded.height, depth, own,
                              kRowsPerCall,
                              {static_cast<double>(job.info.image_width) / denominator,
                               static_cast<double>(job.info.image_height) / denominator},
                              true);
}

DecodeStatus decode(JpegJob& job, ConversionLoad* conversion) {
    if (!guarded(job, startDecoder) || job.status != DecodeStatus::Ok)
        return job.status;
    PixelDepth depth = PixelDepth::Bits24;
    job.status = chooseOutput(job, depth);
    if (job.status != DecodeStatus::Ok)
        return job.status;
    // The rows live here, outside the frame libjpeg jumps out of.
    PictureRows rows(*job.picture, conversion);
    rows.holdBesides(coefficientBytes(&job.info));
    if (const DecodeStatus started = startRows(job, rows, depth); started != DecodeStatus::Ok)
        return started;
    if (depth == PixelDepth::Bits8)
        rows.setColorTable(greyColorTable());
    job.rows = &rows;
    if (!guarded(job, decodeRows))
        return job.status;
    return rows.finish(job.status);
}

} // namespace

DecodeStatus decodeJpeg(FileBytes file, WorkBitmap& picture, DecodeCancel cancel,
                        ConversionLoad* conversion) {
    picture.clear();
    if (file.size() < 2 || file[0] != 0xFF || file[1] != 0xD8)
        return DecodeStatus::WrongFormat;

    JpegJob job{};
    job.picture = &picture;
    job.file = file;
    job.cancel = cancel;
    job.status = DecodeStatus::Ok;
    job.info.err = jpeg_std_error(&job.errors);
    job.errors.error_exit = onError;
    job.errors.emit_message = onMessage;
    job.errors.output_message = onOutput;
    job.info.client_data = &job;
    job.source.next_input_byte = file.data();
    job.source.bytes_in_buffer = file.size();
    job.source.init_source = initSource;
    job.source.fill_input_buffer = fillInput;
    job.source.skip_input_data = skipInput;
    job.source.resync_to_restart = jpeg_resync_to_restart;
    job.source.term_source = termSource;
    job.progress.progress_monitor = onProgress;

    const DecodeStatus status = decode(job, conversion);
    jpeg_destroy_decompress(&job.info);
    if (status != DecodeStatus::Ok)
        picture.clear();
    return status;
}

} // namespace varnelo
