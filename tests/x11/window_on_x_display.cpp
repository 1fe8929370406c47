// The real window on an X display (Xvfb), keys and the mouse through the X
// server: Tab must visit every usable control in order and come back round;
// the preview of a real photograph follows what the mouse and keys change,
// copies through the X clipboard, and shows the PNG create writes. Run by
// the test script under xvfb-run with xdotool and xclip.
#include "platform/application_fonts.h"
#include "tests/ui/event_pump.h"
#include "tests/ui/window_fakes.h"
#include "ui/color_swatch.h"
#include "ui/font_list.h"
#include "ui/main_form.h"
#include "ui/result_preview.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <iostream>

namespace varnelo {
namespace {

// Presses a key through the X server and waits until the window has seen it.
QWidget* pressThroughX(const char* key, QWidget* before) {
    if (QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("key"), QLatin1String(key)}) !=
        0)
        return nullptr;
    QElapsedTimer waited;
    waited.start();
    while (QApplication::focusWidget() == before && waited.elapsed() < 3000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return QApplication::focusWidget();
}

// Runs xdotool with the arguments; the events are in the X server's queue
// when it returns.
bool xdotool(const QStringList& arguments) {
    return QProcess::execute(QStringLiteral("xdotool"), arguments) == 0;
}

// Clicks the middle of a control with the X server's pointer.
bool clickThroughX(const QWidget* control) {
    const QPoint middle =
        control->mapToGlobal(control->rect().center()) * control->devicePixelRatioF();
    return xdotool({QStringLiteral("mousemove"), QString::number(middle.x()),
                    QString::number(middle.y()), QStringLiteral("click"), QStringLiteral("1")});
}

// What another program reads from the clipboard as the target; the window
// answers it while this waits.
QByteArray clipboardThroughX(const char* target) {
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"),
                {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard"),
                 QStringLiteral("-t"), QLatin1String(target)});
    test::pumpUntil([&] { return xclip.state() == QProcess::NotRunning; }, 5000);
    return xclip.readAllStandardOutput();
}

bool waitUntilActive(QWidget& window) {
    window.activateWindow();
    return test::pumpUntil([&] { return window.isActiveWindow(); }, 5000);
}

class WindowOnXDisplay : public test::WindowTest {};

TEST_F(WindowOnXDisplay, TabGoesRoundEveryUsableControlAndShiftTabBack) {
    MainForm& form = form_;
    form.show();
    form.activateWindow();
    QElapsedTimer waited;
    waited.start();
    while (!form.isActiveWindow() && waited.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_TRUE(form.isActiveWindow()) << "the window never got the keyboard";

    const QStringList expected{QStringLiteral("open picture"),
                               QStringLiteral("random binary code (eg. 01101)"),
                               QStringLiteral("background color: (click to change)"),
                               QStringLiteral("custom text"),
                               QStringLiteral("custom chars from"),
                               QStringLiteral("custom chars to"),
                               QStringLiteral("font"),
                               QStringLiteral("fontsize"),
                               QStringLiteral("custom text from a file"),
                               QStringLiteral("as plain HTML file"),
                               QStringLiteral("exit"),
                               QStringLiteral("create ascii picture"),
                               QStringLiteral("image quality (color depth)"),
                               QStringLiteral("imagesize width"),
                               QStringLiteral("imagesize height"),
                               QStringLiteral("output file"),
                               QStringLiteral("choose output file"),
                               QStringLiteral("Varnelo homepage"),
                               QStringLiteral("open picture")};
    QStringList visited{test::spokenName(QApplication::focusWidget())};
    QWidget* focused = QApplication::focusWidget();
    for (qsizetype i = 1; i < expected.size(); ++i) {
        focused = pressThroughX("Tab", focused);
        visited.append(test::spokenName(focused));
    }
    EXPECT_EQ(visited.join(QStringLiteral(" > ")).toStdString(),
              expected.join(QStringLiteral(" > ")).toStdString());
    focused = pressThroughX("shift+Tab", focused);
    EXPECT_EQ(test::spokenName(focused).toStdString(), "Varnelo homepage");
}

// The window with pictures loaded off its thread, as the program has it.
class PreviewOnXDisplay : public ::testing::Test {
protected:
    PreviewOnXDisplay() {
        // A real photograph (python-matplotlib-data), beside which the output goes.
        QFile::copy(QStringLiteral("/usr/share/matplotlib/mpl-data/sample_data/grace_hopper.jpg"),
                    QString::fromStdString(photo_));
        form_.show();
        form_.move(0, 0);
    }

    // Opens the photograph as "open picture" and its dialog do, by the mouse.
    bool openThePhoto() {
        dialogs_.openAnswers.push_back([this](test::ScriptedDialogs& dialogs, QWidget*, auto&) {
            dialogs.chosenFileName = QString::fromStdString(photo_);
            return true;
        });
        return clickThroughX(c.openPictureButton);
    }

    // How long the preview took to show something new after a change.
    template <typename Change>
    qint64 redrawAfter(const char* what, Change change) {
        ResultPreview& preview = form_.resultPreview();
        const QImage before = preview.shownImage();
        QElapsedTimer redrawn;
        EXPECT_TRUE(change()) << what;
        redrawn.start();
        EXPECT_TRUE(test::pumpUntil(
            [&] { return !form_.renderingResult() && preview.shownImage() != before; }, 5000))
            << "the preview did not follow " << what;
        const qint64 elapsed = redrawn.elapsed();
        timings_ += QStringLiteral(" %1 %2 ms;").arg(QLatin1String(what)).arg(elapsed);
        return elapsed;
    }

    test::TempDir folder_;
    const std::string photo_ = folder_.file("grace_hopper.jpg");
    test::TestClock clock_{{}, test::kWindowClockTime};
    test::RecordingBoxes boxes_;
    test::RecordingShell shell_;
    test::ScriptedDialogs dialogs_;
    MainForm form_{MainFormServices{.clock = &clock_,
                                    .messages = &boxes_,
                                    .shell = &shell_,
                                    .dialogs = &dialogs_,
                                    .makeWriter = {},
                                    .makePictureLoading = {}}};
    const MainFormControls& c = form_.controls();
    QString timings_;
};

TEST_F(PreviewOnXDisplay, CreatePressedRightAfterOpenConvertsThePicture) {
    ASSERT_TRUE(waitUntilActive(form_));
    ASSERT_TRUE(openThePhoto());
    ASSERT_TRUE(test::pumpUntil([&] { return dialogs_.openAnswers.empty(); }, 5000));
    // Pressed while the picture still decodes, or just after.
    ASSERT_TRUE(clickThroughX(c.createButton));
    ASSERT_TRUE(test::pumpUntil(
        [&] { return c.statusLabel->text().startsWith(QStringLiteral("ready - done in")); }, 10000))
        << c.statusLabel->text().toStdString();
    EXPECT_TRUE(boxes_.shown.empty());
    EXPECT_TRUE(QFile::exists(c.outputFileEdit->text()));
}

TEST_F(PreviewOnXDisplay, ThePreviewFollowsTheMouseAndKeysAndCopiesThroughTheClipboard) {
    ASSERT_TRUE(waitUntilActive(form_));
    ResultPreview& preview = form_.resultPreview();
    QElapsedTimer opened;
    opened.start();
    ASSERT_TRUE(openThePhoto());
    ASSERT_TRUE(test::pumpUntil(
        [&] { return preview.isVisible() && !preview.shownImage().isNull(); }, 5000));
    timings_ += QStringLiteral(" opened %1 ms;").arg(opened.elapsed());
    // Beside the window, where the mouse reaches both.
    preview.move(form_.frameGeometry().right() + 20, 0);
    ASSERT_TRUE(test::pumpUntil([&] { return !form_.renderingResult(); }));

    redrawAfter("size", [&] {
        return clickThroughX(c.widthEdit) && xdotool({"key", "ctrl+a"}) && xdotool({"type", "120"});
    });
    ASSERT_EQ(c.widthEdit->text(), QStringLiteral("120"));
    redrawAfter("mode", [&] { return clickThroughX(c.numbersRadio); });
    redrawAfter("face", [&] {
        return clickThroughX(c.fontList) && xdotool({"key", "Escape"}) && xdotool({"key", "Down"});
    });
    dialogs_.colorAnswers.push_back([](test::ScriptedDialogs& dialogs) {
        dialogs.color = QColor(0x20, 0x40, 0x80);
        return true;
    });
    redrawAfter("background", [&] { return clickThroughX(c.colorSwatch); });
    redrawAfter("the converter's symbols mode",
                [&] { return clickThroughX(preview.modeRadio(PixelTransformation::Symbols)); });

    // The preview's keys: Tab visits each of its controls, the options of
    // the mode chosen among them.
    preview.activateWindow();
    ASSERT_TRUE(test::pumpUntil([&] { return preview.isActiveWindow(); }, 5000));
    preview.copyButton()->setFocus();
    QStringList visited;
    QWidget* focused = QApplication::focusWidget();
    for (int i = 0; i < 4; ++i) {
        focused = pressThroughX("Tab", focused);
        visited.append(test::spokenName(focused));
    }
    EXPECT_EQ(visited.join(QStringLiteral(" > ")).toStdString(),
              "symbols > symbols, classes joined by + and - > the result as it will look > "
              "fit the preview to the window");

    // Copy: what another program pastes is the text and the HTML.
    ASSERT_TRUE(clickThroughX(preview.copyButton()));
    ASSERT_TRUE(test::pumpUntil([&] {
        const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
        return copied != nullptr && copied->hasHtml();
    }));
    const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
    EXPECT_EQ(QString::fromUtf8(clipboardThroughX("UTF8_STRING")), copied->text());
    EXPECT_EQ(QString::fromUtf8(clipboardThroughX("text/html")), copied->html());
    EXPECT_TRUE(copied->html().contains(QStringLiteral("<html")));

    // Create writes, as a PNG, the very pixels the preview shows: an image's
    // cells take other lines than a document's.
    redrawAfter("output format",
                [&] { return clickThroughX(c.imageRadio) && clickThroughX(c.savePngCheck); });
    ASSERT_TRUE(clickThroughX(c.createButton));
    ASSERT_TRUE(test::pumpUntil(
        [&] { return c.statusLabel->text().startsWith(QStringLiteral("ready - done in")); }, 10000))
        << c.statusLabel->text().toStdString();
    const QImage written(c.outputFileEdit->text());
    ASSERT_FALSE(written.isNull()) << c.outputFileEdit->text().toStdString();
    EXPECT_EQ(written.convertToFormat(QImage::Format_RGB32),
              preview.shownImage().convertToFormat(QImage::Format_RGB32));
    EXPECT_TRUE(boxes_.shown.empty());
    std::cout << "preview on the X display:" << timings_.toStdString() << '\n';
}

} // namespace
} // namespace varnelo

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication application(argc, argv);
    varnelo::registerApplicationFonts();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
