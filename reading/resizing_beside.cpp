#include "reading/resizing_beside.h"

#include <utility>

namespace varnelo {

ResizingBeside::ResizingBeside(RowResizer& resizer, WorkBitmap& ring,
                               std::function<void(int rows)> told)
    : resizer_(resizer), ring_(ring), told_(std::move(told)) {
    // Started last, once every member it reads is there.
    thread_ = std::thread([this] { resize(); });
}

ResizingBeside::~ResizingBeside() {
    {
        const std::lock_guard lock(mutex_);
        abandoned_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

std::uint8_t* ResizingBeside::row(int y) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return taken_ > y - ring_.height(); });
    return ring_.row(y % ring_.height());
}

void ResizingBeside::rowDone(int y) {
    {
        const std::lock_guard lock(mutex_);
        if (y + 1 > written_)
            written_ = y + 1;
    }
    changed_.notify_all();
}

bool ResizingBeside::done() const {
    const std::lock_guard lock(mutex_);
    return done_;
}

void ResizingBeside::finish() {
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return taken_ >= written_ || done_; });
        stopping_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void ResizingBeside::resize() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return taken_ < written_ || stopping_ || abandoned_; });
        if (abandoned_ || taken_ >= written_)
            return;
        const int y = taken_;
        lock.unlock();
        // The decoder writes no row of the ring the resizer has not taken.
        const int before = resizer_.rowsWritten();
        resizer_.pushRowOf(ring_, y % ring_.height());
        const bool targetDone = resizer_.done();
        if (told_ && resizer_.rowsWritten() > before)
            told_(resizer_.rowsWritten());
        lock.lock();
        taken_ = y + 1;
        done_ = targetDone;
        changed_.notify_all();
    }
}

} // namespace varnelo
