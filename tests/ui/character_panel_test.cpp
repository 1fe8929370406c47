#include "tests/support/temp_dir.h"
#include "tests/ui/window_fakes.h"
#include "ui/character_panel.h"
#include "ui/color_swatch.h"
#include "ui/common_dialogs.h"
#include "ui/font_list.h"
#include "ui/window_style.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace varnelo {
namespace {

// The panel in a window of its own, with scripted dialogs.
class CharacterPanelTest : public ::testing::Test {
protected:
    CharacterPanelTest() {
        applyWindowStyle(window_);
        panel_.create();
        panel_.connectEvents();
    }

    // The next open dialog is confirmed with this file, shown without a preview.
    void answerOpen(const std::string& path) {
        dialogs_.openAnswers.push_back(
            [name = QString::fromStdString(path)](test::ScriptedDialogs& d, QWidget* preview,
                                                  const auto&) {
                EXPECT_EQ(preview, nullptr);
                d.chosenFileName = name;
                return true;
            });
    }
    QString loadPhrase(const std::string& bytes) {
        const std::string path = folder_.file("phrase.txt");
        test::writeBytes(path, {bytes.begin(), bytes.end()});
        answerOpen(path);
        c.customTextFileButton->click();
        return c.customTextEdit->text();
    }
    // Enabled fields have the window colour behind them, disabled ones the button face.
    void expectEnabled(const QWidget* field, bool enabled) const {
        EXPECT_EQ(field->isEnabled(), enabled);
        EXPECT_EQ(field->palette().color(QPalette::Base),
                  window_.palette().color(enabled ? QPalette::Base : QPalette::Button));
    }
    void clickSwatch() {
        QMouseEvent click(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                          Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(c.colorSwatch, &click);
    }

    test::TempDir folder_;
    QWidget window_;
    CharacterControls c;
    test::ScriptedDialogs dialogs_;
    DialogMemory memory_;
    CharacterPanel panel_{c, window_, dialogs_, memory_};
};

TEST_F(CharacterPanelTest, OnlyTheChosenModesFieldIsEnabledAndFocused) {
    c.customRangeRadio->click();
    expectEnabled(c.rangeFromEdit, true);
    expectEnabled(c.rangeToEdit, true);
    expectEnabled(c.customTextEdit, false);
    EXPECT_EQ(window_.focusWidget(), c.rangeFromEdit);
    c.terminalBlocksRadio->click();
    expectEnabled(c.blockStrengthList, true);
    expectEnabled(c.rangeFromEdit, false);
    EXPECT_EQ(window_.focusWidget(), c.blockStrengthList);
    c.customTextRadio->click();
    expectEnabled(c.customTextEdit, true);
    expectEnabled(c.blockStrengthList, false);
    EXPECT_EQ(window_.focusWidget(), c.customTextEdit);

    c.fontSizeEdit->setFocus();
    c.numbersRadio->click();
    for (const QWidget* field : std::initializer_list<const QWidget*>{
             c.customTextEdit, c.blockStrengthList, c.rangeFromEdit, c.rangeToEdit})
        expectEnabled(field, false);
    EXPECT_EQ(window_.focusWidget(), c.fontSizeEdit);
}

TEST_F(CharacterPanelTest, RangeFieldsPutBackOnlyTheirOwnBound) {
    for (const auto& [typed, kept] :
         {std::pair{"", "123"}, {"0", "123"}, {"300", "300"}, {"4294967297", "123"}}) {
        c.rangeFromEdit->setText(QString::fromLatin1(typed));
        EXPECT_EQ(c.rangeFromEdit->text(), kept) << typed;
    }
    for (const auto& [typed, kept] :
         {std::pair{"256", "255"}, {"", "255"}, {"0", "0"}, {"4294967296", "255"}}) {
        c.rangeToEdit->setText(QString::fromLatin1(typed));
        EXPECT_EQ(c.rangeToEdit->text(), kept) << typed;
    }
}

TEST_F(CharacterPanelTest, PhraseFileJoinsItsLinesIntoTheOnlyTickedMode) {
    c.terminalBlocksRadio->click();
    EXPECT_EQ(loadPhrase("ab\r\ncd\rx"), "abcdx");
    EXPECT_TRUE(c.customTextRadio->isChecked());
    for (const QRadioButton* other : {c.binaryCodeRadio, c.numbersRadio, c.smallLettersRadio,
                                      c.bigLettersRadio, c.terminalBlocksRadio, c.customRangeRadio})
        EXPECT_FALSE(other->isChecked());
    expectEnabled(c.customTextEdit, true);
    expectEnabled(c.blockStrengthList, true); // left as it was
    EXPECT_EQ(window_.focusWidget(), c.customTextEdit);
    EXPECT_EQ(dialogs_.shownFilters, QStringList({"Text (*.txt)|*.txt"}));

    EXPECT_EQ(loadPhrase("ab\ncd\xe9"), QString::fromUtf8("ab\ncd\u00e9"));
    const std::string longPhrase(70000, 'q'); // beyond a line edit's usual limit
    EXPECT_TRUE(loadPhrase(longPhrase) == QString::fromStdString(longPhrase));

    c.customTextFileButton->click(); // cancelled
    EXPECT_EQ(c.customTextEdit->text().size(), 70000);
}

TEST_F(CharacterPanelTest, UnreadablePhraseFileLeavesTheFieldEmpty) {
    c.customTextEdit->setText(QStringLiteral("old"));
    answerOpen(folder_.file("missing.txt"));
    c.customTextFileButton->click();
    EXPECT_TRUE(c.customTextEdit->text().isEmpty());
    EXPECT_TRUE(c.customTextRadio->isChecked());

    // A pipe with no writer would block the window for good.
    const std::string pipe = folder_.file("pipe.txt");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    c.customTextEdit->setText(QStringLiteral("old"));
    answerOpen(pipe);
    c.customTextFileButton->click();
    EXPECT_TRUE(c.customTextEdit->text().isEmpty());
}

TEST_F(CharacterPanelTest, ColorDialogOpensOnTheLastConfirmedColour) {
    c.colorSwatch->setColor(Qt::red); // as an opened picture would
    dialogs_.colorAnswers.push_back([](test::ScriptedDialogs& d) {
        d.color = Qt::blue;
        return true;
    });
    clickSwatch();
    EXPECT_EQ(c.colorSwatch->color(), QColor(Qt::blue));
    c.colorSwatch->setColor(Qt::green);
    clickSwatch(); // cancelled
    EXPECT_EQ(c.colorSwatch->color(), QColor(Qt::green));
    EXPECT_EQ(dialogs_.colorsOpenedOn, std::vector<QColor>({Qt::black, Qt::blue}));
}

// What the conversion takes from the panel is what its controls show.
TEST_F(CharacterPanelTest, TheSettingsAreWhatTheControlsShow) {
    ConversionSettings settings;
    panel_.fillSettings(settings);
    const ConversionSettings defaults;
    EXPECT_EQ(settings.transformation, defaults.transformation);
    EXPECT_EQ(settings.rangeFrom, defaults.rangeFrom);
    EXPECT_EQ(settings.rangeTo, defaults.rangeTo);
    EXPECT_EQ(settings.fontSize, defaults.fontSize);
    EXPECT_TRUE(settings.customPhrase.empty());

    c.customTextRadio->click();
    c.customTextEdit->setText(QString::fromUtf8("caf\u00e9"));
    c.fontSizeEdit->setText(QStringLiteral("12"));
    c.colorSwatch->setColor(QColor(1, 2, 3));
    panel_.fillSettings(settings);
    EXPECT_EQ(settings.transformation, PixelTransformation::CustomText);
    EXPECT_EQ(settings.customPhrase, "caf\xe9"); // Windows-1252
    EXPECT_EQ(settings.fontSize, 12);
    EXPECT_EQ(settings.backgroundColor, makeRgb(1, 2, 3));

    // A phrase counts only in text mode; blocks draw in their own face.
    c.terminalBlocksRadio->click();
    c.blockStrengthList->addItems({"1", "2", "3"});
    c.blockStrengthList->setCurrentIndex(2);
    ConversionSettings blocks;
    panel_.fillSettings(blocks);
    EXPECT_EQ(blocks.transformation, PixelTransformation::TerminalBlocks);
    EXPECT_TRUE(blocks.customPhrase.empty());
    EXPECT_EQ(blocks.blockStrength, 2);
    EXPECT_EQ(blocks.fontFace, "Terminal");
}

} // namespace
} // namespace varnelo
