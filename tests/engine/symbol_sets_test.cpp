#include "engine/symbol_sets.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace varnelo {
namespace {

std::u32string charactersOf(std::string_view set) {
    std::string unknown;
    return symbolSetCharacters(set, unknown).value_or(U"");
}

// A mosaic's symbols, with the blank and the blocks that share its grid,
// are every pattern of its cells once: none drawn twice, none left out,
// none off the grid.
TEST(SymbolSets, EveryMosaicCoversEachPatternOfItsGridOnce) {
    struct Grid {
        std::string_view set;
        std::vector<int> rowBounds; // two columns of four parts each
    };
    for (const Grid& grid :
         {Grid{"space+solid+quadrants", {0, 4, 8}},
          Grid{"space+solid+halves+sextants", {0, 3, 6, 8}}, Grid{"space+braille", {0, 2, 4, 6, 8}},
          Grid{"space+solid+octants", {0, 2, 4, 6, 8}}}) {
        const std::size_t cellsOfGrid = 2 * (grid.rowBounds.size() - 1);
        std::set<std::uint64_t> patterns;
        for (unsigned pattern = 0; pattern < 1U << cellsOfGrid; ++pattern) {
            std::uint64_t mask = 0;
            for (std::size_t cell = 0; cell < cellsOfGrid; ++cell)
                if ((pattern >> cell & 1U) != 0)
                    for (int row = grid.rowBounds[cell / 2]; row < grid.rowBounds[cell / 2 + 1];
                         ++row)
                        mask |= std::uint64_t{0x0F}
                                << (static_cast<std::size_t>(row) * 8 + (cell % 2) * 4);
            patterns.insert(mask);
        }
        std::set<std::uint64_t> masks;
        for (const char32_t c : charactersOf(grid.set)) {
            const std::optional<std::uint64_t> coverage = geometricCoverage(c);
            ASSERT_TRUE(coverage) << grid.set << " U+" << std::hex << static_cast<unsigned>(c);
            masks.insert(*coverage);
        }
        // The upper and lower halves are no patterns of the sextants' rows.
        if (grid.set.find("halves") != std::string_view::npos)
            patterns.insert({0x00000000FFFFFFFFULL, 0xFFFFFFFF00000000ULL});
        EXPECT_EQ(masks, patterns) << grid.set;
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
