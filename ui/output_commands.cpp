// The output side of the window: the output file, the document and image
// formats, the quality field and "open output file".
//
// Commands that "select" a control on the user's behalf set its state and
// then run its click handler themselves rather than through
// QAbstractButton::click(), which does nothing for a disabled button: the
// output file can be chosen while a conversion has the format controls
// locked, and the format must still follow the chosen file.
#include "engine/output_name.h"
#include "platform/shell.h"
#include "ui/common_dialogs.h"
#include "ui/main_form.h"
#include "ui/window_style.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <limits>

namespace varnelo {

namespace {

constexpr const char* kOutputFilter =
    "HTML (*.html)|*.html|RTF (*.rtf)|*.rtf|BMP (*.bmp)|*.bmp|JPG (*.jpg)|*.jpg|PNG (*.png)|*.png";

std::string encodedPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString decodedPath(const std::string& path) {
    return QFile::decodeName(path.c_str());
}

} // namespace

bool MainForm::fieldNumberWithin(const QLineEdit& field, std::int32_t low, std::int32_t high) {
    // The sign and digit rule of readNumber, but without its wrap-around: a
    // long run of digits that wraps into the range would be accepted while
    // the field shows a number far outside it.
    const QString text = field.text();
    if (text.isEmpty())
        return false;
    qsizetype index = 0;
    const bool negative = text[0] == u'-';
    if (negative || text[0] == u'+')
        index = 1;
    constexpr std::int64_t kBeyond = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 2;
    std::int64_t magnitude = 0;
    for (; index < text.size() && text[index] >= u'0' && text[index] <= u'9'; ++index) {
        magnitude = magnitude * 10 + (text[index].unicode() - u'0');
        if (magnitude >= kBeyond)
            return false;
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        return false;
    return value >= low && value <= high;
}

void MainForm::chooseOutputFile() {
    const MainFormControls& c = controls_;
    dialogs_.filter = QString::fromLatin1(kOutputFilter);
    dialogs_.initialFileName = QFileInfo(c.outputFileEdit->text()).fileName();
    if (!dialogs_.showSaveDialog())
        return;
    c.outputFileEdit->setText(dialogs_.chosenFileName);
    // The picture to reload stays in sourcePath_; only the names derived by
    // the format commands follow the chosen file from now on.
    outputNameBase_ = encodedPath(dialogs_.chosenFileName);

    // The confirmed entry, not the extension the user typed, decides the
    // format; the format's handler then derives the name with its extension.
    QCheckBox* imageFormat = nullptr;
    switch (dialogs_.filterIndex) {
    case 1:
        c.plainHtmlRadio->setChecked(true);
        onDocumentFormatClicked();
        return;
    case 2:
        c.rtfRadio->setChecked(true);
        onDocumentFormatClicked();
        return;
    case 3:
        imageFormat = c.saveBmpCheck;
        break;
    case 4:
        imageFormat = c.saveJpgCheck;
        break;
    case 5:
        imageFormat = c.savePngCheck;
        break;
    default:
        return;
    }
    imageFormat->setChecked(!imageFormat->isChecked());
    onImageFormatClicked(imageFormat);
    c.imageRadio->setChecked(true);
    onImageOutputClicked();
}

void MainForm::onDocumentFormatClicked() {
    const MainFormControls& c = controls_;
    if (!c.outputFileEdit->text().isEmpty())
        c.outputFileEdit->setText(decodedPath(
            uniqueOutputName(outputNameBase_, c.rtfRadio->isChecked() ? ".rtf" : ".html")));
    c.noOptionsLabel->show();
    for (QWidget* imageOption : std::initializer_list<QWidget*>{
             c.qualityLabel, c.qualityEdit, c.saveBmpCheck, c.saveJpgCheck, c.savePngCheck})
        imageOption->hide();
}

void MainForm::onImageOutputClicked() {
    const MainFormControls& c = controls_;
    if (!c.outputFileEdit->text().isEmpty()) {
        const char* extension = c.savePngCheck->isChecked()   ? ".png"
                                : c.saveJpgCheck->isChecked() ? ".jpg"
                                                              : ".bmp";
        c.outputFileEdit->setText(decodedPath(uniqueOutputName(outputNameBase_, extension)));
    }
    c.noOptionsLabel->hide();
    for (QWidget* imageOption : std::initializer_list<QWidget*>{
             c.qualityLabel, c.qualityEdit, c.saveBmpCheck, c.saveJpgCheck, c.savePngCheck})
        imageOption->show();
}

void MainForm::onImageFormatClicked(QCheckBox* clicked) {
    const MainFormControls& c = controls_;
    if (clicked != c.saveBmpCheck && clicked != c.saveJpgCheck && clicked != c.savePngCheck)
        return;
    // The three boxes act as one choice: a click on the ticked one cannot clear it.
    clicked->setChecked(true);
    for (QCheckBox* other : {c.saveBmpCheck, c.saveJpgCheck, c.savePngCheck})
        if (other != clicked)
            other->setChecked(false);

    const bool bmp = clicked == c.saveBmpCheck;
    c.qualityLabel->setText(bmp                         ? QStringLiteral("image quality:")
                            : clicked == c.saveJpgCheck ? QStringLiteral("image quality (1-100):")
                                                        : QStringLiteral("image quality (1-10):"));
    c.qualityLabel->adjustSize();
    c.qualityLabel->setEnabled(!bmp);
    setFieldEnabled(*c.qualityEdit, !bmp);

    c.imageRadio->setChecked(true);
    onImageOutputClicked();
    // Choosing JPG or PNG starts from its default quality, even when it was
    // already the chosen format.
    if (clicked == c.saveJpgCheck)
        c.qualityEdit->setText(QStringLiteral("80"));
    else if (clicked == c.savePngCheck)
        c.qualityEdit->setText(QStringLiteral("8"));
}

void MainForm::onQualityChanged() {
    const MainFormControls& c = controls_;
    // Each replacement runs this check again, and passes it.
    if (c.saveJpgCheck->isChecked() && !fieldNumberWithin(*c.qualityEdit, 1, 100))
        c.qualityEdit->setText(QStringLiteral("80"));
    if (c.savePngCheck->isChecked() && !fieldNumberWithin(*c.qualityEdit, 1, 10))
        c.qualityEdit->setText(QStringLiteral("8"));
}

void MainForm::openOutputFile() {
    const QFileInfo output(controls_.outputFileEdit->text());
    // Only a file: handing a folder to the shell would open a file manager
    // in place of the output.
    if (controls_.outputFileEdit->text().isEmpty() || !output.isFile())
        return;
    shell_.openFile(output.absoluteFilePath());
}

} // namespace varnelo
