#pragma once

#include "engine/conversion_settings.h"
#include "engine/document_lines.h"
#include "engine/output_writer.h"
#include "engine/random_generator.h"
#include "engine/shape_matching.h"
#include "engine/work_bitmap.h"

#include <atomic>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

namespace varnelo {

/// Builds the lines of the rows from firstRow to the picture's end on a
/// thread of its own, while the conversion builds the rows above: with its
/// own writer and its own generator, moved on to where the conversion's
/// would be at firstRow, so the lines are the bytes the conversion would
/// have built. Only for modes whose draws per pixel are fixed.
class LineHelper {
public:
    /// Starts the helper, with a writer of the lines the conversion's writer
    /// builds and the conversion's generator as it stands before row 0;
    /// none where the writer or the mode does not allow lines to be built
    /// apart.
    static std::unique_ptr<LineHelper> start(const ConversionSettings& settings,
                                             const WorkBitmap& picture, const ShapeTexts* chosen,
                                             int firstRow, const OutputWriter& writer,
                                             RandomGenerator random,
                                             const std::atomic<bool>& cancelRequested);

    LineHelper(const ConversionSettings& settings, const WorkBitmap& picture,
               const ShapeTexts* chosen, int firstRow, RandomGenerator random,
               const std::atomic<bool>& cancelRequested);
    /// Stops the thread at its next pixel and waits for it.
    ~LineHelper();
    LineHelper(const LineHelper&) = delete;
    LineHelper& operator=(const LineHelper&) = delete;

    /// Waits until the line of row y is built, or the helper has stopped;
    /// the line, taken out, or nullptr when it stopped before it (a cancel,
    /// or an error that finish() throws again).
    ByteString* waitForLine(int y);
    /// Waits for the end; rethrows what the thread threw. The generator then
    /// stands where the conversion's would after the last row.
    const RandomGenerator& finish();

private:
    void build();

    const ConversionSettings& settings_;
    const WorkBitmap& picture_;
    const ShapeTexts* chosen_;
    const int firstRow_;
    std::unique_ptr<OutputWriter> writer_;
    RandomGenerator random_;
    const std::atomic<bool>& cancelRequested_;
    DocumentLines lines_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::condition_variable lineBuilt_;
    int built_ = 0; // lines of lines_ complete, under mutex_
    bool ended_ = false;
    std::exception_ptr error_;
    std::thread thread_;
};

} // namespace varnelo
