#include "ui/window_hand_off.h"

#include <QMetaObject>
#include <QObject>
#include <QTimer>

#include <utility>

namespace varnelo {

WindowHandOff::WindowHandOff(QObject& windowContext)
    : state_(std::make_shared<State>(windowContext)) {}

bool WindowHandOff::apply(std::function<void()> change) const {
    // The queued call keeps the state alive by itself: when it runs, the
    // worker and every copy of the hand-off may already be gone.
    const std::shared_ptr<State> state = state_;
    std::unique_lock lock(state->mutex);
    if (state->released)
        return false;
    const std::uint64_t ticket = ++state->queued;
    // Posting while holding the lock means release() cannot slip in between
    // the check above and the post, so once release() returns the context is
    // never touched again and the window may destroy it.
    const bool posted = QMetaObject::invokeMethod(
        &state->windowContext,
        [state, ticket, change = std::move(change)] {
            // Window thread. release() runs on this thread too, so it cannot
            // happen between this check and the change; the lock is dropped
            // before the change because the change may spin a nested event
            // loop (a message box) in which the window releases.
            {
                const std::lock_guard runLock(state->mutex);
                if (state->released)
                    return;
            }
            change();
            {
                const std::lock_guard doneLock(state->mutex);
                state->ran = ticket;
            }
            state->changed.notify_all();
        },
        Qt::QueuedConnection);
    if (!posted)
        return false; // nothing would ever wake us
    state->changed.wait(lock, [&] { return state->released || state->ran >= ticket; });
    return state->ran >= ticket;
}

bool WindowHandOff::post(std::function<void()> change) const {
    const std::shared_ptr<State> state = state_;
    // Posted under the lock, as apply does: once release() returns, the
    // context is never touched again.
    const std::lock_guard lock(state->mutex);
    if (state->released)
        return false;
    return QMetaObject::invokeMethod(
        &state->windowContext,
        [state, change = std::move(change)] {
            {
                const std::lock_guard runLock(state->mutex);
                if (state->released)
                    return;
            }
            change();
        },
        Qt::QueuedConnection);
}

void WindowHandOff::postAfter(int milliseconds, std::function<void()> change) const {
    const std::shared_ptr<State> state = state_;
    {
        const std::lock_guard lock(state->mutex);
        if (state->released)
            return;
    }
    // The context lives on this thread, which release() runs on too: it
    // cannot come between the check in the timer's call and the change.
    QTimer::singleShot(milliseconds, &state->windowContext, [state, change = std::move(change)] {
        {
            const std::lock_guard lock(state->mutex);
            if (state->released)
                return;
        }
        change();
    });
}

void WindowHandOff::release() const {
    {
        const std::lock_guard lock(state_->mutex);
        state_->released = true;
    }
    state_->changed.notify_all();
}

} // namespace varnelo
