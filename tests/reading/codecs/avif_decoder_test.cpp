#include "reading/codecs/avif_decoder.h"

#include "base/work_bitmap.h"
#include "reading/conversion_load.h"
#include "reading/picture_loader.h"
#include "tests/support/avif_samples.h"
#include "tests/support/conversion_loads.h"
#include "tests/support/picture_files.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>

namespace varnelo {
namespace {

DecodeStatus decode(const std::vector<std::uint8_t>& file, WorkBitmap& picture,
                    ConversionLoad* conversion = nullptr, DecodeCancel cancel = nullptr) {
    return decodeAvif(FileBytes(file.data(), file.size()), picture, cancel, conversion);
}

TEST(AvifDecoder, ALosslessPictureGivesEveryStoredColour) {
    const std::vector<std::uint8_t> file = test::encodeAvif(29, 13, test::noise);
    WorkBitmap picture;
    ASSERT_EQ(decode(file, picture), DecodeStatus::Ok);
    ASSERT_EQ(picture.width(), 29);
    ASSERT_EQ(picture.height(), 13);
    EXPECT_EQ(picture.depth(), PixelDepth::Bits24);
    for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 29; ++x)
            ASSERT_EQ(picture.pixelColor(x, y), test::noise(x, y)) << x << "," << y;

    ConversionLoad conversion = test::loadTo({10, 5});
    ASSERT_EQ(decode(file, picture, &conversion), DecodeStatus::Ok);
    EXPECT_EQ(picture.width(), 10);
    EXPECT_EQ(conversion.facts.width, 29);
    EXPECT_EQ(conversion.facts.topLeft, test::noise(0, 0));
}

// Its colours go to the resizer a band of rows at a time, the last band
// shorter and odd: what loading it whole and resizing gives.
TEST(AvifDecoder, AConversionStreamsLikeLoadingWholeThenResizing) {
    const std::vector<std::uint8_t> file = test::encodeAvif(50, 37, test::noise);
    WorkBitmap whole;
    ASSERT_EQ(decode(file, whole), DecodeStatus::Ok);
    ConversionLoad conversion = test::loadTo({17, 11});
    WorkBitmap streamed;
    ASSERT_EQ(decode(file, streamed, &conversion), DecodeStatus::Ok);
    EXPECT_EQ(conversion.facts.height, 37);
    whole = test::resizedCopy(whole, {17, 11});
    ASSERT_EQ(streamed.width(), 17);
    ASSERT_EQ(streamed.height(), 11);
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 17; ++x)
            ASSERT_EQ(streamed.pixelColor(x, y), whole.pixelColor(x, y)) << x << "," << y;
}

// HEIF's quarter turns anti-clockwise, then its mirror, as EXIF numbers them.
TEST(AvifDecoder, RotationAndMirrorMakeTheOrientation) {
    EXPECT_EQ(heifTransformOrientation(0, -1), Orientation::Upright);
    EXPECT_EQ(heifTransformOrientation(0, 1), Orientation::MirroredLeftRight);
    EXPECT_EQ(heifTransformOrientation(0, 0), Orientation::MirroredTopBottom);
    EXPECT_EQ(heifTransformOrientation(1, -1), Orientation::RotatedAnticlockwise);
    EXPECT_EQ(heifTransformOrientation(2, -1), Orientation::Rotated180);
    EXPECT_EQ(heifTransformOrientation(3, -1), Orientation::RotatedClockwise);
    EXPECT_EQ(heifTransformOrientation(2, 1), Orientation::MirroredTopBottom);
    EXPECT_EQ(heifTransformOrientation(1, 0), Orientation::Transposed);
    EXPECT_EQ(heifTransformOrientation(1, 1), Orientation::Transversed);
    EXPECT_EQ(heifTransformOrientation(3, 1), Orientation::Transposed);
}

TEST(AvifDecoder, ItsRotationTurnsItUpright) {
    // A quarter turn anti-clockwise: the top-left pixel shows bottom left.
    const std::vector<std::uint8_t> file = test::encodeAvif(
        6, 4, [](int x, int y) { return x == 0 && y == 0 ? makeRgb(255, 255, 255) : Rgb{0}; }, 1);
    EXPECT_EQ(avifOrientation(FileBytes(file.data(), file.size())),
              Orientation::RotatedAnticlockwise);
    const test::TempDir folder;
    const std::string path = folder.file("photo");
    test::writeBytes(path, file);
    WorkBitmap picture;
    const LoadOutcome outcome = loadPicture(path, picture);
    ASSERT_EQ(outcome.status, LoadStatus::Loaded);
    EXPECT_EQ(outcome.type, PictureType::Avif);
    EXPECT_EQ(picture.width(), 4);
    EXPECT_EQ(picture.height(), 6);
    EXPECT_EQ(picture.pixelColor(0, 5), makeRgb(255, 255, 255));
}

TEST(AvifDecoder, ACancelStopsIt) {
    const std::vector<std::uint8_t> file = test::encodeAvif(8, 8, test::noise);
    const std::atomic<bool> cancel{true};
    WorkBitmap picture;
    EXPECT_EQ(decode(file, picture, nullptr, &cancel), DecodeStatus::Cancelled);
    EXPECT_TRUE(picture.isEmpty());
}

TEST(AvifBadFiles, FailCleanlyOrDecodeSafely) {
    const std::vector<std::uint8_t> good = test::encodeAvif(3, 2, test::noise);
    WorkBitmap start;
    ASSERT_EQ(decode(good, start), DecodeStatus::Ok);
    test::checkBadFiles(
        test::badAvifSamples(), ".avif",
        [](FileBytes file, WorkBitmap& picture) {
            return decodeAvif(file, picture, nullptr, nullptr);
        },
        start);
}

TEST(AvifBadFiles, DISABLED_WriteFolder) {
    test::writeBadFiles(test::badAvifSamples());
}

} // namespace
} // namespace varnelo
