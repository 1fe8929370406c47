#include "ui/conversion_controller.h"

#include "base/clock.h"
#include "engine/random_generator.h"
#include "library/chosen_conversion.h"
#include "ui/conversion_view.h"
#include "ui/pass_end_texts.h"
#include "writers/atomic_file.h"

#include <QString>

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace varnelo {

namespace {

/// Worker thread. Hands the progress of a pass to the view without waiting
/// for the window: while a hand-over is still queued, a newer step of the
/// same kind (status, range, position) replaces the older one in it, so the
/// window shows the latest of each, in the order the pass last gave them,
/// at its own pace. Steps the window did not take (hand-off released) are
/// dropped: the pass has been cancelled then and stops on its own.
class HandOffObserver final : public PassObserver {
public:
    HandOffObserver(ConversionView& view, WindowHandOff handOff)
        : view_(view), handOff_(std::move(handOff)), pending_(std::make_shared<Pending>()) {}

    void showProgress(const PassProgress& progress) override {
        hand(Step::Status, [&](Pending& pending) { pending.status = progress; });
    }
    void setProgressRange(int maximum) override {
        hand(Step::Range, [&](Pending& pending) { pending.range = maximum; });
    }
    void setProgressPosition(int position) override {
        hand(Step::Position, [&](Pending& pending) { pending.position = position; });
    }

private:
    enum class Step : std::uint8_t { Status, Range, Position };

    // The steps not yet shown, each kind once, in the order last given; the
    // window thread takes them all at once.
    struct Pending {
        std::mutex mutex;
        std::vector<Step> order;
        PassProgress status;
        int range = 0;
        int position = 0;
        bool queued = false;
        // Window thread only.
        std::chrono::steady_clock::time_point lastShown;
        bool shownOnce = false;
    };

    // About a frame of a 60 Hz screen.
    static constexpr std::chrono::milliseconds kFrame{16};

    template <class Change>
    void hand(Step step, const Change& change) {
        const std::lock_guard lock(pending_->mutex);
        change(*pending_);
        std::vector<Step>& order = pending_->order;
        order.erase(std::remove(order.begin(), order.end(), step), order.end());
        order.push_back(step);
        if (!pending_->queued)
            pending_->queued =
                handOff_.post([&view = view_, handOff = handOff_, pending = pending_] {
                    showSoon(view, handOff, pending);
                });
    }

    // Window thread: shows the steps now, or once a frame's time has passed
    // since the last were shown, so that a fast pass does not keep the
    // window thread from the cores the pass works on. Until then the steps
    // stay queued and newer ones join them.
    static void showSoon(ConversionView& view, const WindowHandOff& handOff,
                         const std::shared_ptr<Pending>& pending) {
        const auto now = std::chrono::steady_clock::now();
        const auto wait = pending->lastShown + kFrame - now;
        if (pending->shownOnce && wait > std::chrono::steady_clock::duration::zero()) {
            const auto milliseconds = std::chrono::ceil<std::chrono::milliseconds>(wait).count();
            handOff.postAfter(static_cast<int>(milliseconds),
                              [&view, pending] { show(view, *pending); });
            return;
        }
        show(view, *pending);
    }

    // Window thread, and only while the hand-off is not released.
    static void show(ConversionView& view, Pending& pending) {
        std::vector<Step> order;
        PassProgress status;
        int range = 0;
        int position = 0;
        {
            const std::lock_guard taken(pending.mutex);
            order.swap(pending.order);
            status = pending.status;
            range = pending.range;
            position = pending.position;
            pending.queued = false;
        }
        pending.lastShown = std::chrono::steady_clock::now();
        pending.shownOnce = true;
        for (const Step step : order) {
            switch (step) {
            case Step::Status:
                view.showStatus(statusText(status));
                break;
            case Step::Range:
                view.setProgressRange(range);
                break;
            case Step::Position:
                view.setProgressPosition(position);
                break;
            }
        }
    }

public:
    /// Window thread: shows what is still waiting, before the pass's end.
    void showRest() { show(view_, *pending_); }

private:
    ConversionView& view_;
    WindowHandOff handOff_;
    std::shared_ptr<Pending> pending_;
};

} // namespace

ConversionController::ConversionController(ConversionView& view, RandomGenerator& random,
                                           const Clock& clock, WriterFactory makeWriter)
    : view_(view), random_(random), clock_(clock), makeWriter_(std::move(makeWriter)) {}

ConversionController::~ConversionController() {
    shutDown();
}

bool ConversionController::start(ConversionSettings settings) {
    if (running_)
        return false;
    joinWorker();
    cancelRequested_.store(false);
    WindowHandOff handOff(windowContext_);
    worker_ = std::thread(&ConversionController::runPass, this, std::move(settings), handOff,
                          makeWriter_);
    handOff_ = std::move(handOff);
    running_ = true;
    return true;
}

void ConversionController::cancel() {
    if (!running_)
        return;
    // The flag first: a worker woken by the release must find it set, or it
    // would go on converting with no one watching.
    cancelRequested_.store(true);
    handOff_->release();
    running_ = false;
}

void ConversionController::shutDown() {
    cancelRequested_.store(true);
    running_ = false;
    joinWorker();
}

void ConversionController::joinWorker() {
    // Also releases a pass that ended by itself: its worker may still wait
    // for conversionEnded to return, and that may be the very call in which
    // the window starts the next pass or closes.
    if (handOff_)
        handOff_->release();
    if (worker_.joinable())
        worker_.join();
}

void ConversionController::runPass(ConversionSettings settings, WindowHandOff handOff,
                                   WriterFactory makeWriter) {
    // Worker thread.
    HandOffObserver observer(view_, handOff);
    const std::string path = settings.sourcePath;
    PassResult result;
    try {
        // As the converter converts the same settings.
        result = convertChosen(settings, {random_, clock_, observer, cancelRequested_,
                                          std::move(makeWriter), openAtomicOutput});
    } catch (const std::bad_alloc&) {
        // An exception leaving the thread would end the program, and
        // swallowing it would leave the window waiting for an end that never
        // comes. The pass writes through a temporary file, so nothing is left.
        result = PassResult::failed({FailureStage::OutOfMemory, path, {}, {}});
    } catch (const std::exception& failure) {
        result = PassResult::failed({FailureStage::Unexpected, path, {}, failure.what()});
    }
    if (cancelRequested_.load())
        return;
    handOff.apply([this, &observer, result = std::move(result)] {
        // Window thread, and only while this pass's hand-off is not
        // released, so the controller is alive and this pass is the latest.
        running_ = false;
        observer.showRest();
        view_.conversionEnded(result);
    });
}

} // namespace varnelo
