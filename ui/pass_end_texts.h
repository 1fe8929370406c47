#pragma once

#include "base/pass_progress.h"
#include "engine/pass_result.h"

#include <QString>

namespace varnelo {

/// How the window shows the end of a conversion.
struct PassEndTexts {
    /// The text of an "Error" box, or empty for none.
    QString errorBox;
    /// The status line's last text, or empty to keep what the conversion showed.
    QString status;
    /// Whether "open output file" is offered.
    bool openOutputEnabled = false;
};

/// The text of the box of a PNG that could not be decoded.
QString failedDisplayingText(const QString& path);

/// The status line's text for a step of a running conversion.
QString statusText(const PassProgress& progress);

/// The window's boxes and status texts for each way a conversion ends.
PassEndTexts passEndTexts(const PassResult& result);

} // namespace varnelo
