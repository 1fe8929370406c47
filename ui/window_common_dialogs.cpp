#include "ui/window_common_dialogs.h"

namespace varnelo {

WindowCommonDialogs::WindowCommonDialogs(QWidget* owner) : owner_(owner) {}

bool WindowCommonDialogs::showOpenDialog(
    QWidget* /*preview*/, const std::function<void(const QString&)>& /*selectionChanged*/) {
    return false;
}

bool WindowCommonDialogs::showSaveDialog() {
    return false;
}

bool WindowCommonDialogs::showColorDialog() {
    return false;
}

} // namespace varnelo
