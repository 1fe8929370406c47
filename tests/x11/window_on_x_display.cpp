// The real window on an X display (Xvfb): Tab pressed as a keyboard presses
// it, through the X server, must visit every usable control in order and
// come back round. Run by the test script under xvfb-run with xdotool.
#include "platform/application_fonts.h"
#include "tests/ui/window_fakes.h"
#include "ui/main_form.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <gtest/gtest.h>

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

} // namespace
} // namespace varnelo

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication application(argc, argv);
    varnelo::registerApplicationFonts();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
