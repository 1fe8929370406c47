#include "reading/codecs/jxl_decoder.h"

#include "base/work_bitmap.h"
#include "reading/conversion_load.h"
#include "reading/picture_loader.h"
#include "tests/support/conversion_loads.h"
#include "tests/support/jxl_samples.h"
#include "tests/support/picture_files.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>

namespace varnelo {
namespace {

DecodeStatus decode(const std::vector<std::uint8_t>& file, WorkBitmap& picture,
                    ConversionLoad* conversion = nullptr, DecodeCancel cancel = nullptr) {
    return decodeJxl(FileBytes(file.data(), file.size()), picture, cancel, conversion);
}

TEST(JxlDecoder, ALosslessPictureGivesEveryStoredColour) {
    const std::vector<std::uint8_t> file = test::encodeJxl(300, 17, test::noise);
    WorkBitmap picture;
    ASSERT_EQ(decode(file, picture), DecodeStatus::Ok);
    ASSERT_EQ(picture.width(), 300);
    ASSERT_EQ(picture.height(), 17);
    EXPECT_EQ(picture.depth(), PixelDepth::Bits24);
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 300; ++x)
            ASSERT_EQ(picture.pixelColor(x, y), test::noise(x, y)) << x << "," << y;

    const std::vector<std::uint8_t> grey = test::encodeJxl(9, 5, test::noise, true);
    ASSERT_EQ(decode(grey, picture), DecodeStatus::Ok);
    EXPECT_EQ(picture.depth(), PixelDepth::Bits8);
    const std::uint8_t green = greenOf(test::noise(8, 4));
    EXPECT_EQ(picture.pixelColor(8, 4), makeRgb(green, green, green));
}

TEST(JxlDecoder, AConversionGetsItAtItsSizeAndTheFactsOfItsOwn) {
    const std::vector<std::uint8_t> file =
        test::encodeJxl(80, 60, [](int x, int) { return x < 40 ? makeRgb(10, 20, 30) : 0; });
    ConversionLoad conversion = test::loadTo({8, 6});
    WorkBitmap picture;
    ASSERT_EQ(decode(file, picture, &conversion), DecodeStatus::Ok);
    EXPECT_EQ(picture.width(), 8);
    EXPECT_EQ(picture.pixelColor(1, 1), makeRgb(10, 20, 30));
    EXPECT_EQ(conversion.facts.width, 80);
    EXPECT_EQ(conversion.facts.topLeft, makeRgb(10, 20, 30));
}

TEST(JxlDecoder, ItsOrientationTurnsItUpright) {
    const std::vector<std::uint8_t> file = test::encodeJxl(
        6, 4, [](int x, int y) { return x == 0 && y == 0 ? makeRgb(255, 0, 0) : Rgb{0}; }, false,
        6);
    EXPECT_EQ(jxlOrientation(FileBytes(file.data(), file.size())), Orientation::RotatedClockwise);
    const test::TempDir folder;
    const std::string path = folder.file("photo.png");
    test::writeBytes(path, file);
    WorkBitmap picture;
    const LoadOutcome outcome = loadPicture(path, picture);
    ASSERT_EQ(outcome.status, LoadStatus::Loaded);
    EXPECT_EQ(outcome.type, PictureType::Jxl);
    EXPECT_EQ(picture.width(), 4);
    EXPECT_EQ(picture.height(), 6);
    EXPECT_EQ(picture.pixelColor(3, 0), makeRgb(255, 0, 0));
}

TEST(JxlDecoder, ACancelStopsItBetweenPieces) {
    const std::vector<std::uint8_t> file = test::encodeJxl(400, 400, test::noise);
    ASSERT_GT(file.size(), std::size_t{64} << 10);
    const std::atomic<bool> cancel{true};
    WorkBitmap picture;
    EXPECT_EQ(decode(file, picture, nullptr, &cancel), DecodeStatus::Cancelled);
    EXPECT_TRUE(picture.isEmpty());
}

TEST(JxlBadFiles, FailCleanlyOrDecodeSafely) {
    const std::vector<std::uint8_t> good = test::encodeJxl(3, 2, test::noise);
    WorkBitmap start;
    ASSERT_EQ(decode(good, start), DecodeStatus::Ok);
    test::checkBadFiles(
        test::badJxlSamples(), ".jxl",
        [](FileBytes file, WorkBitmap& picture) {
            return decodeJxl(file, picture, nullptr, nullptr);
        },
        start);
}

TEST(JxlBadFiles, DISABLED_WriteFolder) {
    test::writeBadFiles(test::badJxlSamples());
}

} // namespace
} // namespace varnelo
