// The C interface: handles over the library's classes, every failure a
// status with its words kept for the calling thread, no exception let out.
#include "library/include/varnelo/varnelo.h"

#include "engine/version.h"
#include "library/caller_conversion.h"
#include "library/cell_grid.h"
#include "library/library_settings.h"
#include "library/picture_source.h"

#include <cstdlib>
#include <cstring>
#include <exception>
#include <limits>
#include <new>
#include <string>

struct varnelo_settings {
    varnelo::LibrarySettings settings;
};

struct varnelo_picture {
    varnelo::PictureSource source;
};

struct varnelo_job {
    varnelo::CallerJob job;
};

struct varnelo_cells {
    varnelo::CellGrid grid;
};

namespace {

thread_local std::string lastError;

varnelo_status fail(varnelo_status status, std::string message) {
    lastError = std::move(message);
    return status;
}

varnelo_status succeed() {
    lastError.clear();
    return VARNELO_OK;
}

varnelo_status answer(const varnelo::CallerOutcome& outcome) {
    return outcome.status == VARNELO_OK ? succeed() : fail(outcome.status, outcome.message);
}

// Runs a call, turning what it throws into a status: no exception crosses
// into a C caller.
template <typename Call>
varnelo_status guarded(Call call) noexcept {
    try {
        return call();
    } catch (const std::bad_alloc&) {
        return fail(VARNELO_ERROR_MEMORY, "not enough memory");
    } catch (const std::exception& error) {
        return fail(VARNELO_ERROR_PICTURE, error.what());
    } catch (...) {
        return fail(VARNELO_ERROR_PICTURE, "the conversion failed");
    }
}

varnelo_status nullArgument(const char* name) {
    return fail(VARNELO_ERROR_ARGUMENT, std::string(name) + " is NULL");
}

template <typename Handle>
Handle* made() noexcept {
    try {
        return new Handle();
    } catch (...) {
        return nullptr;
    }
}

// The pixels as the library keeps them: blue, green, red, each row apart.
bool copyPixels(const std::uint8_t* pixels, std::size_t stride, varnelo_pixel_layout layout,
                varnelo::WorkBitmap& picture) {
    const int channels = layout == VARNELO_PIXELS_GREY                                  ? 1
                         : layout == VARNELO_PIXELS_RGB || layout == VARNELO_PIXELS_BGR ? 3
                                                                                        : 4;
    const bool redFirst = layout == VARNELO_PIXELS_RGB || layout == VARNELO_PIXELS_RGBA;
    const auto width = static_cast<std::size_t>(picture.width());
    if (stride < width * static_cast<std::size_t>(channels))
        return false;
    for (int y = 0; y < picture.height(); ++y) {
        const std::uint8_t* from = pixels + static_cast<std::size_t>(y) * stride;
        std::uint8_t* to = picture.row(y);
        for (std::size_t x = 0; x < width; ++x, from += channels, to += 3) {
            if (channels == 1) {
                to[0] = to[1] = to[2] = from[0];
                continue;
            }
            to[0] = redFirst ? from[2] : from[0];
            to[1] = from[1];
            to[2] = redFirst ? from[0] : from[2];
        }
    }
    return true;
}

// 0xRRGGBB, as callers write colours, from the library's own order.
std::uint32_t rrggbb(varnelo::Rgb color) {
    return std::uint32_t{varnelo::redOf(color)} << 16 |
           std::uint32_t{varnelo::greenOf(color)} << 8 | varnelo::blueOf(color);
}

varnelo_status convert(const varnelo_settings* settings, const varnelo_picture* picture,
                       varnelo_job* job, const varnelo::CallerTarget& target) {
    if (settings == nullptr)
        return nullArgument("settings");
    if (picture == nullptr)
        return nullArgument("picture");
    varnelo::CallerJob ownJob;
    varnelo::CallerJob& running = job != nullptr ? job->job : ownJob;
    return answer(varnelo::convertForCaller(settings->settings, picture->source, running, target));
}

varnelo_status openBytes(const void* bytes, size_t size, bool copied, varnelo_picture** picture) {
    return guarded([&] {
        if (bytes == nullptr)
            return nullArgument("bytes");
        if (picture == nullptr)
            return nullArgument("picture");
        *picture = nullptr;
        varnelo::LoadOutcome refused;
        auto opened =
            std::make_unique<varnelo_picture>(varnelo_picture{varnelo::PictureSource::bytes(
                static_cast<const std::uint8_t*>(bytes), size, refused, copied)});
        if (refused.status != varnelo::LoadStatus::Loaded)
            return answer(varnelo::loadFailed(refused));
        *picture = opened.release();
        return succeed();
    });
}

} // namespace

extern "C" {

const char* varnelo_last_error(void) {
    return lastError.c_str();
}

const char* varnelo_version(void) {
    return varnelo::kVersion;
}

varnelo_settings* varnelo_settings_new(void) {
    return made<varnelo_settings>();
}

void varnelo_settings_free(varnelo_settings* settings) {
    delete settings;
}

varnelo_status varnelo_settings_set(varnelo_settings* settings, const char* name,
                                    const char* value) {
    return guarded([&] {
        if (settings == nullptr)
            return nullArgument("settings");
        if (name == nullptr)
            return nullArgument("name");
        if (const auto refused = settings->settings.set(name, value))
            return fail(VARNELO_ERROR_SETTING, *refused);
        return succeed();
    });
}

varnelo_status varnelo_settings_set_fit(varnelo_settings* settings, int columns, int rows) {
    return guarded([&] {
        const std::string fit = std::to_string(columns) + "x" + std::to_string(rows);
        return varnelo_settings_set(settings, "fit", fit.c_str());
    });
}

varnelo_status varnelo_picture_open_file(const char* path, varnelo_picture** picture) {
    return guarded([&] {
        if (path == nullptr)
            return nullArgument("path");
        if (picture == nullptr)
            return nullArgument("picture");
        *picture = nullptr;
        varnelo::LoadOutcome refused;
        auto opened = std::make_unique<varnelo_picture>(
            varnelo_picture{varnelo::PictureSource::file(path, refused)});
        if (refused.status != varnelo::LoadStatus::Loaded)
            return answer(varnelo::loadFailed(refused));
        *picture = opened.release();
        return succeed();
    });
}

varnelo_status varnelo_picture_open_memory(const void* bytes, size_t size,
                                           varnelo_picture** picture) {
    return openBytes(bytes, size, true, picture);
}

varnelo_status varnelo_picture_wrap_memory(const void* bytes, size_t size,
                                           varnelo_picture** picture) {
    return openBytes(bytes, size, false, picture);
}

varnelo_status varnelo_picture_size(const varnelo_picture* picture, int* width, int* height) {
    return guarded([&] {
        if (picture == nullptr)
            return nullArgument("picture");
        if (width == nullptr || height == nullptr)
            return nullArgument(width == nullptr ? "width" : "height");
        varnelo::PictureSize size;
        const varnelo::LoadOutcome outcome = picture->source.size(size);
        if (outcome.status != varnelo::LoadStatus::Loaded)
            return answer(varnelo::loadFailed(outcome));
        *width = size.width;
        *height = size.height;
        return succeed();
    });
}

varnelo_status varnelo_picture_from_pixels(const void* pixels, int width, int height, size_t stride,
                                           varnelo_pixel_layout layout, varnelo_picture** picture) {
    return guarded([&] {
        if (pixels == nullptr)
            return nullArgument("pixels");
        if (picture == nullptr)
            return nullArgument("picture");
        *picture = nullptr;
        if (width <= 0 || height <= 0 || layout < VARNELO_PIXELS_RGB ||
            layout > VARNELO_PIXELS_GREY)
            return fail(VARNELO_ERROR_ARGUMENT, "no picture of " + std::to_string(width) + " x " +
                                                    std::to_string(height) + " pixels");
        varnelo::WorkBitmap bitmap;
        if (!bitmap.allocate(width, height, varnelo::PixelDepth::Bits24))
            return fail(VARNELO_ERROR_TOO_LARGE, "picture too large, or no memory for it");
        if (!copyPixels(static_cast<const std::uint8_t*>(pixels), stride, layout, bitmap))
            return fail(VARNELO_ERROR_ARGUMENT, "the stride is shorter than a row");
        *picture = new varnelo_picture{varnelo::PictureSource::pixels(std::move(bitmap))};
        return succeed();
    });
}

void varnelo_picture_free(varnelo_picture* picture) {
    delete picture;
}

varnelo_job* varnelo_job_new(void) {
    return made<varnelo_job>();
}

void varnelo_job_free(varnelo_job* job) {
    delete job;
}

void varnelo_job_set_progress(varnelo_job* job, varnelo_progress_fn progress, void* user) {
    if (job == nullptr)
        return;
    job->job.progress = progress;
    job->job.user = user;
}

void varnelo_job_cancel(varnelo_job* job) {
    if (job != nullptr)
        job->job.cancel.store(true);
}

varnelo_status varnelo_convert_to_cells(const varnelo_settings* settings,
                                        const varnelo_picture* picture, varnelo_job* job,
                                        varnelo_cells** cells) {
    return guarded([&] {
        if (cells == nullptr)
            return nullArgument("cells");
        *cells = nullptr;
        auto grid = std::make_unique<varnelo_cells>();
        varnelo::CallerTarget target;
        target.kind = varnelo::CallerTarget::Kind::Cells;
        target.cells = &grid->grid;
        const varnelo_status status = convert(settings, picture, job, target);
        if (status == VARNELO_OK)
            *cells = grid.release();
        return status;
    });
}

int varnelo_cells_columns(const varnelo_cells* cells) {
    return cells != nullptr ? cells->grid.columns() : 0;
}

int varnelo_cells_rows(const varnelo_cells* cells) {
    return cells != nullptr ? cells->grid.rows() : 0;
}

const char* varnelo_cells_text(const varnelo_cells* cells, int column, int row) {
    if (cells == nullptr || !cells->grid.contains(column, row))
        return nullptr;
    return cells->grid.text(column, row);
}

uint32_t varnelo_cells_ink(const varnelo_cells* cells, int column, int row) {
    if (cells == nullptr || !cells->grid.contains(column, row))
        return 0;
    return rrggbb(cells->grid.ink(column, row));
}

uint32_t varnelo_cells_background(const varnelo_cells* cells, int column, int row) {
    if (cells == nullptr || !cells->grid.contains(column, row))
        return 0;
    return rrggbb(cells->grid.background(column, row));
}

void varnelo_cells_free(varnelo_cells* cells) {
    delete cells;
}

varnelo_status varnelo_convert_to_file(const varnelo_settings* settings,
                                       const varnelo_picture* picture, varnelo_job* job,
                                       const char* path) {
    return guarded([&] {
        if (path == nullptr)
            return nullArgument("path");
        varnelo::CallerTarget target;
        target.kind = varnelo::CallerTarget::Kind::File;
        target.path = path;
        return convert(settings, picture, job, target);
    });
}

varnelo_status varnelo_convert_to_memory(const varnelo_settings* settings,
                                         const varnelo_picture* picture, varnelo_job* job,
                                         void** bytes, size_t* size) {
    return guarded([&] {
        if (bytes == nullptr)
            return nullArgument("bytes");
        if (size == nullptr)
            return nullArgument("size");
        *bytes = nullptr;
        *size = 0;
        std::vector<std::uint8_t> written;
        varnelo::CallerTarget target;
        target.kind = varnelo::CallerTarget::Kind::Memory;
        target.memory = &written;
        const varnelo_status status = convert(settings, picture, job, target);
        if (status != VARNELO_OK)
            return status;
        // malloc'd, so that a caller without C++ frees it with varnelo_free;
        // one byte more, so that even an empty output has a buffer.
        void* copy = std::malloc(written.size() + 1);
        if (copy == nullptr)
            return fail(VARNELO_ERROR_MEMORY, "not enough memory for the output");
        if (!written.empty())
            std::memcpy(copy, written.data(), written.size());
        static_cast<std::uint8_t*>(copy)[written.size()] = 0;
        *bytes = copy;
        *size = written.size();
        return status;
    });
}

varnelo_status varnelo_convert_to_descriptor(const varnelo_settings* settings,
                                             const varnelo_picture* picture, varnelo_job* job,
                                             int descriptor) {
    return guarded([&] {
        if (descriptor < 0)
            return fail(VARNELO_ERROR_ARGUMENT, "no descriptor " + std::to_string(descriptor));
        varnelo::CallerTarget target;
        target.kind = varnelo::CallerTarget::Kind::Descriptor;
        target.descriptor = descriptor;
        return convert(settings, picture, job, target);
    });
}

void varnelo_free(void* bytes) {
    std::free(bytes);
}

} // extern "C"
