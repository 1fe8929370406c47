#include "engine/shape_matching.h"

#include "base/color.h"
#include "engine/char_source.h"
#include "engine/character_modes.h"
#include "engine/two_colour_fit.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <exception>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace varnelo {

namespace {

constexpr int kGridSide = 8;
// Below this spread of brightness within a cell its changes are noise, and
// it is drawn as even: shapes picked from noise would only scatter it.
constexpr std::uint32_t kEdgeContrast = 40;

// How unevenly a glyph's ink lies over the quarters of its cell: the most
// parts inked in one quarter less the fewest in another.
int unevenness(std::uint64_t mask) {
    constexpr std::uint64_t kTopLeft = 0x0F0F0F0FULL;
    const std::array<int, 4> quarters = {
        std::popcount(mask & kTopLeft), std::popcount(mask & (kTopLeft << 4)),
        std::popcount(mask & (kTopLeft << 32)), std::popcount(mask & (kTopLeft << 36))};
    return *std::max_element(quarters.begin(), quarters.end()) -
           *std::min_element(quarters.begin(), quarters.end());
}

// For each ink level 0..255, the glyph whose ink covers as much of its
// cell as that level asks of the densest glyph, among the half of the
// glyphs whose ink lies most evenly: an even cell drawn with a glyph of
// one-sided ink would show an edge that is not there.
std::array<char, 256> evenCellGlyphsByDensity(std::span<const GlyphShape> glyphs) {
    std::vector<int> spreads;
    for (const GlyphShape& glyph : glyphs)
        spreads.push_back(unevenness(glyph.mask));
    std::vector<int> sorted = spreads;
    std::nth_element(sorted.begin(),
                     sorted.begin() + static_cast<std::ptrdiff_t>(sorted.size() / 2), sorted.end());
    const int mostUneven = sorted[sorted.size() / 2];
    std::uint32_t densest = 0;
    for (const GlyphShape& glyph : glyphs)
        densest = std::max<std::uint32_t>(densest, glyph.density);
    std::array<char, 256> chosen{};
    for (std::uint32_t level = 0; level < 256; ++level) {
        std::uint32_t bestDistance = UINT32_MAX;
        for (std::size_t i = 0; i < glyphs.size(); ++i) {
            if (spreads[i] > mostUneven)
                continue;
            const std::uint32_t wanted = level * densest;
            const std::uint32_t has = std::uint32_t{glyphs[i].density} * 255;
            const std::uint32_t distance = wanted > has ? wanted - has : has - wanted;
            if (distance < bestDistance) {
                bestDistance = distance;
                chosen[level] = glyphs[i].byte;
            }
        }
    }
    return chosen;
}

// The glyphs of even cells: the ramp's characters, as ramp mode draws
// them, where at least two of them are candidates (made to show brightness
// without a shape, they show the picture best); else by density.
std::array<char, 256> evenCellGlyphs(const ConversionSettings& settings,
                                     std::span<const GlyphShape> glyphs) {
    ByteString ramp;
    for (const char character : settings.ramp) {
        if (std::any_of(glyphs.begin(), glyphs.end(),
                        [&](const GlyphShape& glyph) { return glyph.byte == character; }))
            ramp += character;
    }
    if (ramp.size() < 2)
        return evenCellGlyphsByDensity(glyphs);
    std::array<char, 256> chosen{};
    const auto last = static_cast<std::uint32_t>(ramp.size() - 1);
    for (std::uint32_t level = 0; level < 256; ++level)
        chosen[level] = ramp[(level * last + 127) / 255];
    return chosen;
}

// A mask moved right by dx columns and down by dy rows (left and up when
// negative), with what falls off its edges dropped.
std::uint64_t shifted(std::uint64_t mask, int dx, int dy) {
    constexpr std::uint64_t kColumn0 = 0x0101010101010101ULL;
    for (int i = 0; i < dx; ++i)
        mask = (mask << 1) & ~kColumn0;
    for (int i = 0; i < -dx; ++i)
        mask = (mask >> 1) & ~(kColumn0 << 7);
    if (dy > 0)
        mask <<= 8 * dy;
    else if (dy < 0)
        mask >>= 8 * -dy;
    return mask;
}

// The glyph whose shape differs from the mask in the fewest parts. A glyph
// may stand a little off where the mask's shape lies (up to three columns
// and two rows), at a cost of two parts per step: ASCII has no glyph drawn along a cell's edge, so
// a line falling there would otherwise find none.
struct Offset {
    int dx = 0;
    int dy = 0;
    int steps() const { return std::abs(dx) + std::abs(dy); }
};

std::vector<Offset> offsetsNearestFirst() {
    constexpr int kMostColumnsOff = 3;
    constexpr int kMostRowsOff = 2;
    std::vector<Offset> offsets;
    for (int dy = -kMostRowsOff; dy <= kMostRowsOff; ++dy)
        for (int dx = -kMostColumnsOff; dx <= kMostColumnsOff; ++dx)
            offsets.push_back({dx, dy});
    std::stable_sort(offsets.begin(), offsets.end(),
                     [](Offset a, Offset b) { return a.steps() < b.steps(); });
    return offsets;
}

struct ShapeMatch {
    char byte = ' ';
    int distance = 65;
    bool blank = true; // a glyph without ink
};

// The candidates grouped by how many parts their ink covers: a glyph
// covering k parts differs from a mask covering m in at least |k - m|, so
// the search looks at the groups nearest the mask's first and stops early.
class GlyphsByInk {
public:
    explicit GlyphsByInk(std::span<const GlyphShape> glyphs) {
        for (std::size_t i = 0; i < glyphs.size(); ++i) {
            const GlyphShape& glyph = glyphs[i];
            groups_[static_cast<std::size_t>(std::popcount(glyph.mask))].push_back(
                {glyph.mask, static_cast<int>(i), glyph.byte});
        }
    }

    // The closest glyph to mask; among equal ones the earliest candidate.
    ShapeMatch closest(std::uint64_t mask) const {
        // Nearest first, so that among equal matches the glyph in place wins.
        static const std::vector<Offset> kOffsets = offsetsNearestFirst();
        constexpr int kCostPerStep = 2;
        const int inked = std::popcount(mask);
        Best best;
        for (std::size_t rank = 0; rank < kOffsets.size(); ++rank) {
            const Offset offset = kOffsets[rank];
            const int steps = offset.steps();
            if (kCostPerStep * steps >= best.distance)
                break;
            const std::uint64_t moved = shifted(mask, offset.dx, offset.dy);
            const int parts = std::popcount(moved);
            const int cost = kCostPerStep * steps + inked - parts;
            for (int apart = 0; apart <= kParts; ++apart) {
                // Nothing further off can do better, nor tie from a later offset.
                if (cost + apart > best.distance ||
                    (cost + apart == best.distance && best.rank != rank))
                    break;
                search(parts - apart, moved, cost, rank, best);
                if (apart > 0)
                    search(parts + apart, moved, cost, rank, best);
            }
        }
        return {best.byte, best.distance, best.blank};
    }

private:
    static constexpr int kParts = 64;
    struct Candidate {
        std::uint64_t mask;
        int index;
        char byte;
    };
    struct Best {
        int distance = kParts + 1;
        std::size_t rank = 0;
        int index = 0;
        char byte = ' ';
        bool blank = true;
    };

    void search(int group, std::uint64_t moved, int cost, std::size_t rank, Best& best) const {
        if (group < 0 || group > kParts)
            return;
        for (const Candidate& candidate : groups_[static_cast<std::size_t>(group)]) {
            // A cell that stands out is better drawn roughly than left blank.
            const int blank = candidate.mask == 0 ? 1 : 0;
            const int distance = cost + blank + std::popcount(moved ^ candidate.mask);
            const bool better =
                distance < best.distance ||
                (distance == best.distance && rank == best.rank && candidate.index < best.index);
            if (better)
                best = {distance, rank, candidate.index, candidate.byte, candidate.mask == 0};
        }
    }

    std::array<std::vector<Candidate>, kParts + 1> groups_;
};

// The parts of the mask next to a part of the cell that is not inked: the
// line along which the picture changes. Beyond the cell counts as inked.
std::uint64_t outlineOf(std::uint64_t mask) {
    const std::uint64_t blank = ~mask;
    const std::uint64_t besideBlank =
        shifted(blank, 1, 0) | shifted(blank, -1, 0) | shifted(blank, 0, 1) | shifted(blank, 0, -1);
    return mask & besideBlank;
}

// The samples of one row of cells: their brightness, and their colour as
// the picture holds it from row top on.
struct SampleRows {
    int width = 0;
    std::vector<std::uint8_t> luminance;
    const WorkBitmap* picture = nullptr;
    int top = 0;
    std::uint8_t luminanceAt(int x, int y) const {
        return luminance[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                         static_cast<std::size_t>(x)];
    }
    Rgb colorAt(int x, int y) const { return picture->pixelColor(x, top + y); }
};

// Where a part's centre falls among count samples: between first and
// second, toSecond 256ths of the way.
struct Between {
    int first = 0;
    int second = 0;
    std::uint32_t toSecond = 0;
};

// The centre at numerator / denominator of the way along count samples.
Between between(int numerator, int denominator, int count) {
    const std::int64_t position =
        std::int64_t{numerator} * count * 256 / denominator - 128; // 256ths of a sample
    if (position <= 0)
        return {0, 0, 0};
    const auto first = static_cast<int>(position >> 8);
    if (first >= count - 1)
        return {count - 1, count - 1, 0};
    return {first, first + 1, static_cast<std::uint32_t>(position & 255)};
}

struct ColorSum {
    std::uint64_t red = 0;
    std::uint64_t green = 0;
    std::uint64_t blue = 0;
    std::uint64_t count = 0;
    void add(Rgb color) {
        red += redOf(color);
        green += greenOf(color);
        blue += blueOf(color);
        ++count;
    }
    Rgb mean() const {
        const std::uint64_t n = std::max<std::uint64_t>(count, 1);
        return makeRgb(static_cast<std::uint32_t>((red + n / 2) / n),
                       static_cast<std::uint32_t>((green + n / 2) / n),
                       static_cast<std::uint32_t>((blue + n / 2) / n));
    }
};

// The samples of one cell: columns [x0, x1) and rows [0, rows).
struct Cell {
    const SampleRows& samples;
    int x0;
    int x1;
    int rows;
    template <class Visit>
    void forEach(const Visit& visit) const {
        for (int y = 0; y < rows; ++y)
            for (int x = x0; x < x1; ++x)
                visit(std::uint32_t{samples.luminanceAt(x, y)}, samples.colorAt(x, y));
    }
    // The brightness between the four samples around a point.
    std::uint32_t brightnessAt(const Between& x, const Between& y) const {
        const auto at = [&](int column, int row) -> std::uint32_t {
            return samples.luminanceAt(x0 + column, row);
        };
        const std::uint32_t top =
            at(x.first, y.first) * (256 - x.toSecond) + at(x.second, y.first) * x.toSecond;
        const std::uint32_t bottom =
            at(x.first, y.second) * (256 - x.toSecond) + at(x.second, y.second) * x.toSecond;
        return (top * (256 - y.toSecond) + bottom * y.toSecond + (1U << 15)) >> 16;
    }
};

// The 8 × 8 parts of character k of the cell (of perPixel side by side)
// that stand out. Each part's brightness is read between the samples
// around its centre, so that a line thinner than a part or between two
// samples still marks the parts it passes.
template <class StandsOut>
std::uint64_t maskOf(const Cell& cell, int k, int perPixel, const StandsOut& standsOut) {
    std::array<Between, kGridSide> across{};
    std::array<Between, kGridSide> down{};
    for (int i = 0; i < kGridSide; ++i) {
        across[static_cast<std::size_t>(i)] =
            between(2 * (k * kGridSide + i) + 1, 2 * kGridSide * perPixel, cell.x1 - cell.x0);
        down[static_cast<std::size_t>(i)] = between(2 * i + 1, 2 * kGridSide, cell.rows);
    }
    std::uint64_t mask = 0;
    for (int row = 0; row < kGridSide; ++row)
        for (int column = 0; column < kGridSide; ++column)
            if (standsOut(cell.brightnessAt(across[static_cast<std::size_t>(column)],
                                            down[static_cast<std::size_t>(row)])))
                mask |= std::uint64_t{1} << (row * kGridSide + column);
    return mask;
}

// What lies under the parts of each character of a cell: a pixel has at
// most two.
using CharacterParts = std::array<CellParts, 2>;

class CellMatcher {
public:
    CellMatcher(const ConversionSettings& settings, std::span<const GlyphShape> glyphs,
                int perPixel)
        : byInk_(glyphs), evenGlyphs_(evenCellGlyphs(settings, glyphs)), perPixel_(perPixel),
          darkBackground_(luminanceOf(settings.backgroundColor) < 128), fill_(settings.fillCells),
          background_(settings.backgroundColor) {
        for (const GlyphShape& glyph : glyphs) {
            density_[static_cast<unsigned char>(glyph.byte)] = glyph.density;
            masks_[static_cast<unsigned char>(glyph.byte)] = glyph.mask;
            candidateMasks_.push_back(glyph.mask);
            candidateBytes_.push_back(glyph.byte);
        }
    }

    // The cell of columns [x0, x1) and rows [0, rows) of the samples: its
    // characters into text, its colour returned; filled, the ink its
    // characters are drawn in into ink.
    Rgb match(const SampleRows& samples, int x0, int x1, int rows, char* text, Rgb& ink) const {
        const Cell cell{samples, x0, x1, rows};
        if (!fill_)
            return chooseCharacters(cell, nullptr, text);
        const CharacterParts parts = partsOf(cell);
        chooseCharacters(cell, &parts, text);
        return fillColors(parts, text, ink);
    }

private:
    // The cell's characters into text; its colour unfilled returned.
    // Filled, what lies under each character's parts is parts.
    Rgb chooseCharacters(const Cell& cell, const CharacterParts* parts, char* text) const {
        std::uint32_t low = 255;
        std::uint32_t high = 0;
        ColorSum all;
        cell.forEach([&](std::uint32_t bright, Rgb color) {
            low = std::min(low, bright);
            high = std::max(high, bright);
            all.add(color);
        });
        if (high - low < kEdgeContrast) {
            const std::uint32_t bright = luminanceOf(all.mean());
            std::fill_n(text, perPixel_, evenGlyphs_[darkBackground_ ? bright : 255 - bright]);
            return fill_ ? all.mean() : inkShowing(all.mean(), text);
        }
        // Filled, the cell shows two colours of its own whatever the
        // background: which glyph draws it best is a matter of colours.
        if (parts != nullptr) {
            for (int k = 0; k < perPixel_; ++k)
                text[k] =
                    candidateBytes_[(*parts)[static_cast<std::size_t>(k)].closest(candidateMasks_)];
            return all.mean();
        }
        // A part stands out when it lies on the far side of the middle
        // brightness from the background.
        const std::uint32_t twiceMiddle = low + high;
        const auto standsOut = [&](std::uint32_t bright) {
            return darkBackground_ ? 2 * bright > twiceMiddle : 2 * bright < twiceMiddle;
        };
        for (int k = 0; k < perPixel_; ++k) {
            const std::uint64_t mask = maskOf(cell, k, perPixel_, standsOut);
            // Where a broad part of the cell stands out, the line along its
            // edge may match better than the part itself: a hillside
            // drawn as a slash, not as a block of letters.
            const ShapeMatch filled = byInk_.closest(mask);
            const std::uint64_t outline = outlineOf(mask);
            // A region no thicker than its edge is its own outline.
            const ShapeMatch edge = outline == mask ? filled : byInk_.closest(outline);
            // An edge drawn blank would lose it: only a glyph counts.
            text[k] = !edge.blank && edge.distance < filled.distance ? edge.byte : filled.byte;
        }
        return inkShowing(all.mean(), text);
    }

    // What lies under each of the 8 × 8 parts of each character of the cell.
    CharacterParts partsOf(const Cell& cell) const {
        CharacterParts parts;
        const int across = cell.x1 - cell.x0;
        for (int y = 0; y < cell.rows; ++y) {
            const int row = y * kGridSide / cell.rows;
            for (int x = cell.x0; x < cell.x1; ++x) {
                const int column = (x - cell.x0) * kGridSide * perPixel_ / across;
                parts[static_cast<std::size_t>(column / kGridSide)].add(
                    row * kGridSide + column % kGridSide, cell.samples.colorAt(x, y));
            }
        }
        return parts;
    }

    // A filled cell's two colours: the mean of what the characters' ink
    // covers, into ink, and the mean of the rest, returned. Cells of one
    // colour throughout keep their characters drawn in its shade.
    Rgb fillColors(const CharacterParts& parts, const char* text, Rgb& ink) const {
        CellParts::Sides sides;
        for (int k = 0; k < perPixel_; ++k)
            sides.add(parts[static_cast<std::size_t>(k)].sidesOf(
                masks_[static_cast<unsigned char>(text[k])]));
        const Rgb rest = sides.means(ink);
        if (sides.inkCount == 0 || sides.restCount == 0) {
            const Rgb color = sides.inkCount == 0 ? rest : ink;
            ink = contrastingShade(color);
            return color;
        }
        return rest;
    }

    // The ink that makes the cell as bright as the picture under it.
    Rgb inkShowing(Rgb cellMean, const char* text) const {
        std::uint32_t covered = 0;
        for (int k = 0; k < perPixel_; ++k)
            covered += density_[static_cast<unsigned char>(text[k])];
        return varnelo::inkShowing(cellMean, background_,
                                   covered / static_cast<std::uint32_t>(perPixel_));
    }

    GlyphsByInk byInk_;
    std::array<char, 256> evenGlyphs_;
    int perPixel_;
    bool darkBackground_;
    bool fill_;
    Rgb background_;
    std::array<std::uint8_t, 256> density_{};
    std::array<std::uint64_t, 256> masks_{};
    std::vector<std::uint64_t> candidateMasks_;
    std::vector<char> candidateBytes_;
};

// The brightness of row y of the picture into the samples from index at on.
void readSamples(const WorkBitmap& picture, int y, std::size_t at, SampleRows& samples) {
    std::uint8_t* luminance = samples.luminance.data() + at;
    const auto width = static_cast<std::size_t>(picture.width());
    // Rec. 709's weights in 256ths: a sample's brightness only decides
    // which side of its cell's middle it lies on.
    const auto brightness = [](std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
        return static_cast<std::uint8_t>((54 * red + 183 * green + 19 * blue + 128) >> 8);
    };
    const std::uint8_t* p = picture.row(y);
    switch (picture.depth()) {
    case PixelDepth::Bits24:
        for (std::size_t x = 0; x < width; ++x, p += 3)
            luminance[x] = brightness(p[2], p[1], p[0]);
        return;
    case PixelDepth::Bits32:
    case PixelDepth::Device:
        for (std::size_t x = 0; x < width; ++x, p += 4)
            luminance[x] = brightness(p[2], p[1], p[0]);
        return;
    default:
        for (std::size_t x = 0; x < width; ++x) {
            const Rgb color = picture.pixelColor(static_cast<int>(x), y);
            luminance[x] = brightness(redOf(color), greenOf(color), blueOf(color));
        }
        return;
    }
}

void putColor(WorkBitmap& picture, int x, int y, Rgb color) {
    std::uint8_t* p = picture.row(y) + static_cast<std::size_t>(x) * 3;
    p[0] = blueOf(color);
    p[1] = greenOf(color);
    p[2] = redOf(color);
}

} // namespace

PictureSize shapeSamplesPerCell(const ConversionSettings& settings, PictureSize cells) {
    const std::int64_t count = std::int64_t{std::max(cells.width, 1)} * std::max(cells.height, 1);
    const int characters = charactersPerPixel(settings);
    int side = kGridSide;
    while (side > 1 && count * side * side * characters > kMaxShapeSamples)
        --side;
    return {side * characters, side};
}

PictureSize conversionLoadSize(const ConversionSettings& settings, PictureSize cells) {
    if (!readsCells(settings.transformation))
        return cells;
    const PictureSize samples = shapeSamplesPerCell(settings, cells);
    return {cells.width * samples.width, cells.height * samples.height};
}

int loadCoarserBy(const ConversionSettings& settings) {
    return readsCells(settings.transformation) ? 2 : 1;
}

void ShapeTexts::assign(int width, int height, int charactersPerPixel) {
    reset(width, height, charactersPerPixel, false);
}

void ShapeTexts::assignUtf8(int width, int height) {
    constexpr int kMostUtf8Bytes = 4;
    reset(width, height, kMostUtf8Bytes, true);
}

void ShapeTexts::reset(int width, int height, int bytesPerPixel, bool utf8) {
    inks.clear();
    width_ = width;
    perPixel_ = bytesPerPixel;
    utf8_ = utf8;
    // UTF-8 of fewer bytes than its room is ended by zero bytes.
    bytes_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) *
                      static_cast<std::size_t>(bytesPerPixel),
                  utf8 ? '\0' : ' ');
}

namespace {

// Below this many cells a second thread costs more than it saves.
constexpr std::int64_t kSecondMatchingThreadFromCells = 4096;

// Matches the cell rows [firstRow, endRow); false when cancelled first.
bool matchRows(const WorkBitmap& detail, int width, int height, int firstRow, int endRow,
               const CellMatcher& matcher, WorkBitmap& colors, ShapeTexts& texts,
               const std::atomic<bool>& cancelRequested) {
    SampleRows samples;
    samples.width = detail.width();
    const std::size_t most = static_cast<std::size_t>(detail.width()) *
                             static_cast<std::size_t>(detail.height() / height + 1);
    samples.luminance.resize(most);
    samples.picture = &detail;
    for (int y = firstRow; y < endRow; ++y) {
        if (cancelRequested.load(std::memory_order_relaxed))
            return false;
        const int top = static_cast<int>(std::int64_t{y} * detail.height() / height);
        const int bottom = static_cast<int>(std::int64_t{y + 1} * detail.height() / height);
        samples.top = top;
        for (int row = top; row < bottom; ++row)
            readSamples(detail, row,
                        static_cast<std::size_t>(row - top) *
                            static_cast<std::size_t>(detail.width()),
                        samples);
        for (int x = 0; x < width; ++x) {
            const int left = static_cast<int>(std::int64_t{x} * detail.width() / width);
            const int right = static_cast<int>(std::int64_t{x + 1} * detail.width() / width);
            Rgb ink = 0;
            putColor(colors, x, y,
                     matcher.match(samples, left, right, bottom - top, texts.pixel(x, y), ink));
            if (!texts.inks.isEmpty())
                putColor(texts.inks, x, y, ink);
        }
    }
    return true;
}

} // namespace

ShapeMatchEnd matchShapes(const WorkBitmap& detail, int width, int height,
                          const ConversionSettings& settings, std::span<const GlyphShape> glyphs,
                          WorkBitmap& colors, ShapeTexts& texts,
                          const std::atomic<bool>& cancelRequested) {
    if (width <= 0 || height <= 0 || detail.width() < width || detail.height() < height ||
        glyphs.empty())
        return ShapeMatchEnd::OutOfMemory;
    const int perPixel = charactersPerPixel(settings);
    if (!colors.allocate(width, height, PixelDepth::Bits24))
        return ShapeMatchEnd::OutOfMemory;
    try {
        texts.assign(width, height, perPixel);
        if (settings.fillCells && !texts.inks.allocate(width, height, PixelDepth::Bits24))
            return ShapeMatchEnd::OutOfMemory;
        const CellMatcher matcher(settings, glyphs, perPixel);
        // The lower half of the rows on a second core, where there is one.
        const bool helped = std::int64_t{width} * height >= kSecondMatchingThreadFromCells &&
                            std::thread::hardware_concurrency() > 1;
        const int split = helped ? height / 2 : height;
        bool lowerMatched = true;
        std::exception_ptr lowerFailed;
        std::thread lower;
        if (helped) {
            try {
                lower = std::thread([&] {
                    try {
                        lowerMatched = matchRows(detail, width, height, split, height, matcher,
                                                 colors, texts, cancelRequested);
                    } catch (...) {
                        lowerFailed = std::current_exception();
                    }
                });
            } catch (const std::system_error&) {
                lowerMatched = matchRows(detail, width, height, split, height, matcher, colors,
                                         texts, cancelRequested);
            }
        }
        bool upperMatched = false;
        try {
            upperMatched =
                matchRows(detail, width, height, 0, split, matcher, colors, texts, cancelRequested);
        } catch (...) {
            if (lower.joinable())
                lower.join();
            throw;
        }
        if (lower.joinable())
            lower.join();
        if (lowerFailed)
            std::rethrow_exception(lowerFailed);
        if (!upperMatched || !lowerMatched)
            return ShapeMatchEnd::Cancelled;
    } catch (const std::bad_alloc&) {
        return ShapeMatchEnd::OutOfMemory;
    }
    return ShapeMatchEnd::Done;
}

ShapeMatchEnd matchShapeCells(const CellMatchInput& input, WorkBitmap& colors, ShapeTexts& texts) {
    const ConversionSettings& settings = input.settings;
    const std::vector<GlyphShape> glyphs =
        input.shaper
            ? input.shaper(conversionFace(settings.transformation, settings.fontFace),
                           characterModeOf(settings.transformation).drawnFromFace(settings))
            : std::vector<GlyphShape>{};
    if (glyphs.empty())
        return ShapeMatchEnd::NothingToDraw;
    return matchShapes(input.detail, input.width, input.height, settings, glyphs, colors, texts,
                       input.cancelRequested);
}

} // namespace varnelo
