#include "base/work_bitmap.h"
#include "reading/picture_loader.h"
#include "tests/support/jpeg_samples.h"
#include "tests/support/png_samples.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <vector>

namespace varnelo {
namespace {

TEST(PictureTypeOf, TakesTheExtensionFromTheLastDotOfTheWholePath) {
    EXPECT_EQ(pictureTypeOf("photo.jpg"), PictureType::Jpeg);
    EXPECT_EQ(pictureTypeOf("photo.JPG"), PictureType::Jpeg);
    EXPECT_EQ(pictureTypeOf("/a/b/Shot.Png"), PictureType::Png);
    EXPECT_EQ(pictureTypeOf("x.gIf"), PictureType::Gif);
    EXPECT_EQ(pictureTypeOf("/home/me/my.bmp"), PictureType::Bmp);
    EXPECT_EQ(pictureTypeOf("photo.jpeg"), PictureType::Jpeg);
    EXPECT_EQ(pictureTypeOf("photo.JPE"), PictureType::Jpeg);
    EXPECT_EQ(pictureTypeOf("photo.tga"), PictureType::None);
    EXPECT_EQ(pictureTypeOf("photo"), PictureType::None);
    EXPECT_EQ(pictureTypeOf("photo.bmp.txt"), PictureType::None);
    EXPECT_EQ(pictureTypeOf(".bmp"), PictureType::Bmp);
    EXPECT_EQ(pictureTypeOf("photo.bmp "), PictureType::None);
    // Only A-Z are folded: a dotless capital I of another script is no "i".
    EXPECT_EQ(pictureTypeOf("photo.G\xC4\xB0"
                            "F"),
              PictureType::None);
}

TEST(PictureTypeOf, ADotInAFolderNameCountsWhenTheFileHasNone) {
    EXPECT_EQ(pictureTypeOf("/pictures/my.bmp/picture"), PictureType::Bmp);
    EXPECT_EQ(pictureTypeOf("my.JPG/sub/picture"), PictureType::Jpeg);
    EXPECT_EQ(pictureTypeOf("/pictures/my.bmp/picture.tga"), PictureType::None);
    EXPECT_EQ(pictureTypeOf("/pictures/my.bmpx/picture"), PictureType::None);
}

TEST(PictureTypeOf, TheExtensionItLooksAtEndsAtAFolderSeparator) {
    EXPECT_EQ(pictureExtensionOf("/a/Shot.PNG"), ".png");
    EXPECT_EQ(pictureExtensionOf("/pictures/my.Bmp/picture"), ".bmp");
    EXPECT_EQ(pictureExtensionOf("photo.jpeg"), ".jpeg");
    EXPECT_EQ(pictureExtensionOf("photo"), "");
    EXPECT_EQ(pictureTypeLabel(PictureType::Jpeg), "JPG");
    EXPECT_EQ(pictureTypeLabel(PictureType::None), "");
    for (const PictureTypeEntry& type : pictureTypes()) {
        for (const std::string_view extension : type.extensions)
            EXPECT_EQ(pictureTypeOf(std::string("x") + std::string(extension)), type.type);
        EXPECT_EQ(pictureTypeLabel(type.type), type.label);
    }
}

class LoadPicture : public ::testing::Test {
protected:
    LoadPicture() { EXPECT_TRUE(previous_.allocate(3, 2, PixelDepth::Bits24)); }
    test::TempDir folder_;
    WorkBitmap previous_;
};

TEST_F(LoadPicture, WhatIsNoPictureByBytesOrNameReadsNothingAndKeepsTheBitmap) {
    WorkBitmap bitmap = previous_;
    for (const char* name : {"a.tga", "noextension", "a.jfif"}) {
        test::writeBytes(folder_.file(name), {1, 2, 3});
        const LoadOutcome outcome = loadPicture(folder_.file(name), bitmap);
        EXPECT_EQ(outcome.status, LoadStatus::Ignored) << name;
        EXPECT_EQ(outcome.type, PictureType::None) << name;
        EXPECT_EQ(outcome.file.status, ReadFileStatus::Ok) << name;
        EXPECT_EQ(bitmap.width(), 3);
    }
    const LoadOutcome missing = loadPicture(folder_.file("missing"), bitmap);
    EXPECT_EQ(missing.status, LoadStatus::Ignored);
    EXPECT_EQ(missing.file.status, ReadFileStatus::CannotOpen);
    EXPECT_EQ(bitmap.width(), 3);
}

// The first bytes decide: names other tools accept load, and a picture
// under another type's name loads as what it is.
TEST_F(LoadPicture, ThePictureTypeComesFromTheBytesWhateverTheName) {
    const std::vector<std::uint8_t> jpeg =
        test::encodeJpeg(2, 1, 3, {255, 0, 0, 0, 0, 255}, {.quality = 100});
    const std::vector<std::uint8_t> png =
        test::encodePng({.width = 2, .height = 1, .colorType = 2, .samples = {9, 8, 7, 6, 5, 4}});
    struct Named {
        const char* name;
        const std::vector<std::uint8_t>& bytes;
        PictureType type;
    };
    for (const Named& file :
         {Named{"photo.jpeg", jpeg, PictureType::Jpeg}, Named{"photo.JPE", jpeg, PictureType::Jpeg},
          Named{"photo.jfif", jpeg, PictureType::Jpeg}, Named{"photo", jpeg, PictureType::Jpeg},
          Named{"photo.gif", jpeg, PictureType::Jpeg}, Named{"shot.jpg", png, PictureType::Png},
          Named{"SHOT.PNG", png, PictureType::Png}}) {
        test::writeBytes(folder_.file(file.name), file.bytes);
        WorkBitmap bitmap;
        const LoadOutcome outcome = loadPicture(folder_.file(file.name), bitmap);
        EXPECT_EQ(outcome.status, LoadStatus::Loaded) << file.name;
        EXPECT_EQ(outcome.type, file.type) << file.name;
        EXPECT_EQ(bitmap.width(), 2) << file.name;
    }
}

// A file of a picture's name whose bytes start like no picture is handed
// to that name's decoder, which tells what is wrong, as before.
TEST_F(LoadPicture, BytesOfNoPictureUnderAPictureNameFailAsThatType) {
    test::writeBytes(folder_.file("a.jpeg"), {0xFF, 0xD8});
    WorkBitmap bitmap = previous_;
    const LoadOutcome jpeg = loadPicture(folder_.file("a.jpeg"), bitmap);
    EXPECT_EQ(jpeg.status, LoadStatus::Failed);
    EXPECT_EQ(jpeg.type, PictureType::Jpeg);
    EXPECT_TRUE(bitmap.isEmpty());
    test::writeBytes(folder_.file("a.png"), {'t', 'e', 'x', 't'});
    bitmap = previous_;
    EXPECT_EQ(loadPicture(folder_.file("a.png"), bitmap).status, LoadStatus::PngFailed);
    EXPECT_EQ(bitmap.width(), 3);
}

TEST_F(LoadPicture, BrokenBmpJpegAndGifLeaveAnEmptyBitmap) {
    for (const char* name : {"broken.bmp", "broken.jpg", "broken.GIF"}) {
        test::writeBytes(folder_.file(name), {'n', 'o', 'p', 'e'});
        WorkBitmap bitmap = previous_;
        const LoadOutcome outcome = loadPicture(folder_.file(name), bitmap);
        EXPECT_EQ(outcome.status, LoadStatus::Failed) << name;
        EXPECT_EQ(outcome.file.status, ReadFileStatus::Ok) << name;
        EXPECT_NE(outcome.detail, DecodeStatus::Ok) << name; // the decoder says why
        EXPECT_TRUE(bitmap.isEmpty()) << name;
    }
}

TEST_F(LoadPicture, ABrokenPngIsReportedAndKeepsTheBitmap) {
    test::writeBytes(folder_.file("broken.png"), {0x89, 'P', 'N', 'G'});
    WorkBitmap bitmap = previous_;
    EXPECT_EQ(loadPicture(folder_.file("broken.png"), bitmap).status, LoadStatus::PngFailed);
    EXPECT_EQ(bitmap.width(), 3);
}

TEST_F(LoadPicture, MissingFilesAndFoldersFailLikeBrokenFiles) {
    WorkBitmap bitmap = previous_;
    const LoadOutcome missing = loadPicture(folder_.file("missing.bmp"), bitmap);
    EXPECT_EQ(missing.status, LoadStatus::Failed);
    EXPECT_EQ(missing.type, PictureType::Bmp);
    EXPECT_EQ(missing.file.status, ReadFileStatus::CannotOpen);
    EXPECT_EQ(missing.file.errorNumber, ENOENT);
    EXPECT_TRUE(bitmap.isEmpty());

    std::filesystem::create_directory(folder_.file("folder.png"));
    bitmap = previous_;
    const LoadOutcome folder = loadPicture(folder_.file("folder.png"), bitmap);
    EXPECT_EQ(folder.status, LoadStatus::PngFailed);
    EXPECT_EQ(folder.file.status, ReadFileStatus::NotAFile);
    EXPECT_EQ(bitmap.width(), 3);
}

} // namespace
} // namespace varnelo
