// The character side of the window: the character modes and their fields,
// the range checks, the phrase file and the background colour.
#include "ui/character_panel.h"

#include "engine/char_source.h"
#include "engine/character_modes.h"
#include "engine/codepages.h"
#include "engine/phrase_file.h"
#include "ui/color_swatch.h"
#include "ui/common_dialogs.h"
#include "ui/control_factory.h"
#include "ui/font_list.h"
#include "ui/number_field.h"
#include "ui/window_style.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <limits>
#include <optional>

namespace varnelo {

namespace {

using ModeChoice = ChoiceRow<PixelTransformation, CharacterControls, QRadioButton>;

// The modes "pixel transformation options" offers, in their Tab order.
constexpr ModeChoice kModeChoices[] = {
    {PixelTransformation::CustomText, &CharacterControls::customTextRadio, {8, 99}},
    {PixelTransformation::RandomSmallLetters, &CharacterControls::smallLettersRadio, {8, 57}},
    {PixelTransformation::RandomBigLetters, &CharacterControls::bigLettersRadio, {8, 77}},
    {PixelTransformation::TerminalBlocks, &CharacterControls::terminalBlocksRadio, {222, 17}},
    {PixelTransformation::RandomBinary, &CharacterControls::binaryCodeRadio, {8, 17}},
    {PixelTransformation::RandomNumbers, &CharacterControls::numbersRadio, {8, 37}},
    {PixelTransformation::CustomRange, &CharacterControls::customRangeRadio, {222, 47}},
};

} // namespace

bool windowOffersMode(PixelTransformation mode) {
    for (const ModeChoice& choice : kModeChoices)
        if (choice.value == mode)
            return true;
    return false;
}

CharacterPanel::CharacterPanel(CharacterControls& controls, QWidget& window, CommonDialogs& dialogs,
                               DialogMemory& memory)
    : c_(controls), window_(window), dialogs_(dialogs), dialogMemory_(memory) {}

void CharacterPanel::create() {
    const ConversionSettings defaults;
    QGroupBox* group = c_.transformationGroup = makeGroup(&window_, 8, 38, 437, 181);
    c_.backgroundColorLabel = makeLabel(group, 263, 115, 100, 54);
    c_.backgroundColorLabel->setWordWrap(true);
    c_.backgroundColorLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    c_.fontSizeLabel = makeLabel(group, 8, 156);
    c_.rangeToLabel = makeLabel(group, 382, 51);
    c_.blockStrengthList = makeList(group, 349, 16, 78);
    setFieldEnabled(*c_.blockStrengthList, false);
    c_.modeChoices.create(*group, c_, std::span<const ModeChoice>(kModeChoices), makeRadio,
                          [](PixelTransformation mode) { return characterModeOf(mode).caption; });
    c_.colorSwatch = new ColorSwatch(group);
    c_.colorSwatch->setGeometry(368, 115, 50, 50);
    c_.customTextEdit = makeEdit(group, 93, 101, 119, 17, false);
    setFieldBackground(*c_.customTextEdit, false);
    c_.rangeFromEdit = makeEdit(group, 347, 50, 27, 17, true);
    c_.rangeFromEdit->setText(QString::number(defaults.rangeFrom));
    setFieldBackground(*c_.rangeFromEdit, false);
    c_.rangeToEdit = makeEdit(group, 402, 50, 27, 17, true);
    c_.rangeToEdit->setText(QString::number(defaults.rangeTo));
    setFieldBackground(*c_.rangeToEdit, false);
    c_.fontList = new FontList(group);
    c_.fontList->setGeometry(8, 126, 161, 18);
    QFont listFont(fontListFace(window_.devicePixelRatioF()));
    listFont.setPixelSize(11);
    c_.fontList->setFont(listFont);
    setFieldBackground(*c_.fontList, true);
    c_.fontSizeEdit = makeEdit(group, 74, 155, 25, 17, true);
    c_.fontSizeEdit->setText(QString::number(defaults.fontSize));
    c_.customTextFileButton = makeButton(group, 216, 101, 20, 17);
    c_.customTextFileButton->setText(QStringLiteral("..."));
    c_.modeChoices.choiceOf(defaults.transformation)->setChecked(true);
}

void CharacterPanel::connectEvents() {
    c_.modeChoices.onClicked(window_,
                             [this](PixelTransformation, QRadioButton*) { onModeClicked(); });
    QObject::connect(c_.rangeFromEdit, &QLineEdit::textChanged, &window_,
                     [this] { onRangeFromChanged(); });
    QObject::connect(c_.rangeToEdit, &QLineEdit::textChanged, &window_,
                     [this] { onRangeToChanged(); });
    QObject::connect(c_.customTextFileButton, &QPushButton::clicked, &window_,
                     [this] { loadPhraseFile(); });
    QObject::connect(c_.colorSwatch, &ColorSwatch::clicked, &window_,
                     [this] { chooseBackgroundColor(); });
}

void CharacterPanel::onModeClicked() {
    const PixelTransformation chosen = chosenTransformation();
    const ModeField field = characterModeOf(chosen).field;
    setFieldEnabled(*c_.customTextEdit, field == ModeField::Phrase);
    setFieldEnabled(*c_.blockStrengthList, field == ModeField::Blocks);
    setFieldEnabled(*c_.rangeFromEdit, field == ModeField::Range);
    setFieldEnabled(*c_.rangeToEdit, field == ModeField::Range);
    // The random modes have no field to go to, so the focus stays put.
    QWidget* fieldControl = field == ModeField::Phrase ? static_cast<QWidget*>(c_.customTextEdit)
                            : field == ModeField::Blocks
                                ? static_cast<QWidget*>(c_.blockStrengthList)
                            : field == ModeField::Range ? static_cast<QWidget*>(c_.rangeFromEdit)
                                                        : nullptr;
    if (fieldControl == nullptr)
        return;
    fieldControl->setFocus();
    // An arrow key clicks the mode it moves to and only then gives that
    // mode the focus: the field takes it back once the key is handled.
    QRadioButton* mode = c_.modeChoices.choiceOf(chosen);
    QMetaObject::invokeMethod(
        &window_,
        [this, mode, fieldControl] {
            if (window_.focusWidget() == mode && mode->isChecked() && fieldControl->isEnabled())
                fieldControl->setFocus(Qt::OtherFocusReason);
        },
        Qt::QueuedConnection);
}

void CharacterPanel::onRangeFromChanged() {
    // Only the lower bound: a start above 255 or above the end is the
    // character source's to deal with. Each reset runs this check again.
    if (!fieldNumberWithin(*c_.rangeFromEdit, 1, std::numeric_limits<std::int32_t>::max()))
        c_.rangeFromEdit->setText(QString::number(ConversionSettings{}.rangeFrom));
}

void CharacterPanel::onRangeToChanged() {
    if (!fieldNumberWithin(*c_.rangeToEdit, std::numeric_limits<std::int32_t>::min(), 255))
        c_.rangeToEdit->setText(QString::number(ConversionSettings{}.rangeTo));
}

void CharacterPanel::loadPhraseFile() {
    const std::optional<QString> chosen = dialogMemory_.remember(dialogs_.chooseFileToOpen(
        dialogMemory_.requestFor(QStringLiteral("Text (*.txt)|*.txt")), nullptr, {}));
    if (!chosen)
        return;
    // Ticked directly, so the mode fields keep their state: only the
    // phrase field is enabled, and nothing else is taken away.
    c_.customTextRadio->setChecked(true);
    setFieldEnabled(*c_.customTextEdit, true);
    c_.customTextEdit->clear();

    // A pipe or device would block the window while it is read, or never
    // end; only a regular file is taken.
    std::optional<ByteString> phrase;
    if (QFileInfo(*chosen).isFile())
        phrase = readPhraseFile(QFile::encodeName(*chosen).toStdString());
    if (phrase) {
        const QString shown = QString::fromStdString(windows1252ToUtf8(*phrase));
        // A line edit silently cuts its text at its maximum length, which
        // would shorten a long phrase without a word.
        if (shown.size() > c_.customTextEdit->maxLength())
            c_.customTextEdit->setMaxLength(static_cast<int>(shown.size()));
        c_.customTextEdit->setText(shown);
    }
    c_.customTextEdit->setFocus();
}

void CharacterPanel::chooseBackgroundColor() {
    // The dialog opens on the colour last confirmed in it, not the swatch's:
    // the swatch also follows each opened picture.
    const std::optional<QColor> chosen = dialogs_.chooseColor(dialogMemory_.color);
    if (!chosen)
        return;
    dialogMemory_.color = *chosen;
    c_.colorSwatch->setColor(*chosen);
}

PixelTransformation CharacterPanel::chosenTransformation() const {
    return c_.modeChoices.chosen().value_or(ConversionSettings{}.transformation);
}

void CharacterPanel::fillSettings(ConversionSettings& settings) const {
    settings.transformation = chosenTransformation();
    if (characterModeOf(settings.transformation).field == ModeField::Phrase)
        settings.customPhrase = utf8ToWindows1252(c_.customTextEdit->text().toStdString());
    settings.blockStrength = c_.blockStrengthList->currentIndex();
    settings.rangeFrom = readNumber(c_.rangeFromEdit->text().toStdString());
    settings.rangeTo = readNumber(c_.rangeToEdit->text().toStdString());
    settings.fontSize = readNumber(c_.fontSizeEdit->text().toStdString());
    settings.fontFace = conversionFace(settings.transformation,
                                       utf8ToWindows1252(c_.fontList->face().toStdString()));
    const QColor background = c_.colorSwatch->color();
    settings.backgroundColor = makeRgb(static_cast<std::uint32_t>(background.red()),
                                       static_cast<std::uint32_t>(background.green()),
                                       static_cast<std::uint32_t>(background.blue()));
}

} // namespace varnelo
