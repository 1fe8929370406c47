#include "reading/codecs/png_rows.h"

#include "reading/codecs/png_image_data_chunks.h"
#include "reading/codecs/png_unfilter.h"
#include "reading/codecs/zlib_inflater.h"
#include "reading/picture_rows.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace varnelo {
namespace {

// The image data comes out of the inflater a batch of rows of about this
// size at a time: large enough for the inflater's pace, small enough to
// stay in the cache and to heed a cancel within a millisecond.
constexpr std::size_t kBatchBytes = std::size_t{256} << 10;
// Below this much image data a second thread costs more than it saves.
constexpr std::uint64_t kTwoThreadsFromBytes = std::uint64_t{2} << 20;
// Read bytes of a mapped file leave memory in pieces of this size.
constexpr std::size_t kReleaseBytes = std::size_t{4} << 20;

// The zlib stream's two header bytes; what is left of the piece they came
// in goes to the inflater first.
struct ZlibHeader {
    DecodeStatus status = DecodeStatus::Ok;
    std::uint8_t bytes[2] = {};
    std::span<const std::uint8_t> rest;
};

ZlibHeader readZlibHeader(PngImageDataChunks& chunks) {
    ZlibHeader header;
    for (std::size_t got = 0; got < 2;) {
        const auto piece = chunks.next();
        if (piece.empty()) {
            header.status = chunks.status();
            return header;
        }
        const std::size_t taken = std::min(piece.size(), 2 - got);
        std::copy_n(piece.begin(), taken, header.bytes + got);
        got += taken;
        header.rest = piece.subspan(taken);
    }
    if (!zlibHeaderSound(header.bytes[0], header.bytes[1]))
        header.status = DecodeStatus::Corrupt;
    return header;
}

class RowReader {
public:
    RowReader(FileBytes file, PngImageDataChunks& chunks, ZlibInflater& inflater)
        : file_(file), chunks_(chunks), inflater_(inflater) {}

    // Fills output with image data; Corrupt where the stream ends first.
    DecodeStatus fill(std::span<std::uint8_t> output) {
        std::size_t filled = 0;
        while (filled < output.size()) {
            std::size_t written = 0;
            const ZlibInflater::Result result =
                inflater_.inflateInto(output.subspan(filled), written);
            filled += written;
            if (result == ZlibInflater::Result::Broken) {
                inflaterRefused_ = true;
                return DecodeStatus::Corrupt;
            }
            if (result == ZlibInflater::Result::Ended)
                return filled == output.size() ? DecodeStatus::Ok : DecodeStatus::Corrupt;
            if (result == ZlibInflater::Result::NeedsData && !giveMore())
                return chunks_.status();
        }
        return DecodeStatus::Ok;
    }

    // With the last row libpng reads on to the chunk's end and checks it.
    DecodeStatus checkAfterTheRows() const { return chunks_.checkCurrentChunk(); }
    bool inflaterRefused() const { return inflaterRefused_; }

private:
    bool giveMore() {
        const auto piece = chunks_.next();
        if (piece.empty())
            return false;
        inflater_.give(piece);
        if (chunks_.position() - released_ >= kReleaseBytes) {
            releaseDecodedBytes(file_.subspan(released_, chunks_.position() - released_));
            released_ = chunks_.position();
        }
        return true;
    }

    FileBytes file_;
    PngImageDataChunks& chunks_;
    ZlibInflater& inflater_;
    std::size_t released_ = 0;
    bool inflaterRefused_ = false;
};

// Grey is three equal channels. The pixel's bytes are read before any is
// written, so that the compiler may store the four at once.
void toDevice(const std::uint8_t* from, std::uint8_t* to, int width, int channels) {
    const auto pixels = static_cast<std::size_t>(width);
    const auto step = static_cast<std::size_t>(channels);
    const std::size_t green = channels >= 3 ? 1 : 0;
    const std::size_t blue = channels >= 3 ? 2 : 0;
    for (std::size_t x = 0; x < pixels; ++x, from += step, to += 4) {
        const std::uint8_t b = from[blue];
        const std::uint8_t g = from[green];
        const std::uint8_t r = from[0];
        to[0] = b;
        to[1] = g;
        to[2] = r;
        to[3] = 0xFF;
    }
}

// Undoes the rows' filters and hands them over, top to bottom, from the
// batches the inflater fills.
class RowHandOver {
public:
    enum class Outcome : std::uint8_t { More, Complete, Broken };

    RowHandOver(PngLayout layout, PictureRows& rows)
        : layout_(layout), rowBytes_(static_cast<std::size_t>(layout.width) *
                                     static_cast<std::size_t>(layout.channels)),
          rows_(rows), above_(rowBytes_, 0) {}

    std::size_t stride() const { return rowBytes_ + 1; }

    // The count rows from y on, each behind its filter type byte; Complete
    // once the picture needs no more rows before the last.
    Outcome take(std::uint8_t* bytes, int count, int y) {
        const std::uint8_t* above = above_.data();
        for (int i = 0; i < count; ++i) {
            std::uint8_t* row = bytes + stride() * static_cast<std::size_t>(i);
            if (!unfilterPngRow(row[0], {row + 1, rowBytes_}, above, layout_.channels))
                return Outcome::Broken;
            toDevice(row + 1, rows_.row(y + i), layout_.width, layout_.channels);
            rows_.rowDone(y + i);
            if (rows_.complete() && y + i + 1 < layout_.height)
                return Outcome::Complete;
            above = row + 1;
        }
        std::copy_n(above, rowBytes_, above_.data());
        return Outcome::More;
    }

private:
    PngLayout layout_;
    std::size_t rowBytes_;
    PictureRows& rows_;
    std::vector<std::uint8_t> above_; // the row above the next batch, unfiltered
};

struct Batches {
    int rows;          // in each batch
    std::size_t bytes; // of a whole batch
};

Batches batchesOf(const RowHandOver& handOver, PngLayout layout) {
    const auto rows = static_cast<int>(std::clamp<std::size_t>(
        kBatchBytes / handOver.stride(), 1, static_cast<std::size_t>(layout.height)));
    return {rows, handOver.stride() * static_cast<std::size_t>(rows)};
}

DecodeStatus statusOf(RowHandOver::Outcome outcome) {
    return outcome == RowHandOver::Outcome::Broken ? DecodeStatus::Corrupt : DecodeStatus::Ok;
}

// Inflating and handing over one after the other, on this thread.
DecodeStatus readInTurn(RowReader& reader, RowHandOver& handOver, PngLayout layout,
                        DecodeCancel cancel) {
    const Batches batches = batchesOf(handOver, layout);
    std::vector<std::uint8_t> batch(batches.bytes);
    for (int y = 0; y < layout.height; y += batches.rows) {
        if (cancelled(cancel))
            return DecodeStatus::Cancelled;
        const int count = std::min(batches.rows, layout.height - y);
        const DecodeStatus filled =
            reader.fill({batch.data(), handOver.stride() * static_cast<std::size_t>(count)});
        if (filled != DecodeStatus::Ok)
            return filled;
        const RowHandOver::Outcome outcome = handOver.take(batch.data(), count, y);
        if (outcome != RowHandOver::Outcome::More)
            return statusOf(outcome);
    }
    return reader.checkAfterTheRows();
}

// Inflating on this thread while a second undoes the filters of the batch
// before: the two take about as long on a photo. Two batches take turns.
class TwoThreadReading {
public:
    TwoThreadReading(RowReader& reader, RowHandOver& handOver, PngLayout layout)
        : reader_(reader), handOver_(handOver), layout_(layout),
          batches_(batchesOf(handOver, layout)) {}

    DecodeStatus run(DecodeCancel cancel) {
        for (Slot& slot : slots_)
            slot.bytes.resize(batches_.bytes);
        std::thread second([this] { handOverAll(); });
        const DecodeStatus inflated = inflateAll(cancel);
        {
            const std::lock_guard lock(mutex_);
            noMore_ = true;
        }
        changed_.notify_all();
        second.join();
        // The rows come first: what libpng would have met first.
        if (outcome_ != RowHandOver::Outcome::More)
            return statusOf(outcome_);
        if (inflated != DecodeStatus::Ok)
            return inflated;
        return reader_.checkAfterTheRows();
    }

private:
    struct Slot {
        std::vector<std::uint8_t> bytes;
        int y = 0;
        int count = 0;
        bool filled = false;
    };

    DecodeStatus inflateAll(DecodeCancel cancel) {
        std::size_t turn = 0;
        for (int y = 0; y < layout_.height; y += batches_.rows, turn ^= 1) {
            Slot& slot = slots_[turn];
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [&] { return !slot.filled || stopped_; });
                if (stopped_)
                    return DecodeStatus::Ok;
            }
            if (cancelled(cancel))
                return DecodeStatus::Cancelled;
            slot.y = y;
            slot.count = std::min(batches_.rows, layout_.height - y);
            const DecodeStatus filled = reader_.fill(
                {slot.bytes.data(), handOver_.stride() * static_cast<std::size_t>(slot.count)});
            if (filled != DecodeStatus::Ok)
                return filled;
            {
                const std::lock_guard lock(mutex_);
                slot.filled = true;
            }
            changed_.notify_all();
        }
        return DecodeStatus::Ok;
    }

    void handOverAll() {
        for (std::size_t turn = 0;; turn ^= 1) {
            Slot& slot = slots_[turn];
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [&] { return slot.filled || noMore_; });
                if (!slot.filled)
                    return;
            }
            const RowHandOver::Outcome outcome =
                handOver_.take(slot.bytes.data(), slot.count, slot.y);
            {
                const std::lock_guard lock(mutex_);
                slot.filled = false;
                outcome_ = outcome;
                stopped_ = outcome != RowHandOver::Outcome::More;
            }
            changed_.notify_all();
            if (outcome != RowHandOver::Outcome::More)
                return;
        }
    }

    RowReader& reader_;
    RowHandOver& handOver_;
    PngLayout layout_;
    Batches batches_;
    Slot slots_[2];
    std::mutex mutex_;
    std::condition_variable changed_;
    bool noMore_ = false;  // the inflating has ended
    bool stopped_ = false; // the handing over has ended
    RowHandOver::Outcome outcome_ = RowHandOver::Outcome::More;
};

DecodeStatus readAllRows(RowReader& reader, PngLayout layout, PictureRows& rows,
                         DecodeCancel cancel) {
    const std::uint64_t bytes = static_cast<std::uint64_t>(layout.width) *
                                static_cast<std::uint64_t>(layout.channels) *
                                static_cast<std::uint64_t>(layout.height);
    try {
        RowHandOver handOver(layout, rows);
        if (bytes >= kTwoThreadsFromBytes && std::thread::hardware_concurrency() > 1) {
            TwoThreadReading reading(reader, handOver, layout);
            return reading.run(cancel);
        }
        return readInTurn(reader, handOver, layout, cancel);
    } catch (const std::bad_alloc&) {
        return DecodeStatus::OutOfMemory;
    } catch (const std::system_error&) {
        // No second thread to be had: the rows are read in turn.
    }
    RowHandOver handOver(layout, rows);
    return readInTurn(reader, handOver, layout, cancel);
}

} // namespace

DecodeStatus readPngRows(FileBytes file, std::size_t dataAt, PngLayout layout, PictureRows& rows,
                         DecodeCancel cancel, bool& inflaterRefused) {
    const std::uint64_t rowBytes =
        static_cast<std::uint64_t>(layout.width) * static_cast<std::uint64_t>(layout.channels);
    PngImageDataChunks chunks(
        file, dataAt,
        longestPngImageDataChunk(rowBytes, static_cast<std::uint32_t>(layout.height)));
    const ZlibHeader header = readZlibHeader(chunks);
    if (header.status != DecodeStatus::Ok)
        return header.status;
    ZlibInflater inflater(header.bytes[0], header.bytes[1]);
    if (!inflater.ready())
        return DecodeStatus::OutOfMemory;
    inflater.give(header.rest);
    RowReader reader(file, chunks, inflater);
    const DecodeStatus status = readAllRows(reader, layout, rows, cancel);
    inflaterRefused = reader.inflaterRefused();
    return status;
}

} // namespace varnelo
