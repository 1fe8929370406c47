#include "platform/termination_signals.h"

#include <gtest/gtest.h>

#include <csignal>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace varnelo {
namespace {

TEST(TerminationSignals, ASignalBecomesACancelAndWakesTheEventLoop) {
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        TerminationSignals terminationSignals;
        EXPECT_FALSE(terminationSignals.requested());
        ::raise(signal);
        EXPECT_TRUE(terminationSignals.requested());
        EXPECT_EQ(terminationSignals.caught(), signal);
        pollfd wake{terminationSignals.notifier(), POLLIN, 0};
        EXPECT_EQ(::poll(&wake, 1, 0), 1);
        ::raise(SIGUSR1); // the first one counts
        EXPECT_EQ(terminationSignals.caught(), signal);
    }
    // Gone with the guard: the former handling is back.
    struct sigaction now {};
    ::sigaction(SIGTERM, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL);
}

// As under nohup, or after a shell's trap '' PIPE.
TEST(TerminationSignals, ASignalIgnoredAtTheStartStaysIgnored) {
    ::signal(SIGHUP, SIG_IGN);
    ::signal(SIGPIPE, SIG_IGN);
    {
        TerminationSignals terminationSignals;
        ::raise(SIGHUP);
        ::raise(SIGPIPE);
        EXPECT_FALSE(terminationSignals.requested());
        ::raise(SIGTERM);
        EXPECT_EQ(terminationSignals.caught(), SIGTERM);
    }
    struct sigaction now {};
    ::sigaction(SIGHUP, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_IGN);
    ::signal(SIGHUP, SIG_DFL);
    ::signal(SIGPIPE, SIG_DFL);
}

TEST(TerminationSignals, TheProcessEndsByTheSignalItCaught) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        TerminationSignals terminationSignals;
        ::raise(SIGHUP);
        terminationSignals.endByCaughtSignal();
        ::_exit(0); // not reached
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGHUP);

    TerminationSignals quiet;
    quiet.endByCaughtSignal(); // returns: nothing was caught
    SUCCEED();
}

} // namespace
} // namespace varnelo
