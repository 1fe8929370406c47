#include "writers/writeback_starter.h"

#include <fcntl.h>

#include <system_error>

namespace varnelo {

namespace {

void startWriting(int fd, off_t from, off_t to) {
    if (to > from)
        (void)::sync_file_range(fd, from, to - from, SYNC_FILE_RANGE_WRITE);
}

} // namespace

WritebackStarter::~WritebackStarter() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_one();
    if (thread_.joinable())
        thread_.join();
}

void WritebackStarter::written(off_t end) {
    if (threadless_) {
        startWriting(fd_, end_, end);
        end_ = end;
        return;
    }
    {
        const std::lock_guard lock(mutex_);
        end_ = end;
    }
    if (!thread_.joinable()) {
        try {
            thread_ = std::thread([this] { run(); });
        } catch (const std::system_error&) {
            threadless_ = true;
            startWriting(fd_, 0, end);
            return;
        }
    }
    changed_.notify_one();
}

void WritebackStarter::run() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (end_ == started_) {
            changed_.wait(lock);
            continue;
        }
        const off_t from = started_;
        const off_t to = end_;
        started_ = to;
        lock.unlock();
        startWriting(fd_, from, to);
        lock.lock();
    }
}

} // namespace varnelo
