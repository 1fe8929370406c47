#include "tests/support/temp_dir.h"
#include "tests/ui/window_fakes.h"
#include "ui/color_swatch.h"
#include "ui/main_form.h"
#include "ui/preview_panel.h"

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

class CharacterCommandsTest : public test::WindowTest {
protected:
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
                  form_.palette().color(enabled ? QPalette::Base : QPalette::Button));
    }
    void clickSwatch() {
        QMouseEvent click(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                          Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(c.colorSwatch, &click);
    }
};

TEST_F(CharacterCommandsTest, OnlyTheChosenModesFieldIsEnabledAndFocused) {
    c.customRangeRadio->click();
    expectEnabled(c.rangeFromEdit, true);
    expectEnabled(c.rangeToEdit, true);
    expectEnabled(c.customTextEdit, false);
    EXPECT_EQ(form_.focusWidget(), c.rangeFromEdit);
    c.terminalBlocksRadio->click();
    expectEnabled(c.blockStrengthList, true);
    expectEnabled(c.rangeFromEdit, false);
    EXPECT_EQ(form_.focusWidget(), c.blockStrengthList);
    c.customTextRadio->click();
    expectEnabled(c.customTextEdit, true);
    expectEnabled(c.blockStrengthList, false);
    EXPECT_EQ(form_.focusWidget(), c.customTextEdit);

    c.fontSizeEdit->setFocus();
    c.numbersRadio->click();
    for (const QWidget* field : std::initializer_list<const QWidget*>{
             c.customTextEdit, c.blockStrengthList, c.rangeFromEdit, c.rangeToEdit})
        expectEnabled(field, false);
    EXPECT_EQ(form_.focusWidget(), c.fontSizeEdit);
}

TEST_F(CharacterCommandsTest, RangeFieldsPutBackOnlyTheirOwnBound) {
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

TEST_F(CharacterCommandsTest, PhraseFileJoinsItsLinesIntoTheOnlyTickedMode) {
    c.terminalBlocksRadio->click();
    EXPECT_EQ(loadPhrase("ab\r\ncd\rx"), "abcdx");
    EXPECT_TRUE(c.customTextRadio->isChecked());
    for (const QRadioButton* other : {c.binaryCodeRadio, c.numbersRadio, c.smallLettersRadio,
                                      c.bigLettersRadio, c.terminalBlocksRadio, c.customRangeRadio})
        EXPECT_FALSE(other->isChecked());
    expectEnabled(c.customTextEdit, true);
    expectEnabled(c.blockStrengthList, true); // left as it was
    EXPECT_EQ(form_.focusWidget(), c.customTextEdit);
    EXPECT_EQ(dialogs_.shownFilters, QStringList({"Text (*.txt)|*.txt"}));

    EXPECT_EQ(loadPhrase("ab\ncd\xe9"), QString::fromUtf8("ab\ncd\u00e9"));
    const std::string longPhrase(70000, 'q'); // beyond a line edit's usual limit
    EXPECT_TRUE(loadPhrase(longPhrase) == QString::fromStdString(longPhrase));

    c.customTextFileButton->click(); // cancelled
    EXPECT_EQ(c.customTextEdit->text().size(), 70000);
}

TEST_F(CharacterCommandsTest, UnreadablePhraseFileLeavesTheFieldEmpty) {
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

TEST_F(CharacterCommandsTest, ColorDialogOpensOnTheLastConfirmedColour) {
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

TEST_F(CharacterCommandsTest, StretchRepaintsThePreviewAndDropsTheFocus) {
    PreviewBox* box = c.previewPanel->previewBox();
    QImage picture(2, 2, QImage::Format_RGB32);
    picture.fill(Qt::red);
    box->setPicture(picture);
    box->resize(20, 20);
    const auto centre = [box] { return box->grab().toImage().pixelColor(10, 10); };
    EXPECT_NE(centre(), QColor(Qt::red));

    c.rangeFromEdit->setEnabled(true);
    c.rangeFromEdit->setFocus();
    c.previewPanel->stretchCheck()->click();
    EXPECT_EQ(centre(), QColor(Qt::red));
    EXPECT_EQ(form_.focusWidget(), nullptr);
    c.previewPanel->stretchCheck()->click();
    EXPECT_NE(centre(), QColor(Qt::red));
}

} // namespace
} // namespace varnelo
