#include "tests/support/jxl_samples.h"

#include <jxl/encode.h>
#include <jxl/encode_cxx.h>

#include <stdexcept>

namespace varnelo::test {

std::vector<std::uint8_t> encodeJxl(int width, int height, const ColorAt& colorAt, bool grey,
                                    int orientation) {
    const JxlEncoderPtr encoder = JxlEncoderMake(nullptr);
    JxlBasicInfo info;
    JxlEncoderInitBasicInfo(&info);
    info.xsize = static_cast<std::uint32_t>(width);
    info.ysize = static_cast<std::uint32_t>(height);
    info.bits_per_sample = 8;
    info.num_color_channels = grey ? 1 : 3;
    info.uses_original_profile = JXL_TRUE;
    info.orientation = static_cast<JxlOrientation>(orientation);
    if (JxlEncoderSetBasicInfo(encoder.get(), &info) != JXL_ENC_SUCCESS)
        throw std::runtime_error("JxlEncoderSetBasicInfo failed");
    JxlColorEncoding colour;
    JxlColorEncodingSetToSRGB(&colour, grey ? JXL_TRUE : JXL_FALSE);
    JxlEncoderSetColorEncoding(encoder.get(), &colour);
    JxlEncoderFrameSettings* settings = JxlEncoderFrameSettingsCreate(encoder.get(), nullptr);
    JxlEncoderSetFrameLossless(settings, JXL_TRUE);
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgb color = colorAt(x, y);
            if (grey) {
                pixels.push_back(greenOf(color));
            } else {
                pixels.push_back(redOf(color));
                pixels.push_back(greenOf(color));
                pixels.push_back(blueOf(color));
            }
        }
    }
    const JxlPixelFormat format{grey ? 1U : 3U, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    if (JxlEncoderAddImageFrame(settings, &format, pixels.data(), pixels.size()) != JXL_ENC_SUCCESS)
        throw std::runtime_error("JxlEncoderAddImageFrame failed");
    JxlEncoderCloseInput(encoder.get());
    return encodedJxl(encoder.get());
}

std::vector<std::uint8_t> encodedJxl(JxlEncoder* encoder) {
    std::vector<std::uint8_t> bytes(4096);
    std::uint8_t* next = bytes.data();
    std::size_t room = bytes.size();
    for (;;) {
        const JxlEncoderStatus status = JxlEncoderProcessOutput(encoder, &next, &room);
        if (status == JXL_ENC_SUCCESS)
            break;
        if (status != JXL_ENC_NEED_MORE_OUTPUT)
            throw std::runtime_error("JxlEncoderProcessOutput failed");
        const std::size_t used = static_cast<std::size_t>(next - bytes.data());
        bytes.resize(bytes.size() * 2);
        next = bytes.data() + used;
        room = bytes.size() - used;
    }
    bytes.resize(static_cast<std::size_t>(next - bytes.data()));
    return bytes;
}

namespace {

std::vector<std::uint8_t> cut(std::vector<std::uint8_t> bytes, std::size_t size) {
    bytes.resize(size);
    return bytes;
}

} // namespace

std::vector<BadFile> badJxlSamples() {
    const std::vector<std::uint8_t> good = encodeJxl(16, 12, noise);
    std::vector<BadFile> samples;
    samples.push_back(
        {"jxl-cut-in-image-data.jxl", cut(good, good.size() / 2), DecodeStatus::Truncated});
    samples.push_back({"jxl-signature-only.jxl", cut(good, 2), DecodeStatus::Truncated});
    std::vector<std::uint8_t> scrambled = good;
    for (std::size_t i = 12; i < scrambled.size(); i += 3)
        scrambled[i] = static_cast<std::uint8_t>(scrambled[i] ^ 0x6B);
    samples.push_back({"jxl-scrambled-data.jxl", scrambled, DecodeStatus::Corrupt});
    return samples;
}

} // namespace varnelo::test
