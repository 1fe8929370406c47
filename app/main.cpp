#include "platform/application_fonts.h"
#include "platform/memory_reuse.h"
#include "platform/termination_signals.h"
#include "ui/close_on_signal.h"
#include "ui/main_form.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    varnelo::keepFreedMemoryForReuse();
    QApplication application(argc, argv);
    // Lets the desktop match the window to its entry and icon (Wayland).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.varnelo.Varnelo"));
    varnelo::registerApplicationFonts();
    varnelo::TerminationSignals terminationSignals;
    {
        varnelo::MainForm window;
        varnelo::closeOnTerminationSignal(window, terminationSignals);
        window.show();
        application.exec();
    }
    terminationSignals.endByCaughtSignal();
    return 0;
}
