#pragma once

#include <QString>

namespace varnelo {

/// The desktop's "open" verb: a file or a web address handed to the
/// program the desktop chooses for it. Failures are not reported.
class Shell {
public:
    virtual ~Shell() = default;
    virtual void openAddress(const QString& address) = 0;
    virtual void openFile(const QString& path) = 0;
};

class DesktopShell final : public Shell {
public:
    void openAddress(const QString& address) override;
    void openFile(const QString& path) override;
};

} // namespace varnelo
