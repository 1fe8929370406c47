#pragma once

#include <QImage>

namespace varnelo {

class WorkBitmap;

/// The picture as an image the window can draw; null for the empty picture.
QImage toImage(const WorkBitmap& picture);

} // namespace varnelo
