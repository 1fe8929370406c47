#include "engine/symbol_sets.h"

#include <gtest/gtest.h>

#include <set>

namespace varnelo {
namespace {

std::u32string charactersOf(std::string_view set) {
    std::string unknown;
    return symbolSetCharacters(set, unknown).value_or(U"");
}

// A mosaic's symbols, with the blank and the blocks that share its grid,
// are every pattern of its cells once: no cell's pattern drawn twice, none
// left out.
TEST(SymbolSets, EveryMosaicCoversEachPatternOfItsGridOnce) {
    struct Grid {
        std::string_view set;
        std::size_t patterns;
    };
    for (const Grid grid : {Grid{"space+solid+quadrants", 16},
                            Grid{"space+solid+halves+sextants", 64}, Grid{"space+braille", 256}}) {
        std::set<std::uint64_t> masks;
        for (const char32_t c : charactersOf(grid.set)) {
            const std::optional<std::uint64_t> coverage = geometricCoverage(c);
            ASSERT_TRUE(coverage) << grid.set << " U+" << std::hex << static_cast<unsigned>(c);
            masks.insert(*coverage);
        }
        // The upper and lower halves are no patterns of the sextants' rows.
        const std::size_t besides = grid.set.find("halves") != std::string_view::npos ? 2 : 0;
        EXPECT_EQ(masks.size(), grid.patterns + besides) << grid.set;
    }
    // Every symbol made by rule has its coverage, distinct within its class.
    for (const SymbolClass& symbolClass : symbolClasses()) {
        const std::u32string characters = symbolClass.characters();
        if (!geometricCoverage(characters.back()))
            continue; // drawn from the face
        std::set<std::uint64_t> masks;
        for (const char32_t c : characters) {
            ASSERT_TRUE(geometricCoverage(c)) << symbolClass.name;
            masks.insert(*geometricCoverage(c));
        }
        EXPECT_EQ(masks.size(), characters.size()) << symbolClass.name;
    }
}

TEST(SymbolSets, ClassesJoinAndPartLeftToRight) {
    EXPECT_EQ(charactersOf("blocks+braille").size(),
              charactersOf("blocks").size() + charactersOf("braille").size());
    EXPECT_EQ(charactersOf("halves+blocks").size(), charactersOf("blocks").size());
    const std::u32string letters = charactersOf("ascii-digits-space");
    EXPECT_EQ(letters.find_first_of(U"0123456789 "), std::u32string::npos);
    EXPECT_NE(letters.find(U'A'), std::u32string::npos);
    EXPECT_EQ(charactersOf("digits+ascii").substr(0, 10), U"0123456789");

    std::string unknown;
    EXPECT_FALSE(symbolSetCharacters("blocks+wedges", unknown));
    EXPECT_EQ(unknown, "wedges");
    EXPECT_FALSE(symbolSetCharacters("", unknown));
    EXPECT_EQ(unknown, "");
    EXPECT_FALSE(symbolSetCharacters("digits-digits", unknown)) << "an empty set";
    EXPECT_EQ(unknown, "");
}

} // namespace
} // namespace varnelo
