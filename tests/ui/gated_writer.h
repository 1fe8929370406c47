#pragma once

// A writer held at the first pixel of a conversion until the test opens its
// gate, so that a conversion can be caught while it runs.
#include "engine/output_writer.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace varnelo::test {

/// Where the worker waits. Once opened it stays open: later conversions
/// pass straight through.
class Gate {
public:
    /// Worker thread: marks the gate reached and waits until it is opened
    /// (ten seconds at most, so a failing test cannot hang).
    void waitAtPixel() {
        std::unique_lock lock(mutex_);
        reached_ = true;
        changed_.notify_all();
        changed_.wait_for(lock, std::chrono::seconds(10), [this] { return opened_; });
    }
    bool reached() {
        std::lock_guard lock(mutex_);
        return reached_;
    }
    void open() {
        std::lock_guard lock(mutex_);
        opened_ = true;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool reached_ = false;
    bool opened_ = false;
};

/// A real writer that waits at the gate before its first pixel.
class GatedWriter final : public OutputWriter {
public:
    GatedWriter(std::unique_ptr<OutputWriter> real, Gate& gate)
        : real_(std::move(real)), gate_(gate) {}
    bool producesDocumentLines() const override { return real_->producesDocumentLines(); }
    bool linesAreFinal() const override { return real_->linesAreFinal(); }
    OutputStart beginOutput(const ConversionSettings& settings, int width, int height) override {
        return real_->beginOutput(settings, width, height);
    }
    void beginLine(int y) override { real_->beginLine(y); }
    void putPixel(int x, int y, const ByteString& text, CellColors colors, bool newRun) override {
        if (x == 0 && y == 0)
            gate_.waitAtPixel();
        real_->putPixel(x, y, text, colors, newRun);
    }
    void endLine(int y) override { real_->endLine(y); }
    WriteOutcome finishOutput() override { return real_->finishOutput(); }

private:
    std::unique_ptr<OutputWriter> real_;
    Gate& gate_;
};

} // namespace varnelo::test
