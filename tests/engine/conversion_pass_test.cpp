#include "engine/clock.h"
#include "engine/conversion_pass.h"
#include "engine/random_generator.h"
#include "tests/support/picture_files.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace varnelo {
namespace {

// Answers tick readings from a list, so the measured time is known.
class ScriptedClock final : public Clock {
public:
    explicit ScriptedClock(std::vector<std::uint32_t> ticks) : ticks_(std::move(ticks)) {}
    UtcTimeOfDay utcTimeOfDay() const override { return {}; }
    std::uint32_t tickCount() const override { return ticks_.at(next_++); }

private:
    std::vector<std::uint32_t> ticks_;
    mutable std::size_t next_ = 0;
};

class RecordingObserver final : public PassObserver {
public:
    void showStatus(std::string_view text) override {
        calls.push_back("status " + std::string(text));
    }
    void setProgressRange(int maximum) override {
        calls.push_back("range " + std::to_string(maximum));
    }
    void setProgressPosition(int position) override {
        calls.push_back("position " + std::to_string(position));
    }
    void showError(std::string_view text) override {
        calls.push_back("error " + std::string(text));
    }
    std::vector<std::string> calls;
};

// Records every step as a document line, so the pass's calls can be read
// back from the file it writes.
class RecordingWriter final : public OutputWriter {
public:
    RecordingWriter(WriterContext& context, std::function<void(int, int)> onPixel)
        : context_(context), onPixel_(std::move(onPixel)) {}
    bool beginOutput(const ConversionSettings&, int, int) override {
        context_.lines.emplace_back("begin");
        return true;
    }
    void beginLine(int y) override { line_ = "line " + std::to_string(y) + ":"; }
    void putPixel(int x, int y, const ByteString& text, Rgb color, bool newRun) override {
        if (onPixel_)
            onPixel_(x, y);
        line_ += " " + text + (newRun ? "+" : "=") + std::to_string(color);
    }
    void endLine(int) override { context_.lines.push_back(line_); }
    WriteOutcome finishOutput() override {
        context_.lines.emplace_back("finish");
        return {};
    }

private:
    WriterContext& context_;
    std::function<void(int, int)> onPixel_;
    std::string line_;
};

class ConversionPassTest : public ::testing::Test {
protected:
    ConversionPassTest() {
        settings_.sourcePath = folder_.file("picture.bmp");
        settings_.outputPath = folder_.file("out.html");
        settings_.transformation = PixelTransformation::CustomText;
        settings_.customPhrase = "abc";
        settings_.fontSize = 1;
        settings_.imageWidth = 2;
        settings_.imageHeight = 2;
        // Red red / blue green.
        test::writeBmpFile(settings_.sourcePath, 2, 2, [](int x, int y) {
            return y == 0 ? makeRgb(255, 0, 0) : x == 0 ? makeRgb(0, 0, 255) : makeRgb(0, 255, 0);
        });
    }

    PassEnd run(std::function<void(int, int)> onPixel = {}) {
        ConversionPass pass(settings_, random_, clock_, observer_, cancel_,
                            [&](const ConversionSettings&, WriterContext& context) {
                                return std::make_unique<RecordingWriter>(context, onPixel);
                            });
        return pass.run();
    }

    std::string output() const {
        const auto bytes = test::readBytes(settings_.outputPath);
        return {bytes.begin(), bytes.end()};
    }

    test::TempDir folder_;
    ConversionSettings settings_;
    RandomGenerator random_{1};
    ScriptedClock clock_{{4294967290u, 3u}};
    RecordingObserver observer_;
    std::atomic<bool> cancel_{false};
};

TEST_F(ConversionPassTest, RunsTheStepsInOrderAndWritesEveryLineWithCrLf) {
    ASSERT_EQ(run(), PassEnd::Done);
    const std::vector<std::string> expected = {
        "range 2",
        "status processing image line 0 of 2...",
        "position 0",
        "status processing image line 1 of 2...",
        "position 1",
        "position 2",
        "status saving...",
        "status ready - done in 9 ms", // the tick counter wrapped between the readings
    };
    EXPECT_EQ(observer_.calls, expected);
    EXPECT_EQ(output(), "begin\r\n"
                        "line 0: a+255 b=255\r\n"
                        "line 1: c+16711680 a+65280\r\n"
                        "finish\r\n");
}

TEST_F(ConversionPassTest, ScalesAndReducesThePictureFirst) {
    settings_.imageWidth = 1;
    settings_.imageHeight = 1;
    settings_.colorDepth = ColorDepth::Depth15;
    ASSERT_EQ(run(), PassEnd::Done);
    EXPECT_EQ(observer_.calls.front(), "status resizing image...");
    // The mean of red, red, blue and green, cut to 15 bits.
    EXPECT_NE(output().find("line 0: a+" + std::to_string(makeRgb(128, 64, 64))), std::string::npos)
        << output();
}

TEST_F(ConversionPassTest, SizesOfZeroGiveOnlyTheWritersFixedLines) {
    settings_.imageWidth = 0;
    ASSERT_EQ(run(), PassEnd::Done);
    EXPECT_EQ(output(), "begin\r\nfinish\r\n");
}

TEST_F(ConversionPassTest, CancelStopsWithinOnePixelAndWritesNothing) {
    test::writeBytes(settings_.outputPath, {'o', 'l', 'd'});
    int pixels = 0;
    EXPECT_EQ(run([&](int, int) {
                  if (++pixels == 2)
                      cancel_ = true;
              }),
              PassEnd::Cancelled);
    EXPECT_EQ(pixels, 2);
    EXPECT_EQ(observer_.calls.back(), "position 0"); // nothing after the cancel
    EXPECT_EQ(output(), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.path()), {}), 2);
}

TEST_F(ConversionPassTest, RefusesSizesBeyondTheLimitBeforeTakingMemory) {
    settings_.imageWidth = 8193;
    settings_.imageHeight = 8192;
    EXPECT_EQ(run(), PassEnd::Cancelled);
    ASSERT_FALSE(observer_.calls.empty());
    EXPECT_EQ(observer_.calls.front(),
              "error Image size of 8193 x 8192 pixel is exceeding the limit of 67108864 pixel!"
              "\r\ntry to reduce the image size!");
    EXPECT_FALSE(std::filesystem::exists(settings_.outputPath));

    settings_.imageWidth = 65536;
    settings_.imageHeight = 1;
    observer_.calls.clear();
    EXPECT_EQ(run(), PassEnd::Cancelled);
    EXPECT_EQ(observer_.calls.front().rfind("error Image size of 65536 x 1 pixel", 0), 0u);
}

TEST_F(ConversionPassTest, AnUnwritableOutputIsAFailureNotSuccess) {
    settings_.outputPath = folder_.file("missing-folder/out.html");
    EXPECT_EQ(run(), PassEnd::Failed);
    const std::vector<std::string> tail(observer_.calls.end() - 2, observer_.calls.end());
    EXPECT_EQ(tail[0],
              "error failed saving \"" + settings_.outputPath + "\"!\r\nNo such file or directory");
    EXPECT_EQ(tail[1], "status saving failed!");
}

TEST_F(ConversionPassTest, APictureThatNoLongerLoadsIsAFailure) {
    std::filesystem::remove(settings_.sourcePath);
    EXPECT_EQ(run(), PassEnd::Failed);
    EXPECT_EQ(observer_.calls.front(), "error please select a valid imagefile!");
    EXPECT_FALSE(std::filesystem::exists(settings_.outputPath));
}

TEST(WriteDocument, ReplacesAnExistingFileOnlyWhenComplete) {
    test::TempDir folder;
    const std::string path = folder.file("doc.rtf");
    test::writeBytes(path, {'o', 'l', 'd'});
    std::atomic<bool> cancel{true};
    EXPECT_EQ(writeDocument({"a", "b"}, path, cancel).status, WriteStatus::Cancelled);
    EXPECT_EQ(test::readBytes(path), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    cancel = false;
    EXPECT_EQ(writeDocument({"a", "", "b"}, path, cancel).status, WriteStatus::Written);
    const auto bytes = test::readBytes(path);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "a\r\n\r\nb\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}

TEST(WriteDocument, RefusesAFolderAsTarget) {
    test::TempDir folder;
    std::atomic<bool> cancel{false};
    const WriteOutcome outcome = writeDocument({"a"}, folder.path().string(), cancel);
    EXPECT_EQ(outcome.status, WriteStatus::Failed);
    EXPECT_EQ(outcome.reason, "Is a directory");
}

} // namespace
} // namespace varnelo
