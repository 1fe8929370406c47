#include "engine/phrase_file.h"

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

namespace varnelo {
namespace {

class PhraseFile : public ::testing::Test {
protected:
    std::optional<ByteString> read(const ByteString& bytes) {
        const std::string path = dir_.file("phrase.txt");
        test::writeBytes(path, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
        return readPhraseFile(path);
    }
    test::TempDir dir_;
};

TEST_F(PhraseFile, JoinsLinesEndedByCarriageReturns) {
    EXPECT_EQ(read("ab\r\ncd\r\n"), "abcd");
    EXPECT_EQ(read("ab\rcd"), "abcd");
    // Only the one LF right after a CR belongs to the line break.
    EXPECT_EQ(read("ab\r\n\ncd"), "ab\ncd");
    EXPECT_EQ(read("ab\ncd"), "ab\ncd");
    EXPECT_EQ(read("ab\n\rcd"), "ab\ncd");
    EXPECT_EQ(read(ByteString("\xE9\0{", 3)), ByteString("\xE9\0{", 3));
}

TEST_F(PhraseFile, ReadsMoreThanOneChunk) {
    ByteString bytes;
    for (int i = 0; i < 50000; ++i)
        bytes += "xy\r\n";
    EXPECT_EQ(read(bytes)->size(), 100000u);
}

TEST_F(PhraseFile, GivesNothingForWhatCannotBeReadAndSaysWhy) {
    ReadFileOutcome outcome;
    EXPECT_EQ(readPhraseFile(dir_.file("missing.txt"), &outcome), std::nullopt);
    EXPECT_EQ(outcome.status, ReadFileStatus::CannotOpen);
    EXPECT_EQ(outcome.errorNumber, ENOENT);
    EXPECT_EQ(readPhraseFile(dir_.path().string(), &outcome), std::nullopt);
    EXPECT_EQ(outcome.status, ReadFileStatus::NotAFile);
    // Sparse: the size is there without the disk space.
    const std::string big = dir_.file("big.txt");
    test::writeBytes(big, {});
    std::filesystem::resize_file(big, kMaxPhraseFileBytes + 1);
    EXPECT_EQ(readPhraseFile(big, &outcome), std::nullopt);
    EXPECT_EQ(outcome.status, ReadFileStatus::TooLarge);
}

} // namespace
} // namespace varnelo
