#include "ui/keyboard_access.h"

#include "ui/color_swatch.h"
#include "ui/font_list.h"
#include "ui/footer_line.h"
#include "ui/main_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

namespace varnelo {

namespace {

template <typename Button>
void append(std::vector<QWidget*>& stops, const std::vector<Button*>& choices) {
    stops.insert(stops.end(), choices.begin(), choices.end());
}

} // namespace

std::vector<QWidget*> tabStops(const MainFormControls& c) {
    std::vector<QWidget*> stops{
        c.footerLine,
        c.openPictureButton,
        // pixel transformation options
        c.blockStrengthList,
    };
    append(stops, c.modeChoices.controls());
    stops.insert(stops.end(), {
                                  c.colorSwatch,
                                  c.customTextEdit,
                                  c.rangeFromEdit,
                                  c.rangeToEdit,
                                  c.fontList,
                                  c.fontSizeEdit,
                                  c.customTextFileButton,
                              });
    // output options
    append(stops, c.imageTypeChoices.controls());
    stops.push_back(c.qualityEdit);
    append(stops, c.formatChoices.controls());
    stops.insert(stops.end(), {
                                  // the command buttons
                                  c.cancelButton,
                                  c.exitButton,
                                  c.createButton,
                                  c.openOutputButton,
                                  // image options
                                  c.colorDepthList,
                                  c.widthEdit,
                                  c.heightEdit,
                                  // the output file
                                  c.outputFileEdit,
                                  c.outputFileButton,
                              });
    return stops;
}

namespace {

// Fields whose caption is a label beside them, and buttons whose caption
// ("...") says nothing out of place.
void nameControls(const MainFormControls& c) {
    c.footerLine->setAccessibleName(QStringLiteral("Varnelo homepage"));
    c.blockStrengthList->setAccessibleName(QStringLiteral("\"Terminal\" blocks strength"));
    c.colorSwatch->setAccessibleName(QStringLiteral("background color: (click to change)"));
    c.customTextEdit->setAccessibleName(QStringLiteral("custom text"));
    c.rangeFromEdit->setAccessibleName(QStringLiteral("custom chars from"));
    c.rangeToEdit->setAccessibleName(QStringLiteral("custom chars to"));
    c.fontList->setAccessibleName(QStringLiteral("font"));
    c.fontSizeEdit->setAccessibleName(QStringLiteral("fontsize"));
    c.customTextFileButton->setAccessibleName(QStringLiteral("custom text from a file"));
    c.qualityEdit->setAccessibleName(QStringLiteral("image quality"));
    c.colorDepthList->setAccessibleName(QStringLiteral("image quality (color depth)"));
    c.widthEdit->setAccessibleName(QStringLiteral("imagesize width"));
    c.heightEdit->setAccessibleName(QStringLiteral("imagesize height"));
    c.outputFileEdit->setAccessibleName(QStringLiteral("output file"));
    c.outputFileButton->setAccessibleName(QStringLiteral("choose output file"));
    c.progressBar->setAccessibleName(QStringLiteral("progress"));
    c.statusLabel->setAccessibleName(QStringLiteral("status"));
}

} // namespace

namespace {

// The group of choices a control belongs to: its parent, for a choice of
// those that exclude each other; none for any other control.
const QWidget* choiceGroupOf(const QWidget* control) {
    const auto* radio = qobject_cast<const QRadioButton*>(control);
    return radio != nullptr && radio->autoExclusive() ? radio->parentWidget() : nullptr;
}

// Qt hands the Tab focus policy around among a group's choices as the
// focus moves; the group's turn is decided here, so for choices it does not count.
bool takesTheFocus(const QWidget* control) {
    return control->isVisible() && control->isEnabled() &&
           (choiceGroupOf(control) != nullptr || (control->focusPolicy() & Qt::TabFocus) != 0);
}

// Where Tab lands in a group of choices: its chosen entry.
QWidget* chosenIn(const std::vector<QWidget*>& stops, const QWidget* group) {
    for (QWidget* stop : stops) {
        if (choiceGroupOf(stop) == group && static_cast<QRadioButton*>(stop)->isChecked() &&
            takesTheFocus(stop))
            return stop;
    }
    return nullptr;
}

} // namespace

QWidget* nextTabStop(const std::vector<QWidget*>& stops, const QWidget* from, bool forward) {
    const auto count = static_cast<std::ptrdiff_t>(stops.size());
    if (count == 0)
        return nullptr;
    const auto found = std::find(stops.begin(), stops.end(), from);
    std::ptrdiff_t index = found == stops.end() ? (forward ? -1 : count) : found - stops.begin();
    const QWidget* fromGroup = choiceGroupOf(from);
    for (std::ptrdiff_t step = 0; step < count; ++step) {
        index = ((forward ? index + 1 : index - 1) % count + count) % count;
        QWidget* candidate = stops[static_cast<std::size_t>(index)];
        const QWidget* group = choiceGroupOf(candidate);
        if (group == nullptr) {
            if (takesTheFocus(candidate))
                return candidate;
            continue;
        }
        if (group == fromGroup)
            continue; // the arrow keys move within a group, Tab leaves it
        if (QWidget* chosen = chosenIn(stops, group))
            return chosen;
    }
    return nullptr;
}

void setUpKeyboardAccess(const MainFormControls& controls) {
    const std::vector<QWidget*> stops = tabStops(controls);
    for (QWidget* stop : stops)
        stop->setFocusPolicy(qobject_cast<QLineEdit*>(stop) != nullptr ||
                                     qobject_cast<QComboBox*>(stop) != nullptr
                                 ? Qt::StrongFocus
                                 : Qt::TabFocus);
    // Qt's own chain as well, for whatever walks it (accessibility tools).
    for (std::size_t i = 1; i < stops.size(); ++i)
        QWidget::setTabOrder(stops[i - 1], stops[i]);
    nameControls(controls);
}

} // namespace varnelo
