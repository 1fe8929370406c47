#pragma once

class QWidget;

namespace varnelo {

class TerminationSignals;

/// Closes the window when a termination signal arrives, as if the user had
/// closed it: a running conversion stops and writes nothing. Window's thread.
void closeOnTerminationSignal(QWidget& window, const TerminationSignals& terminationSignals);

} // namespace varnelo
