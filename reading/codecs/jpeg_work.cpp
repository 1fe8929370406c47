#include "reading/codecs/jpeg_work.h"

#include "base/picture_limits.h"

#include <algorithm>

namespace varnelo {

namespace {

constexpr std::uint8_t kStartOfImage = 0xD8;
constexpr std::uint8_t kEndOfImage = 0xD9;
constexpr std::uint8_t kStartOfScan = 0xDA;

std::size_t segmentLength(FileBytes stream, std::size_t at) {
    return at + 3 < stream.size() ? (std::size_t{stream[at + 2]} << 8) | stream[at + 3] : 0;
}

// The frame headers: SOF0 to SOF15 but for DHT (C4), JPG (C8) and DAC (CC).
bool isFrameHeader(std::uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Calls seen(marker, at) for every marker segment up to the end of the
// image, skipping the entropy-coded data of each scan.
template <class Seen>
void walkMarkers(FileBytes stream, Seen seen) {
    std::size_t at = 0;
    while (at + 1 < stream.size()) {
        if (stream[at] != 0xFF) {
            ++at; // stray bytes between segments, which libjpeg skips as well
            continue;
        }
        const std::uint8_t marker = stream[at + 1];
        if (marker == 0xFF) {
            ++at; // fill byte
            continue;
        }
        if (marker == kEndOfImage)
            break;
        if (marker == kStartOfImage || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            at += 2; // markers without a length
            continue;
        }
        seen(marker, at);
        at += 2 + segmentLength(stream, at);
        if (marker != kStartOfScan)
            continue;
        // The entropy-coded data runs to the next marker that is neither a
        // stuffed zero nor a restart.
        while (at + 1 < stream.size() && !(stream[at] == 0xFF && stream[at + 1] != 0 &&
                                           (stream[at + 1] < 0xD0 || stream[at + 1] > 0xD7)))
            ++at;
    }
}

std::int64_t blocksAcross(std::int64_t side, int sampling, int largest) {
    // As libjpeg sizes a channel: its share of the side, in whole blocks.
    const std::int64_t samples = (side * sampling + largest - 1) / largest;
    return (samples + 7) / 8;
}

} // namespace

std::int64_t countJpegScans(FileBytes stream) {
    std::int64_t scans = 0;
    walkMarkers(stream, [&](std::uint8_t marker, std::size_t) {
        if (marker == kStartOfScan)
            ++scans;
    });
    return scans;
}

JpegWork jpegWorkOf(FileBytes stream, std::int64_t width, std::int64_t height, int channels) {
    JpegWork work;
    bool framed = false;
    walkMarkers(stream, [&](std::uint8_t marker, std::size_t at) {
        if (marker == kStartOfScan) {
            ++work.scans;
            return;
        }
        if (framed || !isFrameHeader(marker) || at + 10 > stream.size())
            return;
        const int count = stream[at + 9];
        if (count < 1 || at + 10 + std::size_t(count) * 3 > stream.size())
            return;
        framed = true;
        const std::int64_t frameHeight = (std::int64_t{stream[at + 5]} << 8) | stream[at + 6];
        const std::int64_t frameWidth = (std::int64_t{stream[at + 7]} << 8) | stream[at + 8];
        // A height of 0 is told at the end of the first scan.
        height = frameHeight > 0 ? frameHeight : height;
        width = frameWidth;
        int widest = 1;
        int tallest = 1;
        for (int i = 0; i < count; ++i) {
            const std::uint8_t sampling = stream[at + 10 + std::size_t(i) * 3 + 1];
            widest = std::max(widest, sampling >> 4);
            tallest = std::max(tallest, sampling & 15);
        }
        for (int i = 0; i < count; ++i) {
            const std::uint8_t sampling = stream[at + 10 + std::size_t(i) * 3 + 1];
            work.blocks += blocksAcross(width, std::max(sampling >> 4, 1), widest) *
                           blocksAcross(height, std::max(sampling & 15, 1), tallest);
        }
    });
    work.width = width;
    work.height = height;
    if (!framed)
        work.blocks = blocksAcross(width, 1, 1) * blocksAcross(height, 1, 1) * channels;
    // Data without markers is the one scan of an old-style JPEG strip.
    work.scans = std::max<std::int64_t>(work.scans, 1);
    return work;
}

DecodeStatus checkJpegWork(const JpegWork& work, std::int64_t bytes) {
    const std::int64_t pixels = work.width * work.height;
    if (work.scans > kMaxJpegScans || (work.scans > 1 && pixels * work.scans > kMaxJpegPixelScans))
        return DecodeStatus::TooCostly;
    // Every block's DC value takes at least a bit: a stream too short for
    // that ends before its picture does, whatever memory a progressive
    // decoding would take for its coefficients first.
    if (bytes < work.blocks / kMinJpegBlocksPerByte)
        return DecodeStatus::Truncated;
    return DecodeStatus::Ok;
}

std::int64_t jpegCoefficientBytes(const JpegWork& work) {
    return work.scans > 1 ? work.blocks * 64 * 2 : 0;
}

} // namespace varnelo
