#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace varnelo {

/// The CRC-32 a PNG chunk ends with: over its four type bytes and its data,
/// also when the data is empty (IEND's is AE 42 60 82).
std::uint32_t pngChunkCrc(std::string_view type, std::span<const std::uint8_t> data);

/// The big-endian 32-bit number PNG writes lengths, sizes and CRCs as.
std::uint32_t pngBigEndian32(const std::uint8_t* bytes);

/// Appends one whole chunk: its length, its four type bytes, its data and
/// its CRC, lengths and CRC big-endian.
void appendPngChunk(std::vector<std::uint8_t>& out, std::string_view type,
                    std::span<const std::uint8_t> data);

/// The bytes a chunk starts with (length and type) and ends with (CRC), for
/// data written on its own without being copied.
struct PngChunkFrame {
    std::vector<std::uint8_t> head;
    std::vector<std::uint8_t> tail;
};
PngChunkFrame pngChunkFrame(std::string_view type, std::span<const std::uint8_t> data);

} // namespace varnelo
