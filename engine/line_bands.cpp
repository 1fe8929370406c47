#include "engine/line_bands.h"

#include "engine/char_source.h"
#include "engine/core_placement.h"
#include "engine/line_building.h"

#include <algorithm>
#include <chrono>
#include <system_error>

namespace varnelo {

namespace {

// About this many pixels a band: a few hundred kilobytes of plain HTML,
// enough that handing bands over costs nothing next to building them.
constexpr std::int64_t kBandPixels = 16384;
// At least this many bands, so that both threads have work whatever the
// picture's shape.
constexpr int kLeastBands = 16;
// Bands built or being built ahead of the one saved next: what is held at once.
constexpr int kSlots = 8;
// A cancel sets a flag nobody is told of; waits look at it this often.
constexpr auto kCancelLook = std::chrono::milliseconds(20);

} // namespace

std::unique_ptr<LineBands> LineBands::prepare(const ConversionSettings& settings,
                                              const WorkBitmap& picture, const ShapeTexts* chosen,
                                              const OutputWriter& writer,
                                              const RandomGenerator& random,
                                              const std::atomic<bool>& cancelRequested) {
    const std::optional<std::uint32_t> draws = drawsPerPixel(settings);
    if (!draws || picture.height() < 2)
        return nullptr;
    auto bands = std::make_unique<LineBands>(settings, picture, chosen, *draws, cancelRequested);
    bands->own_.writer = writer.lineWriterInto(bands->own_.lines);
    bands->second_.writer = writer.lineWriterInto(bands->second_.lines);
    if (!bands->own_.writer || !bands->second_.writer)
        return nullptr;
    bands->before_ = random;
    bands->after_ = random;
    bands->after_.skip(static_cast<std::uint64_t>(picture.width()) *
                       static_cast<std::uint64_t>(picture.height()) * *draws);
    return bands;
}

LineBands::LineBands(const ConversionSettings& settings, const WorkBitmap& picture,
                     const ShapeTexts* chosen, std::uint32_t drawsPerPixel,
                     const std::atomic<bool>& cancelRequested)
    : settings_(settings), picture_(picture), chosen_(chosen), drawsPerPixel_(drawsPerPixel),
      cancelRequested_(cancelRequested), slots_(kSlots) {
    const int height = picture.height();
    const auto byPixels =
        static_cast<int>(std::max<std::int64_t>(1, kBandPixels / std::max(1, picture.width())));
    rowsPerBand_ = std::clamp(byPixels, 1, std::max(1, height / kLeastBands));
    bands_ = (height + rowsPerBand_ - 1) / rowsPerBand_;
}

LineBands::~LineBands() {
    {
        std::unique_lock lock(mutex_);
        stop(lock);
    }
    if (thread_.joinable())
        thread_.join();
}

void LineBands::stop(std::unique_lock<std::mutex>& /*lock*/) {
    stop_.store(true, std::memory_order_relaxed);
    changed_.notify_all();
}

bool LineBands::run(const BandSaver& save, const RowsWritten& rowsWritten) {
    save_ = &save;
    try {
        thread_ = std::thread([this, core = currentCore()] {
            leaveStartersCore(core);
            secondThread();
        });
    } catch (const std::system_error&) {
        // No thread to be had: this one builds every band.
    }
    bool whole = false;
    try {
        whole = buildOwnShare(rowsWritten);
    } catch (...) {
        // The second thread may be saving through what the caller is about
        // to unwind: it ends before that.
        {
            std::unique_lock lock(mutex_);
            stop(lock);
        }
        if (thread_.joinable())
            thread_.join();
        throw;
    }
    if (thread_.joinable())
        thread_.join();
    if (error_)
        std::rethrow_exception(error_);
    return whole;
}

bool LineBands::buildOwnShare(const RowsWritten& rowsWritten) {
    const int height = picture_.height();
    int reported = 0;
    const auto report = [&](std::unique_lock<std::mutex>& lock) {
        const int rows = std::min(height, saved_ * rowsPerBand_);
        if (rows == reported)
            return;
        lock.unlock();
        const bool goOn = rowsWritten(rows);
        lock.lock();
        reported = rows;
        if (!goOn)
            stop(lock);
    };
    while (buildNextBand(own_)) {
        std::unique_lock lock(mutex_);
        report(lock);
    }
    std::unique_lock lock(mutex_);
    while (!stopped() && saved_ < bands_) {
        changed_.wait_for(lock, kCancelLook);
        report(lock);
    }
    report(lock);
    return !stopped() && saved_ == bands_;
}

void LineBands::secondThread() {
    try {
        while (buildNextBand(second_)) {
        }
    } catch (...) {
        std::unique_lock lock(mutex_);
        error_ = std::current_exception();
        stop(lock);
    }
}

bool LineBands::buildNextBand(Builder& builder) {
    const std::optional<std::pair<int, Slot*>> claimed = claim();
    if (!claimed)
        return false;
    const bool built = buildBand(builder, claimed->first);
    std::unique_lock lock(mutex_);
    if (!built) {
        stop(lock);
        return false;
    }
    std::swap(claimed->second->lines, builder.lines);
    claimed->second->built = true;
    saveReady(lock);
    return true;
}

std::optional<std::pair<int, LineBands::Slot*>> LineBands::claim() {
    std::unique_lock lock(mutex_);
    while (!stopped() && claimed_ < bands_ && claimed_ >= saved_ + kSlots)
        changed_.wait_for(lock, kCancelLook);
    if (stopped() || claimed_ >= bands_)
        return std::nullopt;
    const int band = claimed_++;
    Slot& slot = slots_[static_cast<std::size_t>(band % kSlots)];
    slot.band = band;
    slot.built = false;
    return std::pair{band, &slot};
}

bool LineBands::buildBand(Builder& builder, int band) {
    const int first = band * rowsPerBand_;
    const int end = std::min(picture_.height(), first + rowsPerBand_);
    RandomGenerator random = before_;
    random.skip(static_cast<std::uint64_t>(first) * static_cast<std::uint64_t>(picture_.width()) *
                drawsPerPixel_);
    builder.lines.clear();
    // Modes of fixed draws never move the phrase position from 0.
    std::int32_t phrasePosition = 0;
    ByteString text;
    const auto halted = [this] { return stopped(); };
    for (int y = first; y < end; ++y) {
        if (!buildLine(*builder.writer, random, settings_, picture_, chosen_, y, phrasePosition,
                       text, halted))
            return false;
    }
    return true;
}

void LineBands::saveReady(std::unique_lock<std::mutex>& lock) {
    if (saving_)
        return; // the thread saving takes this band too once it is next
    saving_ = true;
    while (!stopped()) {
        Slot& next = slots_[static_cast<std::size_t>(saved_ % kSlots)];
        if (next.band != saved_ || !next.built)
            break;
        lock.unlock();
        const bool saved = (*save_)(next.lines);
        next.lines.clear();
        lock.lock();
        if (!saved) {
            stop(lock);
            break;
        }
        next.band = -1;
        next.built = false;
        ++saved_;
        changed_.notify_all();
    }
    saving_ = false;
}

} // namespace varnelo
