#include "reading/codecs/picture_libraries.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>
#include <vector>

namespace varnelo {
namespace {

// The build puts the module where the programs look for it: the library
// folder beside their own.
TEST(PictureLibraries, TheModuleBesideTheProgramLoadsOnceForEveryThread) {
    const std::filesystem::path path = pictureLibrariesPath();
    EXPECT_EQ(path.filename(), "varnelo-pictures.so");
    EXPECT_TRUE(std::filesystem::exists(path)) << path;
    std::vector<const PictureLibraries*> seen(4, nullptr);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&seen, i] { seen[i] = pictureLibraries(); });
    for (std::thread& thread : threads)
        thread.join();
    ASSERT_NE(seen[0], nullptr) << pictureLibrariesProblem();
    for (const PictureLibraries* table : seen)
        EXPECT_EQ(table, seen[0]);
    EXPECT_EQ(seen[0]->version, kPictureLibrariesVersion);
    EXPECT_TRUE(pictureLibrariesProblem().empty());
    // Its decoders answer as the linked ones do.
    WorkBitmap picture;
    const std::uint8_t notAPicture[16] = {'n', 'o', 't'};
    EXPECT_EQ(seen[0]->webp(FileBytes(notAPicture), picture, nullptr, nullptr),
              DecodeStatus::WrongFormat);
    EXPECT_EQ(seen[0]->tiff(FileBytes(notAPicture), picture, nullptr, nullptr),
              DecodeStatus::WrongFormat);
}

} // namespace
} // namespace varnelo
