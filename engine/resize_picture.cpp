#include "engine/resize_picture.h"
#include "engine/pass_progress.h"
#include "engine/picture_limits.h"
#include "engine/row_resizer.h"
#include "engine/work_bitmap.h"

namespace varnelo {

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

    // Rows go through the resizer as a decoder would hand them over.
    RowResizer resizer(picture.width(), picture.height(), target);
    for (int y = 0; y < picture.height() && !resizer.done(); ++y) {
        if (cancel != nullptr && y % 64 == 0 && cancel->load(std::memory_order_relaxed)) {
            picture.clear();
            return false;
        }
        resizer.pushRowOf(picture, y);
    }
    picture = std::move(target);
    return true;
}

} // namespace varnelo
