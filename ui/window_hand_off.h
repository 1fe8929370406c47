#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

class QObject;

namespace varnelo {

/// Carries changes from a conversion's worker thread to the window's thread,
/// in the order they were handed over: apply lets the worker wait until its
/// change has run, post does not wait.
///
/// Copies share one state: the worker keeps its own copy while the window
/// keeps another, and releasing through either releases both. The context
/// object must live on the window's thread and must outlive every apply()
/// that starts before release(); after release() returns, apply() no longer
/// touches it, so the window may destroy it then.
class WindowHandOff {
public:
    explicit WindowHandOff(QObject& windowContext);

    /// Worker thread. Queues change to the window's thread and waits until it
    /// has run (true) or the hand-off is released (false; the change then
    /// never runs). Returns false at once when already released.
    bool apply(std::function<void()> change) const;

    /// Worker thread. Queues change to the window's thread, after every
    /// change queued before, and returns at once. The change never runs once
    /// the hand-off is released. False when it could not be queued.
    bool post(std::function<void()> change) const;

    /// Window thread. Runs change on the window's thread after the time,
    /// unless the hand-off is released by then.
    void postAfter(int milliseconds, std::function<void()> change) const;

    /// Window thread. No queued change runs from now on and every waiting
    /// worker wakes at once. Never waits for the worker, so the window may
    /// call it and then join the worker without deadlock.
    void release() const;

private:
    struct State {
        explicit State(QObject& context) : windowContext(context) {}
        QObject& windowContext;
        std::mutex mutex;
        std::condition_variable changed;
        bool released = false;
        std::uint64_t queued = 0; // tickets of changes handed to Qt
        std::uint64_t ran = 0;    // the latest ticket whose change has run
    };

    std::shared_ptr<State> state_;
};

} // namespace varnelo
