#include "library/messages.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace varnelo {
namespace {

LoadOutcome decodeFailure(PictureType type, DecodeStatus detail) {
    LoadOutcome outcome;
    outcome.status = LoadStatus::Failed;
    outcome.type = type;
    outcome.detail = detail;
    return outcome;
}

TEST(CliMessages, WordEachStepAsTheWindowDoes) {
    EXPECT_EQ(progressText(PassProgress::of(PassStage::Resizing)), "resizing image...");
    EXPECT_EQ(progressText(PassProgress::drawing(89, 90)), "processing image line 89 of 90...");
    EXPECT_EQ(progressText(PassProgress::of(PassStage::RemovingZeros)),
              "removing leading color zeros...");
    EXPECT_EQ(progressText(PassProgress::of(PassStage::Compressing)), "compressing...");
    EXPECT_EQ(progressText(PassProgress::of(PassStage::Saving)), "saving...");
    EXPECT_EQ(progressText(PassProgress::done(25)), "ready - done in 25 ms");
}

TEST(CliMessages, SayWhyAPictureDidNotLoad) {
    EXPECT_EQ(loadFailureMessage({}),
              "not a BMP, JPG, GIF, PNG, WebP, AVIF, HEIF, TIFF or JPEG XL picture");

    LoadOutcome missing = decodeFailure(PictureType::Bmp, DecodeStatus::Ok);
    missing.file = {ReadFileStatus::CannotOpen, ENOENT};
    EXPECT_EQ(loadFailureMessage(missing), "No such file or directory");
    missing.file = {ReadFileStatus::NotAFile, 0};
    EXPECT_EQ(loadFailureMessage(missing), "not a regular file");

    EXPECT_EQ(loadFailureMessage(decodeFailure(PictureType::Png, DecodeStatus::Truncated)),
              "truncated PNG data");
    EXPECT_EQ(loadFailureMessage(decodeFailure(PictureType::Gif, DecodeStatus::WrongFormat)),
              "not a GIF file");
    EXPECT_EQ(loadFailureMessage(decodeFailure(PictureType::Jpeg, DecodeStatus::Corrupt)),
              "corrupt JPG data");
    EXPECT_EQ(loadFailureMessage(decodeFailure(PictureType::Bmp, DecodeStatus::Unsupported)),
              "unsupported BMP variant");
    EXPECT_EQ(loadFailureMessage(decodeFailure(PictureType::Png, DecodeStatus::TooLarge)),
              "picture too large (at most 65535 pixels a side and 268435456 in all)");
}

TEST(CliMessages, SayWhyAConversionDidNotEndWithItsOutput) {
    EXPECT_EQ(passEndMessage(PassResult::done(3)), "");
    EXPECT_EQ(passEndMessage(PassResult::cancelled()), "cancelled!");
    EXPECT_EQ(
        passEndMessage(PassResult::refused({RefusalReason::ImageTooLarge, 5088, 22, 5079, 12, 11})),
        "Image width or height is exceeding the limit of 5079 pixel at 12 \u00D7 11 per "
        "character (the largest size that fits at this font size is 423 \u00D7 2)");
    // 300 × 600 cells of 12 × 11: the height decides, the width follows.
    EXPECT_NE(passEndMessage(
                  PassResult::refused({RefusalReason::ImageTooLarge, 3600, 6600, 5079, 12, 11}))
                  .find("is 230 \u00D7 461)"),
              std::string::npos);
    EXPECT_NE(passEndMessage(
                  PassResult::refused({RefusalReason::ImageTooLarge, 6000, 6000, 5079, 6000, 6000}))
                  .find("(try a smaller font size)"),
              std::string::npos);
    EXPECT_EQ(passEndMessage(
                  PassResult::failed({FailureStage::Saving, "out.rtf", {}, "Permission denied"})),
              "failed saving \"out.rtf\": Permission denied");
    PassFailure loading{FailureStage::Loading, "gone.png", {}, {}};
    loading.load = decodeFailure(PictureType::Png, DecodeStatus::Truncated);
    EXPECT_EQ(passEndMessage(PassResult::failed(loading)), "truncated PNG data");
    EXPECT_EQ(startProblemMessage(StartProblem::NoPhrase),
              "text mode needs a phrase (--phrase or --phrase-file)");
    EXPECT_EQ(startProblemMessage(StartProblem::None), "");
}

TEST(CliMessages, SayWhyThePhraseFileCouldNotBeRead) {
    const std::string named = "the phrase file \"p.txt\"";
    EXPECT_EQ(phraseFileMessage(named, {ReadFileStatus::CannotOpen, ENOENT}),
              "cannot read the phrase file \"p.txt\": No such file or directory");
    EXPECT_EQ(phraseFileMessage(named, {ReadFileStatus::ReadError, EINTR}),
              "cannot read the phrase file \"p.txt\": Interrupted system call");
    EXPECT_EQ(phraseFileMessage(named, {ReadFileStatus::NotAFile, EISDIR}),
              "the phrase file \"p.txt\" is a folder");
    EXPECT_EQ(phraseFileMessage(named, {ReadFileStatus::TooLarge, EFBIG}),
              "the phrase file \"p.txt\" is larger than 64 MiB");
}

TEST(CliMessages, SaysWhatWasMadeInOneLine) {
    EXPECT_EQ(byteCount(0), "0 bytes");
    EXPECT_EQ(byteCount(1), "1 byte");
    EXPECT_EQ(byteCount(999), "999 bytes");
    EXPECT_EQ(byteCount(1499), "1 kB");
    EXPECT_EQ(byteCount(99'499), "99 kB");
    EXPECT_EQ(byteCount(100'000), "0.1 MB");
    EXPECT_EQ(byteCount(613'380), "0.6 MB");
    EXPECT_EQ(byteCount(52'049'999), "52.0 MB");
    ConversionSummary summary;
    summary.picture = "photo.jpg";
    summary.output = "photo1.html";
    summary.size = {120, 90};
    summary.bytes = 613'380;
    summary.milliseconds = 25;
    EXPECT_EQ(summaryLine(summary), "photo.jpg \u2192 photo1.html, 120 \u00D7 90, 0.6 MB, 25 ms");
    EXPECT_EQ(summaryLine(summary, false), "photo.jpg -> photo1.html, 120 x 90, 0.6 MB, 25 ms");
    summary.output = "-";
    EXPECT_NE(summaryLine(summary).find("\u2192 standard output,"), std::string::npos);
    EXPECT_EQ(plainSymbols("the largest is 3 \u00D7 4 \u00D7 5"), "the largest is 3 x 4 x 5");
}

TEST(Messages, KeepToPlainCharactersWhereTheLocaleIsNotUtf8) {
    EXPECT_TRUE(localeIsUtf8(nullptr, nullptr, "en_GB.UTF-8"));
    EXPECT_TRUE(localeIsUtf8("C.utf8", nullptr, "C"));
    EXPECT_FALSE(localeIsUtf8(nullptr, nullptr, "C"));
    EXPECT_FALSE(localeIsUtf8("", "POSIX", "en_GB.UTF-8")); // LC_CTYPE before LANG
    EXPECT_FALSE(localeIsUtf8(nullptr, nullptr, nullptr));
}

} // namespace
} // namespace varnelo
