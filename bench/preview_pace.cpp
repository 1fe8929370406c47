// How soon the window's preview shows a change: a real photograph opened,
// its size set to 120 pixels wide, then the mode, the size, the font and
// the background changed in turn; printed in milliseconds, one line a
// change, from the change to the preview drawn with it, and first from the
// picture's opening to its first preview.
//   preview_pace PICTURE ROUNDS
#include "platform/application_fonts.h"
#include "platform/memory_reuse.h"
#include "ui/color_swatch.h"
#include "ui/font_list.h"
#include "ui/main_form.h"
#include "ui/result_preview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRadioButton>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

// Milliseconds until the preview shows what the controls say.
long long untilShown(varnelo::MainForm& window, const QElapsedTimer& since) {
    while (window.renderingResult() || window.resultPreview().shownImage().isNull())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    return static_cast<long long>(since.elapsed());
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: preview_pace PICTURE ROUNDS\n");
        return 2;
    }
    const std::string picture = argv[1];
    const int rounds = std::atoi(argv[2]);
    varnelo::keepFreedMemoryForReuse();
    QApplication application(argc, argv);
    varnelo::registerApplicationFonts();
    varnelo::MainForm window;
    window.show();
    QElapsedTimer elapsed;
    elapsed.start();
    window.openPictureFile(picture);
    while (window.openingPicture())
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (window.workBitmap().isEmpty()) {
        std::fprintf(stderr, "preview_pace: %s did not load\n", picture.c_str());
        return 1;
    }
    std::printf("open %lld\n", untilShown(window, elapsed));
    const varnelo::MainFormControls& c = window.controls();
    c.widthEdit->setText(QStringLiteral("120"));
    untilShown(window, elapsed);
    const std::vector<std::pair<const char*, std::function<void(int)>>> changes = {
        {"mode",
         [&](int round) { (round % 2 == 0 ? c.numbersRadio : c.binaryCodeRadio)->click(); }},
        {"size", [&](int round) { c.widthEdit->setText(round % 2 == 0 ? "110" : "120"); }},
        {"face",
         [&](int round) {
             c.fontList->selectFace(round % 2 == 0 ? "DejaVu Sans Mono" : "Tahoma");
         }},
        {"background",
         [&](int round) { c.colorSwatch->setColor(round % 2 == 0 ? Qt::white : Qt::black); }},
    };
    for (int round = 0; round < rounds; ++round)
        for (const auto& [name, change] : changes) {
            elapsed.restart();
            change(round);
            std::printf("%s %lld\n", name, untilShown(window, elapsed));
            std::fflush(stdout);
        }
    return 0;
}
