// The character and appearance side of the window: the character modes and
// their fields, the range checks, the phrase file, the background colour and
// the preview.
#include "engine/character_modes.h"
#include "engine/codepages.h"
#include "engine/phrase_file.h"
#include "ui/color_swatch.h"
#include "ui/common_dialogs.h"
#include "ui/main_form.h"
#include "ui/number_field.h"
#include "ui/preview_panel.h"
#include "ui/window_style.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QRadioButton>

#include <limits>
#include <optional>

namespace varnelo {

void MainForm::onModeClicked() {
    const MainFormControls& c = controls_;
    const PixelTransformation chosen = chosenTransformation();
    const ModeField field = characterModeOf(chosen).field;
    setFieldEnabled(*c.customTextEdit, field == ModeField::Phrase);
    setFieldEnabled(*c.blockStrengthList, field == ModeField::Blocks);
    setFieldEnabled(*c.rangeFromEdit, field == ModeField::Range);
    setFieldEnabled(*c.rangeToEdit, field == ModeField::Range);
    // The random modes have no field to go to, so the focus stays put.
    QWidget* fieldControl = field == ModeField::Phrase ? static_cast<QWidget*>(c.customTextEdit)
                            : field == ModeField::Blocks
                                ? static_cast<QWidget*>(c.blockStrengthList)
                            : field == ModeField::Range ? static_cast<QWidget*>(c.rangeFromEdit)
                                                        : nullptr;
    if (fieldControl == nullptr)
        return;
    fieldControl->setFocus();
    // An arrow key clicks the mode it moves to and only then gives that
    // mode the focus: the field takes it back once the key is handled.
    QRadioButton* mode = modeRadioOf(c, chosen);
    QMetaObject::invokeMethod(
        this,
        [this, mode, fieldControl] {
            if (focusWidget() == mode && mode->isChecked() && fieldControl->isEnabled())
                fieldControl->setFocus(Qt::OtherFocusReason);
        },
        Qt::QueuedConnection);
}

void MainForm::onRangeFromChanged() {
    // Only the lower bound: a start above 255 or above the end is the
    // character source's to deal with. Each reset runs this check again.
    if (!fieldNumberWithin(*controls_.rangeFromEdit, 1, std::numeric_limits<std::int32_t>::max()))
        controls_.rangeFromEdit->setText(QString::number(ConversionSettings{}.rangeFrom));
}

void MainForm::onRangeToChanged() {
    if (!fieldNumberWithin(*controls_.rangeToEdit, std::numeric_limits<std::int32_t>::min(), 255))
        controls_.rangeToEdit->setText(QString::number(ConversionSettings{}.rangeTo));
}

void MainForm::loadPhraseFile() {
    const MainFormControls& c = controls_;
    const std::optional<QString> chosen = dialogMemory_.remember(dialogs_.chooseFileToOpen(
        dialogMemory_.requestFor(QStringLiteral("Text (*.txt)|*.txt")), nullptr, {}));
    if (!chosen)
        return;
    // Ticked directly, so the mode fields keep their state: only the
    // phrase field is enabled, and nothing else is taken away.
    c.customTextRadio->setChecked(true);
    setFieldEnabled(*c.customTextEdit, true);
    c.customTextEdit->clear();

    // A pipe or device would block the window while it is read, or never
    // end; only a regular file is taken.
    std::optional<ByteString> phrase;
    if (QFileInfo(*chosen).isFile())
        phrase = readPhraseFile(QFile::encodeName(*chosen).toStdString());
    if (phrase) {
        const QString shown = QString::fromStdString(windows1252ToUtf8(*phrase));
        // A line edit silently cuts its text at its maximum length, which
        // would shorten a long phrase without a word.
        if (shown.size() > c.customTextEdit->maxLength())
            c.customTextEdit->setMaxLength(static_cast<int>(shown.size()));
        c.customTextEdit->setText(shown);
    }
    c.customTextEdit->setFocus();
}

void MainForm::chooseBackgroundColor() {
    // The dialog opens on the colour last confirmed in it, not the swatch's:
    // the swatch also follows each opened picture.
    const std::optional<QColor> chosen = dialogs_.chooseColor(dialogMemory_.color);
    if (!chosen)
        return;
    dialogMemory_.color = *chosen;
    controls_.colorSwatch->setColor(*chosen);
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
