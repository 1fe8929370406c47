#include "platform/termination_signals.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace varnelo {

namespace {

// Everything the handler touches is lock-free or a system call that is safe
// in a handler.
std::atomic<bool> requestedFlag{false};
std::atomic<int> caughtSignal{0};
int pipeEnds[2] = {-1, -1};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "set from a signal handler");

// Not SIGXFSZ: past the file size limit a write should fail with "File too
// large", which says more than a process killed by a signal.
constexpr std::array<int, 11> kSignals = {SIGHUP,  SIGINT,  SIGQUIT, SIGTERM,   SIGPIPE, SIGALRM,
                                          SIGUSR1, SIGUSR2, SIGXCPU, SIGVTALRM, SIGPROF};
std::array<struct sigaction, kSignals.size()> previous{};

void onSignal(int signal) {
    const int saved = errno;
    int none = 0;
    caughtSignal.compare_exchange_strong(none, signal);
    requestedFlag.store(true);
    const char byte = 0;
    (void)!::write(pipeEnds[1], &byte, 1);
    errno = saved;
}

} // namespace

TerminationSignals::TerminationSignals() {
    requestedFlag.store(false);
    caughtSignal.store(0);
    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        pipeEnds[0] = pipeEnds[1] = -1;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : kSignals)
        sigaddset(&action.sa_mask, signal);
    // No SA_RESTART: a call blocked on a FIFO or a terminal returns, so the
    // program gets to notice.
    action.sa_flags = 0;
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        ::sigaction(kSignals[i], nullptr, &previous[i]);
        // A signal ignored when the program starts (nohup's hang-up, a shell's
        // trap '' PIPE) stays ignored, as the one who started it asked.
        if (previous[i].sa_handler != SIG_IGN)
            ::sigaction(kSignals[i], &action, nullptr);
    }
    ::signal(SIGXFSZ, SIG_IGN);
}

TerminationSignals::~TerminationSignals() {
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        ::sigaction(kSignals[i], &previous[i], nullptr);
    ::signal(SIGXFSZ, SIG_DFL);
    for (int& end : pipeEnds) {
        if (end >= 0)
            ::close(end);
        end = -1;
    }
}

const std::atomic<bool>& TerminationSignals::requested() const {
    return requestedFlag;
}

int TerminationSignals::caught() const {
    return caughtSignal.load();
}

int TerminationSignals::notifier() const {
    return pipeEnds[0];
}

void TerminationSignals::endByCaughtSignal() {
    const int signal = caughtSignal.load();
    if (signal == 0)
        return;
    ::signal(signal, SIG_DFL);
    sigset_t unblocked;
    sigemptyset(&unblocked);
    sigaddset(&unblocked, signal);
    ::sigprocmask(SIG_UNBLOCK, &unblocked, nullptr);
    ::raise(signal);
    // A signal whose default action does not end the process: end it all the same.
    ::_exit(128 + signal);
}

} // namespace varnelo
