#include "reading/codecs/heif_decoder.h"

#include "base/work_bitmap.h"
#include "reading/conversion_load.h"
#include "reading/picture_loader.h"
#include "tests/support/conversion_loads.h"
#include "tests/support/heif_samples.h"
#include "tests/support/picture_files.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string_view>

#include <atomic>
#include <cstdlib>

namespace varnelo {
namespace {

DecodeStatus decode(const std::vector<std::uint8_t>& file, WorkBitmap& picture,
                    ConversionLoad* conversion = nullptr, DecodeCancel cancel = nullptr) {
    return decodeHeif(FileBytes(file.data(), file.size()), picture, cancel, conversion);
}

// HEVC stores YUV: colours come back within a few steps.
void expectNear(Rgb actual, Rgb expected) {
    EXPECT_NEAR(redOf(actual), redOf(expected), 6);
    EXPECT_NEAR(greenOf(actual), greenOf(expected), 6);
    EXPECT_NEAR(blueOf(actual), blueOf(expected), 6);
}

Rgb quarters(int x, int y) {
    return x < 16 ? (y < 12 ? makeRgb(200, 40, 40) : makeRgb(40, 200, 40))
                  : (y < 12 ? makeRgb(40, 40, 200) : makeRgb(220, 220, 220));
}

TEST(HeifDecoder, APictureGivesItsColours) {
    const std::vector<std::uint8_t> file = test::encodeHeif(32, 24, quarters);
    WorkBitmap picture;
    ASSERT_EQ(decode(file, picture), DecodeStatus::Ok);
    ASSERT_EQ(picture.width(), 32);
    ASSERT_EQ(picture.height(), 24);
    EXPECT_EQ(picture.depth(), PixelDepth::Bits24);
    for (const auto& [x, y] : {std::pair{3, 3}, {28, 3}, {3, 20}, {28, 20}})
        expectNear(picture.pixelColor(x, y), quarters(x, y));

    ConversionLoad conversion = test::loadTo({4, 3});
    ASSERT_EQ(decode(file, picture, &conversion), DecodeStatus::Ok);
    EXPECT_EQ(picture.width(), 4);
    EXPECT_EQ(conversion.facts.width, 32);
    expectNear(picture.pixelColor(0, 0), quarters(0, 0));
}

TEST(HeifDecoder, ItsRotationTurnsItUprightUnlessKeptAsStored) {
    const std::vector<std::uint8_t> file = test::encodeHeif(32, 24, quarters, 6);
    const test::TempDir folder;
    const std::string path = folder.file("IMG_0001.HEIC");
    test::writeBytes(path, file);
    WorkBitmap picture;
    const LoadOutcome outcome = loadPicture(path, picture);
    ASSERT_EQ(outcome.status, LoadStatus::Loaded);
    EXPECT_EQ(outcome.type, PictureType::Heif);
    EXPECT_EQ(picture.width(), 24);
    EXPECT_EQ(picture.height(), 32);
    // Turned clockwise: the stored top-left quarter shows top right.
    expectNear(picture.pixelColor(20, 3), quarters(0, 0));

    ConversionLoad asStored = test::loadTo({32, 24});
    asStored.autoOrient = false;
    ASSERT_EQ(loadPicture(path, picture, nullptr, &asStored).status, LoadStatus::Loaded);
    EXPECT_EQ(picture.width(), 32);
    expectNear(picture.pixelColor(3, 3), quarters(0, 0));
}

// A picture whose boxes give it no size at all is broken, not too large.
TEST(HeifDecoder, APictureOfNoSizeIsCorrupt) {
    std::vector<std::uint8_t> file = test::encodeHeif(8, 8, quarters);
    const std::string_view ispe = "ispe";
    for (auto at = std::search(file.begin(), file.end(), ispe.begin(), ispe.end());
         at != file.end(); at = std::search(at + 1, file.end(), ispe.begin(), ispe.end()))
        std::fill(at + 8, at + 16, 0); // after the box's version and flags
    WorkBitmap picture;
    EXPECT_EQ(decode(file, picture), DecodeStatus::Corrupt);
}

TEST(HeifDecoder, ACancelStopsIt) {
    const std::vector<std::uint8_t> file = test::encodeHeif(16, 16, quarters);
    const std::atomic<bool> cancel{true};
    WorkBitmap picture;
    EXPECT_EQ(decode(file, picture, nullptr, &cancel), DecodeStatus::Cancelled);
    EXPECT_TRUE(picture.isEmpty());
}

TEST(HeifBadFiles, FailCleanlyOrDecodeSafely) {
    const std::vector<std::uint8_t> good = test::encodeHeif(8, 8, quarters);
    WorkBitmap start;
    ASSERT_EQ(decode(good, start), DecodeStatus::Ok);
    test::checkBadFiles(
        test::badHeifSamples(), ".heic",
        [](FileBytes file, WorkBitmap& picture) {
            return decodeHeif(file, picture, nullptr, nullptr);
        },
        start);
}

// A grid's size is its own, not the one the picture states: libheif is held
// to sides within the picture limit, so this one, 61689 × 3072 pixels
// stated as 16 × 12, is refused before libheif allocates a third of a
// gigabyte for it.
TEST(HeifBadFiles, AGridLargerThanThePictureSaysIsRefused) {
    const std::vector<std::uint8_t> file = test::readBytes(
        (test::badFilesFolder() / "heif-grid-61689-wide-stated-16-wide.heic").string());
    WorkBitmap picture;
    EXPECT_EQ(decode(file, picture), DecodeStatus::TooLarge);
    EXPECT_TRUE(picture.isEmpty());
}

TEST(HeifBadFiles, DISABLED_WriteFolder) {
    test::writeBadFiles(test::badHeifSamples());
}

} // namespace
} // namespace varnelo
