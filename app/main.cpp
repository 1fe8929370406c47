#include "platform/application_fonts.h"
#include "ui/main_form.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    // Lets the desktop match the window to its entry and icon (Wayland).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.varnelo.Varnelo"));
    varnelo::registerApplicationFonts();
    varnelo::MainForm window;
    window.show();
    application.exec();
    return 0;
}
