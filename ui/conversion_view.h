#pragma once

#include "engine/conversion_pass.h"

#include <QString>

namespace varnelo {

/// What a running conversion changes in the window. Called on the window's
/// thread only, in the order the conversion issues the changes; after a
/// cancel or a close, no further call of that conversion arrives.
class ConversionView {
public:
    virtual ~ConversionView() = default;
    virtual void showStatus(const QString& text) = 0;
    virtual void setProgressRange(int maximum) = 0;
    virtual void setProgressPosition(int position) = 0;
    /// The conversion has ended by itself: done, refused or failed. Not
    /// called for a conversion that was cancelled from the window.
    virtual void conversionEnded(const PassResult& result) = 0;
};

} // namespace varnelo
