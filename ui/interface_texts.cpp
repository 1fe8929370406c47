// Every caption of the window, set once at start-up in this order.
#include "ui/main_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace varnelo {

void MainForm::applyTexts() {
    MainFormControls& c = controls_;
    c.openPictureButton->setText(QStringLiteral("open picture"));
    c.outputFileLabel->setText(QStringLiteral("output file:"));
    c.transformationGroup->setTitle(QStringLiteral("pixel transformation options"));
    c.modeChoices.applyTexts();
    c.fontSizeLabel->setText(QStringLiteral("fontsize:"));
    c.backgroundColorLabel->setText(QStringLiteral("background color: (click to change)"));
    c.blockStrengthList->addItem(QStringLiteral("strength 1"));
    c.blockStrengthList->addItem(QStringLiteral("strength 2"));
    c.blockStrengthList->addItem(QStringLiteral("strength 3"));
    c.blockStrengthList->addItem(QStringLiteral("strength 4"));
    c.blockStrengthList->addItem(QStringLiteral("random"));
    c.rangeToLabel->setText(QStringLiteral("to"));
    c.imageGroup->setTitle(
        QStringLiteral("image options (only done in memory - no file modification)"));
    c.imageSizeLabel->setText(QStringLiteral("imagesize:"));
    c.sizeEstimateLabel->setText(QStringLiteral("approximate resulting size:"));
    c.colorDepthLabel->setText(QStringLiteral("image quality:"));
    c.noteLabel->setText(QStringLiteral(
        "note: sometimes the ascii picture is screwed up due to output format limitations (try "
        "to lower the image quality to reduce colors)"));
    c.outputGroup->setTitle(QStringLiteral("output options"));
    c.formatChoices.applyTexts();
    c.imageTypeChoices.applyTexts();
    c.noOptionsLabel->setText(QStringLiteral("no output options available!"));
    c.qualityLabel->setText(QStringLiteral("image quality:"));
    c.createButton->setText(QStringLiteral("create ascii picture"));
    c.cancelButton->setText(QStringLiteral("cancel"));
    c.openOutputButton->setText(QStringLiteral("open output file"));
    c.exitButton->setText(QStringLiteral("exit"));
    sizeLabelsToText();
}

} // namespace varnelo
