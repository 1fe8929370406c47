#pragma once

#include "engine/conversion_pass.h"
#include "ui/window_hand_off.h"

#include <QObject>

#include <atomic>
#include <optional>
#include <thread>

namespace varnelo {

class Clock;
class ConversionView;
class RandomGenerator;

/// Runs one conversion at a time on a worker thread and shows its steps in
/// the window. Lives on the window's thread; every public function is called
/// there. The generator belongs to the worker while a pass runs, and, after
/// a cancel, until the next start() or shutDown() has joined that worker.
class ConversionController {
public:
    ConversionController(ConversionView& view, RandomGenerator& random, const Clock& clock,
                         WriterFactory makeWriter);
    ConversionController(const ConversionController&) = delete;
    ConversionController& operator=(const ConversionController&) = delete;
    /// Same as shutDown().
    ~ConversionController();

    /// Window thread. Starts a pass with settings; refused (false, nothing
    /// changes) while one runs, because two passes would share the generator.
    /// A worker left over from a cancelled pass is joined first, which is
    /// quick: it stops within one pixel and no longer waits on the window.
    bool start(ConversionSettings settings);

    /// Window thread. Stops the running pass without waiting for it: no
    /// further change of that pass reaches the view, not even
    /// conversionEnded. Does nothing when no pass runs.
    void cancel();

    /// Window thread, for closing the window: cancels and joins the worker.
    /// Waits only for the worker to notice the cancel, never for the
    /// conversion to finish, and never deadlocks on a change the worker is
    /// waiting to hand over. Nothing is written afterwards.
    void shutDown();

    /// Window thread. True from start() until the view's conversionEnded or
    /// a cancel.
    bool running() const { return running_; }

    /// Window thread. Whether a worker may still hold the generator: one
    /// that has run and is not joined yet (a cancelled one may still be
    /// drawing).
    bool holdsWorker() const { return worker_.joinable(); }

private:
    void runPass(ConversionSettings settings, WindowHandOff handOff, WriterFactory makeWriter);
    void joinWorker();

    QObject windowContext_; // queued changes are delivered through it
    ConversionView& view_;
    RandomGenerator& random_;
    const Clock& clock_;
    WriterFactory makeWriter_;
    std::atomic<bool> cancelRequested_{false};
    std::optional<WindowHandOff> handOff_; // of the latest pass
    std::thread worker_;
    bool running_ = false;
};

} // namespace varnelo
