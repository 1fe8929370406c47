#pragma once

#include "ui/common_dialogs.h"

#include <QStringList>

#include <array>

class QDialog;
class QFileDialog;

namespace varnelo {

/// Qt's name filters for a filter text "description|pattern|...": one entry
/// a pair, "Images (*.bmp *.jpg)" for "Images (*.bmp;*.jpg)|*.bmp;*.jpg".
/// Qt takes the patterns from the parentheses at the end of the text it
/// shows and splits them at spaces, so the real patterns replace whatever
/// the description had in parentheses. An entry without a pattern lists
/// every file; a description left without its pattern is dropped.
QStringList qtNameFilters(const QString& filter);

/// The folder a file dialog opens in: the folder of the file last
/// confirmed, or the working directory before the first one or once that
/// folder has gone.
QString fileDialogFolder(const QString& lastConfirmedFile);

/// The real dialogs: Qt's own (not the desktop's native ones), so the open
/// dialog can host the preview, owned by the window.
class WindowCommonDialogs : public CommonDialogs {
public:
    explicit WindowCommonDialogs(QWidget* owner);

    std::optional<FileDialogChoice>
    chooseFileToOpen(const FileDialogRequest& request, QWidget* preview,
                     const std::function<void(const QString&)>& selectionChanged) override;
    std::optional<FileDialogChoice> chooseFileToSave(const FileDialogRequest& request) override;
    std::optional<QColor> chooseColor(const QColor& initial) override;

    /// The custom colours the colour dialog shows, black at first.
    const std::array<QColor, 16>& customColors() const { return customColors_; }

protected:
    /// Runs a prepared dialog and answers whether the user confirmed it.
    /// Tests answer in its place without a modal loop.
    virtual bool run(QDialog& dialog);

private:
    void prepare(QFileDialog& dialog, const FileDialogRequest& request) const;
    /// The choice of a dialog opened with the given entry preselected.
    std::optional<FileDialogChoice> confirm(QFileDialog& dialog, int openedWithEntry);

    QWidget* owner_;
    QString lastConfirmedFile_;
    std::array<QColor, 16> customColors_;
};

} // namespace varnelo
