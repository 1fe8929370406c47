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

#include <algorithm>
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

using FormatChoice = ChoiceRow<OutputFormat, OutputControls, QRadioButton>;
using ImageTypeChoice = ChoiceRow<ImageFormat, OutputControls, QCheckBox>;

// The formats "output options" offers, in their Tab order; every image
// file type is "as image" with the type's box ticked.
constexpr FormatChoice kFormatChoices[] = {
    {OutputFormat::Image, &OutputControls::imageRadio, {369, 16}, "as image"},
    {OutputFormat::Rtf, &OutputControls::rtfRadio, {279, 16}, "as RTF file"},
    {OutputFormat::PlainHtml, &OutputControls::plainHtmlRadio, {8, 16}, "as plain HTML file"},
    {OutputFormat::CssHtml, &OutputControls::cssHtmlRadio, {135, 16}, "as HTML file with CSS"},
};

constexpr ImageTypeChoice kImageTypeChoices[] = {
    {ImageFormat::Bmp, &OutputControls::saveBmpCheck, {10, 40}, "save as BMP"},
    {ImageFormat::Jpg, &OutputControls::saveJpgCheck, {122, 40}, "save as JPG"},
    {ImageFormat::Png, &OutputControls::savePngCheck, {242, 40}, "save as PNG"},
};

std::string_view noCaption(auto) {
    return {};
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
    c_.imageTypeChoices.create(*group, c_, std::span<const ImageTypeChoice>(kImageTypeChoices),
                               makeCheck, noCaption<ImageFormat>);
    for (QCheckBox* check : c_.imageTypeChoices.controls())
        check->hide();
    c_.qualityEdit = makeEdit(group, 253, 64, 28, 17, true);
    c_.qualityEdit->setText(QString::number(defaults.imageQuality));
    setFieldEnabled(*c_.qualityEdit, false);
    c_.qualityEdit->hide();
    c_.formatChoices.create(*group, c_, std::span<const FormatChoice>(kFormatChoices), makeRadio,
                            noCaption<OutputFormat>);
    showFormats(defaults.outputFormat, defaults.imageFormat);
}

void OutputCommands::connectEvents(QPushButton* openOutputButton) {
    QObject::connect(c_.outputFileButton, &QPushButton::clicked, &window_,
                     [this] { chooseOutputFile(); });
    c_.formatChoices.onClicked(
        window_, [this](OutputFormat format, QRadioButton*) { onFormatClicked(format); });
    c_.imageTypeChoices.onClicked(
        window_, [this](ImageFormat, QCheckBox* check) { onImageFormatClicked(check); });
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
    return c_.formatChoices.chosen().value_or(OutputFormat::PlainHtml);
}

ImageFormat OutputCommands::imageFormat() const {
    return c_.imageTypeChoices.chosen().value_or(ImageFormat::Bmp);
}

void OutputCommands::onFormatClicked(OutputFormat format) {
    if (outputFormatOf(format, imageFormat()).kind == OutputKind::Image)
        onImageOutputClicked();
    else
        onDocumentFormatClicked();
}

std::string OutputCommands::outputExtension() const {
    return std::string(outputFormatOf(outputFormat(), imageFormat()).extension);
}

void OutputCommands::showFormats(OutputFormat outputFormat, ImageFormat imageFormat) {
    if (QRadioButton* format = c_.formatChoices.choiceOf(outputFormat))
        format->setChecked(true);
    if (QCheckBox* type = c_.imageTypeChoices.choiceOf(imageFormat))
        type->setChecked(true);
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
        if (QRadioButton* choice = c_.formatChoices.choiceOf(format.outputFormat))
            choice->setChecked(true);
        onDocumentFormatClicked();
        return;
    }
    QCheckBox* check = c_.imageTypeChoices.choiceOf(format.imageFormat);
    if (check == nullptr)
        return;
    check->setChecked(!check->isChecked());
    onImageFormatClicked(check);
    c_.imageRadio->setChecked(true);
    onImageOutputClicked();
}

void OutputCommands::onDocumentFormatClicked() {
    deriveOutputName();
    c_.noOptionsLabel->show();
    c_.qualityLabel->hide();
    c_.qualityEdit->hide();
    for (QCheckBox* type : c_.imageTypeChoices.controls())
        type->hide();
}

void OutputCommands::onImageOutputClicked() {
    deriveOutputName();
    c_.noOptionsLabel->hide();
    c_.qualityLabel->show();
    c_.qualityEdit->show();
    for (QCheckBox* type : c_.imageTypeChoices.controls())
        type->show();
}

void OutputCommands::onImageFormatClicked(QCheckBox* clicked) {
    const std::vector<QCheckBox*> types = c_.imageTypeChoices.controls();
    if (std::find(types.begin(), types.end(), clicked) == types.end())
        return;
    // The boxes act as one choice: a click on the ticked one cannot clear it.
    clicked->setChecked(true);
    for (QCheckBox* other : types)
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
