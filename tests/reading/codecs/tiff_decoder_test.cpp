#include "reading/codecs/tiff_decoder.h"

#include "base/work_bitmap.h"
#include "reading/conversion_load.h"
#include "reading/picture_loader.h"
#include "tests/support/conversion_loads.h"
#include "tests/support/picture_files.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tiff_samples.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <random>

#include <tiffio.h>

namespace varnelo {
namespace {

using Colours = test::TiffLayout::Colours;

DecodeStatus decode(const std::vector<std::uint8_t>& file, WorkBitmap& picture,
                    ConversionLoad* conversion = nullptr, DecodeCancel cancel = nullptr) {
    return decodeTiff(FileBytes(file.data(), file.size()), picture, cancel, conversion);
}

Rgb grey(Rgb color) {
    return makeRgb(greenOf(color), greenOf(color), greenOf(color));
}

// Few colours, so that a palette holds them.
Rgb fewColours(int x, int y) {
    return makeRgb(static_cast<std::uint32_t>(x % 4) * 60, static_cast<std::uint32_t>(y % 4) * 60,
                   200);
}

// Every colour model, depth and layout gives the stored colours, in the
// depth the window shows: grey 8, CMYK 32, the rest 24 bits.
TEST(TiffDecoder, EveryLayoutGivesItsColours) {
    struct Case {
        const char* name;
        test::TiffLayout layout;
        PixelDepth depth;
        Rgb (*expected)(Rgb);
    };
    const auto same = [](Rgb color) { return color; };
    const std::vector<Case> cases = {
        {"rgb strips", {}, PixelDepth::Bits24, same},
        {"rgb in one strip", {Colours::Rgb, 8, false, 19, true, 1}, PixelDepth::Bits24, same},
        {"rgb tiles deflate", {Colours::Rgb, 8, true, 4, true, 1}, PixelDepth::Bits24, same},
        {"rgb 16 bits", {Colours::Rgb, 16, false, 3, false, 1}, PixelDepth::Bits24, same},
        {"rgb and alpha", {Colours::RgbAlpha, 8, false, 5, false, 1}, PixelDepth::Bits24, same},
        {"grey", {Colours::Grey, 8, false, 2, true, 1}, PixelDepth::Bits8, grey},
        {"grey 16 bits tiles", {Colours::Grey, 16, true, 1, false, 1}, PixelDepth::Bits8, grey},
        {"palette", {Colours::Palette, 8, false, 7, false, 1}, PixelDepth::Bits24, same},
        {"cmyk", {Colours::Cmyk, 8, false, 4, false, 1}, PixelDepth::Bits32, same},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::uint8_t> file = test::encodeTiff(21, 19, fewColours, c.layout);
        WorkBitmap picture;
        ASSERT_EQ(decode(file, picture), DecodeStatus::Ok);
        ASSERT_EQ(picture.width(), 21);
        ASSERT_EQ(picture.height(), 19);
        EXPECT_EQ(picture.depth(), c.depth);
        for (int y = 0; y < 19; ++y) {
            for (int x = 0; x < 21; ++x)
                ASSERT_EQ(picture.pixelColor(x, y), c.expected(fewColours(x, y))) << x << "," << y;
        }
    }
}

// A TIFF of random samples as the tags say, written by libtiff.
struct RawTiff {
    const char* name;
    std::uint16_t photometric;
    std::uint16_t bits;
    std::uint16_t samples;
    std::uint16_t planar = PLANARCONFIG_CONTIG;
    bool tiled = false;
    std::uint16_t compression = COMPRESSION_NONE;
};

std::vector<std::uint8_t> writeRawTiff(const RawTiff& kind, std::uint32_t width,
                                       std::uint32_t height) {
    const test::TempDir folder;
    const std::string path = folder.file("raw.tif");
    TIFF* tiff = TIFFOpen(path.c_str(), "w");
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, kind.bits);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, kind.samples);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, kind.planar);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, kind.photometric);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, kind.compression);
    std::mt19937 random(kind.bits * 31U + kind.samples);
    const int colours = kind.photometric == PHOTOMETRIC_RGB || kind.photometric == PHOTOMETRIC_YCBCR
                            ? 3
                        : kind.photometric == PHOTOMETRIC_SEPARATED ? 4
                                                                    : 1;
    if (kind.samples > colours) {
        const std::vector<std::uint16_t> extra(static_cast<std::size_t>(kind.samples - colours),
                                               EXTRASAMPLE_ASSOCALPHA);
        TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, extra.size(), extra.data());
    }
    if (kind.photometric == PHOTOMETRIC_PALETTE) {
        // Values of 16 bits: the map is taken by its high bytes.
        std::vector<std::uint16_t> map(3 * 256);
        for (std::uint16_t& value : map)
            value = static_cast<std::uint16_t>(random());
        TIFFSetField(tiff, TIFFTAG_COLORMAP, map.data(), map.data() + 256, map.data() + 512);
    }
    if (kind.compression == COMPRESSION_JPEG) {
        TIFFSetField(tiff, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
        TIFFSetField(tiff, TIFFTAG_YCBCRSUBSAMPLING, 2, 2);
    }
    if (kind.tiled) {
        TIFFSetField(tiff, TIFFTAG_TILEWIDTH, 16U);
        TIFFSetField(tiff, TIFFTAG_TILELENGTH, 16U);
    } else {
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, 16U);
    }
    const tmsize_t pieceBytes = kind.tiled ? TIFFTileSize(tiff) : TIFFStripSize(tiff);
    const std::uint32_t pieces = kind.tiled ? TIFFNumberOfTiles(tiff) : TIFFNumberOfStrips(tiff);
    const std::uint32_t stripsPerPlane = (height + 15) / 16;
    std::vector<std::uint8_t> data(static_cast<std::size_t>(pieceBytes));
    for (std::uint32_t piece = 0; piece < pieces; ++piece) {
        for (std::uint8_t& byte : data)
            byte = static_cast<std::uint8_t>(random());
        if (kind.tiled) {
            TIFFWriteEncodedTile(tiff, piece, data.data(), pieceBytes);
        } else {
            const std::uint32_t rows = std::min(16U, height - piece % stripsPerPlane * 16);
            TIFFWriteEncodedStrip(tiff, piece, data.data(), TIFFVStripSize(tiff, rows));
        }
    }
    TIFFClose(tiff);
    return test::readBytes(path);
}

// Every kind read a row, a strip or a tile at a time gives what libtiff's
// own RGBA reader gives, to the bit: grey as its green channel.
TEST(TiffDecoder, ReadsEveryKindAsLibtiffsRgbaReaderDoes) {
    const std::vector<RawTiff> kinds = {
        {"grey 1", PHOTOMETRIC_MINISBLACK, 1, 1},
        {"white is zero 2", PHOTOMETRIC_MINISWHITE, 2, 1},
        {"grey 4 tiles", PHOTOMETRIC_MINISBLACK, 4, 1, PLANARCONFIG_CONTIG, true},
        {"grey and alpha 8", PHOTOMETRIC_MINISBLACK, 8, 2},
        {"grey 16", PHOTOMETRIC_MINISBLACK, 16, 1},
        {"white is zero 16", PHOTOMETRIC_MINISWHITE, 16, 1},
        {"rgb 16", PHOTOMETRIC_RGB, 16, 3},
        {"rgba 16 tiles", PHOTOMETRIC_RGB, 16, 4, PLANARCONFIG_CONTIG, true},
        {"rgb planes", PHOTOMETRIC_RGB, 8, 3, PLANARCONFIG_SEPARATE},
        {"rgb 16 planes in tiles", PHOTOMETRIC_RGB, 16, 3, PLANARCONFIG_SEPARATE, true},
        {"palette 4", PHOTOMETRIC_PALETTE, 4, 1},
        {"palette 8 lzw", PHOTOMETRIC_PALETTE, 8, 1, PLANARCONFIG_CONTIG, false, COMPRESSION_LZW},
        {"cmyk", PHOTOMETRIC_SEPARATED, 8, 4},
        {"cmyk planes", PHOTOMETRIC_SEPARATED, 8, 4, PLANARCONFIG_SEPARATE},
        {"jpeg ycbcr", PHOTOMETRIC_YCBCR, 8, 3, PLANARCONFIG_CONTIG, false, COMPRESSION_JPEG},
        {"jpeg grey tiles", PHOTOMETRIC_MINISBLACK, 8, 1, PLANARCONFIG_CONTIG, true,
         COMPRESSION_JPEG},
    };
    constexpr std::uint32_t kWidth = 37;
    constexpr std::uint32_t kHeight = 35;
    for (const RawTiff& kind : kinds) {
        SCOPED_TRACE(kind.name);
        const std::vector<std::uint8_t> file = writeRawTiff(kind, kWidth, kHeight);
        WorkBitmap picture;
        ASSERT_EQ(decode(file, picture), DecodeStatus::Ok);
        const test::TempDir folder;
        test::writeBytes(folder.file("raw.tif"), file);
        TIFF* reference = TIFFOpen(folder.file("raw.tif").c_str(), "r");
        std::vector<std::uint32_t> rgba(kWidth * kHeight);
        ASSERT_EQ(TIFFReadRGBAImageOriented(reference, kWidth, kHeight, rgba.data(),
                                            ORIENTATION_TOPLEFT, 1),
                  1);
        TIFFClose(reference);
        const bool grey = picture.depth() == PixelDepth::Bits8;
        for (std::uint32_t y = 0; y < kHeight; ++y)
            for (std::uint32_t x = 0; x < kWidth; ++x) {
                const std::uint32_t pixel = rgba[y * kWidth + x];
                const Rgb expected =
                    grey ? makeRgb(TIFFGetG(pixel), TIFFGetG(pixel), TIFFGetG(pixel))
                         : makeRgb(TIFFGetR(pixel), TIFFGetG(pixel), TIFFGetB(pixel));
                ASSERT_EQ(picture.pixelColor(static_cast<int>(x), static_cast<int>(y)), expected)
                    << x << "," << y;
            }
    }
}

TEST(TiffDecoder, BlackAndWhiteIsGrey) {
    const auto stripes = [](int x, int) { return x % 2 == 0 ? makeRgb(255, 255, 255) : Rgb{0}; };
    const std::vector<std::uint8_t> file =
        test::encodeTiff(13, 3, stripes, {Colours::BlackAndWhite, 1, false, 3, false, 1});
    WorkBitmap picture;
    ASSERT_EQ(decode(file, picture), DecodeStatus::Ok);
    EXPECT_EQ(picture.pixelColor(0, 1), makeRgb(255, 255, 255));
    EXPECT_EQ(picture.pixelColor(1, 1), Rgb{0});
}

// Streamed into the resizer, a strip or a row of tiles at a time, it gives
// what loading it whole and resizing gives.
TEST(TiffDecoder, AConversionStreamsLikeLoadingWholeThenResizing) {
    for (const bool tiled : {false, true}) {
        test::TiffLayout layout;
        layout.tiled = tiled;
        const std::vector<std::uint8_t> file = test::encodeTiff(50, 37, test::noise, layout);
        WorkBitmap whole;
        ASSERT_EQ(decode(file, whole), DecodeStatus::Ok);
        ConversionLoad conversion = test::loadTo({17, 11});
        WorkBitmap streamed;
        ASSERT_EQ(decode(file, streamed, &conversion), DecodeStatus::Ok);
        EXPECT_EQ(conversion.facts.width, 50);
        EXPECT_EQ(conversion.facts.topLeft, test::noise(0, 0));
        whole = test::resizedCopy(whole, {17, 11});
        ASSERT_EQ(streamed.width(), 17);
        for (int y = 0; y < 11; ++y)
            for (int x = 0; x < 17; ++x)
                ASSERT_EQ(streamed.pixelColor(x, y), whole.pixelColor(x, y)) << tiled;
    }
}

TEST(TiffDecoder, TheOrientationTagTurnsItUpright) {
    test::TiffLayout layout;
    layout.orientation = 6;
    const std::vector<std::uint8_t> file = test::encodeTiff(
        6, 4, [](int x, int y) { return x == 0 && y == 0 ? makeRgb(255, 0, 0) : Rgb{0}; }, layout);
    EXPECT_EQ(tiffOrientation(FileBytes(file.data(), file.size())), Orientation::RotatedClockwise);
    const test::TempDir folder;
    const std::string path = folder.file("scan");
    test::writeBytes(path, file);
    WorkBitmap picture;
    const LoadOutcome outcome = loadPicture(path, picture);
    ASSERT_EQ(outcome.status, LoadStatus::Loaded);
    EXPECT_EQ(outcome.type, PictureType::Tiff);
    EXPECT_EQ(picture.width(), 4);
    EXPECT_EQ(picture.height(), 6);
    EXPECT_EQ(picture.pixelColor(3, 0), makeRgb(255, 0, 0));
}

TEST(TiffDecoder, ACancelStopsItBetweenStrips) {
    const std::vector<std::uint8_t> file = test::encodeTiff(64, 64, test::noise);
    const std::atomic<bool> cancel{true};
    WorkBitmap picture;
    EXPECT_EQ(decode(file, picture, nullptr, &cancel), DecodeStatus::Cancelled);
    EXPECT_TRUE(picture.isEmpty());
}

TEST(TiffBadFiles, FailCleanlyOrDecodeSafely) {
    const std::vector<std::uint8_t> good = test::encodeTiff(3, 2, test::noise);
    WorkBitmap start;
    ASSERT_EQ(decode(good, start), DecodeStatus::Ok);
    test::checkBadFiles(
        test::badTiffSamples(), ".tif",
        [](FileBytes file, WorkBitmap& picture) {
            return decodeTiff(file, picture, nullptr, nullptr);
        },
        start);
}

TEST(TiffBadFiles, FailCleanlyOrDecodeSafelyWhenShrunkWhileDecoding) {
    test::checkBadFiles(test::badTiffSamples(), ".tif", [](FileBytes file, WorkBitmap& picture) {
        ConversionLoad conversion = test::loadShrunkBy(3, 2);
        return decodeTiff(file, picture, nullptr, &conversion);
    });
}

TEST(TiffBadFiles, DISABLED_WriteFolder) {
    test::writeBadFiles(test::badTiffSamples());
}

} // namespace
} // namespace varnelo
