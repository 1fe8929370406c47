// "create ascii picture" and "cancel": the checks, the settings taken from
// the controls, the window locked while the conversion runs, and the end
// states it is unlocked in.
#include "engine/codepages.h"
#include "ui/color_swatch.h"
#include "ui/conversion_controller.h"
#include "ui/font_list.h"
#include "ui/main_form.h"
#include "ui/message_boxes.h"
#include "writers/cell_font.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

namespace varnelo {

namespace {

std::string numberText(const QLineEdit* edit) {
    return edit->text().toStdString();
}

} // namespace

ConversionSettings MainForm::settingsFromControls() const {
    const MainFormControls& c = controls_;
    ConversionSettings settings;
    settings.sourcePath = sourcePath_;
    settings.outputPath = QFile::encodeName(c.outputFileEdit->text()).toStdString();
    settings.outputFormat = c.imageRadio->isChecked()     ? OutputFormat::Image
                            : c.rtfRadio->isChecked()     ? OutputFormat::Rtf
                            : c.cssHtmlRadio->isChecked() ? OutputFormat::CssHtml
                                                          : OutputFormat::PlainHtml;
    settings.imageFormat = c.savePngCheck->isChecked()   ? ImageFormat::Png
                           : c.saveJpgCheck->isChecked() ? ImageFormat::Jpg
                                                         : ImageFormat::Bmp;
    settings.imageQuality = readNumber(numberText(c.qualityEdit));
    settings.transformation =
        c.numbersRadio->isChecked()          ? PixelTransformation::RandomNumbers
        : c.smallLettersRadio->isChecked()   ? PixelTransformation::RandomSmallLetters
        : c.bigLettersRadio->isChecked()     ? PixelTransformation::RandomBigLetters
        : c.customTextRadio->isChecked()     ? PixelTransformation::CustomText
        : c.terminalBlocksRadio->isChecked() ? PixelTransformation::TerminalBlocks
        : c.customRangeRadio->isChecked()    ? PixelTransformation::CustomRange
                                             : PixelTransformation::RandomBinary;
    if (settings.transformation == PixelTransformation::CustomText)
        settings.customPhrase = utf8ToWindows1252(c.customTextEdit->text().toStdString());
    settings.blockStrength = c.blockStrengthList->currentIndex();
    settings.rangeFrom = readNumber(numberText(c.rangeFromEdit));
    settings.rangeTo = readNumber(numberText(c.rangeToEdit));
    settings.fontSize = readNumber(numberText(c.fontSizeEdit));
    settings.fontFace = utf8ToWindows1252(c.fontList->face().toStdString());
    const QColor background = c.colorSwatch->color();
    settings.backgroundColor = makeRgb(static_cast<std::uint32_t>(background.red()),
                                       static_cast<std::uint32_t>(background.green()),
                                       static_cast<std::uint32_t>(background.blue()));
    settings.imageWidth = readNumber(numberText(c.widthEdit));
    settings.imageHeight = readNumber(numberText(c.heightEdit));
    settings.colorDepth =
        static_cast<ColorDepth>(std::clamp(c.colorDepthList->currentIndex(), 0, 6));
    return settings;
}

void MainForm::startConversion() {
    const MainFormControls& c = controls_;
    if (conversion_->running())
        return;
    if (workBitmap_.isEmpty()) {
        messages_.information(QStringLiteral("please select a valid imagefile!"));
        return;
    }
    if (c.outputFileEdit->text().isEmpty()) {
        messages_.information(QStringLiteral("please select an output file!"));
        return;
    }
    if (c.customTextRadio->isChecked() && c.customTextEdit->text().isEmpty()) {
        messages_.information(QStringLiteral("please enter a custom phrase!"));
        return;
    }
    if (c.terminalBlocksRadio->isChecked())
        c.fontList->selectFace(QLatin1String(kTerminalFace));

    ConversionSettings settings = settingsFromControls();
    lockForConversion();
    conversion_->start(std::move(settings));
}

void MainForm::cancelConversion() {
    if (!conversion_->running())
        return;
    conversion_->cancel();
    controls_.statusLabel->setText(QStringLiteral("cancelled!"));
    unlockAfterConversion(false);
}

void MainForm::lockForConversion() {
    const MainFormControls& c = controls_;
    for (QWidget* control : std::initializer_list<QWidget*>{
             c.plainHtmlRadio, c.cssHtmlRadio, c.rtfRadio, c.imageRadio, c.createButton,
             c.saveBmpCheck, c.saveJpgCheck, c.savePngCheck, c.openOutputButton})
        control->setEnabled(false);
    c.cancelButton->setEnabled(true);
}

void MainForm::unlockAfterConversion(bool openOutputEnabled) {
    const MainFormControls& c = controls_;
    c.cancelButton->setEnabled(false);
    for (QWidget* control : std::initializer_list<QWidget*>{
             c.plainHtmlRadio, c.cssHtmlRadio, c.rtfRadio, c.imageRadio, c.createButton,
             c.saveBmpCheck, c.saveJpgCheck, c.savePngCheck})
        control->setEnabled(true);
    c.openOutputButton->setEnabled(openOutputEnabled);
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

void MainForm::showConversionError(const QString& text) {
    messages_.error(text);
}

void MainForm::conversionEnded(PassEnd end) {
    if (end == PassEnd::Cancelled)
        controls_.statusLabel->setText(QStringLiteral("cancelled!"));
    unlockAfterConversion(end == PassEnd::Done);
}

} // namespace varnelo
