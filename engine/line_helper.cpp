#include "engine/line_helper.h"

#include "engine/char_source.h"
#include "engine/line_building.h"

#include <system_error>

namespace varnelo {

std::unique_ptr<LineHelper> LineHelper::start(const ConversionSettings& settings,
                                              const WorkBitmap& picture, const ShapeTexts* chosen,
                                              int firstRow, const OutputWriter& writer,
                                              RandomGenerator random,
                                              const std::atomic<bool>& cancelRequested) {
    if (!drawsPerPixel(settings) || firstRow <= 0 || firstRow >= picture.height())
        return nullptr;
    auto helper =
        std::make_unique<LineHelper>(settings, picture, chosen, firstRow, random, cancelRequested);
    helper->writer_ = writer.lineWriterInto(helper->lines_);
    if (!helper->writer_)
        return nullptr;
    try {
        helper->thread_ = std::thread([raw = helper.get()] { raw->build(); });
    } catch (const std::system_error&) {
        return nullptr; // no thread to be had: the conversion builds every line
    }
    return helper;
}

LineHelper::LineHelper(const ConversionSettings& settings, const WorkBitmap& picture,
                       const ShapeTexts* chosen, int firstRow, RandomGenerator random,
                       const std::atomic<bool>& cancelRequested)
    : settings_(settings), picture_(picture), chosen_(chosen), firstRow_(firstRow), random_(random),
      cancelRequested_(cancelRequested) {
    const std::uint64_t pixelsBefore =
        static_cast<std::uint64_t>(firstRow) * static_cast<std::uint64_t>(picture.width());
    random_.skip(pixelsBefore * drawsPerPixel(settings).value_or(0));
    // Room for every line at once: the conversion reads lines while this
    // thread adds the next ones, so the vector must never move them.
    lines_.reserve(static_cast<std::size_t>(picture.height() - firstRow));
}

LineHelper::~LineHelper() {
    stop_.store(true, std::memory_order_relaxed);
    if (thread_.joinable())
        thread_.join();
}

void LineHelper::build() {
    const auto stopped = [this] {
        return stop_.load(std::memory_order_relaxed) ||
               cancelRequested_.load(std::memory_order_relaxed);
    };
    try {
        // Outside custom-text mode the phrase position never moves from 0.
        std::int32_t phrasePosition = 0;
        ByteString text;
        for (int y = firstRow_; y < picture_.height(); ++y) {
            if (!buildLine(*writer_, random_, settings_, picture_, chosen_, y, phrasePosition, text,
                           stopped))
                break;
            const std::lock_guard lock(mutex_);
            ++built_;
            lineBuilt_.notify_all();
        }
    } catch (...) {
        const std::lock_guard lock(mutex_);
        error_ = std::current_exception();
    }
    const std::lock_guard lock(mutex_);
    ended_ = true;
    lineBuilt_.notify_all();
}

ByteString* LineHelper::waitForLine(int y) {
    const int index = y - firstRow_;
    std::unique_lock lock(mutex_);
    lineBuilt_.wait(lock, [&] { return built_ > index || ended_; });
    if (built_ <= index)
        return nullptr;
    return &lines_[static_cast<std::size_t>(index)];
}

const RandomGenerator& LineHelper::finish() {
    if (thread_.joinable())
        thread_.join();
    if (error_)
        std::rethrow_exception(error_);
    return random_;
}

} // namespace varnelo
