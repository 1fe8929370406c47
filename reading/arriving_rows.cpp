#include "reading/arriving_rows.h"

namespace varnelo {

void ArrivingRows::begin(const WorkBitmap& picture, PictureSize own) {
    {
        const std::lock_guard lock(mutex_);
        if (ended_)
            return;
        view_ = WorkBitmap::viewOf(picture);
        own_ = own;
        begun_ = true;
    }
    changed_.notify_all();
}

void ArrivingRows::written(int count) {
    {
        const std::lock_guard lock(mutex_);
        if (count <= written_)
            return;
        written_ = count;
    }
    changed_.notify_all();
}

void ArrivingRows::complete() {
    {
        const std::lock_guard lock(mutex_);
        if (ended_)
            return;
        ended_ = true;
        complete_ = begun_;
        written_ = view_.height();
    }
    changed_.notify_all();
}

void ArrivingRows::stop() {
    std::unique_lock lock(mutex_);
    ended_ = true;
    complete_ = false;
    changed_.notify_all();
    changed_.wait(lock, [&] { return readers_ == 0; });
}

void ArrivingRows::end() {
    {
        const std::lock_guard lock(mutex_);
        ended_ = true;
    }
    changed_.notify_all();
}

const WorkBitmap* ArrivingRows::await(int count) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return (begun_ && written_ >= count) || ended_; });
    if (!begun_ || (ended_ && !complete_) || written_ < count)
        return nullptr;
    ++readers_;
    return &view_;
}

std::optional<PictureSize> ArrivingRows::ownSize() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return begun_ || ended_; });
    if (!begun_)
        return std::nullopt;
    return own_;
}

void ArrivingRows::release() {
    {
        const std::lock_guard lock(mutex_);
        --readers_;
    }
    changed_.notify_all();
}

} // namespace varnelo
