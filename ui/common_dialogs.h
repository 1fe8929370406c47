#pragma once

#include <QColor>
#include <QString>

#include <functional>
#include <optional>

class QWidget;

namespace varnelo {

/// What a file dialog opens with.
struct FileDialogRequest {
    /// Entries "description|pattern|description|pattern...", patterns
    /// separated by ";", as "Images (*.bmp;*.jpg)|*.bmp;*.jpg".
    QString filter;
    /// 1-based entry preselected; past the entries, the first.
    int filterIndex = 1;
    /// The text the file-name box starts with.
    QString initialFileName;
};

/// What the user confirmed in a file dialog.
struct FileDialogChoice {
    QString fileName;    ///< the full path
    int filterIndex = 1; ///< the 1-based entry confirmed
};

/// The window's dialogs: open and save file dialogs and the colour dialog.
/// Each runs on the window's thread and answers the user's choice, or
/// nothing when the user cancelled; tests replace them with a script.
class CommonDialogs {
public:
    virtual ~CommonDialogs() = default;

    /// An open dialog for an existing file. With a preview, the dialog shows
    /// it beside its list and calls selectionChanged with the full path each
    /// time the selection moves to another file.
    virtual std::optional<FileDialogChoice>
    chooseFileToOpen(const FileDialogRequest& request, QWidget* preview,
                     const std::function<void(const QString&)>& selectionChanged) = 0;
    /// A save dialog; it does not ask before overwriting.
    virtual std::optional<FileDialogChoice> chooseFileToSave(const FileDialogRequest& request) = 0;
    /// A colour dialog opened on initial, with a row of 16 custom colours
    /// kept from one dialog to the next.
    virtual std::optional<QColor> chooseColor(const QColor& initial) = 0;
};

/// What the window's dialogs carry from one to the next, as one dialog
/// component would: the entry confirmed in the last file dialog, which the
/// next one preselects; the file name the output dialog was last given,
/// which every file dialog then starts with; the colour last confirmed,
/// which the colour dialog opens on.
struct DialogMemory {
    int filterIndex = 1;
    QString initialFileName;
    QColor color = Qt::black;

    FileDialogRequest requestFor(QString filter) const {
        return {std::move(filter), filterIndex, initialFileName};
    }
    /// Keeps the confirmed entry; answers the confirmed file, or nothing.
    std::optional<QString> remember(const std::optional<FileDialogChoice>& choice) {
        if (!choice || choice->fileName.isEmpty())
            return std::nullopt;
        filterIndex = choice->filterIndex;
        return choice->fileName;
    }
};

} // namespace varnelo
