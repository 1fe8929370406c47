#pragma once

#include "engine/work_bitmap.h"

#include <condition_variable>
#include <mutex>

namespace varnelo {

/// The rows of a picture still being loaded at the conversion's size, told
/// as its load writes them, for a matcher that reads them on threads of its
/// own before the load ends. The load's picture is moved about and, when
/// the load fails, freed: readers read its pixels through a view, and the
/// load waits, before they may go, until no reader holds a row. Every
/// function may run on any thread.
class ArrivingRows {
public:
    // The load's side.
    /// Its picture is allocated; rows are to come.
    void begin(const WorkBitmap& picture);
    /// The first count rows are written.
    void written(int count);
    /// Every row is written and the pixels stay: the load succeeded.
    void complete();
    /// The pixels go (the load failed, even after its rows were complete):
    /// waits until no reader holds a row, and none may from now on.
    void stop();
    /// No more rows come: a reader waiting for rows not written has none.
    /// Nothing once complete.
    void end();

    // A reader's side.
    /// Waits until the first count rows are written: the picture that
    /// holds them, which the reader may read until it calls release; null
    /// when they never will be (and nothing to release).
    const WorkBitmap* await(int count);
    void release();

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    WorkBitmap view_;
    bool begun_ = false;
    bool ended_ = false;
    bool complete_ = false;
    int written_ = 0;
    int readers_ = 0;
};

} // namespace varnelo
