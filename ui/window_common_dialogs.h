#pragma once

#include "ui/common_dialogs.h"

namespace varnelo {

/// The real dialogs: Qt's own (not the desktop's native ones), so the open
/// dialog can host the preview, owned by the window.
class WindowCommonDialogs final : public CommonDialogs {
public:
    explicit WindowCommonDialogs(QWidget* owner);

    bool showOpenDialog(QWidget* preview,
                        const std::function<void(const QString&)>& selectionChanged) override;
    bool showSaveDialog() override;
    bool showColorDialog() override;

private:
    QWidget* owner_;
};

} // namespace varnelo
