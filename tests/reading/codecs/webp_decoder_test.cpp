#include "reading/codecs/webp_decoder.h"

#include "base/work_bitmap.h"
#include "reading/conversion_load.h"
#include "reading/picture_loader.h"
#include "tests/support/conversion_loads.h"
#include "tests/support/exif_samples.h"
#include "tests/support/picture_files.h"
#include "tests/support/temp_dir.h"
#include "tests/support/webp_samples.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>

namespace varnelo {
namespace {

DecodeStatus decode(const std::vector<std::uint8_t>& file, WorkBitmap& picture,
                    ConversionLoad* conversion = nullptr, DecodeCancel cancel = nullptr) {
    return decodeWebp(FileBytes(file.data(), file.size()), picture, cancel, conversion);
}

TEST(WebpDecoder, ALosslessPictureGivesEveryStoredColourIn24Bits) {
    const std::vector<std::uint8_t> file = test::encodeWebp(37, 23, test::noise);
    WorkBitmap picture;
    ASSERT_EQ(decode(file, picture), DecodeStatus::Ok);
    ASSERT_EQ(picture.width(), 37);
    ASSERT_EQ(picture.height(), 23);
    EXPECT_EQ(picture.depth(), PixelDepth::Bits24);
    for (int y = 0; y < 23; ++y) {
        for (int x = 0; x < 37; ++x)
            ASSERT_EQ(picture.pixelColor(x, y), test::noise(x, y)) << x << "," << y;
    }
}

TEST(WebpDecoder, IsKnownByItsBytesWhateverItsName) {
    const test::TempDir folder;
    const std::string path = folder.file("photo.jpg");
    test::writeBytes(path, test::encodeWebp(4, 3, [](int, int) { return makeRgb(9, 8, 7); }));
    WorkBitmap picture;
    const LoadOutcome outcome = loadPicture(path, picture);
    EXPECT_EQ(outcome.status, LoadStatus::Loaded);
    EXPECT_EQ(outcome.type, PictureType::Webp);
    EXPECT_EQ(picture.pixelColor(3, 2), makeRgb(9, 8, 7));
    EXPECT_EQ(pictureTypeOf("a.WEBP"), PictureType::Webp);
}

// A conversion that shrinks the picture has libwebp decode it at that size:
// a flat colour stays that colour, and the facts are the picture's own.
TEST(WebpDecoder, AShrinkingConversionGetsThePictureAtItsSize) {
    const std::vector<std::uint8_t> file = test::encodeWebp(
        400, 300, [](int x, int) { return x < 200 ? makeRgb(200, 0, 0) : makeRgb(0, 0, 200); });
    ConversionLoad conversion = test::loadTo({40, 30});
    WorkBitmap picture;
    ASSERT_EQ(decode(file, picture, &conversion), DecodeStatus::Ok);
    EXPECT_EQ(picture.width(), 40);
    EXPECT_EQ(picture.height(), 30);
    EXPECT_EQ(picture.pixelColor(5, 15), makeRgb(200, 0, 0));
    EXPECT_EQ(picture.pixelColor(35, 15), makeRgb(0, 0, 200));
    EXPECT_EQ(conversion.facts.width, 400);
    EXPECT_EQ(conversion.facts.height, 300);
    EXPECT_EQ(conversion.facts.topLeft, makeRgb(200, 0, 0));

    // Enlarging goes through the program's own resizer, as for every type.
    ConversionLoad larger = test::loadTo({800, 600});
    ASSERT_EQ(decode(file, picture, &larger), DecodeStatus::Ok);
    EXPECT_EQ(picture.width(), 800);
}

TEST(WebpDecoder, TheFirstFrameOfAnAnimationOnItsCanvas) {
    const auto flat = [](Rgb colour) {
        return test::encodeWebp(4, 4, [colour](int, int) { return colour; });
    };
    const std::vector<std::uint8_t> file = test::encodeAnimatedWebp(
        10, 8, {{2, 2, flat(makeRgb(255, 0, 0))}, {0, 0, flat(makeRgb(0, 255, 0))}});
    WorkBitmap picture;
    ASSERT_EQ(decode(file, picture), DecodeStatus::Ok);
    ASSERT_EQ(picture.width(), 10);
    ASSERT_EQ(picture.height(), 8);
    EXPECT_EQ(picture.pixelColor(3, 3), makeRgb(255, 0, 0));
    EXPECT_NE(picture.pixelColor(0, 0), makeRgb(0, 255, 0)); // the second frame is not shown

    ConversionLoad conversion = test::loadTo({5, 4});
    ASSERT_EQ(decode(file, picture, &conversion), DecodeStatus::Ok);
    EXPECT_EQ(picture.width(), 5);
    EXPECT_EQ(conversion.facts.width, 10);
}

TEST(WebpDecoder, AnExifOrientationTurnsItUpright) {
    const std::vector<std::uint8_t> file = test::withWebpExif(
        test::encodeWebp(6, 4,
                         [](int x, int y) { return x == 0 && y == 0 ? makeRgb(255, 0, 0) : 0; }),
        test::exifWithOrientation(6));
    const test::TempDir folder;
    const std::string path = folder.file("turned.webp");
    test::writeBytes(path, file);
    WorkBitmap picture;
    ASSERT_EQ(loadPicture(path, picture).status, LoadStatus::Loaded);
    EXPECT_EQ(picture.width(), 4);
    EXPECT_EQ(picture.height(), 6);
    EXPECT_EQ(picture.pixelColor(3, 0), makeRgb(255, 0, 0)); // turned clockwise
}

TEST(WebpDecoder, ACutOrBrokenFileGivesNoPicture) {
    const std::vector<std::uint8_t> whole = test::encodeWebp(64, 64, test::noise, false);
    WorkBitmap picture;
    const std::vector<std::uint8_t> cut(whole.begin(),
                                        whole.begin() + static_cast<long>(whole.size() / 2));
    EXPECT_EQ(decode(cut, picture), DecodeStatus::Truncated);
    EXPECT_TRUE(picture.isEmpty());

    // A key frame's start code broken: VP8 finds no picture in it.
    std::vector<std::uint8_t> broken = whole;
    const std::vector<std::uint8_t> startCode = {0x9D, 0x01, 0x2A};
    const auto at = std::search(broken.begin(), broken.end(), startCode.begin(), startCode.end());
    ASSERT_NE(at, broken.end());
    *at = 0x9C;
    EXPECT_NE(decode(broken, picture), DecodeStatus::Ok);
    EXPECT_TRUE(picture.isEmpty());

    const std::vector<std::uint8_t> notWebp = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    EXPECT_EQ(decode(notWebp, picture), DecodeStatus::WrongFormat);
}

TEST(WebpDecoder, ACancelStopsIt) {
    const std::vector<std::uint8_t> file = test::encodeWebp(300, 300, test::noise, false);
    const std::atomic<bool> cancel{true};
    WorkBitmap picture;
    EXPECT_EQ(decode(file, picture, nullptr, &cancel), DecodeStatus::Cancelled);
    EXPECT_TRUE(picture.isEmpty());
}

TEST(WebpBadFiles, FailCleanlyOrDecodeSafely) {
    const std::vector<std::uint8_t> good = test::encodeWebp(3, 2, test::noise);
    WorkBitmap start;
    ASSERT_EQ(decode(good, start), DecodeStatus::Ok);
    test::checkBadFiles(
        test::badWebpSamples(), ".webp",
        [](FileBytes file, WorkBitmap& picture) {
            return decodeWebp(file, picture, nullptr, nullptr);
        },
        start);
}

TEST(WebpBadFiles, FailCleanlyOrDecodeSafelyWhenShrunkWhileDecoding) {
    test::checkBadFiles(test::badWebpSamples(), ".webp", [](FileBytes file, WorkBitmap& picture) {
        ConversionLoad conversion = test::loadShrunkBy(3, 2);
        return decodeWebp(file, picture, nullptr, &conversion);
    });
}

TEST(WebpBadFiles, DISABLED_WriteFolder) {
    test::writeBadFiles(test::badWebpSamples());
}

} // namespace
} // namespace varnelo
