#include "cli/input_picture.h"
#include "reading/picture_loader.h"

#include "tests/support/picture_files.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sstream>
#include <vector>

namespace varnelo {
namespace {

// Serves bytes as a pipe does, a few at a time, counting what was taken.
struct TrickleSource {
    std::vector<std::uint8_t> bytes;
    bool endless = false; // zeros without end after the bytes, as /dev/zero
    std::size_t served = 0;

    ReadSome reader() {
        return [this](std::uint8_t* into, std::size_t room) -> long {
            std::size_t count = 0;
            while (count < room && count < 1000 && (served < bytes.size() || endless)) {
                into[count++] = served < bytes.size() ? bytes[served] : 0;
                ++served;
            }
            return static_cast<long>(count);
        };
    }
};

TEST(InputPicture, ReadsAPictureWholeInSteps) {
    test::TempDir folder;
    const std::string path = folder.file("p.bmp");
    test::writeBmpFile(path, 40, 30, test::noise);
    TrickleSource source{test::readBytes(path)};
    InputPicture input;
    const std::atomic<bool> cancel{false};
    EXPECT_EQ(input.read(source.reader(), cancel).status, ReadFileStatus::Ok);
    EXPECT_TRUE(input.startsLikeAPicture());
    EXPECT_TRUE(std::equal(input.bytes().begin(), input.bytes().end(), source.bytes.begin(),
                           source.bytes.end()));
}

// /dev/zero or a text: refused after its first bytes, never read on.
TEST(InputPicture, StopsAsSoonAsTheFirstBytesAreNoPictures) {
    TrickleSource zeros{{}, true};
    InputPicture input;
    const std::atomic<bool> cancel{false};
    EXPECT_EQ(input.read(zeros.reader(), cancel).status, ReadFileStatus::Ok);
    EXPECT_FALSE(input.startsLikeAPicture());
    EXPECT_LE(zeros.served, kPictureProbeBytes);

    TrickleSource tiny{{'B'}};
    InputPicture one;
    EXPECT_EQ(one.read(tiny.reader(), cancel).status, ReadFileStatus::Ok);
    EXPECT_FALSE(one.startsLikeAPicture());
}

// A signal interrupts the read that waits; its cancel ends the reading.
TEST(InputPicture, EndsAnInterruptedReadWhenCancelled) {
    std::atomic<bool> cancel{false};
    int calls = 0;
    const ReadSome interrupted = [&](std::uint8_t*, std::size_t) -> long {
        ++calls;
        cancel = true;
        errno = EINTR;
        return -1;
    };
    InputPicture input;
    const ReadFileOutcome outcome = input.read(interrupted, cancel);
    EXPECT_EQ(outcome.status, ReadFileStatus::ReadError);
    EXPECT_EQ(outcome.errorNumber, EINTR);
    EXPECT_EQ(calls, 1);
}

TEST(InputPicture, ReadsAStream) {
    std::istringstream in(std::string("\x89PNG\r\n\x1A\n", 8) + "rest");
    InputPicture input;
    const std::atomic<bool> cancel{false};
    EXPECT_EQ(input.read(readStream(in), cancel).status, ReadFileStatus::Ok);
    EXPECT_TRUE(input.startsLikeAPicture());
    EXPECT_EQ(input.bytes().size(), 12u);
}

} // namespace
} // namespace varnelo
