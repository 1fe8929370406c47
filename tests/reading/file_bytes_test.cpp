#include "reading/file_bytes.h"

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace varnelo {
namespace {

// Small files are read, larger ones mapped: either way the whole file.
TEST(MappedFile, HoldsTheWholeFileReadOrMapped) {
    test::TempDir folder;
    const std::string path = folder.file("p.bmp");
    test::writeBytes(path, {1, 2, 3});
    MappedFile file;
    ASSERT_EQ(file.open(path, 3).status, ReadFileStatus::Ok);
    ASSERT_EQ(file.bytes().size(), 3u);
    EXPECT_EQ(file.bytes()[2], 3);
    EXPECT_FALSE(file.damaged());
    EXPECT_EQ(file.open(path, 2).status, ReadFileStatus::TooLarge);

    const std::string empty = folder.file("empty.bmp");
    test::writeBytes(empty, {});
    ASSERT_EQ(file.open(empty, 10).status, ReadFileStatus::Ok);
    EXPECT_TRUE(file.bytes().empty());

    for (const std::size_t size : {std::size_t{64} << 10, (std::size_t{64} << 10) + 1}) {
        std::vector<std::uint8_t> bytes(size);
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
        const std::string large = folder.file("large.bmp");
        test::writeBytes(large, bytes);
        ASSERT_EQ(file.open(large, size).status, ReadFileStatus::Ok) << size;
        EXPECT_TRUE(
            std::equal(bytes.begin(), bytes.end(), file.bytes().begin(), file.bytes().end()))
            << size;
        EXPECT_FALSE(file.damaged());
    }
}

TEST(MappedFile, RefusesWhatIsNoRegularFileWithoutWaitingForIt) {
    test::TempDir folder;
    const std::string fifo = folder.file("fifo.png");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    MappedFile file;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(file.open(fifo, 100).status, ReadFileStatus::NotAFile); // no writer: would block
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(file.open(folder.path().string(), 100).status, ReadFileStatus::NotAFile);
    const ReadFileOutcome missing = file.open(folder.file("missing.png"), 100);
    EXPECT_EQ(missing.status, ReadFileStatus::CannotOpen);
    EXPECT_EQ(missing.errorNumber, ENOENT);
}

TEST(MappedFile, AFileThatShrinksWhileMappedReadsAsZerosAndIsMarkedDamaged) {
    test::TempDir folder;
    const std::string path = folder.file("shrinking.bmp");
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    // Large enough to be mapped rather than read.
    const std::size_t pages = (std::size_t{128} << 10) / page;
    test::writeBytes(path, std::vector<std::uint8_t>(pages * page, 7));
    MappedFile file;
    ASSERT_EQ(file.open(path, pages * page).status, ReadFileStatus::Ok);
    EXPECT_EQ(file.bytes()[0], 7);
    ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(page)), 0);
    // Past the new end: without the guard this read ends the program.
    const volatile std::uint8_t* bytes = file.bytes().data();
    EXPECT_EQ(bytes[(pages - 1) * page + 5], 0);
    EXPECT_TRUE(file.damaged());
    EXPECT_EQ(bytes[5], 7); // what is still there reads as before
}

} // namespace
} // namespace varnelo
