#pragma once

#include "reading/codecs/decode_status.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

namespace varnelo {

/// How often a waiting decoder looks at the cancel.
inline constexpr std::chrono::milliseconds kCancelLook{10};

/// Runs a library call that cannot be stopped once started (a whole
/// picture decoded in one call) so that a cancel is still answered at once:
/// the call runs on a thread of its own while this one waits, looking at the
/// cancel. Cancelled, it returns nothing and leaves the call to end alone;
/// the call must then own everything it touches (a copy of the file, its
/// decoder), which its result, dropped on that thread, frees. Without a
/// cancel, or without a thread to be had, the call runs here.
template <class Result>
std::optional<Result> callUnlessCancelled(std::function<Result()> call, DecodeCancel cancel) {
    if (cancel == nullptr)
        return call();
    struct Shared {
        std::mutex mutex;
        std::condition_variable ended;
        std::optional<Result> result;
    };
    const auto shared = std::make_shared<Shared>();
    std::thread worker;
    try {
        worker = std::thread([shared, call]() {
            Result result = call();
            const std::lock_guard lock(shared->mutex);
            shared->result.emplace(std::move(result));
            shared->ended.notify_all();
        });
    } catch (const std::system_error&) {
        return call();
    }
    std::unique_lock lock(shared->mutex);
    while (!shared->result) {
        if (cancel->load(std::memory_order_relaxed)) {
            lock.unlock();
            worker.detach();
            return std::nullopt;
        }
        shared->ended.wait_for(lock, kCancelLook);
    }
    std::optional<Result> result = std::move(shared->result);
    lock.unlock();
    worker.join();
    return result;
}

} // namespace varnelo
