#pragma once

#include <string_view>

namespace varnelo {

/// Receives the status texts of long steps ("resizing image..." and the
/// like). The window shows them in its status line; the engine knows no widgets.
class StatusSink {
public:
    virtual ~StatusSink() = default;
    virtual void showStatus(std::string_view text) = 0;
};

} // namespace varnelo
