#pragma once

#include <sys/types.h>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace varnelo {

/// Starts the writing to disk of what a file was given, from a thread of
/// its own, so that the thread writing the file never waits on it: asking
/// the system to start that writing costs about a third of writing the
/// bytes themselves. It only starts the writing; it never waits for it, and
/// a failure is not the file's.
class WritebackStarter {
public:
    /// For the open file fd, which must stay open until this is destroyed.
    explicit WritebackStarter(int fd) : fd_(fd) {}
    /// Waits for the writing being started, if any, and starts no more.
    ~WritebackStarter();
    WritebackStarter(const WritebackStarter&) = delete;
    WritebackStarter& operator=(const WritebackStarter&) = delete;

    /// The file now holds end bytes: the writing of those not yet started
    /// is started soon, by the thread, or here where no thread can be had.
    void written(off_t end);

private:
    void run();

    const int fd_;
    std::mutex mutex_;
    std::condition_variable changed_;
    off_t started_ = 0; // under mutex_
    off_t end_ = 0;     // under mutex_
    bool stopping_ = false;
    bool threadless_ = false;
    std::thread thread_;
};

} // namespace varnelo
