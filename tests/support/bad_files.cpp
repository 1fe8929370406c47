#include "tests/support/bad_files.h"

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace varnelo::test {

void checkBadFiles(const std::vector<BadFile>& samples, const std::string& extension,
                   Decoder decode, const WorkBitmap& startPicture) {
    std::set<std::string> names;
    for (const BadFile& bad : samples) {
        SCOPED_TRACE(bad.name);
        names.insert(bad.name);
        EXPECT_LE(bad.bytes.size(), 512u);
        WorkBitmap picture = startPicture; // a failure must also empty a full picture
        EXPECT_EQ(decode(bad.bytes, picture), bad.expected);
        EXPECT_EQ(picture.isEmpty(), bad.expected != DecodeStatus::Ok);
        // The committed copy must be what the generator makes, so the two never drift apart.
        EXPECT_EQ(readBytes((badFilesFolder() / bad.name).string()), bad.bytes)
            << "regenerate with --gtest_also_run_disabled_tests --gtest_filter='*BadFiles*'";
    }
    for (const auto& entry : std::filesystem::directory_iterator(badFilesFolder())) {
        if (entry.path().extension() != extension ||
            names.contains(entry.path().filename().string()))
            continue;
        SCOPED_TRACE(entry.path().string());
        WorkBitmap picture = startPicture;
        const DecodeStatus status = decode(readBytes(entry.path().string()), picture);
        EXPECT_EQ(picture.isEmpty(), status != DecodeStatus::Ok);
    }
}

void writeBadFiles(const std::vector<BadFile>& samples) {
    std::filesystem::create_directories(badFilesFolder());
    for (const BadFile& bad : samples)
        writeBytes((badFilesFolder() / bad.name).string(), bad.bytes);
}

} // namespace varnelo::test
