// "open picture": the open dialog with a live preview of the selected file.
#include "engine/picture_loader.h"
#include "ui/common_dialogs.h"
#include "ui/main_form.h"
#include "ui/message_boxes.h"
#include "ui/picture_image.h"
#include "ui/preview_panel.h"

#include <QFile>

namespace varnelo {

void MainForm::openPicture() {
    PreviewBox* box = controls_.previewPanel->previewBox();
    dialogs_.filter = QStringLiteral("Images (*.bmp;*.jpg;*.gif;*.png)|*.bmp;*.jpg;*.gif;*.png");
    // Browsing loads into a picture of its own: until the user confirms a
    // file, the window keeps the picture, the name and the sizes it had.
    WorkBitmap preview;
    box->setPicture({});
    const bool confirmed =
        dialogs_.showOpenDialog(controls_.previewPanel, [&](const QString& path) {
            const LoadOutcome outcome = loadPicture(QFile::encodeName(path).toStdString(), preview);
            if (outcome.status == LoadStatus::PngFailed)
                messages_.error(QStringLiteral("failed displaying \"") + path +
                                QStringLiteral("\"!"));
            // What could not be read shows nothing rather than the picture
            // of the file selected before it.
            if (outcome.status != LoadStatus::Loaded)
                preview.clear();
            box->setPicture(toImage(preview));
        });
    // The panel is hidden now; a large preview need not stay in memory.
    box->setPicture({});
    if (!confirmed || dialogs_.chosenFileName.isEmpty())
        return;
    // The old picture must not outlive its name: should the chosen file fail
    // to load, the window is left empty rather than showing the old pixels
    // under the new name, and the create command refuses it.
    workBitmap_.clear();
    openPictureFile(QFile::encodeName(dialogs_.chosenFileName).toStdString());
}

} // namespace varnelo
