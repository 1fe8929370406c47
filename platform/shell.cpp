#include "platform/shell.h"

#include <QDesktopServices>
#include <QUrl>

namespace varnelo {

void DesktopShell::openAddress(const QString& address) {
    QDesktopServices::openUrl(QUrl(address));
}

void DesktopShell::openFile(const QString& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace varnelo
