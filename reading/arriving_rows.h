#pragma once

#include "base/work_bitmap.h"
#include "reading/conversion_load.h"

#include <condition_variable>
#include <mutex>
#include <optional>

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
    /// Its picture is allocated, from one of own size; rows are to come.
    void begin(const WorkBitmap& picture, PictureSize own);
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
    /// Waits until the load begins: the size of the picture it loads from
    /// (its own, as stored); nothing when it ends first.
    std::optional<PictureSize> ownSize();

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    WorkBitmap view_;
    PictureSize own_;
    bool begun_ = false;
    bool ended_ = false;
    bool complete_ = false;
    int written_ = 0;
    int readers_ = 0;
};

} // namespace varnelo
