#include "reading/codecs/png_image_data_chunks.h"

#include "reading/codecs/png_chunks.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace varnelo {
namespace {

constexpr std::uint64_t kLongestChunk = 0x7FFFFFFF;
// libpng reads a chunk's image data in pieces of this size.
constexpr std::size_t kPieceBytes = 8192;
// The least that a chunk may hold in any case: the decoder's chunk limit.
constexpr std::uint64_t kLeastChunkLimit = 1 << 20;

} // namespace

std::uint64_t longestPngImageDataChunk(std::uint64_t rowBytes, std::uint32_t height) {
    // The rows with their filter bytes, and what zlib may add around them
    // at the worst: libpng's own reckoning.
    std::uint64_t rowFactor = rowBytes + 1;
    std::uint64_t limit = kLongestChunk;
    if (height <= 0xFFFFFFFFu / rowFactor)
        limit = height * rowFactor;
    rowFactor = std::min<std::uint64_t>(rowFactor, 32566);
    limit += 6 + 5 * (limit / rowFactor + 1);
    return std::max(std::min(limit, kLongestChunk), kLeastChunkLimit);
}

PngImageDataChunks::PngImageDataChunks(FileBytes file, std::size_t dataAt,
                                       std::uint64_t longestChunk)
    : file_(file), longestChunk_(longestChunk), chunkAt_(dataAt - 8), dataAt_(dataAt),
      position_(dataAt) {
    const std::uint64_t length = pngBigEndian32(file.data() + chunkAt_);
    chunkEnd_ = static_cast<std::size_t>(dataAt + length);
}

std::span<const std::uint8_t> PngImageDataChunks::next() {
    while (status_ == DecodeStatus::Ok && position_ == chunkEnd_) {
        if (!leaveChunk())
            return {};
    }
    if (status_ != DecodeStatus::Ok)
        return {};
    if (position_ >= file_.size()) {
        status_ = DecodeStatus::Truncated;
        return {};
    }
    const std::size_t pieceLeft = kPieceBytes - (position_ - dataAt_) % kPieceBytes;
    const std::size_t count =
        std::min({pieceLeft, chunkEnd_ - position_, file_.size() - position_});
    const std::span<const std::uint8_t> piece = file_.subspan(position_, count);
    position_ += count;
    return piece;
}

// Past the chunk's checksum, to the next chunk's data, which must be image data.
bool PngImageDataChunks::leaveChunk() {
    status_ = checkCurrentChunk();
    if (status_ != DecodeStatus::Ok)
        return false;
    chunkAt_ = chunkEnd_ + 4;
    if (file_.size() - chunkAt_ < 8) {
        status_ = DecodeStatus::Truncated;
        return false;
    }
    const std::uint64_t length = pngBigEndian32(file_.data() + chunkAt_);
    // The stream needs more than the image data chunks hold.
    if (std::memcmp(file_.data() + chunkAt_ + 4, "IDAT", 4) != 0 || length > longestChunk_) {
        status_ = DecodeStatus::Corrupt;
        return false;
    }
    position_ = dataAt_ = chunkAt_ + 8;
    chunkEnd_ = static_cast<std::size_t>(position_ + length);
    return true;
}

DecodeStatus PngImageDataChunks::checkCurrentChunk() const {
    return pngChunkSound(file_, chunkAt_);
}

DecodeStatus pngChunkSound(FileBytes file, std::size_t chunkAt) {
    if (file.size() - chunkAt < 12 ||
        pngBigEndian32(file.data() + chunkAt) > file.size() - chunkAt - 12)
        return DecodeStatus::Truncated;
#ifdef VARNELO_FUZZING
    // As libpng is told: mutated files hardly ever keep their checksums.
    return DecodeStatus::Ok;
#else
    const std::size_t length = pngBigEndian32(file.data() + chunkAt);
    const std::string_view type(reinterpret_cast<const char*>(file.data() + chunkAt + 4), 4);
    return pngChunkCrc(type, file.subspan(chunkAt + 8, length)) ==
                   pngBigEndian32(file.data() + chunkAt + 8 + length)
               ? DecodeStatus::Ok
               : DecodeStatus::Corrupt;
#endif
}

} // namespace varnelo
