// The window without a mouse: where Tab and Shift+Tab go, what the keys do
// on the window's own painted controls, how the focus shows, and the names
// a screen reader reads.
#include "tests/support/picture_files.h"
#include "tests/ui/event_pump.h"
#include "tests/ui/window_fakes.h"
#include "ui/color_swatch.h"
#include "ui/font_list.h"
#include "ui/footer_line.h"
#include "ui/keyboard_access.h"
#include "ui/main_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace varnelo {
namespace {

// Stops by their names, so that a failure reads.
std::vector<std::string> named(const std::vector<QWidget*>& stops) {
    std::vector<std::string> names;
    for (const QWidget* stop : stops)
        names.push_back(test::spokenName(stop).toStdString());
    return names;
}

class WindowKeyboard : public test::WindowTest {
protected:
    WindowKeyboard() {
        form_.show();
        QApplication::setActiveWindow(&form_);
        QCoreApplication::processEvents();
    }

    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* target = QApplication::focusWidget();
        QKeyEvent press(QEvent::KeyPress, key, modifiers);
        QCoreApplication::sendEvent(target != nullptr ? target : &form_, &press);
        QKeyEvent release(QEvent::KeyRelease, key, modifiers);
        QCoreApplication::sendEvent(target != nullptr ? target : &form_, &release);
        QCoreApplication::processEvents();
    }

    // The focus stops one round of Tab (or Shift+Tab) visits from the focused control.
    std::vector<QWidget*> round(bool backwards = false) {
        QWidget* start = QApplication::focusWidget();
        std::vector<QWidget*> visited{start};
        for (int i = 0; i < 100; ++i) {
            press(backwards ? Qt::Key_Backtab : Qt::Key_Tab,
                  backwards ? Qt::ShiftModifier : Qt::NoModifier);
            if (QApplication::focusWidget() == start)
                return visited;
            visited.push_back(QApplication::focusWidget());
        }
        ADD_FAILURE() << "Tab never came back";
        return visited;
    }
};

TEST_F(WindowKeyboard, TabVisitsEveryUsableControlInCreationOrderAndShiftTabGoesBack) {
    ASSERT_EQ(QApplication::focusWidget(), c.openPictureButton) << "the first command first";
    // At the start: no strength list (disabled), no image types (hidden), no
    // cancel and no open output (disabled); each group of choices is visited
    // at its chosen entry.
    const std::vector<QWidget*> atStart{
        c.openPictureButton,    c.binaryCodeRadio, c.colorSwatch, c.customTextEdit,
        c.rangeFromEdit,        c.rangeToEdit,     c.fontList,    c.fontSizeEdit,
        c.customTextFileButton, c.plainHtmlRadio,  c.exitButton,  c.createButton,
        c.colorDepthList,       c.widthEdit,       c.heightEdit,  c.outputFileEdit,
        c.outputFileButton,     c.footerLine};
    EXPECT_EQ(named(round()), named(atStart));
    std::vector<QWidget*> back(atStart.rbegin(), atStart.rend());
    std::rotate(back.begin(), back.end() - 1, back.end());
    EXPECT_EQ(named(round(true)), named(back));

    // Blocks mode and the image output bring their fields into the round;
    // the phrase and range fields, disabled now, leave it.
    c.terminalBlocksRadio->click();
    c.savePngCheck->click();
    c.openPictureButton->setFocus(Qt::TabFocusReason);
    const std::vector<QWidget*> withFields{
        c.openPictureButton, c.blockStrengthList, c.terminalBlocksRadio,  c.colorSwatch,
        c.fontList,          c.fontSizeEdit,      c.customTextFileButton, c.saveBmpCheck,
        c.saveJpgCheck,      c.savePngCheck,      c.qualityEdit,          c.imageRadio,
        c.exitButton,        c.createButton,      c.colorDepthList,       c.widthEdit,
        c.heightEdit,        c.outputFileEdit,    c.outputFileButton,     c.footerLine};
    EXPECT_EQ(named(round()), named(withFields));
}

TEST_F(WindowKeyboard, ArrowKeysChooseWithinAGroupAsAClickDoes) {
    c.binaryCodeRadio->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Down);
    EXPECT_TRUE(c.numbersRadio->isChecked());
    EXPECT_EQ(QApplication::focusWidget(), c.numbersRadio);
    // The mode's click handler ran: the fields follow the mode.
    c.customRangeRadio->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Space);
    EXPECT_TRUE(c.customRangeRadio->isChecked());
    EXPECT_TRUE(c.rangeFromEdit->isEnabled());
    EXPECT_EQ(QApplication::focusWidget(), c.rangeFromEdit);
}

TEST_F(WindowKeyboard, AnArrowKeyOntoAModeWithAFieldMovesTheFocusThereAsAClickDoes) {
    for (QRadioButton* start : {c.binaryCodeRadio, c.bigLettersRadio}) {
        start->click();
        start->setFocus(Qt::TabFocusReason);
        for (int i = 0; i < 7 && !c.customTextRadio->isChecked(); ++i)
            press(Qt::Key_Down);
        ASSERT_TRUE(c.customTextRadio->isChecked());
        EXPECT_EQ(QApplication::focusWidget(), c.customTextEdit);
    }
}

TEST_F(WindowKeyboard, AfterAConversionTheFocusNeverLandsOnExit) {
    const std::string picture = folder_.file("p.bmp");
    test::writeBmpFile(picture, 6, 4, test::noise);
    form_.openPictureFile(picture);
    const auto convertBy = [&](QWidget* focused) {
        focused->setFocus(Qt::TabFocusReason);
        c.createButton->click();
        EXPECT_NE(QApplication::focusWidget(), c.exitButton) << "while it runs";
        ASSERT_TRUE(test::pumpUntil([&] { return !form_.conversionRunning(); }));
        QCoreApplication::processEvents();
    };
    // JPG chosen, the focus in its quality field, BMP ticked, HTML chosen,
    // then create pressed from the keyboard.
    c.imageRadio->click();
    c.saveJpgCheck->click();
    c.qualityEdit->setFocus(Qt::TabFocusReason);
    c.saveBmpCheck->click();
    c.plainHtmlRadio->click();
    convertBy(c.createButton);
    EXPECT_EQ(QApplication::focusWidget(), c.createButton);
    EXPECT_TRUE(std::filesystem::exists(folder_.file("p.html")));
    // A control that stays usable keeps the focus; a locked one gives it to create.
    convertBy(c.fontSizeEdit);
    EXPECT_EQ(QApplication::focusWidget(), c.fontSizeEdit);
    convertBy(c.cssHtmlRadio);
    EXPECT_EQ(QApplication::focusWidget(), c.cssHtmlRadio);
    // Cancelled from the keyboard: cancel's focus comes back to create.
    c.createButton->setFocus(Qt::TabFocusReason);
    c.createButton->click();
    c.cancelButton->setFocus(Qt::TabFocusReason);
    c.cancelButton->click();
    ASSERT_TRUE(test::pumpUntil([&] { return !form_.conversionRunning(); }));
    EXPECT_EQ(QApplication::focusWidget(), c.createButton);
}

TEST_F(WindowKeyboard, SpaceOrEnterOnTheSwatchOpensTheColourDialog) {
    dialogs_.colorAnswers.push_back([](test::ScriptedDialogs& d) {
        d.color = QColor(10, 20, 30);
        return true;
    });
    c.colorSwatch->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Space);
    ASSERT_EQ(dialogs_.colorsOpenedOn.size(), 1u);
    EXPECT_EQ(c.colorSwatch->color(), QColor(10, 20, 30));
    press(Qt::Key_Return);
    press(Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(dialogs_.colorsOpenedOn.size(), 3u);
    press(Qt::Key_Space, Qt::ControlModifier);
    press(Qt::Key_A);
    EXPECT_EQ(dialogs_.colorsOpenedOn.size(), 3u);
    EXPECT_EQ(c.colorSwatch->color(), QColor(10, 20, 30)) << "cancelled dialogs change nothing";
}

TEST_F(WindowKeyboard, EnterOnTheFooterOpensTheHomepage) {
    c.footerLine->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Return);
    EXPECT_EQ(shell_.opened.size(), 1);
}

TEST_F(WindowKeyboard, TheFocusedControlIsMarked) {
    c.terminalBlocksRadio->click();
    c.savePngCheck->click();
    c.openPictureButton->setFocus(Qt::TabFocusReason);
    int marked = 0;
    // Each control as Tab reaches it, and again once Tab has left it.
    for (int i = 0; i < 30; ++i) {
        QWidget* focused = QApplication::focusWidget();
        const QImage withFocus = focused->grab().toImage();
        press(Qt::Key_Tab);
        EXPECT_NE(focused->grab().toImage(), withFocus) << named({focused}).front();
        ++marked;
        if (QApplication::focusWidget() == c.openPictureButton)
            break;
    }
    EXPECT_EQ(marked, 20);
}

TEST_F(WindowKeyboard, EveryControlHasANameForScreenReaders) {
    for (QWidget* stop : tabStops(c)) {
        const QString name = test::spokenName(stop);
        EXPECT_FALSE(name.isEmpty()) << stop->metaObject()->className();
        EXPECT_NE(name, QStringLiteral("...")) << "a name that says what the button does";
    }
    EXPECT_EQ(c.rangeFromEdit->accessibleName(), QStringLiteral("custom chars from"));
    EXPECT_EQ(c.colorSwatch->accessibleName(),
              QStringLiteral("background color: (click to change)"));
}

} // namespace
} // namespace varnelo
