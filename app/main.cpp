#include "engine/printable_text.h"
#include "engine/version.h"
#include "platform/application_fonts.h"
#include "platform/memory_reuse.h"
#include "platform/termination_signals.h"
#include "ui/close_on_signal.h"
#include "ui/main_form.h"
#include "ui/window_arguments.h"

#include <QApplication>
#include <QFile>

#include <iostream>

namespace {

std::vector<std::string> argumentsOf(const QStringList& arguments) {
    std::vector<std::string> bytes;
    for (qsizetype i = 1; i < arguments.size(); ++i)
        bytes.push_back(QFile::encodeName(arguments[i]).toStdString());
    return bytes;
}

} // namespace

int main(int argc, char* argv[]) {
    // Help and version need no display: answered before Qt looks for one.
    const varnelo::WindowArguments asked =
        varnelo::parseWindowArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (asked.action == varnelo::WindowAction::ShowHelp) {
        std::cout << varnelo::windowUsageText();
        return std::cout.flush() ? 0 : 1;
    }
    if (asked.action == varnelo::WindowAction::ShowVersion) {
        std::cout << "varnelo " << varnelo::kVersion << '\n';
        return std::cout.flush() ? 0 : 1;
    }

    varnelo::keepFreedMemoryForReuse();
    QApplication application(argc, argv);
    // What is left once Qt has taken its own options.
    const varnelo::WindowArguments arguments =
        varnelo::parseWindowArguments(argumentsOf(QCoreApplication::arguments()));
    if (arguments.action == varnelo::WindowAction::UsageError) {
        std::cerr << "varnelo: " << varnelo::printableText(arguments.error)
                  << "\nTry 'varnelo --help' for more information.\n";
        return 2;
    }
    if (arguments.picture) {
        if (const auto problem = varnelo::pictureArgumentProblem(*arguments.picture)) {
            std::cerr << "varnelo: " << varnelo::printableText(*arguments.picture) << ": "
                      << *problem << '\n';
            return 1;
        }
    }
    // Lets the desktop match the window to its entry and icon (Wayland).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.varnelo.Varnelo"));
    varnelo::registerApplicationFonts();
    varnelo::TerminationSignals terminationSignals;
    {
        varnelo::MainForm window;
        varnelo::closeOnTerminationSignal(window, terminationSignals);
        window.show();
        if (arguments.picture)
            window.openDroppedPicture(*arguments.picture);
        application.exec();
    }
    terminationSignals.endByCaughtSignal();
    return 0;
}
