// A large picture of the libraries a cancel cannot stop at once decodes in
// a process of its own: the same picture as decoded here, and a cancel
// that ends it within a fraction of a second, leaving no process behind.
#include "reading/codecs/own_process_decoding.h"

#include "reading/conversion_load.h"
#include "reading/picture_loader.h"
#include "tests/support/conversion_loads.h"
#include "tests/support/hostile_pictures.h"
#include "tests/support/processes.h"
#include "tests/support/sanitizers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

namespace varnelo {
namespace {

using Clock = std::chrono::steady_clock;

void expectSamePictures(const WorkBitmap& a, const WorkBitmap& b) {
    ASSERT_EQ(a.width(), b.width());
    ASSERT_EQ(a.height(), b.height());
    ASSERT_EQ(a.depth(), b.depth());
    for (int y = 0; y < a.height(); ++y)
        ASSERT_EQ(std::memcmp(a.row(y), b.row(y), a.stride()), 0) << y;
}

TEST(OwnProcessDecoding, GivesThePictureDecodedHereWholeAndAtTheConversionsSize) {
    const std::filesystem::path program = ownProcessDecoderPath();
    EXPECT_EQ(program.filename(), "varnelo-decode");
    ASSERT_TRUE(std::filesystem::exists(program)) << program;
    struct Case {
        const char* name;
        std::vector<std::uint8_t> file;
    };
    const std::vector<Case> cases = {
        {"avif", test::fastAvif(1024, 1024)},
        {"heif", test::fastHeif(1024, 1024)},
        {"webp", test::solidLosslessWebp(2048, 2048, 0xFF204060)},
        {"jxl", test::fastJxl(2048, 2048)},
    };
    const std::atomic<bool> never{false};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const bool whole : {true, false}) {
            ConversionLoad here = whole ? ConversionLoad{} : test::loadTo({300, 200});
            ConversionLoad apart = whole ? ConversionLoad{} : test::loadTo({300, 200});
            WorkBitmap mine;
            WorkBitmap theirs;
            ASSERT_EQ(loadPictureBytes(c.file, mine, nullptr, &here).detail, DecodeStatus::Ok);
            ASSERT_EQ(loadPictureBytes(c.file, theirs, &never, &apart).detail, DecodeStatus::Ok);
            expectSamePictures(mine, theirs);
            EXPECT_EQ(apart.facts.width, here.facts.width);
            EXPECT_EQ(apart.facts.topLeft, here.facts.topLeft);
        }
    }
    // What a picture needs beyond the limit is told from there too.
    ConversionLoad small;
    small.memoryLimit = std::int64_t{4} << 20;
    WorkBitmap picture;
    const LoadOutcome refused = loadPictureBytes(cases[1].file, picture, &never, &small);
    EXPECT_EQ(refused.detail, DecodeStatus::OverMemoryLimit);
    EXPECT_GT(refused.memoryNeeded, small.memoryLimit);
    EXPECT_EQ(test::childProcesses(), 0);
}

TEST(OwnProcessDecoding, ACancelEndsItAtOnce) {
    // 256 tiles of 1000 × 1000: seconds of decoding.
    const std::vector<std::uint8_t> file = test::gridOfOneTile(test::fastHeif(1000, 1000), 16, 16);
    std::atomic<bool> cancel{false};
    std::thread canceller([&cancel] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        cancel.store(true);
    });
    ConversionLoad conversion = test::loadTo({200, 200});
    conversion.memoryLimit = std::int64_t{8} << 30;
    WorkBitmap picture;
    const Clock::time_point started = Clock::now();
    const LoadOutcome outcome = loadPictureBytes(file, picture, &cancel, &conversion);
    const auto took = Clock::now() - started;
    canceller.join();
    EXPECT_EQ(outcome.detail, DecodeStatus::Cancelled);
    EXPECT_TRUE(picture.isEmpty());
    EXPECT_LT(took, std::chrono::milliseconds(300) + test::kCancelAnswered);
    // The killed process is reaped apart, once the kernel has freed it.
    for (int look = 0; look < 200 && test::childProcesses() > 0; ++look)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(test::childProcesses(), 0);
}

} // namespace
} // namespace varnelo
