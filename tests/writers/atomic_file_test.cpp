#include "writers/atomic_file.h"

#include "engine/output_name.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <iostream>
#include <set>
#include <string>

#include <pwd.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace varnelo {
namespace {

namespace fs = std::filesystem;
using Temporary = AtomicFile::Temporary;

std::span<const std::uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::string contentOf(const std::string& path) {
    const std::vector<std::uint8_t> bytes = test::readBytes(path);
    return {bytes.begin(), bytes.end()};
}

std::set<std::string> namesIn(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

bool writeFile(const OutputTarget& target, std::string_view text,
               Temporary temporary = Temporary::UnnamedWherePossible, std::string* error = nullptr,
               std::string* written = nullptr) {
    AtomicFile file(temporary);
    const bool ok = file.open(target) && file.write(bytesOf(text)) && file.commit();
    if (error != nullptr)
        *error = file.error();
    if (written != nullptr)
        *written = file.path();
    return ok;
}

class AtomicFileTest : public ::testing::TestWithParam<Temporary> {
protected:
    test::TempDir folder_;
};

INSTANTIATE_TEST_SUITE_P(BothTemporaries, AtomicFileTest,
                         ::testing::Values(Temporary::UnnamedWherePossible, Temporary::Named));

TEST_P(AtomicFileTest, ReplacesTheTargetOnlyWhenCommittedAndLeavesNothingElse) {
    const std::string target = folder_.file("out.html");
    test::writeBytes(target, {'o', 'l', 'd'});
    ::chmod(target.c_str(), 0640);
    {
        AtomicFile file(GetParam());
        ASSERT_TRUE(file.open(target)) << file.error();
        ASSERT_TRUE(file.write(bytesOf("new")));
        EXPECT_EQ(contentOf(target), "old");
    } // dropped without commit
    EXPECT_EQ(contentOf(target), "old");
    EXPECT_EQ(namesIn(folder_.path()), std::set<std::string>{"out.html"});

    // Root replacing someone else's file leaves it theirs.
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(target.c_str(), 65534, 65534), 0);
    }
    ASSERT_TRUE(writeFile(target, "new", GetParam()));
    EXPECT_EQ(contentOf(target), "new");
    struct stat written {};
    ASSERT_EQ(::stat(target.c_str(), &written), 0);
    if (root) {
        EXPECT_EQ(written.st_uid, 65534u);
    }
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(namesIn(folder_.path()), std::set<std::string>{"out.html"});
}

// Where the file system has no unnamed temporaries, a writer that was
// killed leaves its named one: the next writer there removes it, but never
// one another writer still holds, nor one just made.
TEST(AtomicFileNamedTemporary, RemovesWhatAKilledWriterLeftAndNothingElse) {
    const test::TempDir folder;
    const auto make = [&](const std::string& name, bool old) {
        const std::string path = folder.file(name);
        test::writeBytes(path, {'x'});
        if (old) {
            const timespec times[2] = {{0, UTIME_OMIT}, {::time(nullptr) - 3600, 0}};
            ::utimensat(AT_FDCWD, path.c_str(), times, 0);
        }
        return path;
    };
    make(".varnelo-0badf00d.tmp", true);
    make(".varnelo-00000001.tmp", false);
    const std::string held = make(".varnelo-00000002.tmp", true);
    make(".varnelo-notours.tmp", true);
    const int holder = ::open(held.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    ASSERT_TRUE(writeFile(folder.file("out.html"), "new", Temporary::Named));
    ::close(holder);
    EXPECT_EQ(namesIn(folder.path()),
              (std::set<std::string>{"out.html", ".varnelo-00000001.tmp", ".varnelo-00000002.tmp",
                                     ".varnelo-notours.tmp"}));
}

TEST_P(AtomicFileTest, WritesLinesShortAndLongInOrderAmongOtherWrites) {
    const std::string target = folder_.file("out.html");
    test::writeBytes(target, {'o', 'l', 'd'}); // replaced: its writing to disk starts early
    std::vector<ByteString> shortLines;
    std::vector<ByteString> longLines;
    for (int i = 0; i < 100; ++i)
        shortLines.push_back(std::to_string(i));
    // More lines than one system call takes, each longer than a page.
    for (int i = 0; i < 700; ++i)
        longLines.emplace_back(static_cast<std::size_t>(5000 + i), static_cast<char>('a' + i % 26));
    std::string expected = "top\n";
    for (const ByteString& line : shortLines)
        expected += line + "\r\n";
    for (const ByteString& line : longLines)
        expected += line + "\r\n";
    expected += "-";
    for (const ByteString& line : shortLines)
        expected += line + "\r\n";

    AtomicFile file(GetParam());
    ASSERT_TRUE(file.open(target)) << file.error();
    ASSERT_TRUE(file.write(bytesOf("top\n")));
    ASSERT_TRUE(file.writeLines(shortLines, "\r\n"));
    ASSERT_TRUE(file.writeLines(longLines, "\r\n"));
    ASSERT_TRUE(file.write(bytesOf("-")));
    ASSERT_TRUE(file.writeLines(shortLines, "\r\n"));
    EXPECT_EQ(contentOf(target), "old");
    ASSERT_TRUE(file.commit()) << file.error();
    EXPECT_EQ(contentOf(target), expected);
    EXPECT_EQ(namesIn(folder_.path()), std::set<std::string>{"out.html"});
}

TEST_P(AtomicFileTest, ADroppedFileWhoseWritingToDiskHadStartedLeavesTheOldOne) {
    const std::string target = folder_.file("out.html");
    test::writeBytes(target, {'o', 'l', 'd'});
    {
        AtomicFile file(GetParam());
        ASSERT_TRUE(file.open(target)) << file.error();
        const std::string piece(100000, 'x');
        for (int i = 0; i < 40; ++i)
            ASSERT_TRUE(file.write(bytesOf(piece)));
        const std::vector<ByteString> lines(300, ByteString(8000, 'y'));
        ASSERT_TRUE(file.writeLines(lines, "\r\n"));
    } // dropped without commit, while its bytes may still be going to disk
    EXPECT_EQ(contentOf(target), "old");
    EXPECT_EQ(namesIn(folder_.path()), std::set<std::string>{"out.html"});
}

TEST_P(AtomicFileTest, RefusesTargetsThatAreNoRegularFileAndLeavesThemAsTheyAre) {
    const std::string fifo = folder_.file("fifo.html");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    std::string error;
    EXPECT_FALSE(writeFile(fifo, "x", GetParam(), &error)); // and does not block
    EXPECT_EQ(error, "not a regular file");
    EXPECT_TRUE(fs::is_fifo(fifo));

    const std::string socketPath = folder_.file("socket.html");
    const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    socketPath.copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(server, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    EXPECT_FALSE(writeFile(socketPath, "x", GetParam(), &error));
    EXPECT_EQ(error, "not a regular file");
    EXPECT_TRUE(fs::is_socket(socketPath));
    ::close(server);

    EXPECT_FALSE(writeFile(folder_.path().string(), "x", GetParam(), &error));
    EXPECT_EQ(error, "Is a directory");

    // The null device itself, where the test may make one.
    const std::string device = folder_.file("nul.html");
    if (::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
        std::cout << "[ SKIPPED  ] a device node needs root here: " << std::strerror(errno) << '\n';
    } else {
        EXPECT_FALSE(writeFile(device, "x", GetParam(), &error));
        EXPECT_EQ(error, "not a regular file");
        EXPECT_TRUE(fs::is_character_file(device));
    }
    EXPECT_FALSE(writeFile(folder_.file("missing/out.html"), "x", GetParam(), &error));
    EXPECT_EQ(error, "No such file or directory");
}

TEST_P(AtomicFileTest, RefusesAFileTheUserMayNotWrite) {
    const std::string target = folder_.file("locked.html");
    test::writeBytes(target, {'o', 'l', 'd'});
    ::chmod(target.c_str(), 0444);
    // Root may write any file, as a shell redirection would; a child that
    // gives root up tries it as another user would.
    ::chmod(folder_.path().c_str(), 0777);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(3);
        std::string error;
        const bool written = writeFile(target, "new", GetParam(), &error);
        ::_exit(written ? 1 : error == "Permission denied" ? 0 : 2);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(contentOf(target), "old");
}

TEST_P(AtomicFileTest, WritesTheFileALinkNamesAndKeepsTheLink) {
    const std::string real = folder_.file("real.html");
    test::writeBytes(real, {'o', 'l', 'd'});
    fs::create_directory(folder_.file("links"));
    const std::string link = folder_.file("links/out.html");
    fs::create_symlink("../real.html", link);
    std::string written;
    ASSERT_TRUE(writeFile(link, "new", GetParam(), nullptr, &written));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(contentOf(real), "new");
    EXPECT_EQ(fs::canonical(written), fs::canonical(real));
    EXPECT_EQ(namesIn(folder_.file("links")), std::set<std::string>{"out.html"});

    // A link to a file not there yet makes that file.
    const std::string dangling = folder_.file("dangling.html");
    fs::create_symlink("made.html", dangling);
    ASSERT_TRUE(writeFile(dangling, "made", GetParam()));
    EXPECT_TRUE(fs::is_symlink(dangling));
    EXPECT_EQ(contentOf(folder_.file("made.html")), "made");
}

// In a sticky folder anyone may write to, as /tmp is, another user's link
// is not followed, as the kernel's protected_symlinks refuses it to a shell;
// a link of the folder's owner or of the writer is.
TEST_P(AtomicFileTest, FollowsAnotherUsersLinkInASharedStickyFolderOnlyWhereTheKernelWould) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root, to make a link of another user";
    const struct passwd* nobody = ::getpwnam("nobody");
    ASSERT_NE(nobody, nullptr);
    const std::string shared = folder_.file("shared");
    fs::create_directory(shared);
    ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
    const std::string mine = folder_.file("mine.html");
    test::writeBytes(mine, {'k', 'e', 'e', 'p'});
    const std::string planted = shared + "/out.html";
    fs::create_symlink(mine, planted);
    ASSERT_EQ(::lchown(planted.c_str(), nobody->pw_uid, nobody->pw_gid), 0);

    std::string error;
    EXPECT_FALSE(writeFile(OutputTarget(planted), "new", GetParam(), &error));
    EXPECT_EQ(error, "Permission denied");
    EXPECT_EQ(contentOf(mine), "keep");
    EXPECT_TRUE(fs::is_symlink(planted));

    // The writer's own link there is followed, and so is any link in a
    // folder that is not shared.
    ASSERT_EQ(::lchown(planted.c_str(), 0, 0), 0);
    EXPECT_TRUE(writeFile(OutputTarget(planted), "new", GetParam()));
    EXPECT_EQ(contentOf(mine), "new");
    ASSERT_EQ(::chmod(shared.c_str(), 0777), 0);
    ASSERT_EQ(::lchown(planted.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    EXPECT_TRUE(writeFile(OutputTarget(planted), "newer", GetParam()));
    EXPECT_EQ(contentOf(mine), "newer");

    // Nor is another user's link there that stands for a folder.
    ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
    const std::string ours = folder_.file("ours");
    fs::create_directory(ours);
    const std::string leading = shared + "/into";
    fs::create_symlink(ours, leading);
    ASSERT_EQ(::lchown(leading.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
    EXPECT_FALSE(writeFile(OutputTarget(leading + "/out.html"), "new", GetParam(), &error));
    EXPECT_EQ(error, "Permission denied");
    EXPECT_FALSE(fs::exists(ours + "/out.html"));
}

TEST_P(AtomicFileTest, WritesEveryNameTheFileSystemTakes) {
    const std::string longest = folder_.file(std::string(250, 'n') + ".html"); // 255 bytes
    ASSERT_TRUE(writeFile(longest, "x", GetParam()));
    ASSERT_TRUE(writeFile(longest, "y", GetParam())); // and replaces it
    EXPECT_EQ(contentOf(longest), "y");
}

TEST_P(AtomicFileTest, AProposedNameTakenMeanwhileIsKeptAndTheNextNumberTaken) {
    const std::string base = folder_.file("p.png");
    const std::string proposed = uniqueOutputName(base, ".html");
    test::writeBytes(proposed, {'t', 'h', 'e', 'i', 'r', 's'}); // another program was quicker
    std::string written;
    ASSERT_TRUE(writeFile({proposed, base}, "ours", GetParam(), nullptr, &written));
    EXPECT_EQ(written, folder_.file("p1.html"));
    EXPECT_EQ(contentOf(proposed), "theirs");
    EXPECT_EQ(contentOf(written), "ours");
}

TEST_P(AtomicFileTest, ConversionsStartedTogetherEachKeepTheirOwnFile) {
    const std::string base = folder_.file("p.png");
    const std::string proposed = uniqueOutputName(base, ".html"); // the same for all
    constexpr int kWriters = 8;
    std::vector<std::thread> writers;
    std::vector<std::string> written(kWriters);
    for (int i = 0; i < kWriters; ++i)
        writers.emplace_back([&, i] {
            AtomicFile file(GetParam());
            const std::string text = "writer " + std::to_string(i);
            if (file.open({proposed, base}) && file.write(bytesOf(text)) && file.commit())
                written[static_cast<std::size_t>(i)] = file.path();
        });
    for (std::thread& writer : writers)
        writer.join();
    std::set<std::string> contents;
    for (int i = 0; i < kWriters; ++i) {
        ASSERT_FALSE(written[static_cast<std::size_t>(i)].empty()) << i;
        contents.insert(contentOf(written[static_cast<std::size_t>(i)]));
    }
    EXPECT_EQ(contents.size(), static_cast<std::size_t>(kWriters));
    EXPECT_EQ(namesIn(folder_.path()).size(), static_cast<std::size_t>(kWriters));
}

TEST(AtomicFile, AWriterKilledMidWayLeavesNothingBehind) {
    test::TempDir folder;
    const int probe = ::open(folder.path().c_str(), O_TMPFILE | O_WRONLY, 0600);
    if (probe < 0)
        GTEST_SKIP() << "this file system has no unnamed temporary files";
    ::close(probe);
    const std::string target = folder.file("out.html");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        AtomicFile file;
        if (!file.open(target) || !file.write(bytesOf(std::string(4 << 20, 'x'))))
            ::_exit(1);
        ::kill(::getpid(), SIGKILL);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_TRUE(namesIn(folder.path()).empty());
}

} // namespace
} // namespace varnelo
