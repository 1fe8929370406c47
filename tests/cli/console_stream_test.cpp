#include "cli/console_stream.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace varnelo {
namespace {

std::string contentOf(const std::string& path) {
    const std::vector<std::uint8_t> bytes = test::readBytes(path);
    return {bytes.begin(), bytes.end()};
}

// A message reaches the descriptor whole at flush, a long text without
// waiting for one, and a stream that failed stays failed with its reason.
TEST(CliConsoleStream, WritesAtFlushOrWhenMuchWaitsAndStaysFailed) {
    const test::TempDir folder;
    const std::string path = folder.file("err.txt");
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    DescriptorStream stream(fd);
    stream << "varnelo-convert" << ':' << ' ' << std::string_view("a message\n");
    EXPECT_EQ(contentOf(path), "");
    EXPECT_TRUE(stream.flush());
    EXPECT_EQ(contentOf(path), "varnelo-convert: a message\n");
    const std::string large(70 << 10, 'x');
    stream << large << "yz";
    EXPECT_EQ(contentOf(path).size(), 27u + large.size());
    EXPECT_TRUE(stream.flush());
    EXPECT_EQ(contentOf(path).size(), 29u + large.size());
    ::close(fd);

    DescriptorStream closed(fd); // no longer open
    closed << "lost";
    EXPECT_FALSE(closed.flush());
    EXPECT_EQ(errno, EBADF);
    EXPECT_FALSE(closed);
    closed << "also lost";
    EXPECT_FALSE(closed.flush());
}

} // namespace
} // namespace varnelo
