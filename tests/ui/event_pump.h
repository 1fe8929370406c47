#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <functional>

namespace varnelo::test {

/// Processes the window thread's events until done() or the time is up; the
/// timer makes the wait for more events return even when none arrive.
inline bool pumpUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
    QTimer tick;
    tick.start(5);
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done()) {
        if (elapsed.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

} // namespace varnelo::test
