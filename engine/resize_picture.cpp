#include "engine/resize_picture.h"
#include "engine/picture_limits.h"
#include "engine/row_resizer.h"
#include "engine/status_sink.h"
#include "engine/work_bitmap.h"

#include <vector>

namespace varnelo {

namespace {

// Gives a source row as blue, green, red bytes, pixelStride bytes apart.
class SourceRows {
public:
    explicit SourceRows(const WorkBitmap& picture) : picture_(picture) {
        if (picture.depth() == PixelDepth::Bits24)
            pixelStride_ = 3;
        else if (picture.depth() == PixelDepth::Bits32 || picture.depth() == PixelDepth::Device)
            pixelStride_ = 4;
        else
            converted_.resize(static_cast<std::size_t>(picture.width()) * 3);
    }
    std::size_t pixelStride() const { return pixelStride_; }
    const std::uint8_t* row(int y) {
        if (converted_.empty())
            return picture_.row(y);
        for (int x = 0; x < picture_.width(); ++x) {
            const Rgb color = picture_.pixelColor(x, y);
            std::uint8_t* pixel = converted_.data() + static_cast<std::size_t>(x) * 3;
            pixel[0] = blueOf(color);
            pixel[1] = greenOf(color);
            pixel[2] = redOf(color);
        }
        return converted_.data();
    }

private:
    const WorkBitmap& picture_;
    std::size_t pixelStride_ = 3;
    std::vector<std::uint8_t> converted_;
};

} // namespace

bool resizePicture(WorkBitmap& picture, int newWidth, int newHeight, StatusSink& status) {
    if (newWidth == picture.width() && newHeight == picture.height())
        return true;
    status.showStatus("resizing image...");
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
    SourceRows source(picture);
    RowResizer resizer(picture.width(), picture.height(), target);
    for (int y = 0; y < picture.height() && !resizer.done(); ++y)
        resizer.push(source.row(y), source.pixelStride());
    picture = std::move(target);
    return true;
}

} // namespace varnelo
