#include "reading/codecs/exif_orientation.h"

#include "tests/support/exif_samples.h"
#include "tests/support/jpeg_samples.h"
#include "tests/support/png_samples.h"

#include <gtest/gtest.h>

#include <vector>

namespace varnelo {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ExifOrientation, ReadsTheTagInEitherByteOrder) {
    for (int value = 1; value <= 8; ++value) {
        for (const bool big : {false, true}) {
            EXPECT_EQ(exifOrientation(test::exifWithOrientation(value, big)),
                      static_cast<Orientation>(value))
                << value << (big ? " MM" : " II");
        }
    }
    EXPECT_EQ(exifOrientation(test::exifWithOrientation(0)), Orientation::Upright);
    EXPECT_EQ(exifOrientation(test::exifWithOrientation(9)), Orientation::Upright);
}

// Every cut and every wrong offset ends in Upright, never outside the data.
TEST(ExifOrientation, MalformedDataIsUpright) {
    const Bytes whole = test::exifWithOrientation(6);
    for (std::size_t size = 0; size < whole.size(); ++size) {
        const Bytes cut(whole.begin(), whole.begin() + static_cast<long>(size));
        // The tag's entry is whole from 34 bytes on.
        EXPECT_EQ(exifOrientation(cut),
                  size >= 34 ? Orientation::RotatedClockwise : Orientation::Upright)
            << size;
    }
    Bytes farDirectory = whole;
    farDirectory[4] = 0xF0; // the first directory far past the end
    EXPECT_EQ(exifOrientation(farDirectory), Orientation::Upright);
    Bytes manyEntries(whole.begin(), whole.begin() + 22);
    manyEntries[8] = 0xFF; // 65535 entries claimed, one there: none read past the end
    manyEntries[9] = 0xFF;
    EXPECT_EQ(exifOrientation(manyEntries), Orientation::Upright);
    Bytes longType = whole;
    longType[24] = 4; // the orientation as LONG, which EXIF does not allow
    EXPECT_EQ(exifOrientation(longType), Orientation::Upright);
    Bytes noMagic = whole;
    noMagic[2] = 43;
    EXPECT_EQ(exifOrientation(noMagic), Orientation::Upright);
}

TEST(ExifOrientation, FoundInAJpegSegmentBeforeTheFirstScan) {
    const Bytes jpeg = test::encodeJpeg(2, 2, 1, {0, 50, 100, 150});
    EXPECT_EQ(jpegOrientation(jpeg), Orientation::Upright);
    const Bytes rotated = test::withExifSegment(jpeg, test::exifWithOrientation(6, true));
    EXPECT_EQ(jpegOrientation(rotated), Orientation::RotatedClockwise);
    // An APP1 that is not EXIF (XMP, say) says nothing.
    Bytes xmp = rotated;
    xmp[4] = 'X';
    EXPECT_EQ(jpegOrientation(xmp), Orientation::Upright);
    // A segment length past the end stops the search.
    Bytes cut(rotated.begin(), rotated.begin() + 20);
    EXPECT_EQ(jpegOrientation(cut), Orientation::Upright);
}

TEST(ExifOrientation, FoundInAPngChunkBeforeTheImageData) {
    const Bytes png = test::encodePng({.width = 1, .height = 1, .colorType = 0, .samples = {7}});
    EXPECT_EQ(pngOrientation(png), Orientation::Upright);
    EXPECT_EQ(pngOrientation(test::withExifChunk(png, test::exifWithOrientation(8))),
              Orientation::RotatedAnticlockwise);
    Bytes lying = test::withExifChunk(png, test::exifWithOrientation(8));
    lying[8] = 0x7F; // the first chunk claims more than the file holds
    EXPECT_EQ(pngOrientation(lying), Orientation::Upright);
}

} // namespace
} // namespace varnelo
