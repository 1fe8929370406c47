// The modules, and the program that decodes apart, are looked for beside
// the program and run only from where no other user could have put them.
#include "reading/modules.h"

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

namespace varnelo {
namespace {

namespace fs = std::filesystem;

TEST(Modules, AreTakenOnlyFromWhereNoOtherUserMayChangeThem) {
    const test::TempDir temp;
    const fs::path folder = temp.path() / "lib";
    fs::create_directory(folder);
    ::chmod(folder.c_str(), 0755);
    const std::string module = (folder / "module.so").string();
    std::ofstream(module) << "x";
    ::chmod(module.c_str(), 0644);
    EXPECT_TRUE(trustedModuleFile(module));
    EXPECT_FALSE(trustedModuleFile((folder / "missing.so").string()));
    EXPECT_FALSE(trustedModuleFile(folder.string()));

    ::chmod(module.c_str(), 0646);
    EXPECT_FALSE(trustedModuleFile(module));
    ::chmod(module.c_str(), 0644);
    // A folder anyone may write to: the file could be replaced.
    ::chmod(folder.c_str(), 0777);
    EXPECT_FALSE(trustedModuleFile(module));
    // Group-writable for the user's own group, as a private group's umask makes it.
    ::chmod(folder.c_str(), 0775);
    ASSERT_EQ(::chown(folder.c_str(), static_cast<uid_t>(-1), ::getegid()), 0);
    EXPECT_TRUE(trustedModuleFile(module));
    if (::geteuid() == 0) {
        // Another group that may write there.
        ASSERT_EQ(::chown(folder.c_str(), static_cast<uid_t>(-1), ::getegid() + 1), 0);
        EXPECT_FALSE(trustedModuleFile(module));
        // Another user's folder or file.
        ::chmod(folder.c_str(), 0755);
        ASSERT_EQ(::chown(module.c_str(), 1, static_cast<gid_t>(-1)), 0);
        EXPECT_FALSE(trustedModuleFile(module));
    }
}

} // namespace
} // namespace varnelo
