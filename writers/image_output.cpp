#include "writers/image_output.h"

#include "engine/char_source.h"
#include "engine/character_modes.h"
#include "engine/output_formats.h"
#include "reading/codecs/png_gif_libraries.h"
#include "writers/atomic_file.h"
#include "writers/encoders/bmp_writer.h"
#include "writers/encoders/jpeg_encoder.h"

#include <algorithm>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

namespace varnelo {

OutputStart ImageOutput::beginOutput(const ConversionSettings& settings, int width, int height) {
    settings_ = settings;
    // The sample text is drawn like a pixel's, before the first pixel, so
    // the random sequence of the pixels follows it.
    std::int32_t samplePosition = 1;
    ByteString sample;
    nextPixelText(context_.random, settings_, samplePosition, sample);

    font_.emplace(settings_.fontFace, cellFontHeight(settings_.fontSize));
    cell_ = measureCell(settings_, *font_);
    const std::int64_t imageWidth = std::int64_t{width} * cell_.width;
    const std::int64_t imageHeight = std::int64_t{height} * cell_.height;
    const auto refused = [&](RefusalReason reason) {
        return OutputStart::stop(PassResult::refused(
            {reason, imageWidth, imageHeight, kMaxImageSide, cell_.width, cell_.height}));
    };
    if (imageWidth > kMaxImageSide || imageHeight > kMaxImageSide)
        return refused(RefusalReason::ImageTooLarge);
    if (width <= 0 || height <= 0)
        return refused(RefusalReason::ImageEmpty);
    if (!image_.allocate(static_cast<int>(imageWidth), static_cast<int>(imageHeight),
                         PixelDepth::Bits32))
        return OutputStart::stop(
            PassResult::failed({FailureStage::OutOfMemory, settings_.outputPath, {}, {}}));
    columns_ = width;
    try {
        cells_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), Cell{});
    } catch (const std::bad_alloc&) {
        image_.clear();
        return OutputStart::stop(
            PassResult::failed({FailureStage::OutOfMemory, settings_.outputPath, {}, {}}));
    }
    lateCells_.clear();
    painter_.emplace(*font_, cell_, image_, drawsTwoColourSymbols(settings_.transformation));
    return OutputStart::proceed();
}

void ImageOutput::putPixel(int x, int y, const ByteString& text, CellColors colors, bool newRun) {
    if (newRun)
        textColors_ = colors;
    const std::int32_t mask = painter_->prepare(text);
    Cell& cell = cells_[static_cast<std::size_t>(y) * static_cast<std::size_t>(columns_) +
                        static_cast<std::size_t>(x)];
    if (mask == CellPainter::kUncached) {
        lateCells_.push_back({x, y, text, textColors_});
        // Filled, its cell is still filled with the rest; the text comes later.
        cell = {CellPainter::kBlank, textColors_};
        return;
    }
    cell = {mask, textColors_};
}

namespace {

std::uint32_t opaquePixel(Rgb color) {
    return 0xFF000000u | (std::uint32_t{redOf(color)} << 16) |
           (std::uint32_t{greenOf(color)} << 8) | blueOf(color);
}

} // namespace

void ImageOutput::drawCellRowInto(WorkBitmap& target, int row, int top) {
    const std::uint32_t fill = opaquePixel(settings_.backgroundColor);
    for (int y = top; y < top + cell_.height; ++y) {
        auto* pixels = reinterpret_cast<std::uint32_t*>(target.row(y));
        std::fill(pixels, pixels + target.width(), fill);
    }
    const Cell* cell =
        cells_.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(columns_);
    for (int column = 0; column < columns_; ++column, ++cell) {
        if (!settings_.fillCells) {
            painter_->drawPreparedInto(target, column, top, cell->mask, cell->colors.color);
            continue;
        }
        // The cell in its pixel's colour, the character in its ink.
        const std::uint32_t behind = opaquePixel(cell->colors.color);
        const auto left = static_cast<std::ptrdiff_t>(column) * cell_.width;
        for (int y = top; y < top + cell_.height; ++y) {
            auto* pixels = reinterpret_cast<std::uint32_t*>(target.row(y)) + left;
            std::fill(pixels, pixels + cell_.width, behind);
        }
        painter_->drawPreparedInto(target, column, top, cell->mask, cell->colors.ink);
    }
}

void ImageOutput::drawCells() {
    const int rows = cellRows();
    const auto drawRows = [&](int first, int end) {
        for (int row = first; row < end; ++row)
            drawCellRow(row);
    };
    const int parts =
        std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, std::max(rows, 1));
    {
        std::vector<std::jthread> threads;
        for (int part = 1; part < parts; ++part) {
            const int first = rows * part / parts, end = rows * (part + 1) / parts;
            try {
                threads.emplace_back(drawRows, first, end);
            } catch (const std::system_error&) {
                drawRows(first, end); // no thread to be had
            }
        }
        drawRows(0, rows / parts);
    }
    for (const LateCell& late : lateCells_)
        painter_->draw(late.column, late.row, late.text, late.colors.ink);
    lateCells_ = {};
}

WriteOutcome ImageOutput::finishOutput() {
    // A PNG's bands of rows are drawn by the threads that compress them, a
    // row of cells into a few rows of their own just before they are
    // deflated: the whole image is never drawn, nor its memory touched.
    // Texts without a kept mask are drawn on this thread only, into the image.
    drawWhileEncoding_ = settings_.imageFormat == ImageFormat::Png && lateCells_.empty();
    if (!drawWhileEncoding_)
        drawCells();
    WriteOutcome outcome = encode();
    cells_ = {};
    painter_.reset();
    image_ = WorkBitmap();
    return outcome;
}

namespace {

// Each compressing thread draws the rows of cells of its band in rows of
// its own; a row of cells split between two bands is drawn by both.
class BandRowsPerThread {
public:
    struct Rows {
        std::thread::id owner;
        int cellRow = -1;
        WorkBitmap rows;
    };

    BandRowsPerThread(int width, int cellHeight) : width_(width), cellHeight_(cellHeight) {}

    /// The calling thread's rows, made at its first call; null without memory.
    Rows* ofThisThread() {
        const std::lock_guard lock(mutex_);
        const std::thread::id me = std::this_thread::get_id();
        for (const auto& band : bands_) {
            if (band->owner == me)
                return band.get();
        }
        auto band = std::make_unique<Rows>();
        band->owner = me;
        if (!band->rows.allocate(width_, cellHeight_, PixelDepth::Bits32))
            return nullptr;
        bands_.push_back(std::move(band));
        return bands_.back().get();
    }

private:
    int width_;
    int cellHeight_;
    std::mutex mutex_;
    std::vector<std::unique_ptr<Rows>> bands_;
};

} // namespace

WriteOutcome ImageOutput::encode() {
    const auto cancelled = [this] {
        return context_.cancelRequested.load(std::memory_order_relaxed);
    };
    const bool compressed = settings_.imageFormat != ImageFormat::Bmp;
    context_.observer.showProgress(
        PassProgress::of(compressed ? PassStage::Compressing : PassStage::Saving));

    std::string error;
    const std::unique_ptr<OutputFile> output = context_.openOutput(outputTarget(settings_), error);
    if (!output)
        return {WriteStatus::Failed, error, {}};
    OutputFile& file = *output;
    BandRowsPerThread bands(image_.width(), cell_.height);
    // Rows go straight from the image to the encoder; a cancel stops between rows.
    const RowSource rowAt = [&](int y) -> const std::uint8_t* {
        if (cancelled())
            return nullptr;
        if (!drawWhileEncoding_)
            return image_.row(y);
        BandRowsPerThread::Rows* mine = bands.ofThisThread();
        if (mine == nullptr)
            return nullptr;
        const int row = y / cell_.height;
        if (mine->cellRow != row) {
            drawCellRowInto(mine->rows, row, 0);
            mine->cellRow = row;
        }
        return mine->rows.row(y - row * cell_.height);
    };
    const bool encoded = encodeRows(file, rowAt);
    if (cancelled())
        return {WriteStatus::Cancelled, {}, {}};
    if (!encoded)
        return {WriteStatus::Failed,
                file.error().empty() ? "the image could not be encoded" : file.error(),
                {}};
    if (!file.commit())
        return {WriteStatus::Failed, file.error(), {}};
    if (compressed)
        context_.observer.showProgress(PassProgress::of(PassStage::Saving));
    return {WriteStatus::Written, {}, file.path()};
}

bool ImageOutput::encodeRows(OutputFile& file, const RowSource& rowAt) const {
    const int width = image_.width();
    const int height = image_.height();
    // As the format table bounds it: JPEG's 1 to 100; PNG's 1 to 10, which
    // is 10 - zlib's level.
    const std::optional<QualityRange> range = outputFormatOf(settings_).quality;
    const std::int32_t quality = range ? range->clamped(settings_.imageQuality) : 0;
    switch (settings_.imageFormat) {
    case ImageFormat::Bmp:
        return writeBmp(file, width, height, RowFormat::Bgrx32, rowAt);
    case ImageFormat::Jpg:
        return writeJpeg(file, width, height, RowFormat::Bgrx32, rowAt, quality);
    case ImageFormat::Png:
        // Rows are read from every core's thread: each reads the image, or
        // draws its band's cells into rows of its own, and writes nothing shared.
        return writePngInBandsWithLibraries(
            file, width, height, RowFormat::Bgrx32, rowAt, 10 - quality,
            static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
    }
    return false;
}

} // namespace varnelo
