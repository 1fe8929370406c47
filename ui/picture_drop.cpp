// A picture dropped onto the window is taken as if it had been confirmed in
// the open-picture dialog.
#include "ui/picture_drop.h"

#include "ui/main_form.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace varnelo {

std::optional<QString> droppedPicture(const QMimeData& data) {
    if (!data.hasUrls())
        return std::nullopt;
    const QList<QUrl> urls = data.urls();
    if (urls.size() != 1 || !urls.front().isLocalFile())
        return std::nullopt;
    const QString path = urls.front().toLocalFile();
    // As the open dialog, which lets only an existing file be confirmed.
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    return path;
}

void MainForm::dragEnterEvent(QDragEnterEvent* event) {
    if (droppedPicture(*event->mimeData()))
        event->acceptProposedAction();
}

void MainForm::dragMoveEvent(QDragMoveEvent* event) {
    if (droppedPicture(*event->mimeData()))
        event->acceptProposedAction();
}

void MainForm::dropEvent(QDropEvent* event) {
    const std::optional<QString> path = droppedPicture(*event->mimeData());
    if (!path)
        return;
    event->acceptProposedAction();
    openDroppedPicture(QFile::encodeName(*path).toStdString());
}

void MainForm::openDroppedPicture(const std::string& path) {
    workBitmap_.clear();
    openPictureFile(path);
}

} // namespace varnelo
