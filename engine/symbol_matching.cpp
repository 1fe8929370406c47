#include "engine/symbol_matching.h"

#include "base/color.h"
#include "engine/char_source.h"
#include "engine/codepages.h"
#include "engine/output_formats.h"
#include "engine/symbol_sets.h"
#include "engine/two_colour_fit.h"
#include "reading/arriving_rows.h"

#include <algorithm>
#include <array>
#include <bit>
#include <exception>
#include <new>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <utility>

namespace varnelo {

namespace {

constexpr int kGridSide = 8;
constexpr int kParts = kGridSide * kGridSide;
// The symbols weighed exactly for a cell: those whose shapes lie nearest
// its split. Four score within 0.001 of eight or more in the bench's
// SSIM (bench/recognisability.sh) in half the weighing; two lose more.
constexpr std::size_t kShortlist = 4;
// Below this many cells a thread of its own costs more than it saves.
constexpr std::int64_t kCellsPerThread = 4096;
constexpr unsigned kMostThreads = 8;

// std::popcount without the instruction, which x86-64's baseline lacks:
// GCC calls a library function for it.
constexpr int bitsSet(std::uint64_t bits) {
    bits -= (bits >> 1) & 0x5555555555555555ULL;
    bits = (bits & 0x3333333333333333ULL) + ((bits >> 2) & 0x3333333333333333ULL);
    bits = (bits + (bits >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
    return static_cast<int>((bits * 0x0101010101010101ULL) >> 56);
}
static_assert(bitsSet(0) == 0 && bitsSet(~std::uint64_t{0}) == 64 && bitsSet(0x8001) == 2);

// The kShortlist masks nearest split, a shape and its inverse alike, the
// earliest first among equally near ones: their indexes into nearest, and
// how many. Counted with the popcnt instruction where the processor has it.
template <bool Instruction>
[[gnu::always_inline]] inline std::size_t
nearestMasksCounted(std::uint64_t split, const std::uint64_t* masks, std::size_t count,
                    std::array<std::size_t, kShortlist>& nearest) {
    std::array<int, kShortlist> distance{};
    std::size_t listed = 0;
    for (std::size_t i = 0; i < count; ++i) {
        int apart = 0;
        if constexpr (Instruction)
            apart = __builtin_popcountll(split ^ masks[i]);
        else
            apart = bitsSet(split ^ masks[i]);
        const int d = std::min(apart, kParts - apart);
        if (listed == kShortlist && d >= distance[listed - 1])
            continue;
        std::size_t at = listed < kShortlist ? listed++ : listed - 1;
        while (at > 0 && distance[at - 1] > d) {
            nearest[at] = nearest[at - 1];
            distance[at] = distance[at - 1];
            --at;
        }
        nearest[at] = i;
        distance[at] = d;
    }
    return listed;
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
__attribute__((target("popcnt"))) std::size_t
nearestMasksByInstruction(std::uint64_t split, const std::uint64_t* masks, std::size_t count,
                          std::array<std::size_t, kShortlist>& nearest) {
    return nearestMasksCounted<true>(split, masks, count, nearest);
}

std::size_t nearestMasks(std::uint64_t split, const std::uint64_t* masks, std::size_t count,
                         std::array<std::size_t, kShortlist>& nearest) {
    static const bool instruction = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("popcnt") != 0;
    }();
    return instruction ? nearestMasksByInstruction(split, masks, count, nearest)
                       : nearestMasksCounted<false>(split, masks, count, nearest);
}
#else
std::size_t nearestMasks(std::uint64_t split, const std::uint64_t* masks, std::size_t count,
                         std::array<std::size_t, kShortlist>& nearest) {
    return nearestMasksCounted<true>(split, masks, count, nearest);
}
#endif

void putColor(WorkBitmap& picture, int x, int y, Rgb color) {
    std::uint8_t* p = picture.row(y) + static_cast<std::size_t>(x) * 3;
    p[0] = blueOf(color);
    p[1] = greenOf(color);
    p[2] = redOf(color);
}

// A sample's colour: read in place where the picture holds 24 or 32 bits.
Rgb colorAt(const WorkBitmap& picture, int x, int y) {
    const int bytes = picture.depth() == PixelDepth::Bits24   ? 3
                      : picture.depth() == PixelDepth::Bits32 ? 4
                                                              : 0;
    if (bytes == 0)
        return picture.pixelColor(x, y);
    const std::uint8_t* p = picture.row(y) + static_cast<std::ptrdiff_t>(x) * bytes;
    return makeRgb(p[2], p[1], p[0]);
}

// Each part the samples it spans; where a cell has fewer than eight
// samples a side (the largest conversions), the sample at its centre.
void addSpanned(CellParts& parts, const WorkBitmap& detail, int left, int right, int top,
                int bottom) {
    const auto span = [](int first, int end, int part) {
        const int count = end - first;
        const int from = first + part * count / kGridSide;
        const int to = first + (part + 1) * count / kGridSide;
        const int centre = first + (2 * part + 1) * count / (2 * kGridSide);
        return from < to ? std::pair{from, to} : std::pair{centre, centre + 1};
    };
    for (int partRow = 0; partRow < kGridSide; ++partRow) {
        const auto [rowFrom, rowTo] = span(top, bottom, partRow);
        for (int partColumn = 0; partColumn < kGridSide; ++partColumn) {
            const auto [columnFrom, columnTo] = span(left, right, partColumn);
            for (int row = rowFrom; row < rowTo; ++row)
                for (int column = columnFrom; column < columnTo; ++column)
                    parts.add(partRow * kGridSide + partColumn, colorAt(detail, column, row));
        }
    }
}

class SymbolChooser {
public:
    SymbolChooser(std::span<const Symbol> symbols, const ShownColours& shown)
        : symbols_(symbols), shown_(shown) {
        // Side by side, for the shortlist to run through them.
        masks_.reserve(symbols.size());
        for (const Symbol& symbol : symbols)
            masks_.push_back(symbol.mask);
    }

    // The index of the symbol closest to the cell's parts; its ink's colour
    // into ink, its background's into background.
    std::size_t choose(const CellParts& parts, Rgb& ink, Rgb& background) const {
        // Two colours may take either side of a split: a shape and its
        // inverse split the cell alike.
        std::array<std::size_t, kShortlist> nearest{};
        const std::size_t listed =
            nearestMasks(parts.split(), masks_.data(), masks_.size(), nearest);
        std::size_t best = nearest[0];
        CellParts::Fit bestFit;
        for (std::size_t k = 0; k < listed; ++k) {
            const Symbol& symbol = symbols_[nearest[k]];
            const CellParts::Fit fit =
                symbol.whole ? parts.fit(symbol.mask, shown_) : parts.fit(symbol.coverage, shown_);
            // Among equal ones the earliest in the set.
            if (k == 0 || fit.error < bestFit.error ||
                (fit.error == bestFit.error && nearest[k] < best)) {
                best = nearest[k];
                bestFit = fit;
            }
        }
        ink = bestFit.ink;
        background = bestFit.background;
        return best;
    }

private:
    std::span<const Symbol> symbols_;
    std::vector<std::uint64_t> masks_;
    ShownColours shown_;
};

// Matches cell rows, each the next one no thread has taken, until none is
// left; false when cancelled first.
bool matchRows(const WorkBitmap& detail, int width, int height, std::atomic<int>& nextRow,
               const SymbolChooser& chooser, std::span<const Symbol> symbols, WorkBitmap& colors,
               ShapeTexts& texts, const std::atomic<bool>& cancelRequested,
               ArrivingRows* arriving) {
    // Bytes a pixel, where the picture holds its channels whole.
    const int step = detail.depth() == PixelDepth::Bits24   ? 3
                     : detail.depth() == PixelDepth::Bits32 ? 4
                                                            : 0;
    CellParts parts;
    for (int y = nextRow.fetch_add(1, std::memory_order_relaxed); y < height;
         y = nextRow.fetch_add(1, std::memory_order_relaxed)) {
        if (cancelRequested.load(std::memory_order_relaxed))
            return false;
        const int top = static_cast<int>(std::int64_t{y} * detail.height() / height);
        const int bottom = static_cast<int>(std::int64_t{y + 1} * detail.height() / height);
        // Held from here to the row's end, while its samples are read.
        if (arriving != nullptr && arriving->await(bottom) == nullptr)
            return false;
        for (int x = 0; x < width; ++x) {
            const int left = static_cast<int>(std::int64_t{x} * detail.width() / width);
            const int right = static_cast<int>(std::int64_t{x + 1} * detail.width() / width);
            if (right - left == kGridSide && bottom - top == kGridSide && step != 0) {
                // A sample a part, as nearly always.
                parts.assignSamples(detail.row(top) + std::ptrdiff_t{left} * step,
                                    detail.row(top + 1) - detail.row(top), step);
            } else {
                parts = CellParts{};
                addSpanned(parts, detail, left, right, top, bottom);
            }
            Rgb ink = 0;
            Rgb background = 0;
            const Symbol& chosen = symbols[chooser.choose(parts, ink, background)];
            putColor(colors, x, y, background);
            putColor(texts.inks, x, y, ink);
            std::copy(chosen.text.begin(), chosen.text.end(), texts.pixel(x, y));
        }
        if (arriving != nullptr)
            arriving->release();
    }
    return true;
}

// The characters not made by rule as drawing draws them, as UTF-8.
ByteString drawnByFaceOf(const std::u32string& characters, SymbolDrawing drawing) {
    ByteString drawnByFace;
    for (const char32_t c : characters)
        if (!geometricCoverage(c, drawing))
            appendUtf8(drawnByFace, c);
    return drawnByFace;
}

ShapeMatchEnd matchSymbolsOf(const WorkBitmap& detail, int width, int height,
                             std::span<const Symbol> symbols, const ShownColours& shown,
                             WorkBitmap& colors, ShapeTexts& texts,
                             const std::atomic<bool>& cancelRequested, ArrivingRows* arriving);

} // namespace

std::vector<Symbol> symbolsOf(const std::u32string& characters, SymbolDrawing drawing,
                              const std::string& face, const GlyphShaper& shaper) {
    const ByteString drawnByFace = drawnByFaceOf(characters, drawing);
    std::unordered_map<char32_t, GlyphShape> faceShapes;
    if (!drawnByFace.empty() && shaper)
        for (const GlyphShape& shape : shaper(face, drawnByFace))
            faceShapes.emplace(shape.character, shape);
    std::vector<Symbol> symbols;
    for (const char32_t c : characters) {
        Symbol symbol;
        symbol.character = c;
        appendUtf8(symbol.text, c);
        std::optional<std::uint64_t> mask = geometricCoverage(c, drawing);
        if (const auto drawn = faceShapes.find(c); !mask && drawn != faceShapes.end()) {
            symbol.mask = drawn->second.mask;
            symbol.coverage = drawn->second.coverage;
            symbol.advance = drawn->second.advance;
            symbols.push_back(std::move(symbol));
            continue;
        }
        if (!mask)
            mask = geometricCoverage(c);
        if (!mask)
            continue;
        symbol.mask = *mask;
        symbol.whole = true;
        for (std::size_t part = 0; part < symbol.coverage.size(); ++part)
            symbol.coverage[part] = (*mask >> part & 1U) != 0 ? 255 : 0;
        symbols.push_back(std::move(symbol));
    }
    return symbols;
}

ShapeMatchEnd matchSymbols(const WorkBitmap& detail, int width, int height,
                           std::span<const Symbol> symbols, const ShownColours& shown,
                           WorkBitmap& colors, ShapeTexts& texts,
                           const std::atomic<bool>& cancelRequested, ArrivingRows* arriving) {
    // A detail still loading is read as it arrives, through the view
    // there, from when its first row is.
    if (arriving != nullptr) {
        const WorkBitmap* loading = arriving->await(1);
        if (loading == nullptr)
            return ShapeMatchEnd::Cancelled;
        arriving->release();
        return matchSymbolsOf(*loading, width, height, symbols, shown, colors, texts,
                              cancelRequested, arriving);
    }
    return matchSymbolsOf(detail, width, height, symbols, shown, colors, texts, cancelRequested,
                          nullptr);
}

namespace {

ShapeMatchEnd matchSymbolsOf(const WorkBitmap& detail, int width, int height,
                             std::span<const Symbol> symbols, const ShownColours& shown,
                             WorkBitmap& colors, ShapeTexts& texts,
                             const std::atomic<bool>& cancelRequested, ArrivingRows* arriving) {
    if (width <= 0 || height <= 0 || detail.width() < width || detail.height() < height ||
        symbols.empty())
        return ShapeMatchEnd::OutOfMemory;
    if (!colors.allocate(width, height, PixelDepth::Bits24))
        return ShapeMatchEnd::OutOfMemory;
    try {
        texts.assignUtf8(width, height);
        if (!texts.inks.allocate(width, height, PixelDepth::Bits24))
            return ShapeMatchEnd::OutOfMemory;
        const SymbolChooser chooser(symbols, shown);
        // Rows on every core there is, each taken by the first thread free,
        // so that none waits for another whose rows cost more.
        const std::int64_t cells = std::int64_t{width} * height;
        const unsigned threads = static_cast<unsigned>(std::clamp<std::int64_t>(
            std::min<std::int64_t>(std::max(std::thread::hardware_concurrency(), 1u),
                                   cells / kCellsPerThread),
            1, kMostThreads));
        std::vector<std::thread> helpers;
        std::vector<char> matched(threads, 1);
        std::vector<std::exception_ptr> failed(threads);
        std::atomic<int> nextRow{0};
        const auto band = [&](unsigned index) {
            try {
                matched[index] = matchRows(detail, width, height, nextRow, chooser, symbols, colors,
                                           texts, cancelRequested, arriving)
                                     ? 1
                                     : 0;
            } catch (...) {
                failed[index] = std::current_exception();
            }
        };
        for (unsigned index = 1; index < threads; ++index) {
            try {
                helpers.emplace_back(band, index);
            } catch (const std::system_error&) {
                band(index); // no thread to be had: matched here
            }
        }
        band(0);
        for (std::thread& helper : helpers)
            helper.join();
        for (const std::exception_ptr& failure : failed)
            if (failure)
                std::rethrow_exception(failure);
        if (std::find(matched.begin(), matched.end(), 0) != matched.end())
            return ShapeMatchEnd::Cancelled;
    } catch (const std::bad_alloc&) {
        return ShapeMatchEnd::OutOfMemory;
    }
    return ShapeMatchEnd::Done;
}

std::optional<std::u32string> charactersOfSettings(const ConversionSettings& settings) {
    std::string unknown;
    return symbolSetCharacters(settings.symbols.empty() ? defaultSymbolSet(settings.outputFormat)
                                                        : std::string_view(settings.symbols),
                               unknown);
}

SymbolDrawing drawingOf(const ConversionSettings& settings) {
    return settings.outputFormat == OutputFormat::Image ? SymbolDrawing::Exact
                                                        : SymbolDrawing::ByFace;
}

} // namespace

ByteString symbolsDrawnFromFace(const ConversionSettings& settings) {
    ByteString drawnByFace;
    if (const std::optional<std::u32string> characters = charactersOfSettings(settings))
        drawnByFace = drawnByFaceOf(*characters, drawingOf(settings));
    return drawnByFace;
}

namespace {

std::vector<Symbol> symbolsOfSettings(const ConversionSettings& settings,
                                      const GlyphShaper& shaper) {
    const std::optional<std::u32string> characters = charactersOfSettings(settings);
    if (!characters)
        return {};
    return symbolsOf(*characters, drawingOf(settings),
                     conversionFace(settings.transformation, settings.fontFace), shaper);
}

std::uint16_t commonAdvance(std::span<const Symbol> symbols) {
    std::unordered_map<std::uint16_t, std::size_t> count;
    std::uint16_t common = 1000;
    for (const Symbol& symbol : symbols)
        if (++count[symbol.advance] > count[common])
            common = symbol.advance;
    return common;
}

} // namespace

std::uint16_t documentSymbolAdvance(const ConversionSettings& settings, const GlyphShaper& shaper) {
    return commonAdvance(symbolsOfSettings(settings, shaper));
}

ShapeMatchEnd matchSymbolCells(const CellMatchInput& input, WorkBitmap& colors, ShapeTexts& texts) {
    std::vector<Symbol> symbols = symbolsOfSettings(input.settings, input.shaper);
    if (outputFormatOf(input.settings).kind == OutputKind::Document) {
        const std::uint16_t advance = commonAdvance(symbols);
        std::erase_if(symbols,
                      [advance](const Symbol& symbol) { return symbol.advance != advance; });
    }
    if (symbols.empty())
        return ShapeMatchEnd::NothingToDraw;
    return matchSymbols(input.detail, input.width, input.height, symbols, input.shown, colors,
                        texts, input.cancelRequested, input.arriving);
}

} // namespace varnelo
