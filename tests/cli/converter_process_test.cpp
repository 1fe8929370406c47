// varnelo-convert as a process: what signals and limits do to a conversion
// under way. Nothing it did not make may change, and nothing half-made may stay.
#include "base/picture_limits.h"
#include "tests/support/hostile_pictures.h"
#include "tests/support/picture_files.h"
#include "tests/support/sanitizers.h"
#include "tests/support/temp_dir.h"
#include "tests/support/webp_samples.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
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
    long peakKilobytes = 0;
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

    // Runs the converter to its end with standard input from a file and
    // standard output and errors into files.
    Finished runPiped(const std::vector<std::string>& arguments, const std::string& input,
                      std::string& out) {
        const std::string outPath = logs_.file("out.bin");
        const pid_t child = ::fork();
        if (child == 0) {
            const int in = ::open(input.c_str(), O_RDONLY);
            const int written = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int err = ::open(errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(in, STDIN_FILENO);
            ::dup2(written, STDOUT_FILENO);
            ::dup2(err, STDERR_FILENO);
            ::close(in);
            ::close(written);
            ::close(err);
            exec(arguments);
        }
        Finished finished = wait(child);
        const std::vector<std::uint8_t> bytes = test::readBytes(outPath);
        out.assign(bytes.begin(), bytes.end());
        return finished;
    }

    // Starts the converter with the pipe's reading end as its standard
    // input (stream STDIN_FILENO) or its writing end as its standard output,
    // and its errors in a file; with pipeIgnored, SIGPIPE ignored, as after
    // trap '' PIPE. The child's id.
    pid_t startOnPipe(const int (&ends)[2], int stream, const std::vector<std::string>& arguments,
                      bool pipeIgnored = false) {
        const pid_t child = ::fork();
        if (child != 0)
            return child;
        if (pipeIgnored)
            ::signal(SIGPIPE, SIG_IGN); // kept across exec
        const int err = ::open(errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(stream == STDIN_FILENO ? ends[0] : ends[1], stream);
        ::dup2(err, STDERR_FILENO);
        ::close(ends[0]);
        ::close(ends[1]);
        ::close(err);
        exec(arguments);
    }

    // Runs the converter with standard output into a pipe nobody reads,
    // as after `| head` has had enough.
    Finished runIntoClosedPipe(const std::vector<std::string>& arguments,
                               bool pipeIgnored = false) {
        int ends[2];
        if (::pipe(ends) != 0)
            return {};
        const pid_t child = startOnPipe(ends, STDOUT_FILENO, arguments, pipeIgnored);
        ::close(ends[0]);
        ::close(ends[1]);
        return wait(child);
    }

    // Runs the converter on a pseudo-terminal of the given width: what the
    // terminal showed of its output and messages.
    Finished runOnTerminal(const std::vector<std::string>& arguments, unsigned short columns,
                           std::string& shown) {
        winsize size{};
        size.ws_col = columns;
        size.ws_row = 40;
        int terminal = -1;
        const pid_t child = ::forkpty(&terminal, nullptr, nullptr, &size);
        if (child == 0)
            exec(arguments);
        char buffer[4096];
        for (;;) {
            const ssize_t got = ::read(terminal, buffer, sizeof buffer);
            if (got <= 0)
                break; // EIO once the converter has closed its side
            shown.append(buffer, static_cast<std::size_t>(got));
        }
        ::close(terminal);
        Finished finished;
        ::waitpid(child, &finished.status, 0);
        return finished;
    }

    [[noreturn]] static void exec(const std::vector<std::string>& arguments) {
        std::vector<char*> argv{const_cast<char*>(VARNELO_CONVERT_PROGRAM)};
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(VARNELO_CONVERT_PROGRAM, argv.data());
        ::_exit(127);
    }

    Finished wait(pid_t child) {
        Finished finished;
        rusage usage{};
        ::wait4(child, &finished.status, 0, &usage);
        // Of the converter or the largest process it waited for.
        finished.peakKilobytes = usage.ru_maxrss;
        const std::vector<std::uint8_t> err = test::readBytes(errPath_);
        finished.err.assign(err.begin(), err.end());
        return finished;
    }

    // Whether the process has ended, leaving it to be waited for.
    static bool hasEnded(pid_t child) {
        siginfo_t info{};
        return ::waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
               info.si_pid == child;
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

// A broken picture of any type is told in the converter's own words, one
// line for it: nothing a picture library words of it reaches standard
// error (libjxl's would), as a previewer draws on the terminal it shares.
TEST_F(ConverterProcess, EveryBrokenPictureIsToldInOneLineOfItsOwn) {
    std::vector<std::string> arguments{"-q", "-f", "text"};
    for (const auto& entry : fs::directory_iterator(test::badFilesFolder())) {
        const std::string copy = folder_.file(entry.path().filename().string());
        fs::copy_file(entry.path(), copy);
        arguments.push_back(copy);
    }
    ASSERT_GT(arguments.size(), 3U);
    std::string out;
    const Finished finished = runPiped(arguments, "/dev/null", out);
    EXPECT_TRUE(WIFEXITED(finished.status));
    std::size_t lines = 0;
    for (std::size_t at = 0; at < finished.err.size(); ++lines) {
        const std::size_t end = finished.err.find('\n', at);
        const std::string line = finished.err.substr(at, end - at);
        EXPECT_TRUE(line.starts_with("varnelo-convert: " + folder_.path().string() + "/")) << line;
        at = end == std::string::npos ? finished.err.size() : end + 1;
    }
    EXPECT_LE(lines, arguments.size() - 3);
}

TEST_F(ConverterProcess, ASignalWhileWritingLeavesNothingAndEndsTheConverterByIt) {
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        // The largest drawn image, compressed hardest: seconds of writing.
        const pid_t child = start({"-f", "png", "-Q", "1", "-W", "423", "-H", "461", "-o",
                                   folder_.file("out.png"), picture_});
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!writesInFolder(child) && std::chrono::steady_clock::now() < deadline &&
               !hasEnded(child))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (!writesInFolder(child)) {
            ::kill(child, SIGKILL);
            const Finished early = wait(child);
            FAIL() << "the converter never wrote; status " << early.status << ": " << early.err;
        }
        ::kill(child, signal);
        const Finished finished = wait(child);
        ASSERT_TRUE(WIFSIGNALED(finished.status)) << signal << ": " << finished.err;
        EXPECT_EQ(WTERMSIG(finished.status), signal);
        EXPECT_EQ(finished.err, "varnelo-convert: " + picture_ + ": cancelled!\n") << signal;
        EXPECT_EQ(names(), std::set<std::string>{"p.bmp"}) << signal;
    }
}

TEST_F(ConverterProcess, AFullDiskFailsWithItsReasonAndLeavesNothing) {
    const pid_t child = start({"-o", folder_.file("out.html"), picture_}, 4096);
    const Finished finished = wait(child);
    ASSERT_TRUE(WIFEXITED(finished.status)) << finished.err;
    EXPECT_EQ(WEXITSTATUS(finished.status), 1);
    EXPECT_EQ(finished.err, "varnelo-convert: " + picture_ + ": failed saving \"" +
                                folder_.file("out.html") + "\": File too large\n");
    EXPECT_EQ(names(), std::set<std::string>{"p.bmp"});
}

// The picture read from standard input is a file like any other: an output
// naming it would replace it.
TEST_F(ConverterProcess, NeverWritesOverThePictureStandardInputIs) {
    const std::vector<std::uint8_t> before = test::readBytes(picture_);
    std::string out;
    const Finished finished = runPiped({"-f", "png", "-o", picture_, "-"}, picture_, out);
    EXPECT_TRUE(WIFEXITED(finished.status) && WEXITSTATUS(finished.status) == 2) << finished.err;
    EXPECT_EQ(finished.err, "varnelo-convert: the output \"" + picture_ +
                                "\" would replace the picture\nTry 'varnelo-convert --help' for "
                                "more information.\n");
    EXPECT_EQ(test::readBytes(picture_), before);
}

TEST_F(ConverterProcess, ReadsAPipeAndWritesOneAsAUnixToolDoes) {
    std::string out;
    Finished finished = runPiped({"--seed", "4", "-"}, picture_, out);
    ASSERT_TRUE(WIFEXITED(finished.status));
    EXPECT_EQ(WEXITSTATUS(finished.status), 0) << finished.err;
    EXPECT_TRUE(out.starts_with("<html>\r\n")) << out.substr(0, 40);
    EXPECT_EQ(finished.err, "");

    finished = runPiped({"-f", "png", "-o", "-", picture_}, picture_, out);
    EXPECT_EQ(WEXITSTATUS(finished.status), 0) << finished.err;
    EXPECT_TRUE(out.starts_with("\x89PNG"));

    // Exit codes: a picture that fails, arguments that are wrong.
    finished = runPiped({folder_.file("missing.png"), picture_}, picture_, out);
    EXPECT_EQ(WEXITSTATUS(finished.status), 1);
    EXPECT_EQ(finished.err,
              "varnelo-convert: " + folder_.file("missing.png") + ": No such file or directory\n");
    finished = runPiped({"-W", "0", picture_}, picture_, out);
    EXPECT_EQ(WEXITSTATUS(finished.status), 2);
    finished = runPiped({"--version"}, picture_, out);
    EXPECT_EQ(WEXITSTATUS(finished.status), 0);
    EXPECT_TRUE(out.starts_with("varnelo-convert "));
    EXPECT_EQ(names(), (std::set<std::string>{"p.bmp", "p.html"}));

    // A reader that leaves ends the converter by the broken pipe, silently.
    finished = runIntoClosedPipe({"-f", "ansi", "-W", "400", picture_});
    ASSERT_TRUE(WIFSIGNALED(finished.status)) << finished.err;
    EXPECT_EQ(WTERMSIG(finished.status), SIGPIPE);
    EXPECT_EQ(finished.err, "");
    // Told to ignore the broken pipe, it fails the write and says so.
    finished = runIntoClosedPipe({"-f", "ansi", "-W", "400", picture_}, true);
    ASSERT_TRUE(WIFEXITED(finished.status));
    EXPECT_EQ(WEXITSTATUS(finished.status), 1);
    EXPECT_EQ(finished.err,
              "varnelo-convert: " + picture_ + ": failed saving \"-\": Broken pipe\n");
}

// A reader that leaves while the converter waits for room in the pipe cuts
// that write short without a broken-pipe error, only the signal: it is as
// silent as any other reader gone.
TEST_F(ConverterProcess, AReaderLeavingDuringAWriteEndsItSilently) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    const pid_t child = startOnPipe(
        ends, STDOUT_FILENO, {"-f", "plain-html", "-W", "2000", "-H", "1500", "-o", "-", picture_});
    ASSERT_GE(child, 0);
    ::close(ends[1]);
    // Part of what it writes, so that its write is under way, then gone.
    std::vector<char> buffer(std::size_t{1} << 17);
    std::size_t read = 0;
    while (read < buffer.size()) {
        const ssize_t got = ::read(ends[0], buffer.data() + read, buffer.size() - read);
        if (got <= 0)
            break;
        read += static_cast<std::size_t>(got);
    }
    ::usleep(100000);
    ::close(ends[0]);
    const Finished finished = wait(child);
    ASSERT_TRUE(WIFSIGNALED(finished.status))
        << WEXITSTATUS(finished.status) << " " << read << finished.err;
    EXPECT_EQ(WTERMSIG(finished.status), SIGPIPE);
    EXPECT_EQ(finished.err, "");
}

// A converter waiting on a pipe, for a picture nobody writes or for room
// in a pipe nobody reads, still ends at once by the signal it is sent.
// A phrase file that is a pipe nobody writes keeps the converter waiting
// until a signal ends it: cancelled, not a usage error.
TEST_F(ConverterProcess, ASignalEndsAWaitForThePhrase) {
    const std::string fifo = folder_.file("phrase");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const pid_t child = start({"-m", "text", "--phrase-file", fifo, picture_});
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ::kill(child, SIGTERM);
    const Finished finished = wait(child);
    ASSERT_TRUE(WIFSIGNALED(finished.status)) << finished.err;
    EXPECT_EQ(WTERMSIG(finished.status), SIGTERM);
    EXPECT_EQ(finished.err, "varnelo-convert: cancelled!\n");
}

TEST_F(ConverterProcess, ASignalEndsAWaitOnAPipe) {
    for (const bool waitsToWrite : {false, true}) {
        SCOPED_TRACE(waitsToWrite ? "writing" : "reading");
        int ends[2];
        ASSERT_EQ(::pipe(ends), 0);
        const pid_t child =
            waitsToWrite
                ? startOnPipe(ends, STDOUT_FILENO,
                              {"-f", "ansi", "--colors", "truecolor", "-W", "2000", picture_})
                : startOnPipe(ends, STDIN_FILENO, {"-"});
        ASSERT_GE(child, 0);
        // Give it time to start and block in its read or write.
        ::usleep(500000);
        ::kill(child, SIGTERM);
        int status = 0;
        pid_t ended = 0;
        for (int waited = 0; waited < 500 && ended == 0; ++waited) {
            ended = ::waitpid(child, &status, WNOHANG);
            if (ended == 0)
                ::usleep(10000);
        }
        ::close(ends[0]);
        ::close(ends[1]);
        if (ended == 0) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            FAIL() << "the converter went on waiting";
        }
        ASSERT_TRUE(WIFSIGNALED(status));
        EXPECT_EQ(WTERMSIG(status), SIGTERM);
    }
}

// /dev/stdout into a pipe is standard output, not the link "pipe:[N]".
TEST_F(ConverterProcess, WritesToTheDescriptorDevStdoutNames) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    const pid_t child =
        startOnPipe(ends, STDOUT_FILENO, {"-f", "text", "-o", "/dev/stdout", picture_});
    ASSERT_GE(child, 0);
    ::close(ends[1]);
    std::string out;
    char buffer[4096];
    for (ssize_t got = 0; (got = ::read(ends[0], buffer, sizeof buffer)) > 0;)
        out.append(buffer, static_cast<std::size_t>(got));
    ::close(ends[0]);
    const Finished finished = wait(child);
    ASSERT_TRUE(WIFEXITED(finished.status));
    EXPECT_EQ(WEXITSTATUS(finished.status), 0) << finished.err;
    // 80 columns into a pipe: 40 pixels of two characters, 64 × 48 in 30 lines.
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 30);
}

TEST_F(ConverterProcess, FillsTheTerminalsWidthAndRefusesToDrawBinaryThere) {
    std::string shown;
    Finished finished =
        runOnTerminal({"-f", "text", "-m", "blocks", "--blocks", "4", picture_}, 60, shown);
    ASSERT_TRUE(WIFEXITED(finished.status));
    EXPECT_EQ(WEXITSTATUS(finished.status), 0) << shown;
    // 30 pixels of two blocks make the 60 columns; 64 × 48 keeps its
    // proportion in 22 lines (30 × 48 / 64 = 22.5, rounded to even).
    std::string line;
    for (int i = 0; i < 30; ++i)
        line += "██";
    EXPECT_TRUE(shown.starts_with(line + "\r\n")) << shown.substr(0, 200); // the terminal adds CR
    std::size_t lines = 0;
    for (std::size_t at = shown.find('\n'); at != std::string::npos; at = shown.find('\n', at + 1))
        ++lines;
    EXPECT_EQ(lines, 22u);

    // COLUMNS, where it is set, before the terminal's own width; and a dumb
    // terminal gets no escapes.
    shown.clear();
    const char* term = std::getenv("TERM");
    const std::string before = term != nullptr ? term : "";
    ::setenv("COLUMNS", "20", 1);
    ::setenv("TERM", "dumb", 1);
    finished = runOnTerminal({"-f", "ansi", "-m", "blocks", "--blocks", "4", picture_}, 60, shown);
    ::unsetenv("COLUMNS");
    if (term != nullptr)
        ::setenv("TERM", before.c_str(), 1);
    else
        ::unsetenv("TERM");
    EXPECT_TRUE(shown.starts_with(line.substr(0, line.size() / 3) + "\r\n"))
        << shown.substr(0, 200);
    EXPECT_EQ(shown.find('\x1B'), std::string::npos);

    shown.clear();
    finished = runOnTerminal({"-f", "png", "-o", "-", picture_}, 60, shown);
    EXPECT_EQ(WEXITSTATUS(finished.status), 2);
    EXPECT_TRUE(shown.starts_with(
        "varnelo-convert: refusing to write a binary picture to a terminal; use -o FILE"))
        << shown;
    EXPECT_EQ(names(), std::set<std::string>{"p.bmp"});
}

// The font, PNG and GIF, and picture libraries take longer to load than a
// small picture takes to convert: only a conversion that needs them loads them.
TEST_F(ConverterProcess, LoadsTheFontAndPictureLibrariesOnlyWhenNeeded) {
    const auto loadedBy = [&](const std::vector<std::string>& arguments) {
        const fs::path record = logs_.path() / "loaded";
        fs::remove_all(record);
        fs::create_directory(record);
        // The dynamic loader writes each file it opens to record/by.PID.
        ::setenv("LD_DEBUG", "files", 1);
        ::setenv("LD_DEBUG_OUTPUT", (record / "by").c_str(), 1);
        const Finished finished = wait(start(arguments));
        ::unsetenv("LD_DEBUG");
        ::unsetenv("LD_DEBUG_OUTPUT");
        EXPECT_EQ(finished.status, 0) << finished.err;
        std::string opened;
        for (const auto& entry : fs::directory_iterator(record)) {
            const std::vector<std::uint8_t> bytes = test::readBytes(entry.path().string());
            opened.append(bytes.begin(), bytes.end());
        }
        EXPECT_NE(opened.find("libjpeg"), std::string::npos) << "no record of the loading";
        return opened;
    };
    const std::string html = folder_.file("p.html");
    const std::string document = loadedBy({"-q", "-f", "plain-html", "-o", html, picture_});
    EXPECT_EQ(document.find("libfreetype"), std::string::npos);
    EXPECT_EQ(document.find("libfontconfig"), std::string::npos);
    EXPECT_EQ(document.find("varnelo-fonts.so"), std::string::npos);
    EXPECT_EQ(document.find("varnelo-pictures.so"), std::string::npos);
    EXPECT_EQ(document.find("varnelo-png-gif.so"), std::string::npos);
    EXPECT_EQ(document.find("libpng"), std::string::npos);
    EXPECT_EQ(document.find("libz."), std::string::npos);

    const std::string png = folder_.file("p.png");
    const std::string image = loadedBy({"-q", "-f", "png", "-W", "8", "-o", png, picture_});
    EXPECT_NE(image.find("varnelo-fonts.so"), std::string::npos);
    EXPECT_NE(image.find("libfreetype"), std::string::npos);
    EXPECT_NE(image.find("varnelo-png-gif.so"), std::string::npos);
    EXPECT_EQ(image.find("varnelo-pictures.so"), std::string::npos);

    const std::string rtf = folder_.file("p.rtf");
    EXPECT_NE(loadedBy({"-q", "-f", "rtf", "-W", "8", "-o", rtf, picture_}).find("libfreetype"),
              std::string::npos);
}

// Files whose headers claim far more than they hold: each is refused, or
// converted, within the memory a load may take, however much it claims.
TEST_F(ConverterProcess, AHostilePictureCostsNoMoreThanTheMemoryLimit) {
    for (const test::HostilePicture& hostile : test::hostilePictures()) {
        SCOPED_TRACE(hostile.name);
        const std::string path = folder_.file(hostile.name);
        test::writeBytes(path, hostile.bytes);
        const Finished finished =
            wait(start({"-q", "-f", "plain-html", "-o", folder_.file("out.html"), path}));
        ASSERT_TRUE(WIFEXITED(finished.status)) << finished.status;
        EXPECT_EQ(WEXITSTATUS(finished.status), hostile.convertible ? 0 : 1) << finished.err;
        EXPECT_EQ(std::count(finished.err.begin(), finished.err.end(), '\n'),
                  hostile.convertible ? 0 : 1)
            << finished.err;
        // The sanitizers' shadow memory comes on top.
        if (!test::kUnderSanitizer) {
            EXPECT_LT(finished.peakKilobytes * 1024,
                      kDefaultMemoryLimit + (std::int64_t{64} << 20));
        }
    }
}

// However much the memory limit allows, a signal ends a conversion of any
// of them at once, whatever the library decoding it is doing. The tests
// beside it share the cores: one answer in time out of three tries is the
// program's, three late ones are not the machine's.
TEST_F(ConverterProcess, ASignalEndsTheDecodingOfAHostilePictureAtOnce) {
    for (const test::HostilePicture& hostile : test::hostilePictures()) {
        SCOPED_TRACE(hostile.name);
        const std::string path = folder_.file(hostile.name);
        test::writeBytes(path, hostile.bytes);
        auto quickest = std::chrono::steady_clock::duration::max();
        for (int attempt = 0; attempt < 3 && quickest >= test::kCancelAnswered; ++attempt) {
            const pid_t child = start({"-q", "--max-memory", "16384", "-f", "plain-html", "-o",
                                       folder_.file("out.html"), path});
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            const auto signalled = std::chrono::steady_clock::now();
            ::kill(child, SIGINT);
            (void)wait(child);
            quickest = std::min(quickest, std::chrono::steady_clock::now() - signalled);
            EXPECT_FALSE(fs::exists(folder_.file("out.html")));
        }
        EXPECT_LT(quickest, test::kCancelAnswered);
    }
}

// Without /proc (a chroot, a container, unshare), the modules are still
// the ones beside the program, never those of the folder it runs in.
TEST_F(ConverterProcess, TakesItsModulesFromBesideItselfWithoutProc) {
    if (test::kUnderSanitizer)
        GTEST_SKIP() << "the sanitizers' runtimes read /proc as the program starts";
    const fs::path planted = folder_.path() / "lib/varnelo/modules";
    fs::create_directories(planted);
    test::writeBytes((planted / "varnelo-pictures.so").string(),
                     {'n', 'o', 't', ' ', 'E', 'L', 'F'});
    const std::string webp = folder_.file("p.webp");
    test::writeBytes(webp, test::encodeWebp(6, 4, test::noise));
    const pid_t child = ::fork();
    if (child == 0) {
        // Mount namespaces need the right to make them; without it, there
        // is nothing to try.
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("none", "/proc", "tmpfs", 0, nullptr) != 0)
            ::_exit(77);
        const int err = ::open(errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(err, STDERR_FILENO);
        if (::chdir(folder_.path().c_str()) != 0)
            ::_exit(3);
        exec({"-q", "-f", "plain-html", "-o", folder_.file("p.html"), webp});
    }
    const Finished finished = wait(child);
    if (WIFEXITED(finished.status) && WEXITSTATUS(finished.status) == 77)
        GTEST_SKIP() << "no mount namespace to hide /proc in";
    EXPECT_EQ(finished.status, 0) << finished.err;
    EXPECT_TRUE(fs::exists(folder_.file("p.html")));
}

} // namespace
} // namespace varnelo
