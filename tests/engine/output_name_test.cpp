#include "engine/output_name.h"

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace varnelo {
namespace {

void touch(const std::string& path) {
    std::ofstream(path) << "x";
}

TEST(OutputNameExtension, IsTakenFromTheFileNameOnly) {
    EXPECT_EQ(fileExtension("/pics/cat.tar.gz"), ".gz");
    EXPECT_EQ(fileExtension("my.pics/cat"), "");
}

class OutputName : public ::testing::Test {
protected:
    test::TempDir dir_;
    std::string base_ = dir_.file("cat.jpg");
};

TEST_F(OutputName, ReplacesTheExtensionWhileTheNameIsFree) {
    EXPECT_EQ(uniqueOutputName(dir_.file("cat"), ".rtf"), dir_.file("cat.rtf"));
    touch(base_);
    EXPECT_EQ(uniqueOutputName(base_, ".html"), dir_.file("cat.html"));
    // Converting a picture to its own type must not replace it.
    EXPECT_EQ(uniqueOutputName(base_, ".jpg"), dir_.file("cat1.jpg"));
}

TEST_F(OutputName, NumbersTakenNamesInDecimal) {
    touch(dir_.file("cat.html"));
    EXPECT_EQ(uniqueOutputName(base_, ".html"), dir_.file("cat1.html"));
    for (int i = 1; i <= 9; ++i)
        touch(dir_.file("cat" + std::to_string(i) + ".html"));
    EXPECT_EQ(uniqueOutputName(base_, ".html"), dir_.file("cat10.html"));
}

// A folder could not be written, a dangling link would be written through.
TEST_F(OutputName, AFolderAndADanglingLinkTakeTheName) {
    std::filesystem::create_directory(dir_.file("cat.html"));
    EXPECT_EQ(uniqueOutputName(base_, ".html"), dir_.file("cat1.html"));
    std::filesystem::create_symlink(dir_.file("nowhere"), dir_.file("cat.rtf"));
    EXPECT_EQ(uniqueOutputName(base_, ".rtf"), dir_.file("cat1.rtf"));
}

// A name as long as a file system takes leaves no room for a longer
// extension or a number: its stem is cut, never inside a character.
TEST_F(OutputName, ANameNeverGrowsPastWhatAFileSystemTakes) {
    const std::string longest(251, 'a');
    const std::string picture = dir_.file(longest + ".png");
    touch(picture);
    const std::string proposed = uniqueOutputName(picture, ".html");
    EXPECT_EQ(proposed, dir_.file(longest.substr(0, 250) + ".html"));
    touch(proposed);
    EXPECT_EQ(uniqueOutputName(picture, ".html"), dir_.file(longest.substr(0, 249) + "1.html"));
    // Two-byte characters (é) and a cut that would fall inside one.
    std::string accented;
    for (int i = 0; i < 125; ++i)
        accented += "\xC3\xA9";
    const std::string cut = uniqueOutputName(dir_.file("x" + accented + ".jpg"), ".html");
    EXPECT_EQ(cut, dir_.file("x" + accented.substr(0, 248) + ".html"));
}

TEST_F(OutputName, ADotInAFolderNameStaysInTheFolder) {
    const std::filesystem::path folder = dir_.path() / "my.pics";
    std::filesystem::create_directory(folder);
    const std::string picture = (folder / "cat").string();
    EXPECT_EQ(uniqueOutputName(picture, ".html"), picture + ".html");
    touch(picture + ".html");
    EXPECT_EQ(uniqueOutputName(picture, ".html"), picture + "1.html");
}

TEST(OutputNameRelative, KeepsAPathWithoutFolderAsItIs) {
    EXPECT_EQ(uniqueOutputName("varnelo-no-such-picture.jpg", ".html"),
              "varnelo-no-such-picture.html");
    EXPECT_EQ(uniqueOutputName("sub/varnelo-no-such-picture.png", ".rtf"),
              "sub/varnelo-no-such-picture.rtf");
}

} // namespace
} // namespace varnelo
