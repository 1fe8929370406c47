#include "ui/close_on_signal.h"

#include "platform/termination_signals.h"

#include <QSocketNotifier>
#include <QWidget>

#include <unistd.h>

namespace varnelo {

void closeOnTerminationSignal(QWidget& window, const TerminationSignals& terminationSignals) {
    const int notifier = terminationSignals.notifier();
    if (notifier < 0)
        return;
    auto* watcher = new QSocketNotifier(notifier, QSocketNotifier::Read, &window);
    QObject::connect(watcher, &QSocketNotifier::activated, &window, [&window, watcher, notifier] {
        char bytes[16];
        while (::read(notifier, bytes, sizeof bytes) > 0) {
        }
        watcher->setEnabled(false);
        window.close();
    });
}

} // namespace varnelo
