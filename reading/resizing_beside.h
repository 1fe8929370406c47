#pragma once

#include "base/work_bitmap.h"
#include "reading/row_resizer.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace varnelo {

/// A resizer fed on a thread of its own: the decoder writes each source
/// row into a ring of rows and goes on decoding while the row is scaled
/// beside it, so a decoder that has one core to itself (libjpeg) never
/// waits for the resizing. Rows come top to bottom; a row of the ring is
/// handed out again only once the resizer has taken what it held.
class ResizingBeside {
public:
    /// Starts the thread; without one to be had, throws std::system_error.
    /// ring holds the source rows in the decoder's depth, more of them than
    /// a decoder asks for at once; it and the resizer outlive this.
    /// told hears, on the resizer's thread, how many target rows are
    /// written each time there are more; it may be empty.
    ResizingBeside(RowResizer& resizer, WorkBitmap& ring, std::function<void(int rows)> told = {});
    /// Stops the thread, whatever rows are left.
    ~ResizingBeside();
    ResizingBeside(const ResizingBeside&) = delete;
    ResizingBeside& operator=(const ResizingBeside&) = delete;

    /// Where source row y goes, once the resizer has taken the row the
    /// ring held there.
    std::uint8_t* row(int y);
    /// Source row y is written: the resizer takes it.
    void rowDone(int y);
    /// Every target row is written.
    bool done() const;
    /// Waits until the resizer has taken every row done, and ends the thread.
    void finish();

private:
    void resize();

    RowResizer& resizer_;
    WorkBitmap& ring_;
    std::function<void(int rows)> told_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    // Rows the decoder has written, and rows the resizer has taken.
    int written_ = 0;
    int taken_ = 0;
    // finish: the rows written are taken, then the thread ends.
    bool stopping_ = false;
    // The decoder gave up: the thread ends at once.
    bool abandoned_ = false;
    bool done_ = false;
    std::thread thread_;
};

} // namespace varnelo
