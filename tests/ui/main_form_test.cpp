#include "base/clock.h"
#include "cli/converter.h"
#include "engine/character_modes.h"
#include "engine/version.h"
#include "platform/shell.h"
#include "platform/termination_signals.h"
#include "tests/support/picture_files.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/event_pump.h"
#include "tests/ui/gated_writer.h"
#include "tests/ui/window_fakes.h"
#include "ui/close_on_signal.h"
#include "ui/color_swatch.h"
#include "ui/font_list.h"
#include "ui/footer_line.h"
#include "ui/main_form.h"
#include "ui/message_boxes.h"
#include "ui/picture_loading.h"
#include "ui/preview_panel.h"
#include "ui/result_preview.h"
#include "writers/output_writer_factory.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEnterEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QValidator>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

namespace varnelo {
namespace {

class MainFormTest : public ::testing::Test {
protected:
    MainFormServices services(WriterFactory factory = {}) {
        return {.clock = &clock_,
                .messages = &boxes_,
                .shell = &shell_,
                .dialogs = &dialogs_,
                .makeWriter = std::move(factory),
                .makePictureLoading = makeImmediatePictureLoading};
    }

    std::unique_ptr<MainForm> makeForm(WriterFactory factory = {}) {
        return std::make_unique<MainForm>(services(std::move(factory)));
    }

    std::string picture(int width = 4, int height = 3) {
        const std::string path = folder_.file("picture.bmp");
        test::writeBmpFile(path, width, height, [](int x, int y) {
            return makeRgb(static_cast<std::uint32_t>(40 * x), static_cast<std::uint32_t>(60 * y),
                           99);
        });
        return path;
    }

    test::TempDir folder_;
    test::TestClock clock_{{}, test::kWindowClockTime};
    test::RecordingBoxes boxes_;
    test::RecordingShell shell_;
    test::ScriptedDialogs dialogs_;
};

TEST_F(MainFormTest, AFreshStartShowsEveryStartingState) {
    const auto form = makeForm();
    const MainFormControls& c = form->controls();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Varnelo ") + QLatin1String(kVersionLabel));
    EXPECT_EQ(form->size(), QSize(450, 492));
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    EXPECT_FALSE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(form->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(form->random().seed(), ((1u * 60 + 2) * 60 + 3) * 1000 + 4);

    EXPECT_TRUE(c.binaryCodeRadio->isChecked());
    EXPECT_TRUE(c.plainHtmlRadio->isChecked());
    EXPECT_FALSE(c.blockStrengthList->isEnabled());
    EXPECT_EQ(c.blockStrengthList->currentText(), "strength 1");
    EXPECT_EQ(c.rangeFromEdit->text(), "123");
    EXPECT_EQ(c.rangeToEdit->text(), "255");
    EXPECT_EQ(c.fontList->face(), "Tahoma");
    EXPECT_EQ(c.fontSizeEdit->text(), "8");
    EXPECT_EQ(c.widthEdit->text(), "0");
    EXPECT_EQ(c.heightEdit->text(), "0");
    EXPECT_EQ(c.colorDepthList->currentText(), "24bit");
    EXPECT_FALSE(c.previewPanel->stretchCheck()->isChecked());
    EXPECT_TRUE(c.saveBmpCheck->isChecked());
    for (QWidget* hidden :
         std::initializer_list<QWidget*>{c.saveBmpCheck, c.saveJpgCheck, c.savePngCheck,
                                         c.qualityLabel, c.qualityEdit, c.previewPanel})
        EXPECT_TRUE(hidden->isHidden());
    EXPECT_EQ(c.qualityEdit->text(), "80");
    EXPECT_FALSE(c.noOptionsLabel->isHidden());
    EXPECT_FALSE(c.cancelButton->isEnabled());
    EXPECT_FALSE(c.openOutputButton->isEnabled());
    EXPECT_TRUE(c.createButton->isEnabled());
    EXPECT_TRUE(c.statusLabel->text().isEmpty());
    EXPECT_TRUE(c.outputFileEdit->text().isEmpty());
    EXPECT_EQ(c.progressBar->value(), 0);
    EXPECT_EQ(c.footerLine->shownText(),
              QStringLiteral(".:| Varnelo - pictures into coloured text | ") +
                  QLatin1String(kVersionLabel) + QStringLiteral(" |:."));
    EXPECT_EQ(std::string(kVersionLabel), std::string(kVersion) + " beta");
}

TEST_F(MainFormTest, EveryCaptionReadsAsWritten) {
    const auto form = makeForm();
    const MainFormControls& c = form->controls();
    EXPECT_EQ(c.openPictureButton->text(), "open picture");
    EXPECT_EQ(c.outputFileLabel->text(), "output file:");
    EXPECT_EQ(c.transformationGroup->title(), "pixel transformation options");
    EXPECT_EQ(c.binaryCodeRadio->text(), "random binary code (eg. 01101)");
    EXPECT_EQ(c.numbersRadio->text(), "random numbers (eg. 02485)");
    EXPECT_EQ(c.smallLettersRadio->text(), "random small characters (eg. ardhf)");
    EXPECT_EQ(c.bigLettersRadio->text(), "random big characters (eg. ARDHF)");
    EXPECT_EQ(c.customTextRadio->text(), "custom text");
    EXPECT_EQ(c.fontSizeLabel->text(), "fontsize:");
    EXPECT_EQ(c.backgroundColorLabel->text(), "background color: (click to change)");
    EXPECT_EQ(c.terminalBlocksRadio->text(), "\"Terminal\" blocks");
    QStringList strengths;
    for (int i = 0; i < c.blockStrengthList->count(); ++i)
        strengths << c.blockStrengthList->itemText(i);
    EXPECT_EQ(strengths,
              QStringList({"strength 1", "strength 2", "strength 3", "strength 4", "random"}));
    EXPECT_EQ(c.customRangeRadio->text(), "custom chars  from");
    EXPECT_EQ(c.rangeToLabel->text(), "to");
    EXPECT_EQ(c.imageGroup->title(), "image options (only done in memory - no file modification)");
    EXPECT_EQ(c.imageSizeLabel->text(), "imagesize:");
    EXPECT_EQ(c.sizeEstimateLabel->text(), "approximate resulting size:");
    EXPECT_EQ(c.colorDepthLabel->text(), "image quality:");
    EXPECT_EQ(c.noteLabel->text(),
              "note: sometimes the ascii picture is screwed up due to output format "
              "limitations (try to lower the image quality to reduce colors)");
    EXPECT_EQ(c.outputGroup->title(), "output options");
    EXPECT_EQ(c.plainHtmlRadio->text(), "as plain HTML file");
    EXPECT_EQ(c.cssHtmlRadio->text(), "as HTML file with CSS");
    EXPECT_EQ(c.rtfRadio->text(), "as RTF file");
    EXPECT_EQ(c.imageRadio->text(), "as image");
    EXPECT_EQ(c.saveBmpCheck->text(), "save as BMP");
    EXPECT_EQ(c.saveJpgCheck->text(), "save as JPG");
    EXPECT_EQ(c.savePngCheck->text(), "save as PNG");
    EXPECT_EQ(c.noOptionsLabel->text(), "no output options available!");
    EXPECT_EQ(c.qualityLabel->text(), "image quality:");
    EXPECT_EQ(c.createButton->text(), "create ascii picture");
    EXPECT_EQ(c.cancelButton->text(), "cancel");
    EXPECT_EQ(c.openOutputButton->text(), "open output file");
    EXPECT_EQ(c.exitButton->text(), "exit");
    EXPECT_EQ(c.sizeTimesLabel->text(), "x");
    EXPECT_EQ(c.outputFileButton->text(), "...");
    EXPECT_EQ(c.customTextFileButton->text(), "...");
    EXPECT_EQ(c.previewPanel->stretchCheck()->text(), "Stretch");
}

TEST_F(MainFormTest, CaptionsFitTheirPlaces) {
    const auto form = makeForm();
    const MainFormControls& c = form->controls();
    // Controls sized to their text must not run into their right-hand neighbours.
    EXPECT_LE(c.customRangeRadio->geometry().right(), c.rangeFromEdit->geometry().left());
    EXPECT_LE(c.terminalBlocksRadio->geometry().right(), c.blockStrengthList->geometry().left());
    EXPECT_LE(c.colorDepthLabel->geometry().right(), c.colorDepthList->geometry().left());
    EXPECT_LE(c.customTextRadio->geometry().right(), c.customTextEdit->geometry().left());
    EXPECT_LE(c.fontSizeLabel->geometry().right(), c.fontSizeEdit->geometry().left());
    EXPECT_LE(c.imageSizeLabel->geometry().right(), c.widthEdit->geometry().left());
    EXPECT_LE(c.plainHtmlRadio->geometry().right(), c.cssHtmlRadio->geometry().left());
    EXPECT_LE(c.cssHtmlRadio->geometry().right(), c.rtfRadio->geometry().left());
    EXPECT_LE(c.rtfRadio->geometry().right(), c.imageRadio->geometry().left());
    EXPECT_LE(c.imageRadio->geometry().right(), c.outputGroup->width());
    EXPECT_LE(c.saveBmpCheck->geometry().right(), c.saveJpgCheck->geometry().left());
    EXPECT_LE(c.saveJpgCheck->geometry().right(), c.savePngCheck->geometry().left());
    EXPECT_LE(c.qualityLabel->geometry().right(), c.qualityEdit->geometry().left());
    EXPECT_LE(c.outputFileLabel->geometry().bottom(), c.outputFileEdit->geometry().top());
}

TEST_F(MainFormTest, DigitsOnlyBoxesRefuseOtherCharacters) {
    const auto form = makeForm();
    const MainFormControls& c = form->controls();
    for (QLineEdit* edit : {c.rangeFromEdit, c.rangeToEdit, c.fontSizeEdit, c.qualityEdit,
                            c.widthEdit, c.heightEdit}) {
        QString typed = QStringLiteral("12a");
        int position = 3;
        ASSERT_NE(edit->validator(), nullptr);
        EXPECT_EQ(edit->validator()->validate(typed, position), QValidator::Invalid);
        typed = QStringLiteral("120");
        EXPECT_EQ(edit->validator()->validate(typed, position), QValidator::Acceptable);
    }
    EXPECT_EQ(c.customTextEdit->validator(), nullptr);
}

TEST_F(MainFormTest, StartChecksReportTheFirstMissingInputAndChangeNothing) {
    const auto form = makeForm();
    const MainFormControls& c = form->controls();
    form->startConversion();
    form->openPictureFile(picture());
    c.outputFileEdit->clear();
    form->startConversion();
    c.outputFileEdit->setText(QString::fromStdString(folder_.file("out.html")));
    c.customTextRadio->setChecked(true);
    form->startConversion();
    EXPECT_EQ(boxes_.shown, QStringList({"Information: please select a valid imagefile!",
                                         "Information: please select an output file!",
                                         "Information: please enter a custom phrase!"}));
    EXPECT_TRUE(c.createButton->isEnabled());
    EXPECT_FALSE(c.cancelButton->isEnabled());
    EXPECT_FALSE(form->conversionRunning());
}

TEST_F(MainFormTest, OpeningAPictureFillsSizesEstimateDepthBackgroundAndName) {
    const auto form = makeForm();
    const MainFormControls& c = form->controls();
    c.cssHtmlRadio->setChecked(true);
    const std::string path = picture(640, 480);
    test::writeBytes(folder_.file("picture.html"), {'x'});
    form->openPictureFile(path);
    EXPECT_EQ(c.widthEdit->text(), "640");
    EXPECT_EQ(c.heightEdit->text(), "480");
    EXPECT_EQ(c.sizeEstimateLabel->text(), "approximate resulting size: ~ 5120x3840");
    EXPECT_EQ(c.colorDepthList->currentText(), "24bit");
    EXPECT_EQ(c.colorSwatch->color(), QColor(0, 0, 99));
    EXPECT_EQ(c.outputFileEdit->text().toStdString(), folder_.file("picture1.html"));
    EXPECT_EQ(form->sourcePath(), path);
    EXPECT_DOUBLE_EQ(form->aspectRatio(), 640.0 / 480.0);
}

TEST_F(MainFormTest, AConversionFromTheWindowWritesWhatTheConverterWrites) {
    const auto form = makeForm();
    const MainFormControls& c = form->controls();
    const std::string path = picture(5, 4);
    form->openPictureFile(path);
    const std::string fromWindow = folder_.file("window.html");
    c.outputFileEdit->setText(QString::fromStdString(fromWindow));
    form->random().setSeed(77);
    form->startConversion();
    EXPECT_FALSE(c.createButton->isEnabled());
    EXPECT_TRUE(c.cancelButton->isEnabled());
    EXPECT_FALSE(c.rtfRadio->isEnabled());
    ASSERT_TRUE(test::pumpUntil([&] { return !form->conversionRunning(); }));
    ASSERT_TRUE(test::pumpUntil([&] { return c.createButton->isEnabled(); }));
    EXPECT_TRUE(c.statusLabel->text().startsWith("ready - done in "))
        << c.statusLabel->text().toStdString();
    EXPECT_TRUE(c.openOutputButton->isEnabled());
    EXPECT_FALSE(c.cancelButton->isEnabled());
    EXPECT_TRUE(c.rtfRadio->isEnabled());
    EXPECT_EQ(c.progressBar->value(), c.progressBar->maximum());

    const std::string fromConverter = folder_.file("converter.html");
    StringConsoleStream out, err;
    const std::atomic<bool> cancel{false};
    ASSERT_EQ(
        convertPictures({"--seed", "77", "-o", fromConverter, path}, {out, err, false}, cancel), 0)
        << err.str();
    EXPECT_EQ(test::readBytes(fromWindow), test::readBytes(fromConverter));
}

TEST_F(MainFormTest, CancelUnlocksAtOnceAndNothingIsWritten) {
    test::Gate gate;
    const auto form = makeForm([&](const ConversionSettings& settings, WriterContext& context) {
        return std::make_unique<test::GatedWriter>(makeOutputWriter(settings, context), gate);
    });
    const MainFormControls& c = form->controls();
    form->openPictureFile(picture());
    const std::string output = folder_.file("out.html");
    c.outputFileEdit->setText(QString::fromStdString(output));
    form->startConversion();
    // The window serves the pass's status changes while it waits.
    ASSERT_TRUE(test::pumpUntil([&] { return gate.reached(); }));
    form->cancelConversion();
    EXPECT_EQ(c.statusLabel->text(), "cancelled!");
    EXPECT_FALSE(c.cancelButton->isEnabled());
    EXPECT_TRUE(c.createButton->isEnabled());
    EXPECT_FALSE(c.openOutputButton->isEnabled());
    EXPECT_FALSE(form->conversionRunning());
    gate.open();
    QCoreApplication::processEvents();
    EXPECT_EQ(c.statusLabel->text(), "cancelled!"); // nothing of the pass arrives later
    form->cancelConversion();                       // after the end: does nothing
    EXPECT_EQ(c.statusLabel->text(), "cancelled!");
    form.get()->close();
    EXPECT_FALSE(std::filesystem::exists(output));
}

TEST_F(MainFormTest, ClosingDuringAConversionEndsPromptlyWithNothingWritten) {
    test::Gate gate;
    auto form = makeForm([&](const ConversionSettings& settings, WriterContext& context) {
        return std::make_unique<test::GatedWriter>(makeOutputWriter(settings, context), gate);
    });
    form->openPictureFile(picture());
    const std::string output = folder_.file("out.html");
    form->controls().outputFileEdit->setText(QString::fromStdString(output));
    form->startConversion();
    // The window serves the pass's status changes while it waits.
    ASSERT_TRUE(test::pumpUntil([&] { return gate.reached(); }));
    QElapsedTimer timer;
    timer.start();
    std::thread opener([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        gate.open(); // the pass goes on only after the close began
    });
    EXPECT_TRUE(form->close());
    opener.join();
    form.reset();
    EXPECT_LT(timer.elapsed(), 5000);
    EXPECT_FALSE(std::filesystem::exists(output));
}

TEST_F(MainFormTest, ATerminationSignalClosesTheWindowAndNothingIsWritten) {
    TerminationSignals terminationSignals;
    test::Gate gate;
    auto form = makeForm([&](const ConversionSettings& settings, WriterContext& context) {
        return std::make_unique<test::GatedWriter>(makeOutputWriter(settings, context), gate);
    });
    closeOnTerminationSignal(*form, terminationSignals);
    form->show();
    form->openPictureFile(picture());
    const std::string output = folder_.file("out.html");
    form->controls().outputFileEdit->setText(QString::fromStdString(output));
    form->startConversion();
    ASSERT_TRUE(test::pumpUntil([&] { return gate.reached(); }));
    std::thread opener([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        gate.open(); // the pass goes on only after the close began
    });
    ::raise(SIGTERM);
    EXPECT_TRUE(test::pumpUntil([&] { return !form->isVisible(); }));
    opener.join();
    EXPECT_FALSE(form->conversionRunning());
    EXPECT_EQ(terminationSignals.caught(), SIGTERM);
    form.reset();
    EXPECT_FALSE(std::filesystem::exists(output));
}

TEST_F(MainFormTest, BlocksModeDrawsWithTheTerminalFace) {
    const auto form = makeForm();
    const MainFormControls& c = form->controls();
    form->openPictureFile(picture());
    c.outputFileEdit->setText(QString::fromStdString(folder_.file("blocks.html")));
    c.terminalBlocksRadio->setChecked(true);
    form->startConversion();
    EXPECT_EQ(c.fontList->face(), "Terminal");
    ASSERT_TRUE(test::pumpUntil([&] { return c.createButton->isEnabled(); }));
    const auto bytes = test::readBytes(folder_.file("blocks.html"));
    EXPECT_NE(std::string(bytes.begin(), bytes.end()).find("<font face=\"Terminal\">"),
              std::string::npos);
}

TEST_F(MainFormTest, AProposedNameTakenMeanwhileIsKeptAndTheNextOneWritten) {
    const auto form = makeForm();
    const MainFormControls& c = form->controls();
    form->openPictureFile(picture());
    const std::string proposed = folder_.file("picture.html");
    ASSERT_EQ(c.outputFileEdit->text(), QString::fromStdString(proposed));
    test::writeBytes(proposed, {'t', 'h', 'e', 'i', 'r', 's'}); // made by another program
    form->startConversion();
    ASSERT_TRUE(test::pumpUntil([&] { return c.createButton->isEnabled(); }));
    EXPECT_EQ(test::readBytes(proposed), (std::vector<std::uint8_t>{'t', 'h', 'e', 'i', 'r', 's'}));
    const std::string written = folder_.file("picture1.html");
    EXPECT_TRUE(std::filesystem::exists(written));
    EXPECT_EQ(c.outputFileEdit->text(), QString::fromStdString(written));

    // The window's own output is written over by the next conversion.
    form->startConversion();
    ASSERT_TRUE(test::pumpUntil([&] { return c.createButton->isEnabled(); }));
    EXPECT_EQ(c.outputFileEdit->text(), QString::fromStdString(written));
    EXPECT_FALSE(std::filesystem::exists(folder_.file("picture2.html")));

    // A name typed by hand is the user's to write over.
    c.outputFileEdit->setText(QString::fromStdString(proposed));
    form->startConversion();
    ASSERT_TRUE(test::pumpUntil([&] { return c.createButton->isEnabled(); }));
    EXPECT_NE(test::readBytes(proposed).size(), 6u);
}

TEST_F(MainFormTest, FooterShowsTheHomepageUnderThePointerAndOpensIt) {
    const auto form = makeForm();
    FooterLine* footer = form->controls().footerLine;
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(footer, &enter);
    EXPECT_EQ(footer->shownText(), ".:| Varnelo Homepage | varnelo.org |:.");
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(footer, &leave);
    EXPECT_EQ(footer->shownText(), footer->idleText());
    QMouseEvent click(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(footer, &click);
    EXPECT_EQ(shell_.opened, QStringList({"https://varnelo.org/"}));
}

// The preview opens with the picture and shows the PNG output of the
// window's settings, pixel for pixel, and follows each change of them; a
// result too large for a quick preview is drawn smaller, saying so.
TEST_F(MainFormTest, ThePreviewShowsThePngTheSettingsWouldWrite) {
    const auto form = makeForm();
    const MainFormControls& c = form->controls();
    const std::string path = picture(12, 9);
    form->random().setSeed(77);
    form->openPictureFile(path);
    ASSERT_TRUE(form->resultPreview().isVisible());
    const auto converted = [&](std::vector<std::string> options) {
        const std::string png = folder_.file("converter.png");
        StringConsoleStream out, err;
        const std::atomic<bool> cancel{false};
        options.insert(options.end(), {"--seed", "77", "-f", "png", "-o", png, path});
        EXPECT_EQ(convertPictures(options, {out, err, false}, cancel), 0) << err.str();
        return QImage(QString::fromStdString(png)).convertToFormat(QImage::Format_RGB32);
    };
    const auto shown = [&] {
        EXPECT_TRUE(test::pumpUntil([&] { return !form->renderingResult(); }));
        return form->resultPreview().shownImage().convertToFormat(QImage::Format_RGB32);
    };
    EXPECT_EQ(shown(), converted({}));
    c.numbersRadio->click();
    c.fontSizeEdit->setText(QStringLiteral("12"));
    EXPECT_EQ(shown(), converted({"-m", "numbers", "--font-size", "12"}));
    EXPECT_EQ(form->resultPreview().note(), QStringLiteral("12 \u00D7 9 pixels"));

    // Copy puts the text and the HTML the converter writes on the clipboard.
    form->resultPreview().copyButton()->click();
    ASSERT_TRUE(test::pumpUntil([&] { return !form->renderingResult(); }));
    const auto written = [&](const char* format) {
        const std::string file = folder_.file("copied");
        StringConsoleStream out, err;
        const std::atomic<bool> cancel{false};
        EXPECT_EQ(convertPictures({"--seed", "77", "-m", "numbers", "--font-size", "12", "-W", "12",
                                   "-H", "9", "-f", format, "-o", file, path},
                                  {out, err, false}, cancel),
                  0)
            << err.str();
        const std::vector<std::uint8_t> bytes = test::readBytes(file);
        return QString::fromLatin1(reinterpret_cast<const char*>(bytes.data()),
                                   static_cast<qsizetype>(bytes.size()));
    };
    const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->text(), written("text"));
    EXPECT_EQ(copied->html(), written("plain-html"));

    c.widthEdit->setText(QStringLiteral("400"));
    c.heightEdit->setText(QStringLiteral("300"));
    shown();
    EXPECT_TRUE(form->resultPreview().note().contains("a smaller preview of 400 \u00D7 300"))
        << form->resultPreview().note().toStdString();
}

// The converter's modes chosen beside the window's own convert from the
// window to every format, as the converter writes them.
TEST_F(MainFormTest, TheConvertersModesConvertFromTheWindowToEveryFormat) {
    const auto form = makeForm();
    const MainFormControls& c = form->controls();
    const std::string path = picture(12, 9);
    form->openPictureFile(path);
    ResultPreview& preview = form->resultPreview();
    EXPECT_TRUE(preview.modeRadio(std::nullopt)->isChecked());
    // Every mode is a choice, in the window or else beside it.
    std::vector<const CharacterMode*> converters;
    for (const CharacterMode& mode : characterModes()) {
        const bool inWindow = c.modeChoices.choiceOf(mode.transformation) != nullptr;
        EXPECT_NE(inWindow, preview.modeRadio(mode.transformation) != nullptr) << mode.name;
        if (!inWindow)
            converters.push_back(&mode);
    }
    for (const CharacterMode* row : converters) {
        const PixelTransformation mode = row->transformation;
        const std::string name(row->name);
        preview.modeRadio(mode)->click();
        EXPECT_EQ(preview.symbolsEdit()->isVisible(), drawsTwoColourSymbols(mode));
        ASSERT_TRUE(test::pumpUntil([&] { return !form->renderingResult(); }));
        EXPECT_TRUE(preview.note().endsWith(" cells")) << preview.note().toStdString();
        // The cells, not the pixels of the window's own modes: "12 × 5 cells".
        const QStringList cells = preview.note().split(' ');
        EXPECT_EQ(
            c.sizeEstimateLabel->text(),
            QStringLiteral("approximate resulting size: ~ %1x%2 cells").arg(cells[0], cells[2]));
        for (QRadioButton* format : c.formatChoices.controls()) {
            format->click();
            const std::string written = folder_.file("window-" + name);
            c.outputFileEdit->setText(QString::fromStdString(written));
            form->random().setSeed(77);
            form->startConversion();
            ASSERT_TRUE(test::pumpUntil([&] { return !form->conversionRunning(); }));
            EXPECT_TRUE(c.statusLabel->text().startsWith("ready - done in "))
                << name << ": " << c.statusLabel->text().toStdString();
            if (format != c.plainHtmlRadio)
                continue;
            const std::string converted = folder_.file("converter.html");
            StringConsoleStream out, err;
            const std::atomic<bool> cancel{false};
            ASSERT_EQ(convertPictures({"--seed", "77", "-m", name.c_str(), "--font",
                                       "DejaVu Sans Mono", "-W", "12", "-b", "000063", "-f",
                                       "plain-html", "-o", converted, path},
                                      {out, err, false}, cancel),
                      0)
                << err.str();
            EXPECT_EQ(test::readBytes(written), test::readBytes(converted)) << name;
        }
    }
    preview.modeRadio(std::nullopt)->click();
    ASSERT_TRUE(test::pumpUntil([&] { return !form->renderingResult(); }));
    EXPECT_FALSE(c.sizeEstimateLabel->text().endsWith(" cells"));
}

} // namespace
} // namespace varnelo
