#include "reading/codecs/call_unless_cancelled.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>

namespace varnelo {
namespace {

TEST(CallUnlessCancelled, GivesTheCallsResultWhenNothingCancels) {
    EXPECT_EQ(callUnlessCancelled<int>([] { return 7; }, nullptr), 7);
    const std::atomic<bool> cancel{false};
    EXPECT_EQ(callUnlessCancelled<int>([] { return 8; }, &cancel), 8);
}

TEST(CallUnlessCancelled, ACancelSeenBeforeTheEndLeavesTheCallToEndAlone) {
    // The result tells its end on the call's thread, once nobody holds it.
    struct Result {
        std::shared_ptr<std::promise<void>> dropped;
        ~Result() {
            if (dropped)
                dropped->set_value();
        }
        Result(std::shared_ptr<std::promise<void>> promise) : dropped(std::move(promise)) {}
        Result(Result&& other) noexcept : dropped(std::move(other.dropped)) {}
    };
    auto dropped = std::make_shared<std::promise<void>>();
    std::future<void> droppedSeen = dropped->get_future();
    auto release = std::make_shared<std::promise<void>>();
    std::shared_future<void> released = release->get_future().share();
    std::atomic<bool> started{false};
    std::atomic<bool> cancel{false};

    std::thread canceller([&] {
        while (!started.load())
            std::this_thread::yield();
        cancel.store(true);
    });
    const std::optional<Result> result = callUnlessCancelled<Result>(
        [&started, released, dropped] {
            started.store(true);
            released.wait();
            return Result(dropped);
        },
        &cancel);
    canceller.join();
    EXPECT_FALSE(result.has_value()) << "answered while the call still runs";
    release->set_value();
    EXPECT_EQ(droppedSeen.wait_for(std::chrono::seconds(10)), std::future_status::ready)
        << "the call ended and its result was dropped";
}

} // namespace
} // namespace varnelo
