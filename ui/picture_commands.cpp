// Taking an opened picture into the window: the picture itself, a proposed
// output name beside it, its depth, its size in the size fields and its
// top-left colour as background.
#include "engine/output_name.h"
#include "engine/picture_loader.h"
#include "engine/picture_preparation.h"
#include "ui/color_swatch.h"
#include "ui/main_form.h"
#include "ui/message_boxes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace varnelo {

std::string MainForm::outputExtension() const {
    const MainFormControls& c = controls_;
    if (c.rtfRadio->isChecked())
        return ".rtf";
    if (c.plainHtmlRadio->isChecked() || c.cssHtmlRadio->isChecked())
        return ".html";
    if (c.savePngCheck->isChecked())
        return ".png";
    if (c.saveJpgCheck->isChecked())
        return ".jpg";
    if (c.saveBmpCheck->isChecked())
        return ".bmp";
    return "";
}

void MainForm::openPictureFile(const std::string& path) {
    const MainFormControls& c = controls_;
    const LoadOutcome outcome = loadPicture(path, workBitmap_);
    if (outcome.status == LoadStatus::PngFailed)
        messages_.error(QStringLiteral("failed displaying \"") + QFile::decodeName(path.c_str()) +
                        QStringLiteral("\"!"));
    sourcePath_ = path;
    outputNameBase_ = path;
    c.outputFileEdit->setText(
        QFile::decodeName(uniqueOutputName(outputNameBase_, outputExtension()).c_str()));
    c.colorDepthList->setCurrentIndex(static_cast<int>(colorDepthOf(workBitmap_.depth())));
    // An empty picture has no proportion: the size fields then stay free.
    aspectRatio_ = workBitmap_.isEmpty()
                       ? 0.0
                       : static_cast<double>(workBitmap_.width()) / workBitmap_.height();
    c.openOutputButton->setEnabled(false);
    c.widthEdit->setText(QString::number(workBitmap_.width()));
    c.heightEdit->setText(QString::number(workBitmap_.height()));
    refreshEstimate();
    if (!workBitmap_.isEmpty()) {
        const Rgb corner = workBitmap_.pixelColor(0, 0);
        c.colorSwatch->setColor(QColor(redOf(corner), greenOf(corner), blueOf(corner)));
    }
}

} // namespace varnelo
