#pragma once

#include <atomic>

namespace varnelo {

/// While it lives, the signals that would end the process (hang-up,
/// interrupt, quit, terminate, broken pipe, alarms, user signals, CPU limit)
/// are caught instead: the work under way stops as a cancel stops it,
/// leaving nothing half-written, and the process can then end by the signal,
/// as Unix tools do. A signal ignored when it is made stays ignored. One at
/// a time per process; made and destroyed on the main thread.
class TerminationSignals {
public:
    TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;
    /// Gives the signals back their former handling.
    ~TerminationSignals();

    /// Set when a signal has arrived: the cancel flag of the work under way.
    const std::atomic<bool>& requested() const;
    /// The first signal that arrived, or 0.
    int caught() const;
    /// Readable once a signal has arrived, for an event loop to watch.
    int notifier() const;
    /// Ends the process by the caught signal, with the signal's own action;
    /// returns only when none was caught.
    void endByCaughtSignal();
};

} // namespace varnelo
