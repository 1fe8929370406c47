#include "tests/support/webp_samples.h"

#include <webp/encode.h>
#include <webp/mux.h>

#include <stdexcept>

namespace varnelo::test {

namespace {

std::vector<std::uint8_t> assembled(WebPMux* mux) {
    WebPData out{};
    const WebPMuxError error = WebPMuxAssemble(mux, &out);
    WebPMuxDelete(mux);
    if (error != WEBP_MUX_OK)
        throw std::runtime_error("WebPMuxAssemble failed");
    std::vector<std::uint8_t> bytes(out.bytes, out.bytes + out.size);
    WebPDataClear(&out);
    return bytes;
}

} // namespace

std::vector<std::uint8_t> encodeWebp(int width, int height, const ColorAt& colorAt, bool lossless) {
    const std::vector<std::uint8_t> bgr = encoderRows(width, height, RowFormat::Bgr24, colorAt);
    std::uint8_t* out = nullptr;
    const size_t size = lossless ? WebPEncodeLosslessBGR(bgr.data(), width, height, width * 3, &out)
                                 : WebPEncodeBGR(bgr.data(), width, height, width * 3, 90.0F, &out);
    if (size == 0)
        throw std::runtime_error("WebP encoding failed");
    std::vector<std::uint8_t> bytes(out, out + size);
    WebPFree(out);
    return bytes;
}

std::vector<std::uint8_t> encodeAnimatedWebp(int width, int height,
                                             const std::vector<WebpFrame>& frames) {
    WebPMux* mux = WebPMuxNew();
    const WebPMuxAnimParams params{0xFF000000, 0};
    WebPMuxSetAnimationParams(mux, &params);
    for (const WebpFrame& frame : frames) {
        WebPMuxFrameInfo info{};
        info.bitstream = {frame.still.data(), frame.still.size()};
        info.x_offset = frame.x;
        info.y_offset = frame.y;
        info.duration = 100;
        info.id = WEBP_CHUNK_ANMF;
        info.dispose_method = WEBP_MUX_DISPOSE_NONE;
        info.blend_method = WEBP_MUX_NO_BLEND;
        if (WebPMuxPushFrame(mux, &info, 1) != WEBP_MUX_OK)
            throw std::runtime_error("WebPMuxPushFrame failed");
    }
    WebPMuxSetCanvasSize(mux, width, height);
    return assembled(mux);
}

std::vector<std::uint8_t> withWebpExif(const std::vector<std::uint8_t>& webp,
                                       const std::vector<std::uint8_t>& exif) {
    const WebPData still{webp.data(), webp.size()};
    WebPMux* mux = WebPMuxCreate(&still, 1);
    const WebPData data{exif.data(), exif.size()};
    if (mux == nullptr || WebPMuxSetChunk(mux, "EXIF", &data, 1) != WEBP_MUX_OK)
        throw std::runtime_error("WebPMuxSetChunk failed");
    return assembled(mux);
}

namespace {

void putLittleEndian32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::vector<std::uint8_t> cut(std::vector<std::uint8_t> bytes, std::size_t size) {
    bytes.resize(size);
    return bytes;
}

} // namespace

std::vector<BadFile> badWebpSamples() {
    const std::vector<std::uint8_t> lossy = encodeWebp(16, 12, noise, false);
    const std::vector<std::uint8_t> lossless = encodeWebp(16, 12, noise, true);
    std::vector<BadFile> samples;
    samples.push_back(
        {"webp-cut-in-lossy-data.webp", cut(lossy, lossy.size() * 2 / 3), DecodeStatus::Truncated});
    samples.push_back({"webp-cut-in-lossless-data.webp", cut(lossless, lossless.size() / 2),
                       DecodeStatus::Truncated});
    samples.push_back({"webp-cut-after-riff-header.webp", cut(lossy, 16), DecodeStatus::Truncated});
    std::vector<std::uint8_t> startCode = lossy;
    for (std::size_t i = 0; i + 3 <= startCode.size(); ++i) {
        if (startCode[i] == 0x9D && startCode[i + 1] == 0x01 && startCode[i + 2] == 0x2A) {
            startCode[i] = 0x9C;
            break;
        }
    }
    samples.push_back({"webp-broken-key-frame-start-code.webp", startCode, DecodeStatus::Corrupt});
    // A VP8 frame header of a picture 0 pixels wide.
    std::vector<std::uint8_t> zeroWidth = lossy;
    for (std::size_t i = 0; i + 5 <= zeroWidth.size(); ++i) {
        if (zeroWidth[i] == 0x9D && zeroWidth[i + 1] == 0x01 && zeroWidth[i + 2] == 0x2A) {
            zeroWidth[i + 3] = 0;
            zeroWidth[i + 4] = 0;
            break;
        }
    }
    samples.push_back({"webp-zero-width.webp", zeroWidth, DecodeStatus::Corrupt});
    std::vector<std::uint8_t> chunkBeyond = lossy;
    putLittleEndian32(chunkBeyond, 16, 0x7FFFFFF0); // the VP8 chunk's size
    samples.push_back({"webp-chunk-size-beyond-file.webp", chunkBeyond, DecodeStatus::Corrupt});
    return samples;
}

} // namespace varnelo::test
