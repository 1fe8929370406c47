// varnelo-convert as a process: what signals and limits do to a conversion
// under way. Nothing it did not make may change, and nothing half-made may stay.
#include "tests/support/picture_files.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace varnelo {
namespace {

namespace fs = std::filesystem;

struct Finished {
    int status = 0;
    std::string err;
};

class ConverterProcess : public ::testing::Test {
protected:
    ConverterProcess() { test::writeBmpFile(picture_, 64, 48, test::noise); }

    // Starts the converter with its error stream in a file; the child's id.
    pid_t start(const std::vector<std::string>& arguments, rlim_t fileSizeLimit = RLIM_INFINITY) {
        const pid_t child = ::fork();
        if (child != 0)
            return child;
        const int err = ::open(errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(err, STDERR_FILENO);
        const rlimit limit{fileSizeLimit, fileSizeLimit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::vector<char*> argv{const_cast<char*>(VARNELO_CONVERT_PROGRAM)};
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(VARNELO_CONVERT_PROGRAM, argv.data());
        ::_exit(127);
    }

    Finished wait(pid_t child) {
        Finished finished;
        ::waitpid(child, &finished.status, 0);
        const std::vector<std::uint8_t> err = test::readBytes(errPath_);
        finished.err.assign(err.begin(), err.end());
        return finished;
    }

    // Whether the process has a file of the folder open: its output.
    bool writesInFolder(pid_t child) const {
        std::error_code error;
        for (const auto& entry :
             fs::directory_iterator("/proc/" + std::to_string(child) + "/fd", error)) {
            const fs::path target = fs::read_symlink(entry.path(), error);
            if (!error && target.string().starts_with(folder_.path().string()))
                return true;
        }
        return false;
    }

    std::set<std::string> names() const {
        std::set<std::string> found;
        for (const auto& entry : fs::directory_iterator(folder_.path()))
            found.insert(entry.path().filename().string());
        return found;
    }

    test::TempDir folder_;
    test::TempDir logs_;
    std::string picture_ = folder_.file("p.bmp");
    std::string errPath_ = logs_.file("err.txt");
};

TEST_F(ConverterProcess, ASignalWhileWritingLeavesNothingAndEndsTheConverterByIt) {
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        // The largest drawn image, compressed hardest: seconds of writing.
        const pid_t child = start({"-f", "png", "-q", "1", "-W", "423", "-H", "461", "-o",
                                   folder_.file("out.png"), picture_});
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!writesInFolder(child) && std::chrono::steady_clock::now() < deadline &&
               ::waitpid(child, nullptr, WNOHANG) == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ASSERT_TRUE(writesInFolder(child)) << "the converter never wrote";
        ::kill(child, signal);
        const Finished finished = wait(child);
        ASSERT_TRUE(WIFSIGNALED(finished.status)) << signal << ": " << finished.err;
        EXPECT_EQ(WTERMSIG(finished.status), signal);
        EXPECT_EQ(finished.err, picture_ + ": cancelled!\n") << signal;
        EXPECT_EQ(names(), std::set<std::string>{"p.bmp"}) << signal;
    }
}

TEST_F(ConverterProcess, AFullDiskFailsWithItsReasonAndLeavesNothing) {
    const pid_t child = start({"-o", folder_.file("out.html"), picture_}, 4096);
    const Finished finished = wait(child);
    ASSERT_TRUE(WIFEXITED(finished.status)) << finished.err;
    EXPECT_EQ(WEXITSTATUS(finished.status), 1);
    EXPECT_EQ(finished.err,
              picture_ + ": failed saving \"" + folder_.file("out.html") + "\": File too large\n");
    EXPECT_EQ(names(), std::set<std::string>{"p.bmp"});
}

} // namespace
} // namespace varnelo
