#pragma once

#include <QString>

#include <optional>

class QMimeData;

namespace varnelo {

/// The picture a drop onto the window brings: one local file, as a file
/// manager drags it. Several files, a folder, a web address or anything
/// else bring none.
std::optional<QString> droppedPicture(const QMimeData& data);

} // namespace varnelo
