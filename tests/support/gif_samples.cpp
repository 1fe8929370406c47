#include "tests/support/gif_samples.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <stdexcept>
#include <utility>

#include <gif_lib.h>

namespace varnelo::test {
namespace {

int appendToVector(GifFileType* gif, const GifByteType* bytes, int count) {
    auto& out = *static_cast<std::vector<std::uint8_t>*>(gif->UserData);
    out.insert(out.end(), bytes, bytes + count);
    return count;
}

struct MapDeleter {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};
using ColorMap = std::unique_ptr<ColorMapObject, MapDeleter>;

ColorMap makeMap(const std::vector<Rgb>& colors) {
    if (colors.empty())
        return nullptr;
    int size = 2;
    while (size < static_cast<int>(colors.size()))
        size *= 2;
    ColorMap map(GifMakeMapObject(size, nullptr));
    for (int i = 0; i < size; ++i) {
        const Rgb color =
            i < static_cast<int>(colors.size()) ? colors[static_cast<std::size_t>(i)] : 0;
        map->Colors[i] = GifColorType{redOf(color), greenOf(color), blueOf(color)};
    }
    return map;
}

void check(int result, const char* what) {
    if (result == GIF_ERROR)
        throw std::runtime_error(what);
}

void writeFrame(GifFileType* gif, const GifFrameSample& frame) {
    if (frame.transparentIndex >= 0) {
        GraphicsControlBlock control{};
        control.DisposalMode = DISPOSAL_UNSPECIFIED;
        control.TransparentColor = frame.transparentIndex;
        GifByteType bytes[4];
        const auto length = EGifGCBToExtension(&control, bytes);
        check(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), bytes),
              "EGifPutExtension");
    }
    const ColorMap local = makeMap(frame.localColors);
    check(EGifPutImageDesc(gif, frame.left, frame.top, frame.width, frame.height, frame.interlaced,
                           local.get()),
          "EGifPutImageDesc");
    std::vector<std::vector<int>> passes;
    if (frame.interlaced)
        passes = {{0, 8}, {4, 8}, {2, 4}, {1, 2}};
    else
        passes = {{0, 1}};
    std::vector<GifPixelType> line(static_cast<std::size_t>(frame.width));
    for (const auto& pass : passes) {
        for (int y = pass[0]; y < frame.height; y += pass[1]) {
            const auto first = frame.indexes.begin() + static_cast<std::ptrdiff_t>(y) * frame.width;
            std::copy(first, first + frame.width, line.begin());
            check(EGifPutLine(gif, line.data(), frame.width), "EGifPutLine");
        }
    }
}

} // namespace

std::vector<std::uint8_t> encodeGif(const GifSample& sample) {
    std::vector<std::uint8_t> out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, appendToVector, &error);
    if (gif == nullptr)
        throw std::runtime_error("EGifOpen");
    try {
        EGifSetGifVersion(gif, true);
        const ColorMap global = makeMap(sample.globalColors);
        check(EGifPutScreenDesc(gif, sample.screenWidth, sample.screenHeight, 8,
                                sample.backgroundIndex, global.get()),
              "EGifPutScreenDesc");
        for (const GifFrameSample& frame : sample.frames) {
            if (frame.indexes.size() !=
                static_cast<std::size_t>(frame.width) * static_cast<std::size_t>(frame.height))
                throw std::invalid_argument("encodeGif: index count does not match the frame");
            writeFrame(gif, frame);
        }
    } catch (...) {
        EGifCloseFile(gif, &error);
        throw;
    }
    check(EGifCloseFile(gif, &error), "EGifCloseFile");
    return out;
}

namespace {

// Hand-made files for what giflib's encoder cannot write.
struct RawGif {
    int screenWidth = 4;
    int screenHeight = 4;
    bool globalMap = true; ///< four colours
    int left = 0;
    int top = 0;
    int width = 2;
    int height = 2;
    int codeSize = 2;
    /// LZW codes with the bit width each is stored in.
    std::vector<std::pair<int, int>> codes = {{4, 3}, {0, 3}, {4, 3}, {1, 3}, {4, 3},
                                              {2, 3}, {4, 3}, {3, 3}, {5, 3}};
};

void putWord(std::vector<std::uint8_t>& out, int value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

std::vector<std::uint8_t> rawGifBytes(const RawGif& gif) {
    std::vector<std::uint8_t> out = {'G', 'I', 'F', '8', '9', 'a'};
    putWord(out, gif.screenWidth);
    putWord(out, gif.screenHeight);
    out.push_back(gif.globalMap ? 0x81 : 0x00);
    out.push_back(0); // background
    out.push_back(0); // aspect
    if (gif.globalMap)
        out.insert(out.end(), {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255});
    out.push_back(0x2C);
    putWord(out, gif.left);
    putWord(out, gif.top);
    putWord(out, gif.width);
    putWord(out, gif.height);
    out.push_back(0);
    out.push_back(static_cast<std::uint8_t>(gif.codeSize));
    std::vector<std::uint8_t> data;
    unsigned long bits = 0;
    int held = 0;
    for (const auto& [code, width] : gif.codes) {
        bits |= static_cast<unsigned long>(code) << held;
        held += width;
        for (; held >= 8; held -= 8, bits >>= 8)
            data.push_back(static_cast<std::uint8_t>(bits));
    }
    if (held > 0)
        data.push_back(static_cast<std::uint8_t>(bits));
    out.push_back(static_cast<std::uint8_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    out.push_back(0);
    out.push_back(0x3B);
    return out;
}

} // namespace

std::vector<BadGif> badGifSamples() {
    std::vector<BadGif> samples;
    const auto add = [&samples](std::string name, std::vector<std::uint8_t> bytes,
                                DecodeStatus expected) {
        samples.push_back({std::move(name), std::move(bytes), expected});
    };
    {
        auto bytes = rawGifBytes({});
        bytes.resize(9);
        add("truncated-screen.gif", bytes, DecodeStatus::Truncated);
        bytes = rawGifBytes({});
        bytes.resize(bytes.size() - 4);
        add("truncated-frame.gif", bytes, DecodeStatus::Truncated);
    }
    add("absurd-dimensions.gif", rawGifBytes({.screenWidth = 65535, .screenHeight = 65535}),
        DecodeStatus::TooLarge);
    add("no-colour-map.gif", rawGifBytes({.globalMap = false}), DecodeStatus::Corrupt);
    {
        auto bytes = rawGifBytes({});
        bytes.resize(6 + 7 + 12);
        bytes.push_back(0x3B);
        add("no-frame.gif", bytes, DecodeStatus::Corrupt);
    }
    add("empty-frame.gif", rawGifBytes({.width = 0}), DecodeStatus::Corrupt);
    // Clipped away entirely: the picture is the screen's background.
    add("frame-outside-screen.gif", rawGifBytes({.left = 100, .top = 100}), DecodeStatus::Ok);
    add("lzw-code-size-too-large.gif", rawGifBytes({.codeSize = 12}), DecodeStatus::Corrupt);
    // The first code after a clear names a table entry that cannot exist yet.
    add("lzw-code-out-of-range.gif", rawGifBytes({.codes = {{4, 3}, {7, 3}, {5, 3}}}),
        DecodeStatus::Corrupt);
    // Later on giflib takes such a code without complaint and makes up pixels.
    add("lzw-code-beyond-table.gif",
        rawGifBytes({.codes = {{4, 3}, {0, 3}, {7, 3}, {1, 3}, {5, 4}}}), DecodeStatus::Ok);
    add("lzw-end-too-soon.gif", rawGifBytes({.codes = {{4, 3}, {0, 3}, {5, 3}}}),
        DecodeStatus::Corrupt);
    return samples;
}

} // namespace varnelo::test
