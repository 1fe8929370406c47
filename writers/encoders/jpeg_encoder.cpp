#include "writers/encoders/jpeg_encoder.h"

#include "base/picture_limits.h"

#include <algorithm>
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio> // jpeglib.h uses FILE and size_t without including their headers
#include <vector>

#include <jpeglib.h>

#ifndef JCS_EXTENSIONS
#error "libjpeg-turbo's extended colour spaces are needed to take B, G, R rows as they are"
#endif

namespace varnelo {
namespace {

// Compressed bytes reach the sink in pieces of this size: few writes, and a
// buffer that stays small next to the picture.
constexpr std::size_t kChunkBytes = 64 * 1024;

// Everything the libjpeg callbacks reach through client_data. Plain data only:
// libjpeg leaves through longjmp, which runs no destructors.
struct JpegJob {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    jpeg_destination_mgr destination;
    std::jmp_buf jump;
    ByteSink* sink;
    std::uint8_t* buffer;
    const std::uint8_t* row;
    JDIMENSION width;
    JDIMENSION height;
    bool fourBytesPerPixel;
    int quality;
};

JpegJob& jobOf(j_common_ptr info) {
    return *static_cast<JpegJob*>(info->client_data);
}
JpegJob& jobOf(j_compress_ptr info) {
    return *static_cast<JpegJob*>(info->client_data);
}

[[noreturn]] void fail(JpegJob& job) {
    std::longjmp(job.jump, 1);
}

// Replaces libjpeg's default, which prints and exits the program.
[[noreturn]] void onError(j_common_ptr info) {
    fail(jobOf(info));
}
void onMessage(j_common_ptr /*info*/, int /*level*/) {}
void onOutput(j_common_ptr /*info*/) {}

// libjpeg is C and cannot pass an exception on; a sink that throws has failed.
bool sinkAccepts(ByteSink& sink, const std::uint8_t* bytes, std::size_t count) noexcept {
    if (count == 0)
        return true;
    try {
        return sink.write(std::span<const std::uint8_t>(bytes, count));
    } catch (...) {
        return false;
    }
}

void initDestination(j_compress_ptr info) {
    JpegJob& job = jobOf(info);
    job.destination.next_output_byte = job.buffer;
    job.destination.free_in_buffer = kChunkBytes;
}

// libjpeg calls this with the whole buffer due, whatever free_in_buffer says.
boolean emptyDestination(j_compress_ptr info) {
    JpegJob& job = jobOf(info);
    if (!sinkAccepts(*job.sink, job.buffer, kChunkBytes))
        fail(job);
    initDestination(info);
    return TRUE;
}

void termDestination(j_compress_ptr info) {
    JpegJob& job = jobOf(info);
    if (!sinkAccepts(*job.sink, job.buffer, kChunkBytes - job.destination.free_in_buffer))
        fail(job);
}

void start(JpegJob& job) {
    jpeg_compress_struct& info = job.info;
    // The jpeg_create_compress macro hides an old-style cast. Creating clears
    // the struct, so everything else is set afterwards.
    jpeg_CreateCompress(&info, JPEG_LIB_VERSION, sizeof(jpeg_compress_struct));
    info.dest = &job.destination;
    info.image_width = job.width;
    info.image_height = job.height;
    info.input_components = job.fourBytesPerPixel ? 4 : 3;
    info.in_color_space = job.fourBytesPerPixel ? JCS_EXT_BGRX : JCS_EXT_BGR;
    // The defaults depend on the input colour space, so it is set first.
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, job.quality, TRUE);
    jpeg_start_compress(&info, TRUE);
}

void writeRow(JpegJob& job) {
    // libjpeg only reads the rows it is given; its interface predates const.
    JSAMPROW row = const_cast<JSAMPROW>(job.row);
    if (jpeg_write_scanlines(&job.info, &row, 1) != 1)
        fail(job);
}

void finish(JpegJob& job) {
    jpeg_finish_compress(&job.info);
}

// The one function that calls setjmp: it owns nothing with a destructor, and
// everything a step changes lives in the job, outside its frame. A libjpeg
// error inside the step comes back as false.
bool guarded(JpegJob& job, void (*step)(JpegJob&)) {
    if (setjmp(job.jump) != 0)
        return false;
    step(job);
    return true;
}

// Frees libjpeg's memory however writing ends, also when the row source throws.
class CompressorRelease {
public:
    explicit CompressorRelease(jpeg_compress_struct& info) : info_(info) {}
    CompressorRelease(const CompressorRelease&) = delete;
    CompressorRelease& operator=(const CompressorRelease&) = delete;
    // Safe on a struct that was never created: it is zeroed, so holds no memory.
    ~CompressorRelease() { jpeg_destroy_compress(&info_); }

private:
    jpeg_compress_struct& info_;
};

} // namespace

bool writeJpeg(ByteSink& sink, int width, int height, RowFormat format, const RowSource& rowAt,
               int quality) {
    // JPEG's own bound lies a little below the picture limits.
    if (!rowAt || !pictureSizeAllowed(width, height) || width > JPEG_MAX_DIMENSION ||
        height > JPEG_MAX_DIMENSION)
        return false;

    std::vector<std::uint8_t> buffer(kChunkBytes);
    JpegJob job{};
    job.info.err = jpeg_std_error(&job.errors);
    job.errors.error_exit = onError;
    job.errors.emit_message = onMessage;
    job.errors.output_message = onOutput;
    job.info.client_data = &job;
    job.destination.init_destination = initDestination;
    job.destination.empty_output_buffer = emptyDestination;
    job.destination.term_destination = termDestination;
    job.sink = &sink;
    job.buffer = buffer.data();
    job.width = static_cast<JDIMENSION>(width);
    job.height = static_cast<JDIMENSION>(height);
    job.fourBytesPerPixel = format == RowFormat::Bgrx32;
    job.quality = std::clamp(quality, 1, 100);
    const CompressorRelease release(job.info);

    if (!guarded(job, start))
        return false;
    // One row at a time: the picture is never copied whole, and a cancel
    // takes effect before the next row.
    for (int y = 0; y < height; ++y) {
        job.row = rowAt(y);
        if (job.row == nullptr || !guarded(job, writeRow))
            return false;
    }
    return guarded(job, finish);
}

} // namespace varnelo
