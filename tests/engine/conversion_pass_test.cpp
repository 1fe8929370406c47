#include "engine/conversion_pass.h"
#include "engine/random_generator.h"
#include "reading/picture_loader.h"
#include "tests/support/picture_files.h"
#include "tests/support/recording_observer.h"
#include "tests/support/sanitizers.h"
#include "tests/support/saved_document.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_clock.h"
#include "writers/atomic_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <limits>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

namespace varnelo {
namespace {

// Records every step as a document line, so the pass's calls can be read
// back from the file it writes.
class RecordingWriter final : public OutputWriter {
public:
    RecordingWriter(WriterContext& context, std::function<void(int, int)> onPixel)
        : context_(context), onPixel_(std::move(onPixel)) {}
    bool producesDocumentLines() const override { return true; }
    OutputStart beginOutput(const ConversionSettings&, int, int) override {
        context_.lines.emplace_back("begin");
        return OutputStart::proceed();
    }
    void beginLine(int y) override { line_ = "line " + std::to_string(y) + ":"; }
    void putPixel(int x, int y, const ByteString& text, CellColors colors, bool newRun) override {
        const Rgb color = colors.color;
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

    PassResult run(std::function<void(int, int)> onPixel = {}) {
        ConversionPass pass(
            settings_, random_, clock_, observer_, cancel_,
            [&](const ConversionSettings&, WriterContext& context) {
                return std::make_unique<RecordingWriter>(context, onPixel);
            },
            openAtomicOutput);
        return pass.run();
    }

    std::string output() const {
        const auto bytes = test::readBytes(settings_.outputPath);
        return {bytes.begin(), bytes.end()};
    }

    test::TempDir folder_;
    ConversionSettings settings_;
    RandomGenerator random_{1};
    test::TestClock clock_{{4294967290u, 3u}};
    test::RecordingObserver observer_;
    std::atomic<bool> cancel_{false};
};

TEST_F(ConversionPassTest, RunsTheStepsInOrderAndWritesEveryLineWithCrLf) {
    ASSERT_EQ(run().end, PassEnd::Done);
    const std::vector<std::string> expected = {
        "range 2",
        "status line 0 of 2",
        "position 0",
        "status line 1 of 2",
        "position 1",
        "position 2",
        "status saving",
        "status done in 9 ms", // the tick counter wrapped between the readings
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
    ASSERT_EQ(run().end, PassEnd::Done);
    EXPECT_EQ(observer_.calls.front(), "status resizing");
    // The mean of red, red, blue and green, cut to 15 bits.
    EXPECT_NE(output().find("line 0: a+" + std::to_string(makeRgb(128, 64, 64))), std::string::npos)
        << output();
}

TEST_F(ConversionPassTest, SizesOfZeroGiveOnlyTheWritersFixedLines) {
    settings_.imageWidth = 0;
    ASSERT_EQ(run().end, PassEnd::Done);
    EXPECT_EQ(output(), "begin\r\nfinish\r\n");
}

TEST_F(ConversionPassTest, CancelStopsWithinOnePixelAndWritesNothing) {
    test::writeBytes(settings_.outputPath, {'o', 'l', 'd'});
    int pixels = 0;
    EXPECT_EQ(run([&](int, int) {
                  if (++pixels == 2)
                      cancel_ = true;
              }).end,
              PassEnd::Cancelled);
    EXPECT_EQ(pixels, 2);
    EXPECT_EQ(observer_.calls.back(), "position 0"); // nothing after the cancel
    EXPECT_EQ(output(), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.path()), {}), 2);
}

// A signal that lands as the output takes its place comes too late to
// stop it: the file is there, and the conversion says it is done.
TEST_F(ConversionPassTest, ACancelAsTheOutputTakesItsPlaceLeavesItDone) {
    test::writeBytes(settings_.outputPath, {'o', 'l', 'd'});
    class CancelledOnCommit final : public OutputFile {
    public:
        CancelledOnCommit(std::unique_ptr<OutputFile> file, std::atomic<bool>& cancel)
            : file_(std::move(file)), cancel_(cancel) {}
        bool write(std::span<const std::uint8_t> bytes) override { return file_->write(bytes); }
        bool commit() override {
            const bool committed = file_->commit();
            cancel_ = true;
            return committed;
        }
        const std::string& error() const override { return file_->error(); }
        const std::string& path() const override { return file_->path(); }

    private:
        std::unique_ptr<OutputFile> file_;
        std::atomic<bool>& cancel_;
    };
    ConversionPass pass(
        settings_, random_, clock_, observer_, cancel_,
        [&](const ConversionSettings&, WriterContext& context) {
            return std::make_unique<RecordingWriter>(context, std::function<void(int, int)>{});
        },
        [&](const OutputTarget& target, std::string& error) -> std::unique_ptr<OutputFile> {
            return std::make_unique<CancelledOnCommit>(openAtomicOutput(target, error), cancel_);
        });
    EXPECT_EQ(pass.run().end, PassEnd::Done);
    EXPECT_NE(output(), "old");
}

// Shapes and symbols read the picture at several samples a character: what
// that costs is weighed before it is taken, and the enlarging heeds a cancel.
TEST_F(ConversionPassTest, ModesReadingCellsWeighTheirDetailAndStopWhileMakingIt) {
    for (const PixelTransformation mode :
         {PixelTransformation::GlyphShapes, PixelTransformation::Symbols}) {
        settings_.transformation = mode;
        cancel_ = false;
        const auto runShapes = [&] {
            ConversionPass pass(
                settings_, random_, clock_, observer_, cancel_,
                [&](const ConversionSettings&, WriterContext& context) {
                    return std::make_unique<RecordingWriter>(context,
                                                             std::function<void(int, int)>{});
                },
                openAtomicOutput);
            pass.setGlyphShaper([](const std::string&, const ByteString&) {
                return std::vector<GlyphShape>{{'x', ~std::uint64_t{0}, 255}};
            });
            return pass.run(test::makePicture(64, 64, test::noise));
        };
        settings_.imageWidth = 512;
        settings_.imageHeight = 512;
        settings_.memoryLimit = std::int64_t{1} << 20;
        const PassResult refused = runShapes();
        ASSERT_EQ(refused.end, PassEnd::Failed);
        EXPECT_EQ(refused.failure.load.detail, DecodeStatus::OverMemoryLimit);
        EXPECT_GT(refused.failure.load.memoryNeeded, settings_.memoryLimit);

        // More samples across than a picture may have (8 a cell), whatever the memory.
        settings_.memoryLimit = std::int64_t{1} << 40;
        settings_.imageWidth = 40000;
        settings_.imageHeight = 1;
        EXPECT_EQ(runShapes().failure.stage, FailureStage::Unexpected);

        // 8192 × 4096 samples from 64 × 64 pixels: most of a second's work.
        settings_.imageWidth = 4096;
        settings_.imageHeight = 4096;
        cancel_ = true;
        const auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(runShapes().end, PassEnd::Cancelled);
        EXPECT_LT(std::chrono::steady_clock::now() - started, test::kCancelAnswered);
    }
}

// Filled shapes and symbols hand each cell the two colours they chose, both
// taken to the chosen depth: a cell half white, half red, its glyph (or the
// left half block) inking the left half, draws red on white (in 15 bits,
// each channel to 5 bits). Symbols fill whatever the settings say.
TEST_F(ConversionPassTest, CellsChosenFromThePictureHandTheWriterTheirInkAndBackground) {
    settings_.colorDepth = ColorDepth::Depth15;
    settings_.imageWidth = 1;
    settings_.imageHeight = 1;
    struct InkWriter final : OutputWriter {
        std::vector<std::pair<ByteString, CellColors>>* seen;
        explicit InkWriter(std::vector<std::pair<ByteString, CellColors>>& cells) : seen(&cells) {}
        bool producesDocumentLines() const override { return false; }
        OutputStart beginOutput(const ConversionSettings&, int, int) override {
            return OutputStart::proceed();
        }
        void beginLine(int) override {}
        void putPixel(int, int, const ByteString& text, CellColors colors, bool) override {
            seen->emplace_back(text, colors);
        }
        void endLine(int) override {}
        WriteOutcome finishOutput() override { return {}; }
    };
    std::uint64_t left = 0;
    for (int row = 0; row < 8; ++row)
        left |= std::uint64_t{0x0F} << (8 * row);
    for (const auto& [mode, fill, text] :
         {std::tuple{PixelTransformation::GlyphShapes, true, ByteString("[")},
          std::tuple{PixelTransformation::Symbols, false, ByteString("\u258C")}}) {
        settings_.transformation = mode;
        settings_.fillCells = fill;
        std::vector<std::pair<ByteString, CellColors>> seen;
        ConversionPass pass(
            settings_, random_, clock_, observer_, cancel_,
            [&](const ConversionSettings&, WriterContext&) {
                return std::make_unique<InkWriter>(seen);
            },
            openAtomicOutput);
        pass.setGlyphShaper([&](const std::string&, const ByteString&) {
            return std::vector<GlyphShape>{{' ', 0, 0}, {'[', left, 128}};
        });
        const PassResult result = pass.run(test::makePicture(
            8, 8, [](int x, int) { return x < 4 ? makeRgb(255, 3, 3) : makeRgb(255, 255, 255); }));
        ASSERT_EQ(result.end, PassEnd::Done);
        ASSERT_EQ(seen.size(), 1U);
        EXPECT_EQ(seen[0].first, text);
        EXPECT_EQ(seen[0].second, (CellColors{makeRgb(248, 248, 248), makeRgb(248, 0, 0)}));
    }
}

TEST_F(ConversionPassTest, RefusesSizesBeyondTheLimitBeforeTakingMemory) {
    settings_.imageWidth = 8193;
    settings_.imageHeight = 8192;
    PassResult result = run();
    EXPECT_EQ(result.end, PassEnd::Refused);
    EXPECT_EQ(result.refusal.reason, RefusalReason::PictureTooLarge);
    EXPECT_EQ(result.refusal.width, 8193);
    EXPECT_EQ(result.refusal.height, 8192);
    EXPECT_EQ(result.refusal.limit, 67108864);
    EXPECT_TRUE(observer_.calls.empty()); // refused before anything was shown
    EXPECT_FALSE(std::filesystem::exists(settings_.outputPath));

    settings_.imageWidth = 65536;
    settings_.imageHeight = 1;
    result = run();
    EXPECT_EQ(result.end, PassEnd::Refused);
    EXPECT_EQ(result.refusal.width, 65536);
    EXPECT_EQ(result.refusal.height, 1);
}

TEST_F(ConversionPassTest, AnUnwritableOutputIsAFailureNotSuccess) {
    settings_.outputPath = folder_.file("missing-folder/out.html");
    const PassResult result = run();
    EXPECT_EQ(result.end, PassEnd::Failed);
    EXPECT_EQ(result.failure.stage, FailureStage::Saving);
    EXPECT_EQ(result.failure.path, settings_.outputPath);
    EXPECT_EQ(result.failure.reason, "No such file or directory");
    EXPECT_EQ(observer_.calls.back(), "status saving");
    // The bar stood full before the saving that failed.
    const auto range =
        std::find_if(observer_.calls.begin(), observer_.calls.end(),
                     [](const std::string& call) { return call.starts_with("range "); });
    ASSERT_NE(range, observer_.calls.end());
    const std::string full = "position " + range->substr(6);
    const auto saving = std::find(observer_.calls.begin(), observer_.calls.end(), "status saving");
    EXPECT_NE(std::find(range, saving, full), saving) << full;
}

TEST_F(ConversionPassTest, APictureThatNoLongerLoadsIsAFailure) {
    std::filesystem::remove(settings_.sourcePath);
    const PassResult result = run();
    EXPECT_EQ(result.end, PassEnd::Failed);
    EXPECT_EQ(result.failure.stage, FailureStage::Loading);
    EXPECT_EQ(result.failure.path, settings_.sourcePath);
    EXPECT_EQ(result.failure.load.status, LoadStatus::Failed);
    EXPECT_EQ(result.failure.load.file.status, ReadFileStatus::CannotOpen);
    EXPECT_EQ(result.failure.load.file.errorNumber, ENOENT);
    EXPECT_TRUE(observer_.calls.empty());
    EXPECT_FALSE(std::filesystem::exists(settings_.outputPath));
}

TEST_F(ConversionPassTest, StartsFromAPictureItIsGivenWithoutLoadingIt) {
    // The file is gone: only the given picture can be converted.
    std::filesystem::remove(settings_.sourcePath);
    const PassResult result =
        ConversionPass(
            settings_, random_, clock_, observer_, cancel_,
            [](const ConversionSettings&, WriterContext& context) {
                return std::make_unique<RecordingWriter>(context, std::function<void(int, int)>{});
            },
            openAtomicOutput)
            .run(test::makePicture(
                2, 2, [](int x, int) { return makeRgb(0, 0, static_cast<std::uint32_t>(x)); }));
    ASSERT_EQ(result.end, PassEnd::Done);
    EXPECT_EQ(result.milliseconds, 9u);
    EXPECT_EQ(output(), "begin\r\n"
                        "line 0: a+0 b+65536\r\n"
                        "line 1: c+0 a+65536\r\n"
                        "finish\r\n");
}

// A writer that draws its own file leaves no document lines to save.
TEST_F(ConversionPassTest, SavesDocumentLinesOnlyForWritersThatProduceThem) {
    class ImageLikeWriter final : public OutputWriter {
    public:
        explicit ImageLikeWriter(WriterContext& context) : context_(context) {}
        bool producesDocumentLines() const override { return false; }
        OutputStart beginOutput(const ConversionSettings&, int, int) override {
            context_.lines.emplace_back("never saved");
            return OutputStart::proceed();
        }
        void beginLine(int) override {}
        void putPixel(int, int, const ByteString&, CellColors, bool) override {}
        void endLine(int) override {}
        WriteOutcome finishOutput() override { return {}; }

    private:
        WriterContext& context_;
    };
    ConversionPass pass(
        settings_, random_, clock_, observer_, cancel_,
        [](const ConversionSettings&, WriterContext& context) {
            return std::make_unique<ImageLikeWriter>(context);
        },
        openAtomicOutput);
    ASSERT_EQ(pass.run().end, PassEnd::Done);
    EXPECT_FALSE(std::filesystem::exists(settings_.outputPath));
    EXPECT_EQ(std::find(observer_.statuses.begin(), observer_.statuses.end(), "saving"),
              observer_.statuses.end());
}

TEST_F(ConversionPassTest, AWriterThatCannotBeginEndsThePassAsItAnswers) {
    class RefusingWriter final : public OutputWriter {
    public:
        bool producesDocumentLines() const override { return true; }
        OutputStart beginOutput(const ConversionSettings&, int, int) override {
            return OutputStart::stop(
                PassResult::refused({RefusalReason::ImageTooLarge, 6000, 20, 5079, 3000, 10}));
        }
        void beginLine(int) override { ADD_FAILURE(); }
        void putPixel(int, int, const ByteString&, CellColors, bool) override { ADD_FAILURE(); }
        void endLine(int) override { ADD_FAILURE(); }
        WriteOutcome finishOutput() override { return {}; }
    };
    ConversionPass pass(
        settings_, random_, clock_, observer_, cancel_,
        [](const ConversionSettings&, WriterContext&) {
            return std::make_unique<RefusingWriter>();
        },
        openAtomicOutput);
    const PassResult result = pass.run();
    EXPECT_EQ(result.end, PassEnd::Refused);
    EXPECT_EQ(result.refusal.cellWidth, 3000);
    EXPECT_EQ(observer_.calls, std::vector<std::string>{"range 2"});
    EXPECT_FALSE(std::filesystem::exists(settings_.outputPath));
}

// Lines that stay as built go to the file during the pass, so the document
// is never held whole; the file still becomes the output only when complete.
TEST_F(ConversionPassTest, WritesFinalLinesWhileBuildingTheNext) {
    class BigLinesWriter final : public OutputWriter {
    public:
        BigLinesWriter(WriterContext& context, std::size_t& mostHeld, std::atomic<bool>& cancel)
            : context_(context), mostHeld_(mostHeld), cancel_(cancel) {}
        bool producesDocumentLines() const override { return true; }
        bool linesAreFinal() const override { return true; }
        OutputStart beginOutput(const ConversionSettings&, int, int) override {
            context_.lines.emplace_back("top");
            return OutputStart::proceed();
        }
        void beginLine(int) override {}
        void putPixel(int, int y, const ByteString&, CellColors, bool) override {
            context_.lines.push_back(ByteString(300000, static_cast<char>('a' + y)));
            if (y == cancelAt)
                cancel_ = true;
        }
        void endLine(int) override { mostHeld_ = std::max(mostHeld_, context_.lines.size()); }
        WriteOutcome finishOutput() override {
            context_.lines.emplace_back("bottom");
            return {};
        }
        int cancelAt = -1;

    private:
        WriterContext& context_;
        std::size_t& mostHeld_;
        std::atomic<bool>& cancel_;
    };
    test::writeBmpFile(settings_.sourcePath, 1, 20, test::noise);
    settings_.imageWidth = 1;
    settings_.imageHeight = 20;
    test::writeBytes(settings_.outputPath, {'o', 'l', 'd'});
    for (const int cancelAt : {18, -1}) {
        std::size_t mostHeld = 0;
        cancel_ = false;
        ConversionPass pass(
            settings_, random_, clock_, observer_, cancel_,
            [&](const ConversionSettings&, WriterContext& context) {
                auto writer = std::make_unique<BigLinesWriter>(context, mostHeld, cancel_);
                writer->cancelAt = cancelAt;
                return writer;
            },
            openAtomicOutput);
        const PassResult result = pass.run();
        EXPECT_LE(mostHeld, 2u); // written once a few tens of kilobytes are held
        if (cancelAt >= 0) {
            EXPECT_EQ(result.end, PassEnd::Cancelled);
            EXPECT_EQ(output(), "old");
            continue;
        }
        ASSERT_EQ(result.end, PassEnd::Done);
        std::string expected = "top\r\n";
        for (int y = 0; y < 20; ++y)
            expected += std::string(300000, static_cast<char>('a' + y)) + "\r\n";
        EXPECT_EQ(output(), expected + "bottom\r\n");
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.path()), {}), 2);
}

// Lines that stand alone, as plain HTML's: a second thread may build some.
class StandAloneLinesWriter final : public OutputWriter {
public:
    explicit StandAloneLinesWriter(DocumentLines& lines) : lines_(lines) {}
    bool producesDocumentLines() const override { return true; }
    bool linesAreFinal() const override { return true; }
    std::unique_ptr<OutputWriter> lineWriterInto(DocumentLines& lines) const override {
        return std::make_unique<StandAloneLinesWriter>(lines);
    }
    OutputStart beginOutput(const ConversionSettings&, int, int) override {
        lines_.emplace_back("begin");
        return OutputStart::proceed();
    }
    void beginLine(int y) override { line_ = std::to_string(y) + ":"; }
    void putPixel(int, int, const ByteString& text, CellColors colors, bool newRun) override {
        const Rgb color = colors.color;
        line_ += text + (newRun ? "+" : "=") + std::to_string(color & 0xFF);
    }
    void endLine(int) override { lines_.push_back(line_); }
    WriteOutcome finishOutput() override {
        lines_.emplace_back("end");
        return {};
    }

private:
    DocumentLines& lines_;
    std::string line_;
};

// A pass of StandAloneLinesWriter, its lines built on two threads from
// secondThreadFrom pixels on.
PassResult runStandAlone(const ConversionSettings& settings, RandomGenerator& random,
                         PassObserver& observer, const std::atomic<bool>& cancel,
                         std::int64_t secondThreadFrom) {
    const test::TestClock clock{{10u, 20u}};
    ConversionPass pass(
        settings, random, clock, observer, cancel,
        [](const ConversionSettings&, WriterContext& context) {
            return std::make_unique<StandAloneLinesWriter>(context.lines);
        },
        openAtomicOutput);
    pass.setSecondThreadFrom(secondThreadFrom);
    return pass.run();
}

TEST_F(ConversionPassTest, ASecondThreadBuildsTheSameBytesAsOne) {
    settings_.imageWidth = 37;
    settings_.imageHeight = 101;
    test::writeBmpFile(settings_.sourcePath, 37, 101, test::noise);
    const auto runWith = [&](std::int64_t secondThreadFrom, RandomGenerator& random,
                             test::RecordingObserver& observer) {
        EXPECT_EQ(runStandAlone(settings_, random, observer, cancel_, secondThreadFrom).end,
                  PassEnd::Done);
        return output();
    };
    for (const auto mode :
         {PixelTransformation::RandomBinary, PixelTransformation::RandomBigLetters,
          PixelTransformation::TerminalBlocks, PixelTransformation::CustomRange,
          PixelTransformation::CustomText, PixelTransformation::BrightnessRamp}) {
        settings_.transformation = mode;
        settings_.blockStrength = kRandomBlockStrength;
        settings_.fontSize = 8;
        RandomGenerator alone(99), helped(99);
        test::RecordingObserver aloneCalls, helpedCalls;
        const std::string one =
            runWith(std::numeric_limits<std::int64_t>::max(), alone, aloneCalls);
        const std::string two = runWith(0, helped, helpedCalls);
        EXPECT_EQ(two, one) << static_cast<int>(mode);
        EXPECT_EQ(helpedCalls.calls, aloneCalls.calls);
        EXPECT_EQ(helped.seed(), alone.seed()) << "the next conversion goes on from the same draw";
        EXPECT_NE(one.find("\r\n100:"), std::string::npos);
    }
}

TEST_F(ConversionPassTest, ACancelWhileTheSecondThreadBuildsWritesNothing) {
    settings_.imageWidth = 64;
    settings_.imageHeight = 400;
    settings_.transformation = PixelTransformation::RandomNumbers;
    test::writeBmpFile(settings_.sourcePath, 64, 400, test::noise);
    test::writeBytes(settings_.outputPath, {'o', 'l', 'd'});
    int lines = 0;
    observer_.onPosition = [&](int) {
        if (++lines == 300) // bands of both threads written, more being built
            cancel_ = true;
    };
    EXPECT_EQ(runStandAlone(settings_, random_, observer_, cancel_, 0).end, PassEnd::Cancelled);
    EXPECT_EQ(output(), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.path()), {}), 2);
}

// An output that takes lines until a set number of bytes is reached, then
// fails as a full disk does.
class FillingOutput final : public OutputFile {
public:
    explicit FillingOutput(std::size_t room) : room_(room) {}
    bool write(std::span<const std::uint8_t> bytes) override {
        if (bytes.size() > room_) {
            error_ = "No space left on device";
            return false;
        }
        room_ -= bytes.size();
        return true;
    }
    bool commit() override { return error_.empty(); }
    const std::string& error() const override { return error_; }
    const std::string& path() const override { return path_; }

private:
    std::size_t room_;
    std::string error_;
    std::string path_ = "filled";
};

TEST_F(ConversionPassTest, LinesBuiltOnTwoThreadsStopAtAFailedWriteAndSayWhy) {
    settings_.imageWidth = 64;
    settings_.imageHeight = 300;
    settings_.transformation = PixelTransformation::RandomNumbers;
    test::writeBmpFile(settings_.sourcePath, 64, 300, test::noise);
    for (const std::size_t room : {std::size_t{0}, std::size_t{3}, std::size_t{20000}}) {
        const test::TestClock clock{{10u, 20u}};
        ConversionPass pass(
            settings_, random_, clock, observer_, cancel_,
            [](const ConversionSettings&, WriterContext& context) {
                return std::make_unique<StandAloneLinesWriter>(context.lines);
            },
            [room](const OutputTarget&, std::string&) -> std::unique_ptr<OutputFile> {
                return std::make_unique<FillingOutput>(room);
            });
        pass.setSecondThreadFrom(0);
        const PassResult result = pass.run();
        EXPECT_EQ(result.end, PassEnd::Failed) << room;
        EXPECT_EQ(result.failure.stage, FailureStage::Saving);
        EXPECT_EQ(result.failure.reason, "No space left on device");
    }
}

// Throws while building one row, on whichever thread builds it.
class ThrowingLinesWriter final : public OutputWriter {
public:
    ThrowingLinesWriter(DocumentLines& lines, int throwAt) : lines_(lines), throwAt_(throwAt) {}
    bool producesDocumentLines() const override { return true; }
    bool linesAreFinal() const override { return true; }
    std::unique_ptr<OutputWriter> lineWriterInto(DocumentLines& lines) const override {
        return std::make_unique<ThrowingLinesWriter>(lines, throwAt_);
    }
    OutputStart beginOutput(const ConversionSettings&, int, int) override {
        return OutputStart::proceed();
    }
    void beginLine(int y) override {
        if (y == throwAt_)
            throw std::runtime_error("row " + std::to_string(y));
    }
    void putPixel(int, int, const ByteString&, CellColors, bool) override {}
    void endLine(int) override { lines_.emplace_back(std::string(5000, 'x')); }
    WriteOutcome finishOutput() override { return {}; }

private:
    DocumentLines& lines_;
    int throwAt_;
};

TEST_F(ConversionPassTest, AThrowWhileLinesAreBuiltOnTwoThreadsLeavesThePassWhole) {
    settings_.imageWidth = 64;
    settings_.imageHeight = 400;
    settings_.transformation = PixelTransformation::RandomNumbers;
    test::writeBmpFile(settings_.sourcePath, 64, 400, test::noise);
    test::writeBytes(settings_.outputPath, {'o', 'l', 'd'});
    // Rows of the first band, of one in the middle and of the last.
    for (const int row : {0, 1, 199, 399}) {
        const test::TestClock clock{{10u, 20u}};
        ConversionPass pass(
            settings_, random_, clock, observer_, cancel_,
            [row](const ConversionSettings&, WriterContext& context) {
                return std::make_unique<ThrowingLinesWriter>(context.lines, row);
            },
            openAtomicOutput);
        pass.setSecondThreadFrom(0);
        EXPECT_THROW(pass.run(), std::runtime_error) << row;
        EXPECT_EQ(output(), "old");
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.path()), {}), 2);
}

TEST_F(ConversionPassTest, LinesBuiltOnTwoThreadsReplaceAFileWithTheSameBytesAsOne) {
    // Long lines, written as they stand, over a file that exists.
    settings_.imageWidth = 3000;
    settings_.imageHeight = 90;
    settings_.transformation = PixelTransformation::RandomBinary;
    test::writeBmpFile(settings_.sourcePath, 3000, 90, test::noise);
    const auto runWith = [&](std::int64_t secondThreadFrom) {
        test::writeBytes(settings_.outputPath, {'o', 'l', 'd'});
        RandomGenerator random(5);
        EXPECT_EQ(runStandAlone(settings_, random, observer_, cancel_, secondThreadFrom).end,
                  PassEnd::Done);
        return output();
    };
    const std::string one = runWith(std::numeric_limits<std::int64_t>::max());
    EXPECT_GT(one.size(), std::size_t{1} << 20);
    EXPECT_EQ(runWith(0), one);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.path()), {}), 2);
}

TEST(SavedDocument, ReplacesAnExistingFileOnlyWhenComplete) {
    test::TempDir folder;
    const std::string path = folder.file("doc.rtf");
    test::writeBytes(path, {'o', 'l', 'd'});
    std::atomic<bool> cancel{true};
    EXPECT_EQ(test::saveDocument({"a", "b"}, path, cancel).status, WriteStatus::Cancelled);
    EXPECT_EQ(test::readBytes(path), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
    cancel = false;
    EXPECT_EQ(test::saveDocument({"a", "", "b"}, path, cancel).status, WriteStatus::Written);
    const auto bytes = test::readBytes(path);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "a\r\n\r\nb\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}

TEST(SavedDocument, RefusesAFolderAsTarget) {
    test::TempDir folder;
    std::atomic<bool> cancel{false};
    const WriteOutcome outcome = test::saveDocument({"a"}, folder.path().string(), cancel);
    EXPECT_EQ(outcome.status, WriteStatus::Failed);
    EXPECT_EQ(outcome.reason, "Is a directory");
}

} // namespace
} // namespace varnelo
