#pragma once

#include <QColor>
#include <QString>

#include <array>
#include <functional>

class QWidget;

namespace varnelo {

/// The one dialog component of the window, shared by the open-picture,
/// output-file and phrase-file dialogs and the colour dialog. Its fields
/// live as long as the window; each command sets the filter before it
/// shows a file dialog. The show functions run on the window's thread and
/// answer whether the user confirmed; tests replace them with a script.
class CommonDialogs {
public:
    virtual ~CommonDialogs() = default;

    /// Entries "description|pattern|description|pattern...", patterns
    /// separated by ";", as "Images (*.bmp;*.jpg)|*.bmp;*.jpg".
    QString filter;
    /// 1-based entry confirmed in the last file dialog; the next one preselects it.
    int filterIndex = 1;
    /// The text the file-name box starts with.
    QString initialFileName;
    /// The full path confirmed in the last file dialog.
    QString chosenFileName;
    /// The colour confirmed in the last colour dialog; the next one opens on it.
    QColor color = Qt::black;
    std::array<QColor, 16> customColors{};

    /// An open dialog for an existing file. With a preview, the dialog shows
    /// it beside its list and calls selectionChanged with the full path each
    /// time the selection moves to another file.
    virtual bool showOpenDialog(QWidget* preview,
                                const std::function<void(const QString&)>& selectionChanged) = 0;
    /// A save dialog; it does not ask before overwriting.
    virtual bool showSaveDialog() = 0;
    virtual bool showColorDialog() = 0;

protected:
    CommonDialogs() { customColors.fill(Qt::black); }
};

} // namespace varnelo
