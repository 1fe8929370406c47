#pragma once

#include "reading/codecs/decode_status.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace varnelo {

/// A PNG's image data, the contents of its IDAT chunks one after another,
/// read as libpng reads them: each chunk's checksum is checked when the
/// reading leaves the chunk, another chunk where more data is needed makes
/// the file corrupt, and its end where data is needed truncated.
class PngImageDataChunks {
public:
    /// dataAt is where the first IDAT chunk's data starts, its length and
    /// type just before; longestChunk the most data an IDAT chunk of this
    /// picture may hold.
    PngImageDataChunks(FileBytes file, std::size_t dataAt, std::uint64_t longestChunk);

    /// The next piece of image data: the rest of the piece of the chunk
    /// libpng would read at once (8 kB from the chunk's start on); empty
    /// when there is none, with status() saying why.
    /// What the stream holds after its rows within that piece is inflated
    /// too, and can fail the file.
    std::span<const std::uint8_t> next();
    DecodeStatus status() const { return status_; }
    /// Whether the chunk being read is whole in the file and its checksum
    /// right: checked once the last row is read from it.
    DecodeStatus checkCurrentChunk() const;
    /// How far into the file the reading has come.
    std::size_t position() const { return position_; }

private:
    bool leaveChunk();

    FileBytes file_;
    std::uint64_t longestChunk_;
    std::size_t chunkAt_;  // the chunk's length field
    std::size_t chunkEnd_; // where its data ends and its checksum starts
    std::size_t dataAt_;   // where its data starts
    std::size_t position_;
    DecodeStatus status_ = DecodeStatus::Ok;
};

/// Whether the chunk whose length field is at chunkAt lies whole in the
/// file (else Truncated) and its checksum is right (else Corrupt).
DecodeStatus pngChunkSound(FileBytes file, std::size_t chunkAt);

/// The most data libpng allows in one IDAT chunk of an 8-bit picture
/// without interlacing, whose rows hold rowBytes bytes after the filter byte.
std::uint64_t longestPngImageDataChunk(std::uint64_t rowBytes, std::uint32_t height);

} // namespace varnelo
