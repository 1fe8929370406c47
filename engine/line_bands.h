#pragma once

#include "base/work_bitmap.h"
#include "engine/conversion_settings.h"
#include "engine/document_lines.h"
#include "engine/output_writer.h"
#include "engine/random_generator.h"
#include "engine/shape_matching.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace varnelo {

/// Builds a document's lines on two threads, the conversion's and one of
/// its own, a band of rows at a time, and hands the bands to the saver in
/// order as soon as each is built: whichever thread finishes the band next
/// in line writes it, so both build while the file is written and only a
/// few bands are held at once. Each band is built by its own writer with
/// the generator moved on to where the conversion's would be at its first
/// row, so the lines are the bytes one thread would have built. Only for
/// modes whose draws per pixel are fixed and lines that stand alone.
class LineBands {
public:
    /// Writes one band's lines to the document; false ends the building.
    using BandSaver = std::function<bool(const DocumentLines& lines)>;
    /// Told on the conversion's thread how many rows are written so far;
    /// false ends the building.
    using RowsWritten = std::function<bool(int rows)>;

    /// None where the writer or the mode does not allow lines to be built
    /// apart. random is the conversion's generator as it stands before row 0.
    static std::unique_ptr<LineBands> prepare(const ConversionSettings& settings,
                                              const WorkBitmap& picture, const ShapeTexts* chosen,
                                              const OutputWriter& writer,
                                              const RandomGenerator& random,
                                              const std::atomic<bool>& cancelRequested);

    LineBands(const ConversionSettings& settings, const WorkBitmap& picture,
              const ShapeTexts* chosen, std::uint32_t drawsPerPixel,
              const std::atomic<bool>& cancelRequested);
    /// Stops the second thread at its next pixel and waits for it.
    ~LineBands();
    LineBands(const LineBands&) = delete;
    LineBands& operator=(const LineBands&) = delete;

    /// Builds and saves every band, the calling thread taking its share;
    /// true once all are saved. False when a save or rowsWritten said so,
    /// or on a cancel; rethrows what the second thread threw.
    bool run(const BandSaver& save, const RowsWritten& rowsWritten);
    /// Where the conversion's generator stands after the last row.
    const RandomGenerator& generatorAfter() const { return after_; }
    int rowsPerBand() const { return rowsPerBand_; }

private:
    struct Slot {
        DocumentLines lines;
        int band = -1; // the band held, -1 when free
        bool built = false;
    };
    /// What one thread builds with: a writer of lines that stand alone.
    struct Builder {
        DocumentLines lines;
        std::unique_ptr<OutputWriter> writer;
    };

    /// The calling thread's share: bands claimed and built until none is
    /// left, then the wait until all are saved; whether all were.
    bool buildOwnShare(const RowsWritten& rowsWritten);
    /// Claims the next band, builds it and hands it on to be saved; false
    /// when no band is left or the work stops.
    bool buildNextBand(Builder& builder);
    /// The next band to build and its slot, or none when the work is over.
    std::optional<std::pair<int, Slot*>> claim();
    bool buildBand(Builder& builder, int band);
    /// Saves the bands that are next in line, unless another thread does.
    void saveReady(std::unique_lock<std::mutex>& lock);
    void stop(std::unique_lock<std::mutex>& lock);
    /// Looked at before every pixel, so here where it is inlined.
    bool stopped() const {
        return stop_.load(std::memory_order_relaxed) ||
               cancelRequested_.load(std::memory_order_relaxed);
    }
    void secondThread();

    const ConversionSettings& settings_;
    const WorkBitmap& picture_;
    const ShapeTexts* chosen_;
    const std::uint32_t drawsPerPixel_;
    const std::atomic<bool>& cancelRequested_;
    RandomGenerator before_;
    RandomGenerator after_;
    int rowsPerBand_ = 1;
    int bands_ = 0;
    Builder own_;
    Builder second_;
    const BandSaver* save_ = nullptr;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Slot> slots_;
    int claimed_ = 0;     // bands handed out, under mutex_
    int saved_ = 0;       // bands saved, under mutex_
    bool saving_ = false; // a thread is saving, under mutex_
    // Read at every pixel by both threads: on a cache line of its own, which
    // the bookkeeping above, written at every band, does not share.
    alignas(64) std::atomic<bool> stop_{false};
    alignas(64) std::exception_ptr error_;
    std::thread thread_;
};

} // namespace varnelo
