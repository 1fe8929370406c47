// "open picture": the open dialog with a live preview of the selected file,
// and taking the confirmed picture into the window: the picture itself, a
// proposed output name beside it, its depth, its size in the size fields and
// its top-left colour as background.
#include "engine/reduce_depth.h"
#include "reading/picture_loader.h"
#include "ui/color_swatch.h"
#include "ui/common_dialogs.h"
#include "ui/main_form.h"
#include "ui/message_boxes.h"
#include "ui/output_commands.h"
#include "ui/pass_end_texts.h"
#include "ui/picture_image.h"
#include "ui/picture_loading.h"
#include "ui/preview_panel.h"
#include "ui/result_rendering.h"
#include "ui/size_fields.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QPushButton>

namespace varnelo {

namespace {

QString latin1(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// "Images (*.bmp;*.jpg;*.jpeg;*.jpe;*.gif;*.png)|*.bmp;*.jpg;*.jpeg;*.jpe;*.gif;*.png"
QString pictureFilter() {
    QString patterns;
    for (const PictureTypeEntry& type : pictureTypes()) {
        for (const std::string_view extension : type.extensions) {
            if (!patterns.isEmpty())
                patterns += QLatin1Char(';');
            patterns += QStringLiteral("*") + latin1(extension);
        }
    }
    return QStringLiteral("Images (") + patterns + QStringLiteral(")|") + patterns;
}

} // namespace

void MainForm::openPicture() {
    PreviewBox* box = controls_.previewPanel->previewBox();
    // Browsing loads into pictures of its own: until the user confirms a
    // file, the window keeps the picture, the name and the sizes it had.
    box->setPicture({});
    const std::optional<FileDialogChoice> choice = dialogs_.chooseFileToOpen(
        dialogMemory_.requestFor(pictureFilter()), controls_.previewPanel,
        [this, box](const QString& path) {
            // What is still loading, or could not be read, shows nothing
            // rather than the picture of the file selected before it.
            box->setPicture({});
            previewLoading_->load(
                QFile::encodeName(path).toStdString(),
                [this, box, path](const LoadOutcome& outcome, WorkBitmap preview) {
                    if (outcome.status == LoadStatus::PngFailed)
                        messages_.error(failedDisplayingText(path));
                    if (outcome.status != LoadStatus::Loaded)
                        preview.clear();
                    box->setPicture(toImage(preview));
                });
        });
    previewLoading_->stop();
    // The panel is hidden now; a large preview need not stay in memory.
    box->setPicture({});
    const std::optional<QString> chosen = dialogMemory_.remember(choice);
    if (!chosen)
        return;
    // The old picture must not outlive its name: should the chosen file fail
    // to load, the window is left empty rather than showing the old pixels
    // under the new name, and the create command refuses it.
    workBitmap_.clear();
    openPictureFile(QFile::encodeName(*chosen).toStdString());
}

void MainForm::openPictureFile(const std::string& path) {
    pictureLoading_->load(path, [this, path](const LoadOutcome& outcome, WorkBitmap picture) {
        takeOpenedPicture(path, outcome, std::move(picture));
    });
}

bool MainForm::openingPicture() const {
    return pictureLoading_->busy();
}

void MainForm::takeOpenedPicture(const std::string& path, const LoadOutcome& outcome,
                                 WorkBitmap picture) {
    const MainFormControls& c = controls_;
    // As the loader leaves its bitmap: the picture when loaded, nothing when
    // a BMP, JPEG or GIF failed, what it held when a PNG failed.
    if (outcome.status == LoadStatus::Loaded)
        workBitmap_ = std::move(picture);
    else if (outcome.status == LoadStatus::Failed)
        workBitmap_.clear();
    if (outcome.status == LoadStatus::PngFailed)
        messages_.error(failedDisplayingText(QFile::decodeName(path.c_str())));
    sourcePath_ = path;
    output_->proposeOutputBeside(path);
    c.colorDepthList->setCurrentIndex(static_cast<int>(colorDepthOf(workBitmap_.depth())));
    c.openOutputButton->setEnabled(false);
    image_->sizeFields().showPictureSize(workBitmap_.width(), workBitmap_.height());
    if (!workBitmap_.isEmpty()) {
        const Rgb corner = workBitmap_.pixelColor(0, 0);
        c.colorSwatch->setColor(QColor(redOf(corner), greenOf(corner), blueOf(corner)));
        rendering_->setPicture(workBitmap_);
        rendered_.reset();
        showResultPreview();
    }
    startWaitingConversion();
}

void MainForm::onStretchClicked() {
    const QCheckBox* stretch = controls_.previewPanel->stretchCheck();
    controls_.previewPanel->previewBox()->setStretched(stretch->isChecked());
    // The check box lives in whichever window shows the preview, and that
    // window is left with no focused control.
    if (QWidget* focused = stretch->window()->focusWidget())
        focused->clearFocus();
}

} // namespace varnelo
