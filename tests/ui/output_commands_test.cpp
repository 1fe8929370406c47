#include "engine/output_formats.h"
#include "tests/support/picture_files.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/window_fakes.h"
#include "ui/control_factory.h"
#include "ui/main_form.h"
#include "ui/output_commands.h"
#include "ui/window_style.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <filesystem>

namespace varnelo {
namespace {

// Whether the image options show, all of them, in place of "no output options".
bool imageOptionsShownIn(const OutputControls& c) {
    const bool shown = !c.qualityLabel->isHidden();
    for (const QWidget* option : std::initializer_list<const QWidget*>{
             c.qualityEdit, c.saveBmpCheck, c.saveJpgCheck, c.savePngCheck})
        EXPECT_EQ(!option->isHidden(), shown);
    EXPECT_EQ(c.noOptionsLabel->isHidden(), shown);
    return shown;
}

// What both fixtures share: a folder, and the save dialog's answers.
template <class Base>
class OutputFixture : public Base {
protected:
    QString path(const std::string& name) const {
        return QString::fromStdString(this->folder_.file(name));
    }
    void touch(const std::string& name) const { test::writeBytes(this->folder_.file(name), {'x'}); }
    // The next output dialog is confirmed with this name and filter entry.
    void answerSave(const std::string& name, int entry) {
        this->dialogs_.saveAnswers.push_back([name = path(name), entry](test::ScriptedDialogs& d) {
            d.chosenFileName = name;
            d.filterIndex = entry;
            return true;
        });
    }
    bool imageOptionsShown() const { return imageOptionsShownIn(this->c); }
};

// The panel in a window of its own, with scripted dialogs and shell.
class OutputPanelBase : public ::testing::Test {
protected:
    OutputPanelBase() {
        applyWindowStyle(window_);
        panel_.create();
        panel_.connectEvents(openOutputButton_);
    }

    test::TempDir folder_;
    QWidget window_;
    QPushButton* openOutputButton_ = makeButton(&window_, 261, 446, 113, 22);
    OutputControls c;
    test::ScriptedDialogs dialogs_;
    DialogMemory memory_;
    test::RecordingShell shell_;
    OutputCommands panel_{c, window_, dialogs_, memory_, shell_};
};
using OutputCommandsTest = OutputFixture<OutputPanelBase>;

// The output side in the whole window, with the commands it shares a picture
// or the dialogs' memory with.
using WindowOutputTest = OutputFixture<test::WindowTest>;

TEST_F(OutputCommandsTest, TheConfirmedEntryPicksTheFormatAndAFreeName) {
    c.cssHtmlRadio->click();
    touch("x.html");
    answerSave("x.html", 1);
    c.outputFileButton->click();
    EXPECT_TRUE(c.plainHtmlRadio->isChecked()); // also when CSS was chosen before
    EXPECT_EQ(c.outputFileEdit->text(), path("x1.html"));
    EXPECT_FALSE(imageOptionsShown());

    answerSave("out.rtf", 1); // a typed extension does not choose the format
    c.outputFileButton->click();
    EXPECT_EQ(c.outputFileEdit->text(), path("out.html"));
    EXPECT_TRUE(c.plainHtmlRadio->isChecked());

    answerSave("y.html", 2);
    c.outputFileButton->click();
    EXPECT_TRUE(c.rtfRadio->isChecked());
    EXPECT_EQ(c.outputFileEdit->text(), path("y.rtf"));
    EXPECT_EQ(dialogs_.shownFilters.last(), "HTML (*.html)|*.html|RTF (*.rtf)|*.rtf|BMP "
                                            "(*.bmp)|*.bmp|JPG (*.jpg)|*.jpg|PNG (*.png)|*.png");
    EXPECT_EQ(dialogs_.shownInitialNames, QStringList({"", "x1.html", "out.html"}));

    c.outputFileButton->click(); // cancelled: nothing changes
    EXPECT_EQ(c.outputFileEdit->text(), path("y.rtf"));
    EXPECT_TRUE(c.rtfRadio->isChecked());
}

// The file dialogs carry over what one dialog component would: the next
// one preselects the entry last confirmed and starts with the name the
// output dialog was given, whichever dialog it is; a cancel changes neither.
TEST_F(WindowOutputTest, FileDialogsPreselectTheLastEntryAndShowTheOutputsName) {
    c.outputFileEdit->setText(path("start.html"));
    answerSave("x.png", 5);
    c.outputFileButton->click();
    c.outputFileButton->click(); // cancelled
    dialogs_.openAnswers.push_back([](test::ScriptedDialogs& d, QWidget*, const auto&) {
        d.filterIndex = 1;
        return false; // a cancelled entry is not kept either
    });
    c.customTextFileButton->click();
    form_.openPicture();
    EXPECT_EQ(dialogs_.shownFilterIndexes, std::vector<int>({1, 5, 5, 5}));
    EXPECT_EQ(dialogs_.shownInitialNames, QStringList({"start.html", "x.png", "x.png", "x.png"}));
}

// Every format of the format table with an entry of its own, in the table's order.
TEST_F(OutputCommandsTest, TheSaveDialogOffersEveryFormatWithAnEntry) {
    c.outputFileButton->click(); // cancelled
    ASSERT_EQ(dialogs_.shownFilters.size(), 1);
    const QString filter = dialogs_.shownFilters.front();
    qsizetype from = 0;
    for (const OutputFormatEntry& format : outputFormats()) {
        if (format.dialogLabel.empty() || format.kind == OutputKind::TerminalText)
            continue;
        const QString entry = QLatin1String(format.dialogLabel) + QStringLiteral(" (*") +
                              QLatin1String(format.extension) + QStringLiteral(")|*") +
                              QLatin1String(format.extension);
        const qsizetype at = filter.indexOf(entry, from);
        EXPECT_GE(at, from) << format.name;
        from = std::max(from, at);
    }
}

TEST_F(OutputCommandsTest, ImageEntriesTickTheirBoxAndSelectImageOutput) {
    struct Case {
        int entry;
        QCheckBox* check;
        const char* name;
        const char* label;
        const char* quality;
    };
    for (const Case& e : {Case{4, c.saveJpgCheck, "a.jpg", "image quality (1-100):", "80"},
                          Case{5, c.savePngCheck, "a.png", "image quality (1-10):", "8"},
                          Case{3, c.saveBmpCheck, "a.bmp", "image quality:", "8"}}) {
        SCOPED_TRACE(e.entry);
        answerSave("a.html", e.entry);
        c.outputFileButton->click();
        EXPECT_TRUE(c.imageRadio->isChecked());
        EXPECT_TRUE(imageOptionsShown());
        for (QCheckBox* check : {c.saveBmpCheck, c.saveJpgCheck, c.savePngCheck})
            EXPECT_EQ(check->isChecked(), check == e.check);
        EXPECT_EQ(c.outputFileEdit->text(), path(e.name));
        EXPECT_EQ(c.qualityLabel->text(), e.label);
        EXPECT_EQ(c.qualityEdit->text(), e.quality); // BMP leaves the text alone
        EXPECT_EQ(c.qualityEdit->isEnabled(), e.check != c.saveBmpCheck);
        EXPECT_EQ(c.qualityLabel->isEnabled(), e.check != c.saveBmpCheck);
        EXPECT_LE(c.qualityLabel->geometry().right(), c.qualityEdit->geometry().left());
    }
}

TEST_F(WindowOutputTest, FormatSwitchesDeriveNamesFromTheBaseNotTheField) {
    for (int n = 0; n <= 9; ++n)
        touch(n == 0 ? "cat.html" : "cat" + std::to_string(n) + ".html");
    const std::string picture = folder_.file("cat.bmp");
    test::writeBmpFile(picture, 2, 2, [](int, int) { return makeRgb(1, 2, 3); });
    form_.openPictureFile(picture);
    EXPECT_EQ(c.outputFileEdit->text(), path("cat10.html"));

    c.outputFileEdit->setText(QStringLiteral("/elsewhere/typed.html"));
    c.rtfRadio->click();
    EXPECT_EQ(c.outputFileEdit->text(), path("cat.rtf"));

    answerSave("chosen.html", 1);
    c.outputFileButton->click();
    c.savePngCheck->click();
    EXPECT_EQ(c.outputFileEdit->text(), path("chosen.png"));
    EXPECT_EQ(form_.sourcePath(), picture); // the picture to reload stays the opened one

    c.outputFileEdit->clear();
    c.cssHtmlRadio->click();
    c.imageRadio->click();
    c.saveJpgCheck->click();
    EXPECT_TRUE(c.outputFileEdit->text().isEmpty());
    EXPECT_TRUE(imageOptionsShown());
}

TEST_F(OutputCommandsTest, QualityOutsideTheFormatsRangeIsPutBack) {
    c.saveJpgCheck->click();
    for (const auto& [typed, kept] : {std::pair{"0", "80"},
                                      {"101", "80"},
                                      {"", "80"},
                                      {"4294967377", "80"},
                                      {"1", "1"},
                                      {"100", "100"}}) {
        c.qualityEdit->setText(QString::fromLatin1(typed));
        EXPECT_EQ(c.qualityEdit->text(), kept) << typed;
    }
    c.qualityEdit->setText(QStringLiteral("50"));
    c.saveJpgCheck->click(); // the ticked box stays ticked and restarts from 80
    EXPECT_TRUE(c.saveJpgCheck->isChecked());
    EXPECT_EQ(c.qualityEdit->text(), "80");

    c.savePngCheck->click();
    EXPECT_FALSE(c.saveJpgCheck->isChecked());
    for (const auto& [typed, kept] : {std::pair{"11", "8"}, {"0", "8"}, {"10", "10"}}) {
        c.qualityEdit->setText(QString::fromLatin1(typed));
        EXPECT_EQ(c.qualityEdit->text(), kept) << typed;
    }
    c.saveBmpCheck->click();
    c.saveBmpCheck->click();
    EXPECT_TRUE(c.saveBmpCheck->isChecked());
    c.qualityEdit->setText(QStringLiteral("0")); // BMP has no quality to check
    EXPECT_EQ(c.qualityEdit->text(), "0");
}

TEST_F(OutputCommandsTest, OpenOutputFileOpensOnlyAnExistingFile) {
    panel_.openOutputFile(); // empty field
    c.outputFileEdit->setText(path("missing.html"));
    panel_.openOutputFile();
    std::filesystem::create_directory(folder_.file("folder.html"));
    c.outputFileEdit->setText(path("folder.html"));
    panel_.openOutputFile();
    EXPECT_TRUE(shell_.opened.isEmpty());
    touch("done.html");
    c.outputFileEdit->setText(path("done.html"));
    panel_.openOutputFile();
    EXPECT_EQ(shell_.opened, QStringList({path("done.html")}));
}

} // namespace
} // namespace varnelo
