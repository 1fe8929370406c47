#include "engine/codecs/png_encoder.h"

#include "engine/picture_limits.h"

#include <algorithm>
#include <csetjmp>
#include <cstddef>
#include <cstdint>

#include <png.h>

namespace varnelo {
namespace {

// Everything the libpng callbacks reach. Plain data only: libpng leaves
// through longjmp, which runs no destructors.
struct PngJob {
    std::jmp_buf jump;
    ByteSink* sink;
    png_structp png;
    png_infop info;
    png_const_bytep row;
    png_uint_32 width;
    png_uint_32 height;
    bool fourBytesPerPixel;
    int level;
};

PngJob& jobOf(png_structp png) {
    return *static_cast<PngJob*>(png_get_error_ptr(png));
}

[[noreturn]] void fail(PngJob& job) {
    std::longjmp(job.jump, 1);
}

// Replace libpng's defaults, which print to stderr.
[[noreturn]] void onError(png_structp png, png_const_charp /*message*/) {
    fail(jobOf(png));
}
void onWarning(png_structp /*png*/, png_const_charp /*message*/) {}

// libpng is C and cannot pass an exception on; a sink that throws has failed.
bool sinkAccepts(ByteSink& sink, const std::uint8_t* bytes, std::size_t count) noexcept {
    if (count == 0)
        return true;
    try {
        return sink.write(std::span<const std::uint8_t>(bytes, count));
    } catch (...) {
        return false;
    }
}

// libpng writes each chunk in a few small pieces; sinks that reach a file
// gather small writes themselves.
void writeToSink(png_structp png, png_bytep bytes, std::size_t count) {
    PngJob& job = jobOf(png);
    if (!sinkAccepts(*job.sink, bytes, count))
        fail(job);
}

// Without a flush function of its own libpng would treat the sink as a FILE*.
void flushNothing(png_structp /*png*/) {}

void start(PngJob& job) {
    job.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &job, onError, onWarning);
    if (job.png == nullptr)
        fail(job);
    job.info = png_create_info_struct(job.png);
    if (job.info == nullptr)
        fail(job);
    png_set_write_fn(job.png, &job, writeToSink, flushNothing);
    png_set_IHDR(job.png, job.info, job.width, job.height, 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(job.png, job.level);
    png_write_info(job.png, job.info);
    // libpng takes the row layout only once the header is written. Both
    // transforms work on its own copy of each row, so ours are never copied.
    png_set_bgr(job.png);
    if (job.fourBytesPerPixel)
        png_set_filler(job.png, 0, PNG_FILLER_AFTER);
}

void writeRow(PngJob& job) {
    png_write_row(job.png, job.row);
}

void finish(PngJob& job) {
    png_write_end(job.png, job.info);
}

// The one function that calls setjmp: it owns nothing with a destructor, and
// everything a step changes lives in the job, outside its frame. A libpng
// error inside the step comes back as false.
bool guarded(PngJob& job, void (*step)(PngJob&)) {
    if (setjmp(job.jump) != 0)
        return false;
    step(job);
    return true;
}

// Frees libpng's structures however writing ends, also when the row source throws.
class WriterRelease {
public:
    explicit WriterRelease(PngJob& job) : job_(job) {}
    WriterRelease(const WriterRelease&) = delete;
    WriterRelease& operator=(const WriterRelease&) = delete;
    ~WriterRelease() {
        if (job_.png != nullptr)
            png_destroy_write_struct(&job_.png, &job_.info);
    }

private:
    PngJob& job_;
};

} // namespace

bool writePng(ByteSink& sink, int width, int height, RowFormat format, const RowSource& rowAt,
              int compressionLevel) {
    if (!rowAt || !pictureSizeAllowed(width, height))
        return false;

    PngJob job{};
    job.sink = &sink;
    job.width = static_cast<png_uint_32>(width);
    job.height = static_cast<png_uint_32>(height);
    job.fourBytesPerPixel = format == RowFormat::Bgrx32;
    job.level = std::clamp(compressionLevel, 0, 9);
    const WriterRelease release(job);

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
