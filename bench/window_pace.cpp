// How long the window takes to convert a picture, from "create ascii
// picture" to the end shown, with its progress shown as it goes: printed in
// milliseconds, one line a run, for bench/window_pace.sh to set against the
// converter.
//   window_pace PICTURE RUNS
#include "base/work_bitmap.h"
#include "platform/application_fonts.h"
#include "platform/memory_reuse.h"
#include "ui/main_form.h"
#include "ui/result_preview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: window_pace PICTURE RUNS\n");
        return 2;
    }
    const std::string picture = argv[1];
    const int runs = std::atoi(argv[2]);
    // As the program's main does.
    varnelo::keepFreedMemoryForReuse();
    QApplication application(argc, argv);
    varnelo::registerApplicationFonts();
    varnelo::MainForm window;
    window.show();
    window.openPictureFile(picture);
    while (window.openingPicture())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (window.workBitmap().isEmpty()) {
        std::fprintf(stderr, "window_pace: %s did not load\n", picture.c_str());
        return 1;
    }
    // The conversion alone: the preview would draw again after each run.
    window.resultPreview().close();
    const QString output = QString::fromStdString(picture + ".window.html");
    for (int run = 0; run < runs; ++run) {
        window.controls().outputFileEdit->setText(output);
        QElapsedTimer elapsed;
        elapsed.start();
        window.startConversion();
        // Sleeps until an event comes, as the window's own loop does (the
        // overload with a time limit polls, taking a core from the pass).
        while (window.conversionRunning())
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        std::printf("%lld\n", static_cast<long long>(elapsed.elapsed()));
        std::fflush(stdout);
    }
    return 0;
}
