#include "cli/output_descriptor.h"

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <unistd.h>

namespace varnelo {
namespace {

TEST(DescriptorNamed, KnowsTheNamesOfOpenDescriptors) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    const std::string number = std::to_string(ends[1]);
    EXPECT_EQ(descriptorNamed("/dev/fd/" + number), ends[1]);
    EXPECT_EQ(descriptorNamed("/proc/self/fd/" + number), ends[1]);
    EXPECT_EQ(descriptorNamed("/dev/stderr"), STDERR_FILENO);
    ::close(ends[0]);
    ::close(ends[1]);
    EXPECT_EQ(descriptorNamed("/dev/fd/" + number), std::nullopt) << "closed now";
    EXPECT_EQ(descriptorNamed("/dev/fd/1x"), std::nullopt);

    test::TempDir folder;
    test::writeBytes(folder.file("out.html"), {'x'});
    EXPECT_EQ(descriptorNamed(folder.file("out.html")), std::nullopt);
    EXPECT_EQ(descriptorNamed(folder.file("new.html")), std::nullopt);
    EXPECT_EQ(descriptorNamed("/dev/null"), std::nullopt);
}

} // namespace
} // namespace varnelo
