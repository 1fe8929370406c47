#include "writers/write_all.h"

#include "engine/output_file.h"
#include "writers/descriptor_output.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

namespace varnelo {
namespace {

void ignoreSignal(int /*signal*/) {}

// Interrupts the writing thread again and again while it waits on the
// pipe: a write so interrupted returns what it took so far, or fails
// with EINTR when it took nothing.
class Interrupter {
public:
    Interrupter() : target_(::pthread_self()) {
        struct sigaction action {};
        action.sa_handler = ignoreSignal; // no SA_RESTART
        ::sigaction(SIGUSR1, &action, &previous_);
        thread_ = std::thread([this] {
            while (!done_.load()) {
                ::pthread_kill(target_, SIGUSR1);
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        });
    }
    ~Interrupter() {
        done_ = true;
        thread_.join();
        ::sigaction(SIGUSR1, &previous_, nullptr);
    }

private:
    pthread_t target_;
    struct sigaction previous_ {};
    std::atomic<bool> done_{false};
    std::thread thread_;
};

class WriteAllTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(::pipe2(ends_, O_CLOEXEC), 0);
        // A small pipe, so that writes are taken in part.
        (void)::fcntl(ends_[1], F_SETPIPE_SZ, 4096);
        previous_ = std::signal(SIGPIPE, SIG_IGN);
    }
    void TearDown() override {
        for (const int end : ends_) {
            if (end >= 0)
                ::close(end);
        }
        std::signal(SIGPIPE, previous_);
    }
    // Reads the pipe to its end, slowly, on a thread of its own.
    std::thread reader(std::string& received) {
        return std::thread([this, &received] {
            char chunk[1500];
            ssize_t got = 0;
            while ((got = ::read(ends_[0], chunk, sizeof chunk)) > 0) {
                received.append(chunk, static_cast<std::size_t>(got));
                std::this_thread::sleep_for(std::chrono::microseconds(20));
            }
        });
    }
    void closeWritingEnd() {
        ::close(ends_[1]);
        ends_[1] = -1;
    }

    int ends_[2] = {-1, -1};
    void (*previous_)(int) = SIG_DFL;
};

TEST_F(WriteAllTest, GathersPiecesWholeAndInOrderThroughPartialWrites) {
    // More pieces than one call takes, empty ones among them, and pieces
    // larger than the pipe.
    std::vector<std::string> texts;
    std::string expected;
    for (int i = 0; i < 1500; ++i) {
        texts.push_back(i % 7 == 0 ? std::string()
                                   : std::string(static_cast<std::size_t>(1 + (i * 37) % 9000),
                                                 static_cast<char>('a' + i % 26)));
        expected += texts.back();
    }
    std::vector<iovec> pieces;
    for (std::string& text : texts)
        pieces.push_back({text.data(), text.size()});
    std::string received;
    std::thread reading = reader(received);
    {
        const Interrupter interrupter;
        EXPECT_EQ(writeAllGathered(ends_[1], pieces), 0);
    }
    closeWritingEnd();
    reading.join();
    EXPECT_EQ(received, expected);
}

TEST_F(WriteAllTest, SaysWhyAWriteFailedOrStopsOnACancel) {
    std::string text(100000, 'x');
    std::string received;
    std::thread reading = reader(received);
    const std::atomic<bool> cancel{true};
    EXPECT_EQ(writeAll(ends_[1], text.data(), text.size(), &cancel), EINTR);
    {
        const Interrupter interrupter;
        EXPECT_EQ(writeAll(ends_[1], text.data(), text.size()), 0);
    }
    closeWritingEnd();
    reading.join();
    EXPECT_EQ(received, text);

    ::close(ends_[0]);
    ends_[0] = -1;
    ASSERT_EQ(::pipe2(ends_, O_CLOEXEC), 0);
    ::close(ends_[0]); // nobody reads
    ends_[0] = -1;
    iovec piece{text.data(), text.size()};
    EXPECT_EQ(writeAllGathered(ends_[1], std::span(&piece, 1)), EPIPE);
    EXPECT_EQ(errno, EPIPE);
    EXPECT_EQ(writeAll(ends_[1], text.data(), text.size()), EPIPE);
}

TEST_F(WriteAllTest, AnOutputOfADescriptorKeepsPiecesInOrderAroundOnesLargerThanItsBuffer) {
    // Small pieces gathered, then pieces larger than the output's buffer
    // (written past it), and small ones after them; the end at commit.
    std::vector<std::string> texts;
    std::string expected;
    for (int i = 0; i < 60; ++i) {
        const std::size_t length = i % 20 == 19 ? 200000 : static_cast<std::size_t>(1 + i * 311);
        texts.emplace_back(length, static_cast<char>('a' + i % 26));
        expected += texts.back();
    }
    std::string received;
    std::thread reading = reader(received);
    DescriptorOutput output(ends_[1], "-");
    for (const std::string& text : texts) {
        ASSERT_TRUE(
            output.write({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()}));
    }
    EXPECT_TRUE(output.commit());
    closeWritingEnd();
    reading.join();
    EXPECT_EQ(received, expected);
}

TEST_F(WriteAllTest, AnOutputOfADescriptorStaysFailedWithTheReason) {
    ::close(ends_[0]); // nobody reads
    ends_[0] = -1;
    DescriptorOutput output(ends_[1], "-");
    const std::string big(200000, 'x');
    const std::span bytes(reinterpret_cast<const std::uint8_t*>(big.data()), big.size());
    EXPECT_FALSE(output.write(bytes));
    EXPECT_EQ(output.errorNumber(), EPIPE);
    EXPECT_FALSE(output.error().empty());
    EXPECT_FALSE(output.write(bytes.first(1)));
    EXPECT_FALSE(output.commit());
}

} // namespace
} // namespace varnelo
