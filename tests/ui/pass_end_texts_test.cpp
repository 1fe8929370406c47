#include "ui/pass_end_texts.h"

#include <gtest/gtest.h>

namespace varnelo {
namespace {

PassFailure failure(FailureStage stage, std::string path = {}, std::string reason = {}) {
    return {stage, std::move(path), LoadOutcome{}, std::move(reason)};
}

TEST(PassEndTexts, EachStepHasTheStatusLinesText) {
    EXPECT_EQ(statusText(PassProgress::of(PassStage::Resizing)), "resizing image...");
    EXPECT_EQ(statusText(PassProgress::drawing(0, 150)), "processing image line 0 of 150...");
    EXPECT_EQ(statusText(PassProgress::of(PassStage::RemovingZeros)),
              "removing leading color zeros...");
    EXPECT_EQ(statusText(PassProgress::of(PassStage::Compressing)), "compressing...");
    EXPECT_EQ(statusText(PassProgress::of(PassStage::Saving)), "saving...");
    EXPECT_EQ(statusText(PassProgress::done(4294967295U)), "ready - done in 4294967295 ms");
}

TEST(PassEndTexts, DoneOffersTheOutputAndKeepsTheReadyStatus) {
    const PassEndTexts texts = passEndTexts(PassResult::done(12));
    EXPECT_TRUE(texts.errorBox.isEmpty());
    EXPECT_TRUE(texts.status.isEmpty());
    EXPECT_TRUE(texts.openOutputEnabled);

    const PassEndTexts cancelled = passEndTexts(PassResult::cancelled());
    EXPECT_TRUE(cancelled.errorBox.isEmpty());
    EXPECT_EQ(cancelled.status, "cancelled!");
    EXPECT_FALSE(cancelled.openOutputEnabled);
}

TEST(PassEndTexts, RefusalsShowTheirLimitAndEndAsCancelled) {
    struct Case {
        PassRefusal refusal;
        const char* box;
    };
    const Case cases[] = {
        {{RefusalReason::PictureTooLarge, 8193, 8192, 67108864, 0, 0},
         "Image size of 8193 x 8192 pixel is exceeding the limit of 67108864 pixel!\r\n"
         "try to reduce the image size!"},
        {{RefusalReason::ImageTooLarge, 5100, 11, 5079, 50, 11},
         "Image width or height is exceeding the limit of 5079 pixel!\r\n"
         "try to reduce the image or font size!"},
        {{RefusalReason::ImageEmpty, 0, 0, 5079, 12, 11},
         "Image width or height is 0 pixel!\r\ntry to enlarge the image size!"},
    };
    for (const Case& e : cases) {
        const PassEndTexts texts = passEndTexts(PassResult::refused(e.refusal));
        EXPECT_EQ(texts.errorBox, QString::fromLatin1(e.box));
        EXPECT_EQ(texts.status, "cancelled!");
        EXPECT_FALSE(texts.openOutputEnabled);
    }
}

TEST(PassEndTexts, FailuresShowTheWindowsTextsWithPathAndReason) {
    PassFailure png = failure(FailureStage::Loading, "/p/caf\xC3\xA9.png");
    png.load.status = LoadStatus::PngFailed;
    PassEndTexts texts = passEndTexts(PassResult::failed(png));
    EXPECT_EQ(texts.errorBox, QString::fromUtf8("failed displaying \"/p/café.png\"!"));
    EXPECT_EQ(texts.status, "loading failed!");

    PassFailure bmp = failure(FailureStage::Loading, "/p/cat.bmp");
    bmp.load.status = LoadStatus::Failed;
    texts = passEndTexts(PassResult::failed(bmp));
    EXPECT_EQ(texts.errorBox, "please select a valid imagefile!");
    EXPECT_EQ(texts.status, "loading failed!");

    texts = passEndTexts(PassResult::failed(
        failure(FailureStage::Saving, "/out/x.html", "No such file or directory")));
    EXPECT_EQ(texts.errorBox, "failed saving \"/out/x.html\"!\r\nNo such file or directory");
    EXPECT_EQ(texts.status, "saving failed!");

    texts = passEndTexts(PassResult::failed(failure(FailureStage::OutOfMemory)));
    EXPECT_EQ(texts.errorBox, "not enough memory for a picture of this size!");
    EXPECT_EQ(texts.status, "cancelled!");

    texts = passEndTexts(PassResult::failed(failure(FailureStage::Unexpected, {}, "odd")));
    EXPECT_EQ(texts.errorBox, "odd");
    EXPECT_EQ(texts.status, "failed!");
    EXPECT_FALSE(texts.openOutputEnabled);
}

} // namespace
} // namespace varnelo
