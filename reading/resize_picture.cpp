#include "reading/resize_picture.h"
#include "base/pass_progress.h"
#include "base/picture_limits.h"
#include "base/work_bitmap.h"
#include "reading/row_resizer.h"

#include <exception>
#include <system_error>
#include <thread>

namespace varnelo {

namespace {

// Target pixels enough that a second thread pays for its start.
constexpr std::int64_t kPixelsForTwoBands = 256 * 1024;

// Rows go through the resizer as a decoder would hand them over, from the
// first its band needs; false once cancelled.
bool resizeBand(const WorkBitmap& picture, WorkBitmap& target, TargetRows rows,
                const std::atomic<bool>* cancel) {
    RowResizer resizer(picture.width(), picture.height(), target, SourceExtent(), rows);
    // Looked at each row: an enlarged row makes many, and a band may start
    // at any row.
    for (int y = resizer.nextSourceRow(); y < picture.height() && !resizer.done(); ++y) {
        if (cancel != nullptr && cancel->load(std::memory_order_relaxed))
            return false;
        resizer.pushRowOf(picture, y);
    }
    return true;
}

// The upper half of the target's rows here and the lower beside it: each
// row is what one resizer over them all would write.
bool resizeInTwoBands(const WorkBitmap& picture, WorkBitmap& target,
                      const std::atomic<bool>* cancel) {
    const int middle = target.height() / 2;
    bool lowerDone = false;
    std::exception_ptr lowerFailed;
    const auto lower = [&] {
        try {
            lowerDone = resizeBand(picture, target, {middle, target.height()}, cancel);
        } catch (...) {
            lowerFailed = std::current_exception();
        }
    };
    std::thread helper;
    try {
        helper = std::thread(lower);
    } catch (const std::system_error&) {
        lower(); // no thread to be had: resized here
    }
    bool upperDone = false;
    std::exception_ptr upperFailed;
    try {
        upperDone = resizeBand(picture, target, {0, middle}, cancel);
    } catch (...) {
        upperFailed = std::current_exception();
    }
    if (helper.joinable())
        helper.join();
    for (const std::exception_ptr& failure : {upperFailed, lowerFailed})
        if (failure)
            std::rethrow_exception(failure);
    return upperDone && lowerDone;
}

} // namespace

bool resizePicture(WorkBitmap& picture, int newWidth, int newHeight, ProgressSink& progress,
                   const std::atomic<bool>* cancel) {
    if (newWidth == picture.width() && newHeight == picture.height())
        return true;
    progress.showProgress(PassProgress::of(PassStage::Resizing));
    if (newWidth <= 0 || newHeight <= 0 || picture.isEmpty()) {
        picture.clear();
        return true;
    }
    WorkBitmap target;
    if (!target.allocate(newWidth, newHeight, picture.depth())) {
        picture.clear();
        return false;
    }
    target.setColorTable(picture.colorTable());

    const bool twoBands = std::int64_t{newWidth} * newHeight >= kPixelsForTwoBands &&
                          newHeight >= 2 && std::thread::hardware_concurrency() > 1;
    if (!(twoBands ? resizeInTwoBands(picture, target, cancel)
                   : resizeBand(picture, target, {}, cancel))) {
        picture.clear();
        return false;
    }
    picture = std::move(target);
    return true;
}

} // namespace varnelo
