#include "base/work_bitmap.h"

#include <sys/mman.h>

#include <cstdint>

#include "base/picture_limits.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

namespace varnelo {

WorkBitmap::WorkBitmap(const WorkBitmap& other) {
    *this = other;
}

WorkBitmap& WorkBitmap::operator=(const WorkBitmap& other) {
    if (this == &other)
        return *this;
    if (other.isEmpty()) {
        clear();
    } else if (allocate(other.width_, other.height_, other.depth_)) {
        std::memcpy(pixels_.get(), other.pixels_.get(),
                    stride_ * static_cast<std::size_t>(height_));
    } else {
        throw std::bad_alloc(); // a copy that silently came out empty would lose the picture
    }
    depth_ = other.depth_;
    colorTable_ = other.colorTable_;
    return *this;
}

WorkBitmap::WorkBitmap(WorkBitmap&& other) noexcept {
    *this = std::move(other);
}

WorkBitmap& WorkBitmap::operator=(WorkBitmap&& other) noexcept {
    if (this == &other)
        return *this;
    pixels_ = std::move(other.pixels_);
    width_ = std::exchange(other.width_, 0);
    height_ = std::exchange(other.height_, 0);
    stride_ = std::exchange(other.stride_, 0);
    depth_ = other.depth_;
    colorTable_ = other.colorTable_;
    return *this;
}

namespace {

// A picture is written once, top to bottom, right after it is taken, and
// a page fault costs far more than writing the page, several times over in
// a virtual machine. Where the system gives pages of 2 MB on request, every
// whole one the picture spans is asked for that way: one fault each instead
// of 512. A picture below 8 MB then has all its pages made present in one
// call; a bigger one gets them as written, so that one whose decoding fails
// early never costs its whole size.
void prepareForWriting(std::uint8_t* memory, std::size_t bytes) {
    constexpr std::uintptr_t kLargePage = std::uintptr_t{2} << 20;
    constexpr std::uintptr_t kPage = 4096;
    if (bytes < (std::size_t{1} << 20))
        return;
    const auto first = reinterpret_cast<std::uintptr_t>(memory);
    const auto largeStart = (first + kLargePage - 1) & ~(kLargePage - 1);
    const auto largeEnd = (first + bytes) & ~(kLargePage - 1);
    if (largeEnd > largeStart)
        ::madvise(reinterpret_cast<void*>(largeStart), largeEnd - largeStart, MADV_HUGEPAGE);
    // A system without this advice refuses it; the pages then come as written.
    const std::uintptr_t start = first & ~(kPage - 1);
    if (bytes < 4 * kLargePage)
        ::madvise(reinterpret_cast<void*>(start), first + bytes - start, MADV_POPULATE_WRITE);
}

} // namespace

bool WorkBitmap::allocate(int width, int height, PixelDepth depth) {
    clear();
    depth_ = depth;
    colorTable_.fill(0);
    const auto bytes = pictureBufferSize(width, height, bytesPerPixel(depth));
    if (!bytes)
        return false;
    // calloc: large blocks come straight from the kernel as zero pages, so a
    // picture whose decoding fails early never touches most of its memory.
    auto* memory = static_cast<std::uint8_t*>(std::calloc(*bytes, 1));
    if (memory == nullptr)
        return false;
    // Its own, whatever it was before (a view).
    pixels_ = std::unique_ptr<std::uint8_t[], FreeDeleter>(memory);
    prepareForWriting(memory, *bytes);
    width_ = width;
    height_ = height;
    stride_ = static_cast<std::size_t>(width) * static_cast<std::size_t>(bytesPerPixel(depth));
    return true;
}

WorkBitmap WorkBitmap::viewOf(const WorkBitmap& other) {
    WorkBitmap view;
    view.pixels_ =
        std::unique_ptr<std::uint8_t[], FreeDeleter>(other.pixels_.get(), FreeDeleter{false});
    view.width_ = other.width_;
    view.height_ = other.height_;
    view.stride_ = other.stride_;
    view.depth_ = other.depth_;
    view.colorTable_ = other.colorTable_;
    return view;
}

void WorkBitmap::clear() {
    pixels_.reset();
    pixels_.get_deleter().owns = true;
    width_ = 0;
    height_ = 0;
    stride_ = 0;
}

bool WorkBitmap::setSize(int width, int height) {
    if (width <= 0 || height <= 0) {
        clear();
        return true;
    }
    if (width == width_ && height == height_)
        return true;
    WorkBitmap resized;
    if (!resized.allocate(width, height, depth_))
        return false;
    resized.colorTable_ = colorTable_;
    const int rows = std::min(height, height_);
    const std::size_t bytes = std::min(resized.stride_, stride_);
    for (int y = 0; y < rows; ++y)
        std::memcpy(resized.row(y), row(y), bytes);
    *this = std::move(resized);
    return true;
}

void WorkBitmap::setColorTable(std::span<const Rgb> colors) {
    colorTable_.fill(0);
    std::copy_n(colors.begin(), std::min<std::size_t>(colors.size(), colorTable_.size()),
                colorTable_.begin());
}

} // namespace varnelo
