// Commands that "select" a control on the user's behalf set its state and
// then run its click handler themselves rather than through
// QAbstractButton::click(), which does nothing for a disabled button: the
// output file can be chosen while a conversion has the format controls
// locked, and the format must still follow the chosen file.
#include "ui/output_commands.h"

#include "engine/output_formats.h"
#include "engine/output_name.h"
#include "platform/shell.h"
#include "ui/common_dialogs.h"
#include "ui/control_factory.h"
#include "ui/number_field.h"
#include "ui/window_style.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <vector>

namespace varnelo {

namespace {

QString latin1(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string encodedPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString decodedPath(const std::string& path) {
    return QFile::decodeName(path.c_str());
}

// The formats the save dialog lists, in its order: entry 1 is the first.
std::vector<const OutputFormatEntry*> saveDialogFormats() {
    std::vector<const OutputFormatEntry*> listed;
    for (const OutputFormatEntry& entry : outputFormats()) {
        if (!entry.dialogLabel.empty())
            listed.push_back(&entry);
    }
    return listed;
}

// "HTML (*.html)|*.html|RTF (*.rtf)|*.rtf|..."
QString saveDialogFilter() {
    QString filter;
    for (const OutputFormatEntry* entry : saveDialogFormats()) {
        const QString pattern = QStringLiteral("*") + latin1(entry->extension);
        if (!filter.isEmpty())
            filter += QLatin1Char('|');
        filter += latin1(entry->dialogLabel) + QStringLiteral(" (") + pattern +
                  QStringLiteral(")|") + pattern;
    }
    return filter;
}

QString qualityCaption(const OutputFormatEntry& format) {
    if (!format.quality)
        return QStringLiteral("image quality:");
    return QStringLiteral("image quality (%1-%2):")
        .arg(format.quality->minimum)
        .arg(format.quality->maximum);
}

} // namespace

OutputCommands::OutputCommands(OutputControls& controls, QWidget& window, CommonDialogs& dialogs,
                               DialogMemory& memory, Shell& shell)
    : c_(controls), window_(window), dialogs_(dialogs), dialogMemory_(memory), shell_(shell) {}

void OutputCommands::create() {
    const ConversionSettings defaults;
    c_.outputFileLabel = makeLabel(&window_, 104, 2);
    c_.outputFileEdit = makeEdit(&window_, 104, 17, 313, 17, false);
    c_.outputFileButton = makeButton(&window_, 421, 17, 20, 17);
    c_.outputFileButton->setText(QStringLiteral("..."));
    QGroupBox* group = c_.outputGroup = makeGroup(&window_, 8, 333, 439, 90);
    c_.noOptionsLabel = makeRemark(group, 152, 55);
    c_.qualityLabel = makeLabel(group, 139, 64);
    c_.qualityLabel->hide();
    c_.qualityLabel->setEnabled(false);
    c_.saveBmpCheck = makeCheck(group, 10, 40);
    c_.saveJpgCheck = makeCheck(group, 122, 40);
    c_.savePngCheck = makeCheck(group, 242, 40);
    for (QCheckBox* check : {c_.saveBmpCheck, c_.saveJpgCheck, c_.savePngCheck})
        check->hide();
    c_.qualityEdit = makeEdit(group, 253, 64, 28, 17, true);
    c_.qualityEdit->setText(QString::number(defaults.imageQuality));
    setFieldEnabled(*c_.qualityEdit, false);
    c_.qualityEdit->hide();
    c_.imageRadio = makeRadio(group, 369, 16);
    c_.rtfRadio = makeRadio(group, 279, 16);
    c_.plainHtmlRadio = makeRadio(group, 8, 16);
    c_.cssHtmlRadio = makeRadio(group, 135, 16);
    showFormats(defaults.outputFormat, defaults.imageFormat);
}

void OutputCommands::connectEvents(QPushButton* openOutputButton) {
    QObject::connect(c_.outputFileButton, &QPushButton::clicked, &window_,
                     [this] { chooseOutputFile(); });
    for (QRadioButton* format : {c_.plainHtmlRadio, c_.cssHtmlRadio, c_.rtfRadio})
        QObject::connect(format, &QRadioButton::clicked, &window_,
                         [this] { onDocumentFormatClicked(); });
    QObject::connect(c_.imageRadio, &QRadioButton::clicked, &window_,
                     [this] { onImageOutputClicked(); });
    for (QCheckBox* check : {c_.saveBmpCheck, c_.saveJpgCheck, c_.savePngCheck})
        QObject::connect(check, &QCheckBox::clicked, &window_,
                         [this, check] { onImageFormatClicked(check); });
    QObject::connect(c_.qualityEdit, &QLineEdit::textChanged, &window_,
                     [this] { onQualityChanged(); });
    QObject::connect(openOutputButton, &QPushButton::clicked, &window_,
                     [this] { openOutputFile(); });
}

void OutputCommands::fillSettings(ConversionSettings& settings) const {
    settings.outputPath = QFile::encodeName(c_.outputFileEdit->text()).toStdString();
    settings.outputNameBase = proposedNameBase();
    settings.outputFormat = outputFormat();
    settings.imageFormat = imageFormat();
    settings.imageQuality = readNumber(c_.qualityEdit->text().toStdString());
}

OutputFormat OutputCommands::outputFormat() const {
    return c_.imageRadio->isChecked()     ? OutputFormat::Image
           : c_.rtfRadio->isChecked()     ? OutputFormat::Rtf
           : c_.cssHtmlRadio->isChecked() ? OutputFormat::CssHtml
                                          : OutputFormat::PlainHtml;
}

ImageFormat OutputCommands::imageFormat() const {
    return c_.savePngCheck->isChecked()   ? ImageFormat::Png
           : c_.saveJpgCheck->isChecked() ? ImageFormat::Jpg
                                          : ImageFormat::Bmp;
}

QRadioButton* OutputCommands::radioOf(OutputFormat format) const {
    switch (format) {
    case OutputFormat::PlainHtml:
    case OutputFormat::AnsiText: // the converter's; the window offers no such choice
    case OutputFormat::PlainText:
        break;
    case OutputFormat::CssHtml:
        return c_.cssHtmlRadio;
    case OutputFormat::Rtf:
        return c_.rtfRadio;
    case OutputFormat::Image:
        return c_.imageRadio;
    }
    return c_.plainHtmlRadio;
}

QCheckBox* OutputCommands::checkOf(ImageFormat format) const {
    switch (format) {
    case ImageFormat::Bmp:
        break;
    case ImageFormat::Jpg:
        return c_.saveJpgCheck;
    case ImageFormat::Png:
        return c_.savePngCheck;
    }
    return c_.saveBmpCheck;
}

std::string OutputCommands::outputExtension() const {
    return std::string(outputFormatOf(outputFormat(), imageFormat()).extension);
}

void OutputCommands::showFormats(OutputFormat outputFormat, ImageFormat imageFormat) {
    radioOf(outputFormat)->setChecked(true);
    checkOf(imageFormat)->setChecked(true);
}

void OutputCommands::proposeName() {
    proposed_ = decodedPath(uniqueOutputName(outputNameBase_, outputExtension()));
    c_.outputFileEdit->setText(proposed_);
}

void OutputCommands::deriveOutputName() {
    // An empty field stays empty: there is nothing to follow yet.
    if (!c_.outputFileEdit->text().isEmpty())
        proposeName();
}

void OutputCommands::proposeOutputBeside(const std::string& picturePath) {
    outputNameBase_ = picturePath;
    proposeName();
}

std::string OutputCommands::proposedNameBase() const {
    if (proposed_.isEmpty() || c_.outputFileEdit->text() != proposed_)
        return {};
    return outputNameBase_;
}

void OutputCommands::conversionWrote(const std::string& path) {
    // Only where the field still names what was converted: the user may have
    // typed another name while the conversion ran.
    if (!proposed_.isEmpty() && c_.outputFileEdit->text() == proposed_)
        c_.outputFileEdit->setText(decodedPath(path));
    proposed_.clear();
}

void OutputCommands::chooseOutputFile() {
    const std::vector<const OutputFormatEntry*> listed = saveDialogFormats();
    dialogMemory_.initialFileName = QFileInfo(c_.outputFileEdit->text()).fileName();
    const std::optional<QString> chosen = dialogMemory_.remember(
        dialogs_.chooseFileToSave(dialogMemory_.requestFor(saveDialogFilter())));
    if (!chosen)
        return;
    c_.outputFileEdit->setText(*chosen);
    // The picture to reload stays with the window; only the names derived
    // by the format commands follow the chosen file from now on.
    outputNameBase_ = encodedPath(*chosen);

    // The confirmed entry, not the extension the user typed, decides the
    // format; the format's handler then derives the name with its extension.
    const int entry = dialogMemory_.filterIndex;
    if (entry < 1 || entry > static_cast<int>(listed.size()))
        return;
    const OutputFormatEntry& format = *listed[static_cast<std::size_t>(entry - 1)];
    if (format.kind == OutputKind::Document) {
        radioOf(format.outputFormat)->setChecked(true);
        onDocumentFormatClicked();
        return;
    }
    QCheckBox* check = checkOf(format.imageFormat);
    check->setChecked(!check->isChecked());
    onImageFormatClicked(check);
    c_.imageRadio->setChecked(true);
    onImageOutputClicked();
}

void OutputCommands::onDocumentFormatClicked() {
    deriveOutputName();
    c_.noOptionsLabel->show();
    for (QWidget* imageOption : std::initializer_list<QWidget*>{
             c_.qualityLabel, c_.qualityEdit, c_.saveBmpCheck, c_.saveJpgCheck, c_.savePngCheck})
        imageOption->hide();
}

void OutputCommands::onImageOutputClicked() {
    deriveOutputName();
    c_.noOptionsLabel->hide();
    for (QWidget* imageOption : std::initializer_list<QWidget*>{
             c_.qualityLabel, c_.qualityEdit, c_.saveBmpCheck, c_.saveJpgCheck, c_.savePngCheck})
        imageOption->show();
}

void OutputCommands::onImageFormatClicked(QCheckBox* clicked) {
    if (clicked != c_.saveBmpCheck && clicked != c_.saveJpgCheck && clicked != c_.savePngCheck)
        return;
    // The three boxes act as one choice: a click on the ticked one cannot clear it.
    clicked->setChecked(true);
    for (QCheckBox* other : {c_.saveBmpCheck, c_.saveJpgCheck, c_.savePngCheck})
        if (other != clicked)
            other->setChecked(false);

    const OutputFormatEntry& format = outputFormatOf(OutputFormat::Image, imageFormat());
    c_.qualityLabel->setText(qualityCaption(format));
    c_.qualityLabel->adjustSize();
    c_.qualityLabel->setEnabled(format.quality.has_value());
    setFieldEnabled(*c_.qualityEdit, format.quality.has_value());

    c_.imageRadio->setChecked(true);
    onImageOutputClicked();
    // Choosing a format with a quality starts from its initial quality,
    // even when it was already the chosen format.
    if (format.quality)
        c_.qualityEdit->setText(QString::number(format.quality->initial));
}

void OutputCommands::onQualityChanged() {
    const OutputFormatEntry& format = outputFormatOf(OutputFormat::Image, imageFormat());
    // The replacement runs this check again, and passes it.
    if (format.quality &&
        !fieldNumberWithin(*c_.qualityEdit, format.quality->minimum, format.quality->maximum))
        c_.qualityEdit->setText(QString::number(format.quality->initial));
}

void OutputCommands::openOutputFile() {
    const QFileInfo output(c_.outputFileEdit->text());
    // Only a file: handing a folder to the shell would open a file manager
    // in place of the output.
    if (c_.outputFileEdit->text().isEmpty() || !output.isFile())
        return;
    shell_.openFile(output.absoluteFilePath());
}

} // namespace varnelo
