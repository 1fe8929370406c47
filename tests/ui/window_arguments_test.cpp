#include "ui/window_arguments.h"

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>

namespace varnelo {
namespace {

using Arguments = std::vector<std::string>;

TEST(WindowArguments, TakesOnePictureAsOpenWithGivesIt) {
    EXPECT_EQ(parseWindowArguments({}).action, WindowAction::OpenWindow);
    EXPECT_FALSE(parseWindowArguments({}).picture);
    const WindowArguments one = parseWindowArguments({"/home/me/Pictures/a photo.jpg"});
    EXPECT_EQ(one.action, WindowAction::OpenWindow);
    EXPECT_EQ(one.picture, "/home/me/Pictures/a photo.jpg");
    EXPECT_EQ(parseWindowArguments({"--", "-dash.png"}).picture, "-dash.png");
    EXPECT_EQ(parseWindowArguments({"a.png", "--help"}).action, WindowAction::ShowHelp);
    EXPECT_EQ(parseWindowArguments({"--bogus", "-h"}).action, WindowAction::ShowHelp);
    EXPECT_EQ(parseWindowArguments({"--version"}).action, WindowAction::ShowVersion);
    EXPECT_EQ(parseWindowArguments({"--", "--help"}).picture, "--help");

    const WindowArguments two = parseWindowArguments({"a.png", "b.png"});
    EXPECT_EQ(two.action, WindowAction::UsageError);
    EXPECT_EQ(two.error, "the window opens one picture at a time");
    EXPECT_EQ(parseWindowArguments({"--bogus"}).error, "unknown option '--bogus'");
    EXPECT_EQ(parseWindowArguments({"-"}).action, WindowAction::UsageError);
    EXPECT_NE(windowUsageText().find("Usage: varnelo [PICTURE]"), std::string::npos);
}

TEST(WindowArguments, APictureMustBeAFileAsTheOpenDialogAsks) {
    test::TempDir dir;
    const std::string picture = dir.file("a.png");
    std::ofstream(picture) << "x";
    EXPECT_FALSE(pictureArgumentProblem(picture));
    EXPECT_EQ(pictureArgumentProblem(dir.file("gone.png")), "No such file or directory");
    EXPECT_EQ(pictureArgumentProblem(dir.path().string()), "not a regular file");
}

} // namespace
} // namespace varnelo
