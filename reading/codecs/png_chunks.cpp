#include "reading/codecs/png_chunks.h"

#include <zlib.h>

#include <cassert>

namespace varnelo {

namespace {

void putBigEndian(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
    bytes.insert(bytes.end(),
                 {static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
                  static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)});
}

const Bytef* bytesOf(std::string_view type) {
    return reinterpret_cast<const Bytef*>(type.data());
}

} // namespace

std::uint32_t pngChunkCrc(std::string_view type, std::span<const std::uint8_t> data) {
    assert(type.size() == 4);
    uLong crc = crc32(0, bytesOf(type), 4);
    // zlib answers a null buffer with the CRC's starting value, not with the
    // CRC it was given: an empty chunk's data must not be passed at all.
    if (!data.empty())
        crc = crc32(crc, data.data(), static_cast<uInt>(data.size()));
    return static_cast<std::uint32_t>(crc);
}

PngChunkFrame pngChunkFrame(std::string_view type, std::span<const std::uint8_t> data) {
    PngChunkFrame frame;
    putBigEndian(frame.head, static_cast<std::uint32_t>(data.size()));
    frame.head.insert(frame.head.end(), type.begin(), type.end());
    putBigEndian(frame.tail, pngChunkCrc(type, data));
    return frame;
}

std::uint32_t pngBigEndian32(const std::uint8_t* bytes) {
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
           (std::uint32_t{bytes[2]} << 8) | bytes[3];
}

void appendPngChunk(std::vector<std::uint8_t>& out, std::string_view type,
                    std::span<const std::uint8_t> data) {
    const PngChunkFrame frame = pngChunkFrame(type, data);
    out.insert(out.end(), frame.head.begin(), frame.head.end());
    out.insert(out.end(), data.begin(), data.end());
    out.insert(out.end(), frame.tail.begin(), frame.tail.end());
}

} // namespace varnelo
