#include "ui/conversion_controller.h"

#include "engine/clock.h"
#include "engine/random_generator.h"
#include "ui/conversion_view.h"

#include <QString>

#include <new>
#include <stdexcept>
#include <string>
#include <utility>

namespace varnelo {

namespace {

/// Worker thread. Hands every step of a pass to the view; a step the window
/// did not take (hand-off released) is simply dropped, because the pass has
/// been cancelled then and stops on its own.
class HandOffObserver final : public PassObserver {
public:
    HandOffObserver(ConversionView& view, WindowHandOff handOff)
        : view_(view), handOff_(std::move(handOff)) {}

    void showStatus(std::string_view text) override {
        // Status texts are ASCII; Latin-1 reads them exactly.
        handOff_.apply([&view = view_, status = QString::fromLatin1(text.data(), size(text))] {
            view.showStatus(status);
        });
    }
    void setProgressRange(int maximum) override {
        handOff_.apply([&view = view_, maximum] { view.setProgressRange(maximum); });
    }
    void setProgressPosition(int position) override {
        handOff_.apply([&view = view_, position] { view.setProgressPosition(position); });
    }

private:
    static qsizetype size(std::string_view text) { return static_cast<qsizetype>(text.size()); }

    ConversionView& view_;
    WindowHandOff handOff_;
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
        ConversionPass pass(std::move(settings), random_, clock_, observer, cancelRequested_,
                            std::move(makeWriter));
        result = pass.run();
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
    handOff.apply([this, result = std::move(result)] {
        // Window thread, and only while this pass's hand-off is not
        // released, so the controller is alive and this pass is the latest.
        running_ = false;
        view_.conversionEnded(result);
    });
}

} // namespace varnelo
