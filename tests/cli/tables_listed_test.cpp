// Every row of the picture-type, output-format and mode tables is whole and
// reaches what users read: the converter's help, the shell completions, the
// manual pages, and for picture types the desktop entry and the metainfo,
// so that file managers offer the program under "Open With". The packaging
// files are read as the build fills them in.
#include "engine/character_modes.h"
#include "engine/output_formats.h"
#include "library/command_line.h"
#include "reading/picture_loader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace varnelo {
namespace {

std::string listedFile(const std::string& name) {
    std::ifstream file(std::string(VARNELO_LISTED_DIR) + "/" + name);
    EXPECT_TRUE(file) << name;
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::set<std::string> readTypes() {
    std::set<std::string> types;
    for (const PictureTypeEntry& type : pictureTypes())
        types.insert(type.mediaTypes.begin(), type.mediaTypes.end());
    return types;
}

// Whether a list of words, between blanks, quotes or parentheses, holds the word.
bool listsWord(const std::string& text, std::string_view word) {
    return std::regex_search(text, std::regex("[ '(]" + std::string(word) + "[ ')]"));
}

const char* const kCompletions[] = {"completions/varnelo-convert", "completions/_varnelo-convert"};
const char* const kManualPages[] = {"varnelo.1", "varnelo-convert.1"};

TEST(TablesListed, EveryPictureTypeRowIsWhole) {
    std::set<std::string_view> labels;
    for (const PictureTypeEntry& type : pictureTypes()) {
        EXPECT_FALSE(type.label.empty());
        EXPECT_TRUE(labels.insert(type.label).second) << type.label;
        ASSERT_FALSE(type.mediaTypes.empty()) << type.label;
        for (const std::string_view mediaType : type.mediaTypes)
            EXPECT_TRUE(mediaType.starts_with("image/")) << type.label;
        EXPECT_FALSE(type.extensions.empty()) << type.label;
        for (const std::string_view extension : type.extensions)
            EXPECT_TRUE(extension.size() > 1 && extension.front() == '.') << type.label;
        EXPECT_NE(type.probe, nullptr) << type.label;
        EXPECT_NE(type.decode, nullptr) << type.label;
    }
}

TEST(TablesListed, TheDesktopEntryOpensEveryTypeRead) {
    const std::string entry = listedFile("org.varnelo.Varnelo.desktop");
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

TEST(TablesListed, TheMetainfoProvidesEveryTypeRead) {
    const std::string metainfo = listedFile("org.varnelo.Varnelo.metainfo.xml");
    std::set<std::string> listed;
    const std::regex mediaType("\n    <mediatype>([^<]*)</mediatype>");
    for (auto it = std::sregex_iterator(metainfo.begin(), metainfo.end(), mediaType);
         it != std::sregex_iterator(); ++it)
        listed.insert((*it)[1]);
    EXPECT_EQ(listed, readTypes());
}

// The completions offer files of every type by its extensions, in either
// case, and every format and mode by its name.
TEST(TablesListed, TheCompletionsOfferEveryExtensionFormatAndMode) {
    for (const char* completion : kCompletions) {
        const std::string text = listedFile(completion);
        EXPECT_EQ(text.find("{{"), std::string::npos) << completion;
        for (const PictureTypeEntry& type : pictureTypes()) {
            for (const std::string_view extension : type.extensions) {
                const std::string bare(extension.substr(1));
                EXPECT_NE(text.find(bare), std::string::npos) << completion << ": " << bare;
            }
        }
        for (const OutputFormatEntry& format : outputFormats())
            EXPECT_TRUE(listsWord(text, format.name)) << completion << ": " << format.name;
        for (const CharacterMode& mode : characterModes())
            EXPECT_TRUE(listsWord(text, mode.name)) << completion << ": " << mode.name;
    }
}

TEST(TablesListed, TheManualPagesAndTheHelpNameEveryType) {
    for (const char* page : kManualPages) {
        const std::string text = listedFile(page);
        for (const PictureTypeEntry& type : pictureTypes())
            EXPECT_NE(text.find(std::string(type.label)), std::string::npos)
                << page << ": " << type.label;
    }
    EXPECT_NE(usageText().find(pictureTypeNames()), std::string::npos);
}

// Roff writes a minus sign as \-.
std::string roffName(std::string_view name) {
    std::string text = "\\fB";
    for (const char c : name)
        text += c == '-' ? std::string("\\-") : std::string(1, c);
    return text + "\\fR";
}

TEST(TablesListed, TheConvertersManualPageNamesEveryFormatAndMode) {
    const std::string page = listedFile("varnelo-convert.1");
    EXPECT_EQ(page.find("{{"), std::string::npos);
    for (const OutputFormatEntry& format : outputFormats()) {
        EXPECT_NE(page.find(roffName(format.name)), std::string::npos) << format.name;
        EXPECT_NE(page.find(roffName(format.extension)), std::string::npos) << format.extension;
    }
    for (const CharacterMode& mode : characterModes())
        EXPECT_NE(page.find(roffName(mode.name) + " ("), std::string::npos) << mode.name;
}

TEST(TablesListed, TheHelpNamesEveryFormatAndMode) {
    // Wrapped help lines break at blanks, never inside a name.
    const std::string help = usageText();
    for (const OutputFormatEntry& format : outputFormats())
        EXPECT_NE(help.find(std::string(format.name)), std::string::npos) << format.name;
    for (const CharacterMode& mode : characterModes())
        EXPECT_NE(help.find(std::string(mode.name)), std::string::npos) << mode.name;
}

} // namespace
} // namespace varnelo
