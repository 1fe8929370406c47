#include "engine/symbol_sets.h"

#include <algorithm>
#include <array>
#include <utility>

namespace varnelo {

namespace {

constexpr int kSide = 8;

// The parts of columns [left, right) and rows [top, bottom) of the grid.
constexpr std::uint64_t parts(int left, int top, int right, int bottom) {
    std::uint64_t mask = 0;
    for (int row = top; row < bottom; ++row)
        for (int column = left; column < right; ++column)
            mask |= std::uint64_t{1} << (row * kSide + column);
    return mask;
}

// A mosaic of two columns and rows bands (their bounds in parts), bit i of
// pattern the band i / 2's column i % 2: sextants and quadrants as Unicode
// numbers their cells.
template <std::size_t Rows>
constexpr std::uint64_t mosaic(unsigned pattern, const std::array<int, Rows + 1>& bounds) {
    std::uint64_t mask = 0;
    for (std::size_t i = 0; i < 2 * Rows; ++i)
        if ((pattern >> i & 1U) != 0) {
            const int left = i % 2 == 0 ? 0 : kSide / 2;
            mask |= parts(left, bounds[i / 2], left + kSide / 2, bounds[i / 2 + 1]);
        }
    return mask;
}

// Thirds of eight rows by where each part's centre falls: 3, 3 and 2.
constexpr std::array<int, 4> kSextantRows = {0, 3, 6, 8};
constexpr std::array<int, 3> kQuadrantRows = {0, 4, 8};
constexpr std::array<int, 5> kOctantRows = {0, 2, 4, 6, 8};

// The octants' characters by pattern (bit 2 × row + column of their two
// columns and four rows): the 26 patterns Unicode had before as blocks,
// quadrants and quarters keep those characters; the others are numbered
// from U+1CD00 in the patterns' order.
constexpr std::array<char32_t, 256> kOctants = [] {
    constexpr std::array<std::pair<unsigned, char32_t>, 26> kEarlier = {{
        {0x00, U' '},          {0xFF, U'\u2588'},     {0x01, U'\U0001CEA8'}, {0x02, U'\U0001CEAB'},
        {0x40, U'\U0001CEA3'}, {0x80, U'\U0001CEA0'}, {0x05, U'\u2598'},     {0x0A, U'\u259D'},
        {0x50, U'\u2596'},     {0xA0, U'\u2597'},     {0x0F, U'\u2580'},     {0xF0, U'\u2584'},
        {0x55, U'\u258C'},     {0xAA, U'\u2590'},     {0x03, U'\U0001FB82'}, {0xC0, U'\u2582'},
        {0x14, U'\U0001FBE6'}, {0x28, U'\U0001FBE7'}, {0x5A, U'\u259E'},     {0xA5, U'\u259A'},
        {0x5F, U'\u259B'},     {0xAF, U'\u259C'},     {0xF5, U'\u2599'},     {0xFA, U'\u259F'},
        {0xFC, U'\u2586'},     {0x3F, U'\U0001FB85'},
    }};
    std::array<char32_t, 256> characters{};
    char32_t next = U'\U0001CD00';
    for (unsigned pattern = 0; pattern < characters.size(); ++pattern) {
        characters[pattern] = next;
        for (const auto& [earlier, character] : kEarlier)
            if (earlier == pattern)
                characters[pattern] = character;
        if (characters[pattern] == next)
            ++next;
    }
    return characters;
}();
static_assert(kOctants[0xFE] == U'\U0001CDE5', "230 octants of their own");

// The pattern of an octant's character, if it is one.
constexpr std::optional<unsigned> octantPattern(char32_t c) {
    for (unsigned pattern = 0; pattern < kOctants.size(); ++pattern)
        if (kOctants[pattern] == c)
            return pattern;
    return std::nullopt;
}

// Braille's dots 1 to 8 as bits 0 to 7: down the left column (1, 2, 3),
// down the right (4, 5, 6), then the bottom row's left and right (7, 8).
constexpr std::uint64_t brailleCoverage(unsigned dots) {
    constexpr std::array<std::array<int, 2>, 8> kDotAt = {
        {{0, 0}, {0, 1}, {0, 2}, {1, 0}, {1, 1}, {1, 2}, {0, 3}, {1, 3}}};
    std::uint64_t mask = 0;
    for (std::size_t dot = 0; dot < kDotAt.size(); ++dot)
        if ((dots >> dot & 1U) != 0) {
            const int left = kDotAt[dot][0] * kSide / 2;
            const int top = kDotAt[dot][1] * kSide / 4;
            mask |= parts(left, top, left + kSide / 2, top + kSide / 4);
        }
    return mask;
}

// The sextant U+1FB00 + index: the patterns 1 to 62 but the left and the
// right column, which are the half blocks.
constexpr unsigned sextantPattern(unsigned index) {
    unsigned pattern = index + 1;
    if (pattern >= 0b010101)
        ++pattern;
    if (pattern >= 0b101010)
        ++pattern;
    return pattern;
}

// The quadrants U+2596 to U+259F, bit 0 the upper left, 1 the upper right,
// 2 the lower left, 3 the lower right.
constexpr std::array<unsigned, 10> kQuadrantPatterns = {0b0100, 0b1000, 0b0001, 0b1101, 0b1001,
                                                        0b0111, 0b1011, 0b0010, 0b0110, 0b1110};

// The light, medium and dark shades: a quarter, a half and three quarters
// of the parts, spread evenly.
constexpr std::uint64_t kLightShade = 0x0055005500550055ULL;
constexpr std::uint64_t kMediumShade = 0xAA55AA55AA55AA55ULL;

std::u32string range(char32_t first, char32_t last) {
    std::u32string characters;
    for (char32_t c = first; c <= last; ++c)
        characters += c;
    return characters;
}

std::u32string halves() {
    return U"\u2580\u2584\u258C\u2590";
}

std::u32string blocks() {
    return range(U'\u2580', U'\u2590') + U"\u2594\u2595";
}

constexpr std::array<SymbolClass, 12> kClasses = {{
    {"space", "the blank", [] { return std::u32string(U" "); }},
    {"solid", "the full block", [] { return std::u32string(U"\u2588"); }},
    {"halves", "the half blocks", halves},
    {"blocks", "the full block, halves and eighths", blocks},
    {"quadrants", "the quadrants and halves",
     [] { return halves() + range(U'\u2596', U'\u259F'); }},
    {"sextants", "the sextants, 2 \u00D7 3 a cell",
     [] { return range(U'\U0001FB00', U'\U0001FB3B'); }},
    {"octants", "every pattern of 2 \u00D7 4 blocks a cell",
     [] {
         std::u32string characters;
         for (unsigned pattern = 1; pattern + 1 < kOctants.size(); ++pattern)
             characters += kOctants[pattern];
         return characters;
     }},
    {"braille", "the braille patterns, 2 \u00D7 4 dots",
     [] { return range(U'\u2801', U'\u28FF'); }},
    {"shades", "the light, medium and dark shades", [] { return range(U'\u2591', U'\u2593'); }},
    {"ascii", "printable ASCII", [] { return range(U' ', U'~'); }},
    {"letters", "the ASCII letters", [] { return range(U'A', U'Z') + range(U'a', U'z'); }},
    {"digits", "the digits", [] { return range(U'0', U'9'); }},
}};

} // namespace

std::span<const SymbolClass> symbolClasses() {
    return kClasses;
}

const SymbolClass* symbolClassNamed(std::string_view name) {
    for (const SymbolClass& symbolClass : kClasses)
        if (symbolClass.name == name)
            return &symbolClass;
    return nullptr;
}

std::optional<std::uint64_t> geometricCoverage(char32_t c, SymbolDrawing drawing) {
    if (c == U' ')
        return 0;
    if (c >= U'\u2800' && c <= U'\u28FF' && drawing == SymbolDrawing::ByFace)
        return std::nullopt;
    if (c == U'\u2800')
        return 0;
    if (c == U'\u2580')
        return parts(0, 0, kSide, kSide / 2);
    if (c >= U'\u2581' && c <= U'\u2588')
        return parts(0, kSide - static_cast<int>(c - U'\u2580'), kSide, kSide);
    if (c >= U'\u2589' && c <= U'\u258F')
        return parts(0, 0, kSide - static_cast<int>(c - U'\u2588'), kSide);
    if (c == U'\u2590')
        return parts(kSide / 2, 0, kSide, kSide);
    if (c == U'\u2591')
        return kLightShade;
    if (c == U'\u2592')
        return kMediumShade;
    if (c == U'\u2593')
        return ~kLightShade;
    if (c == U'\u2594')
        return parts(0, 0, kSide, 1);
    if (c == U'\u2595')
        return parts(kSide - 1, 0, kSide, kSide);
    if (c >= U'\u2596' && c <= U'\u259F')
        return mosaic<2>(kQuadrantPatterns[c - U'\u2596'], kQuadrantRows);
    if (c >= U'\U0001FB00' && c <= U'\U0001FB3B')
        return mosaic<3>(sextantPattern(static_cast<unsigned>(c - U'\U0001FB00')), kSextantRows);
    if (c >= U'\U0001CD00')
        if (const std::optional<unsigned> pattern = octantPattern(c))
            return mosaic<4>(*pattern, kOctantRows);
    if (c >= U'\u2801' && c <= U'\u28FF')
        return brailleCoverage(static_cast<unsigned>(c - U'\u2800'));
    return std::nullopt;
}

std::string_view defaultSymbolSet(OutputFormat format) {
    return format == OutputFormat::Image ? "space+blocks+sextants+octants"
                                         : "space+blocks+quadrants";
}

std::optional<std::u32string> symbolSetCharacters(std::string_view set, std::string& unknownName) {
    std::u32string characters;
    bool adding = true;
    while (true) {
        const std::size_t end = set.find_first_of("+-");
        const std::string_view name = set.substr(0, end);
        const SymbolClass* symbolClass = symbolClassNamed(name);
        if (symbolClass == nullptr) {
            unknownName = std::string(name);
            return std::nullopt;
        }
        for (const char32_t c : symbolClass->characters()) {
            const auto at = std::find(characters.begin(), characters.end(), c);
            if (adding && at == characters.end())
                characters += c;
            else if (!adding && at != characters.end())
                characters.erase(at);
        }
        if (end == std::string_view::npos)
            break;
        adding = set[end] == '+';
        set.remove_prefix(end + 1);
    }
    unknownName.clear();
    if (characters.empty())
        return std::nullopt;
    return characters;
}

} // namespace varnelo
