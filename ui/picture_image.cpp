#include "ui/picture_image.h"

#include "base/work_bitmap.h"

namespace varnelo {

QImage toImage(const WorkBitmap& picture) {
    if (picture.isEmpty())
        return {};
    QImage image(picture.width(), picture.height(), QImage::Format_RGB32);
    if (image.isNull())
        return {};
    for (int y = 0; y < picture.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            const Rgb color = picture.pixelColor(x, y);
            line[x] = qRgb(redOf(color), greenOf(color), blueOf(color));
        }
    }
    return image;
}

} // namespace varnelo
