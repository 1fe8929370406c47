#include "ui/window_hand_off.h"

#include "tests/ui/event_pump.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QObject>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <optional>
#include <thread>
#include <vector>

namespace varnelo {
namespace {

using namespace std::chrono_literals;

// Sees each queued change as Qt delivers it to the context, before it runs,
// and can act on the window thread at that moment.
class DeliveryWatch final : public QObject {
public:
    explicit DeliveryWatch(std::function<bool()> onDelivery) : onDelivery_(std::move(onDelivery)) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::MetaCall)
            return false;
        ++deliveries;
        return onDelivery_(); // true swallows the call
    }
    int deliveries = 0;

private:
    std::function<bool()> onDelivery_;
};

class WindowHandOffTest : public ::testing::Test {
protected:
    // Runs apply on a worker, as the conversion does.
    std::future<bool> applyOnWorker(std::function<void()> change) {
        return std::async(std::launch::async, [handOff = handOff_, change = std::move(change)] {
            return handOff.apply(change);
        });
    }

    QObject window_;
    WindowHandOff handOff_{window_};
};

// Posted changes do not wait, run in the order handed over, before a change
// applied after them, and not at all once released.
TEST_F(WindowHandOffTest, PostedChangesRunInOrderWithoutTheWorkerWaiting) {
    std::vector<int> ran; // touched on the window thread only
    std::future<bool> worker = std::async(std::launch::async, [&] {
        for (int i = 0; i < 5; ++i) {
            if (!handOff_.post([&, i] { ran.push_back(i); }))
                return false;
        }
        // The posts returned without waiting; the change applied after them runs last.
        return handOff_.apply([&] { ran.push_back(5); });
    });
    ASSERT_TRUE(test::pumpUntil([&] { return ran.size() == 6; }));
    EXPECT_TRUE(worker.get());
    EXPECT_EQ(ran, (std::vector<int>{0, 1, 2, 3, 4, 5}));

    ASSERT_TRUE(handOff_.post([&] { ran.push_back(6); }));
    handOff_.release();
    QCoreApplication::processEvents();
    EXPECT_EQ(ran.size(), 6u) << "a change posted before the release does not run after it";
    EXPECT_FALSE(handOff_.post([&] { ran.push_back(7); }));
}

TEST_F(WindowHandOffTest, ADelayedChangeRunsAfterItsTimeUnlessReleased) {
    bool ran = false;
    QElapsedTimer elapsed;
    elapsed.start();
    handOff_.postAfter(30, [&] { ran = true; });
    QCoreApplication::processEvents();
    EXPECT_FALSE(ran);
    ASSERT_TRUE(test::pumpUntil([&] { return ran; }));
    EXPECT_GE(elapsed.elapsed(), 25);

    bool late = false;
    handOff_.postAfter(10, [&] { late = true; });
    handOff_.release();
    QElapsedTimer since;
    since.start();
    ASSERT_TRUE(test::pumpUntil([&] { return since.elapsed() > 40; }));
    EXPECT_FALSE(late);
    handOff_.postAfter(0, [&] { late = true; });
    QCoreApplication::processEvents();
    EXPECT_FALSE(late);
}

TEST_F(WindowHandOffTest, ChangesRunInOrderOnTheWindowThreadAndApplyWaitsForEach) {
    std::vector<int> ran; // touched on the window thread only
    std::atomic<bool> offThread{false};
    std::atomic<int> returned{0};
    std::future<void> worker = std::async(std::launch::async, [&] {
        for (int i = 0; i < 20; ++i) {
            const bool applied = handOff_.apply([&, i] {
                if (QThread::currentThread() != window_.thread())
                    offThread = true;
                // apply has not returned for this change yet: it waits for it.
                if (returned.load() != i)
                    offThread = true;
                ran.push_back(i);
            });
            EXPECT_TRUE(applied);
            ++returned;
        }
    });
    ASSERT_TRUE(test::pumpUntil([&] { return returned.load() == 20; }));
    worker.get();
    EXPECT_FALSE(offThread.load());
    std::vector<int> expected(20);
    for (int i = 0; i < 20; ++i)
        expected[static_cast<std::size_t>(i)] = i;
    EXPECT_EQ(ran, expected);
}

TEST_F(WindowHandOffTest, ReleaseWakesAWorkerWaitingForABlockedWindow) {
    // The window never lets the change run, as when it is busy closing.
    DeliveryWatch busyWindow([] { return true; });
    window_.installEventFilter(&busyWindow);
    bool ran = false;
    std::future<bool> applied = applyOnWorker([&] { ran = true; });
    ASSERT_TRUE(test::pumpUntil([&] { return busyWindow.deliveries == 1; }));
    EXPECT_EQ(applied.wait_for(50ms), std::future_status::timeout); // still waiting

    handOff_.release();
    ASSERT_EQ(applied.wait_for(2s), std::future_status::ready);
    EXPECT_FALSE(applied.get());
    EXPECT_FALSE(ran);
}

TEST_F(WindowHandOffTest, AChangeQueuedBeforeReleaseDoesNotRunAfterIt) {
    // Released just as Qt is about to deliver the change: it was queued
    // before the release and must still not run.
    DeliveryWatch releasingWindow([&] {
        handOff_.release();
        return false;
    });
    window_.installEventFilter(&releasingWindow);
    bool ran = false;
    std::future<bool> applied = applyOnWorker([&] { ran = true; });
    ASSERT_TRUE(test::pumpUntil([&] { return releasingWindow.deliveries == 1; }));
    ASSERT_EQ(applied.wait_for(2s), std::future_status::ready);
    EXPECT_FALSE(applied.get());
    EXPECT_FALSE(ran);
    EXPECT_FALSE(handOff_.post([] {})) << "released";
}

TEST_F(WindowHandOffTest, AfterReleaseApplyReturnsAtOnceAndQueuesNothing) {
    DeliveryWatch watch([] { return false; });
    window_.installEventFilter(&watch);
    handOff_.release();
    bool ran = false;
    std::future<bool> applied = applyOnWorker([&] { ran = true; });
    ASSERT_EQ(applied.wait_for(2s), std::future_status::ready);
    EXPECT_FALSE(applied.get());
    QCoreApplication::processEvents();
    EXPECT_EQ(watch.deliveries, 0);
    EXPECT_FALSE(ran);
}

TEST(WindowHandOff, AQueuedChangeRunsSafelyAfterEveryCopyIsGone) {
    // When Qt delivers the change, the window has released and every copy of
    // the hand-off is destroyed: the queued call must get by on the state it
    // keeps itself (checked by AddressSanitizer).
    QObject window;
    std::optional<WindowHandOff> handOff(std::in_place, window);
    bool ran = false;
    std::future<bool> applied = std::async(
        std::launch::async, [copy = *handOff, &ran] { return copy.apply([&ran] { ran = true; }); });
    bool workerReturned = false;
    DeliveryWatch closingWindow([&] {
        handOff->release();
        handOff.reset();
        workerReturned = applied.wait_for(2s) == std::future_status::ready && !applied.get();
        applied = {}; // destroys the worker's copy
        return false;
    });
    window.installEventFilter(&closingWindow);
    ASSERT_TRUE(test::pumpUntil([&] { return closingWindow.deliveries == 1; }));
    EXPECT_TRUE(workerReturned);
    EXPECT_FALSE(ran);
}

} // namespace
} // namespace varnelo
