// "create ascii picture" and "cancel": the checks, the settings taken from
// the controls, the window locked while the conversion runs, and the end
// states it is unlocked in.
#include "engine/character_modes.h"
#include "engine/codepages.h"
#include "engine/output_formats.h"
#include "engine/start_check.h"
#include "ui/conversion_controller.h"
#include "ui/font_list.h"
#include "ui/main_form.h"
#include "ui/message_boxes.h"
#include "ui/output_commands.h"
#include "ui/pass_end_texts.h"
#include "ui/result_preview.h"
#include "writers/cell_size.h"
#include "writers/character_cells.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <cmath>

namespace varnelo {

ConversionSettings MainForm::chosenSettings() const {
    ConversionSettings settings;
    settings.sourcePath = sourcePath_;
    output_->fillSettings(settings);
    character_->fillSettings(settings);
    image_->fillSettings(settings);
    if (const std::optional<ResultPreview::ModeChoice> chosen = resultPreview_->modeChoice()) {
        settings.transformation = chosen->mode;
        settings.symbols = chosen->symbols;
        settings.fillCells = chosen->fill || drawsTwoColourSymbols(chosen->mode);
    }
    return settings;
}

ConversionSettings MainForm::settled(ConversionSettings settings) const {
    // A mode of the converter's chosen beside the window's own is drawn as
    // the converter draws it, in a face of one advance.
    if (!resultPreview_->modeChoice())
        return settings;
    if (monospaced_.empty())
        monospaced_ = monospacedFace();
    settings = withCharactersOfOneAdvance(std::move(settings), monospaced_);
    // Its lines follow the cell's proportion, as the converter's do where
    // only the width is given, so that the picture keeps its own as drawn.
    double proportion = 0;
    if (outputFormatOf(settings).kind == OutputKind::Image) {
        const CellSize cell = measureImageCell(settings);
        proportion = static_cast<double>(cell.width) / std::max(cell.height, 1);
    } else {
        proportion = documentCellProportion(settings);
    }
    if (proportion > 0 && settings.imageWidth > 0 && !workBitmap_.isEmpty()) {
        const double ratio = static_cast<double>(workBitmap_.width()) /
                             (static_cast<double>(workBitmap_.height()) * proportion);
        settings.imageHeight = std::max(
            1, static_cast<int>(std::nearbyint(static_cast<double>(settings.imageWidth) / ratio)));
    }
    return settings;
}

ConversionSettings MainForm::settingsFromControls() const {
    return settled(chosenSettings());
}

void MainForm::startConversion() {
    if (conversion_->running() || createWhenLoaded_)
        return;
    // A picture just opened may still be decoding: its conversion waits
    // for it, as locked as a running one, and cancel gives it up.
    if (openingPicture()) {
        createWhenLoaded_ = true;
        controls_.statusLabel->setText(QStringLiteral("loading picture..."));
        lockForConversion();
        return;
    }
    ConversionSettings settings = settingsFromControls();
    switch (checkConversionStart(settings, !workBitmap_.isEmpty())) {
    case StartProblem::NoPicture:
        messages_.information(QStringLiteral("please select a valid imagefile!"));
        return;
    case StartProblem::NoOutputFile:
        messages_.information(QStringLiteral("please select an output file!"));
        return;
    case StartProblem::NoPhrase:
        messages_.information(QStringLiteral("please enter a custom phrase!"));
        return;
    case StartProblem::None:
        break;
    }
    // The list shows the face the conversion draws in, which blocks mode chooses itself.
    const QString face = QString::fromStdString(windows1252ToUtf8(settings.fontFace));
    if (face != controls_.fontList->face())
        controls_.fontList->selectFace(face);

    lockForConversion();
    conversion_->start(std::move(settings));
}

void MainForm::cancelConversion() {
    if (createWhenLoaded_) {
        createWhenLoaded_ = false;
        controls_.statusLabel->setText(QStringLiteral("cancelled!"));
        unlockAfterConversion(false);
        return;
    }
    if (!conversion_->running())
        return;
    conversion_->cancel();
    controls_.statusLabel->setText(QStringLiteral("cancelled!"));
    unlockAfterConversion(false);
}

namespace {

// The controls a running conversion locks, cancel aside.
// The output's choices: what the pass writes is fixed when it starts.
std::vector<QWidget*> lockedControls(const MainFormControls& c) {
    std::vector<QWidget*> locked{c.createButton, c.openOutputButton};
    for (QRadioButton* format : c.formatChoices.controls())
        locked.push_back(format);
    for (QCheckBox* type : c.imageTypeChoices.controls())
        locked.push_back(type);
    return locked;
}

} // namespace

void MainForm::startWaitingConversion() {
    if (!createWhenLoaded_)
        return;
    createWhenLoaded_ = false;
    unlockAfterConversion(false);
    // The checks as create makes them: a picture that failed to load is
    // no picture.
    startConversion();
}

void MainForm::lockForConversion() {
    const MainFormControls& c = controls_;
    // A focused control that is disabled hands the focus to the next one,
    // which may be "exit", where the next Enter would close the window: the
    // window holds it instead while the conversion runs.
    QWidget* focused = focusWidget();
    focusBeforeLock_ = focused;
    const std::vector<QWidget*> locked = lockedControls(c);
    if (std::find(locked.begin(), locked.end(), focused) != locked.end())
        setFocus(Qt::OtherFocusReason);
    for (QWidget* control : locked)
        control->setEnabled(false);
    c.cancelButton->setEnabled(true);
}

void MainForm::unlockAfterConversion(bool openOutputEnabled) {
    const MainFormControls& c = controls_;
    for (QWidget* control : lockedControls(c))
        control->setEnabled(control != c.openOutputButton || openOutputEnabled);
    // Back where it was, or to create when that was locked; unless it was
    // moved on meanwhile. Cancel is disabled last, so that its focus, too,
    // comes back here rather than moving on to the next control.
    QWidget* focused = focusWidget();
    if (focused == nullptr || focused == this || focused == c.cancelButton) {
        QWidget* back = focusBeforeLock_;
        if (back == nullptr || !back->isEnabled() || !back->isVisible() || back == this ||
            back == c.cancelButton)
            back = c.createButton;
        back->setFocus(Qt::OtherFocusReason);
    }
    focusBeforeLock_ = nullptr;
    c.cancelButton->setEnabled(false);
}

void MainForm::showStatus(const QString& text) {
    controls_.statusLabel->setText(text);
}

void MainForm::setProgressRange(int maximum) {
    controls_.progressBar->setRange(0, maximum);
}

void MainForm::setProgressPosition(int position) {
    controls_.progressBar->setValue(position);
}

void MainForm::conversionEnded(const PassResult& result) {
    // The pass is done with the generator: the next one starts from here.
    previewSeed_ = random_.seed();
    const PassEndTexts texts = passEndTexts(result);
    if (!texts.errorBox.isEmpty())
        messages_.error(texts.errorBox);
    if (!texts.status.isEmpty())
        controls_.statusLabel->setText(texts.status);
    if (result.end == PassEnd::Done)
        output_->conversionWrote(result.outputPath);
    unlockAfterConversion(texts.openOutputEnabled);
}

} // namespace varnelo
