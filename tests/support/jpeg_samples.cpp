#include "tests/support/jpeg_samples.h"

#include <cstdio> // jpeglib.h uses FILE and size_t without including their headers
#include <cstdlib>
#include <stdexcept>

#include <jpeglib.h>

namespace varnelo::test {

// Samples are made from pixels the tests control, so libjpeg's own error
// handling (message and exit) only ever fires for a broken test.
std::vector<std::uint8_t> encodeJpeg(int width, int height, int channels,
                                     const std::vector<std::uint8_t>& pixels,
                                     const JpegSampleOptions& options) {
    const auto rowBytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(channels);
    if (width < 1 || height < 1 || channels < 1 || channels > 4 ||
        pixels.size() != rowBytes * static_cast<std::size_t>(height))
        throw std::invalid_argument("encodeJpeg: pixel count does not match the size");

    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_CreateCompress(&info, JPEG_LIB_VERSION, sizeof info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);

    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = channels;
    const J_COLOR_SPACE spaces[] = {JCS_GRAYSCALE, JCS_UNKNOWN, JCS_RGB, JCS_CMYK};
    info.in_color_space = spaces[channels - 1];
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, options.quality, TRUE);
    info.optimize_coding = options.optimizeCoding ? TRUE : FALSE;
    info.arith_code = options.arithmetic ? TRUE : FALSE;
    if (channels == 4)
        info.write_Adobe_marker = options.adobeMarker ? TRUE : FALSE;
    if (options.fullChroma) {
        for (int i = 0; i < info.num_components; ++i) {
            info.comp_info[i].h_samp_factor = 1;
            info.comp_info[i].v_samp_factor = 1;
        }
    }
    if (options.progressive)
        jpeg_simple_progression(&info);
    info.restart_in_rows = options.restartRows;

    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        // libjpeg's API takes non-const rows but only reads them.
        JSAMPROW row = const_cast<JSAMPROW>(pixels.data() + info.next_scanline * rowBytes);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);

    std::vector<std::uint8_t> file(buffer, buffer + size);
    std::free(buffer);
    return file;
}

std::size_t findJpegMarker(const std::vector<std::uint8_t>& file, std::uint8_t code) {
    for (std::size_t i = 2; i + 1 < file.size(); ++i) {
        if (file[i] == 0xFF && file[i + 1] == code)
            return i;
    }
    return file.size();
}

std::vector<std::uint8_t> progressiveJpegOfScans(int scans) {
    auto file = encodeJpeg(8, 8, 1, std::vector<std::uint8_t>(64, 100), {.progressive = true});
    std::size_t lastScan = 0;
    int count = 0;
    for (std::size_t i = 0; i + 1 < file.size(); ++i) {
        if (file[i] == 0xFF && file[i + 1] == 0xDA) {
            lastScan = i;
            ++count;
        }
    }
    const std::vector<std::uint8_t> scan(file.begin() + static_cast<std::ptrdiff_t>(lastScan),
                                         file.end() - 2);
    for (; count < scans; ++count)
        file.insert(file.end() - 2, scan.begin(), scan.end());
    return file;
}

void setJpegSize(std::vector<std::uint8_t>& file, unsigned width, unsigned height) {
    std::size_t at = findJpegMarker(file, 0xC0);
    if (at == file.size())
        at = findJpegMarker(file, 0xC2);
    if (at + 9 > file.size())
        throw std::invalid_argument("setJpegSize: no frame header");
    file[at + 5] = static_cast<std::uint8_t>(height >> 8);
    file[at + 6] = static_cast<std::uint8_t>(height);
    file[at + 7] = static_cast<std::uint8_t>(width >> 8);
    file[at + 8] = static_cast<std::uint8_t>(width);
}

namespace {

std::vector<std::uint8_t> noise(std::size_t count) {
    std::vector<std::uint8_t> bytes;
    unsigned seed = 2024;
    for (std::size_t i = 0; i < count; ++i) {
        seed = seed * 1103515245u + 12345u;
        bytes.push_back(static_cast<std::uint8_t>(seed >> 16));
    }
    return bytes;
}

// Small enough to keep in the repository, busy enough that the scan data
// spans most of the file.
std::vector<std::uint8_t> smallJpeg(const JpegSampleOptions& options = {}) {
    JpegSampleOptions small = options;
    small.quality = 50;
    small.optimizeCoding = true;
    return encodeJpeg(16, 16, 1, noise(256), small);
}

} // namespace

std::vector<BadJpeg> badJpegSamples() {
    std::vector<BadJpeg> samples;
    const auto add = [&samples](std::string name, std::vector<std::uint8_t> bytes,
                                DecodeStatus expected) {
        samples.push_back({std::move(name), std::move(bytes), expected});
    };
    const auto base = smallJpeg();
    const std::size_t frame = findJpegMarker(base, 0xC0);
    const std::size_t scan = findJpegMarker(base, 0xDA);
    {
        auto bytes = base;
        bytes.resize(frame + 5);
        add("truncated-header.jpg", bytes, DecodeStatus::Truncated);
    }
    {
        auto bytes = base;
        bytes.resize(scan + (base.size() - scan) / 2);
        add("truncated-scan.jpg", bytes, DecodeStatus::Truncated);
    }
    {
        auto bytes = smallJpeg({.progressive = true});
        bytes.resize(bytes.size() * 2 / 3);
        add("progressive-truncated.jpg", bytes, DecodeStatus::Truncated);
    }
    {
        // Complete, but its scan data ends at the end marker long before the
        // claimed size is covered.
        auto bytes = base;
        setJpegSize(bytes, 16384, 16384);
        add("huge-claim-no-data.jpg", bytes, DecodeStatus::Truncated);
        setJpegSize(bytes, 65500, 65500);
        add("absurd-dimensions.jpg", bytes, DecodeStatus::TooLarge);
        setJpegSize(bytes, 0, 16);
        add("zero-width.jpg", bytes, DecodeStatus::Corrupt);
    }
    {
        auto bytes = base;
        bytes[frame + 4] = 12;
        add("twelve-bit.jpg", bytes, DecodeStatus::Unsupported);
        bytes = base;
        bytes[frame + 1] = 0xC3;
        add("lossless-process.jpg", bytes, DecodeStatus::Unsupported);
    }
    add("two-components.jpg",
        encodeJpeg(8, 8, 2, noise(128), {.quality = 50, .optimizeCoding = true}),
        DecodeStatus::Unsupported);
    {
        // The code-length counts of the first table add up past 256 codes.
        auto bytes = base;
        const std::size_t table = findJpegMarker(bytes, 0xC4);
        bytes.at(table + 5 + 14) = 0xFF;
        bytes.at(table + 5 + 15) = 0xFF;
        add("bad-huffman-table.jpg", bytes, DecodeStatus::Corrupt);
    }
    add("unknown-marker.jpg", {0xFF, 0xD8, 0xFF, 0x4A, 0x00, 0x04, 0x00, 0x00, 0xFF, 0xD9},
        DecodeStatus::Corrupt);
    return samples;
}

} // namespace varnelo::test
