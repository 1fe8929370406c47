// The desktop entry and the metainfo offer the program for exactly the
// picture types it reads, so that file managers list it under "Open With".
#include "engine/picture_loader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace varnelo {
namespace {

std::string packagingFile(const std::string& name) {
    std::ifstream file(std::string(VARNELO_PACKAGING_DIR) + "/" + name);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::set<std::string> readTypes() {
    std::set<std::string> types;
    for (const PictureTypeEntry& type : pictureTypes())
        types.emplace(type.mediaType);
    return types;
}

TEST(PictureTypesListed, TheDesktopEntryOpensEveryTypeRead) {
    const std::string entry = packagingFile("org.varnelo.Varnelo.desktop");
    std::smatch line;
    ASSERT_TRUE(std::regex_search(entry, line, std::regex("\nMimeType=([^\n]*)\n")));
    std::set<std::string> listed;
    const std::string list = line[1];
    for (std::size_t start = 0, end = 0; (end = list.find(';', start)) != std::string::npos;
         start = end + 1)
        listed.insert(list.substr(start, end - start));
    EXPECT_EQ(listed, readTypes());
    // A file manager passes the file it opens with.
    EXPECT_NE(entry.find("\nExec=varnelo %f\n"), std::string::npos);
}

TEST(PictureTypesListed, TheMetainfoProvidesEveryTypeRead) {
    const std::string metainfo = packagingFile("org.varnelo.Varnelo.metainfo.xml.in");
    std::set<std::string> listed;
    const std::regex mediaType("<mediatype>([^<]*)</mediatype>");
    for (auto it = std::sregex_iterator(metainfo.begin(), metainfo.end(), mediaType);
         it != std::sregex_iterator(); ++it)
        listed.insert((*it)[1]);
    EXPECT_EQ(listed, readTypes());
}

// The completions offer files of every type by its extensions, in either case.
TEST(PictureTypesListed, TheCompletionsOfferEveryExtension) {
    for (const char* completion :
         {"completions/varnelo-convert.bash", "completions/_varnelo-convert"}) {
        const std::string text = packagingFile(completion);
        for (const PictureTypeEntry& type : pictureTypes()) {
            for (const std::string_view extension : type.extensions) {
                const std::string bare(extension.substr(1));
                EXPECT_NE(text.find(bare), std::string::npos) << completion << ": " << bare;
            }
        }
    }
}

TEST(PictureTypesListed, TheManualPagesNameEveryType) {
    for (const char* page : {"varnelo.1.in", "varnelo-convert.1.in"}) {
        const std::string text = packagingFile(page);
        for (const PictureTypeEntry& type : pictureTypes())
            EXPECT_NE(text.find(std::string(type.label)), std::string::npos)
                << page << ": " << type.label;
    }
}

} // namespace
} // namespace varnelo
