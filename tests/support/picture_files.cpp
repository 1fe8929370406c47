#include "tests/support/picture_files.h"

#include "tests/support/temp_dir.h"
#include "writers/encoders/bmp_writer.h"

#include <stdexcept>

namespace varnelo::test {

WorkBitmap makePicture(int width, int height, const ColorAt& colorAt, PixelDepth depth) {
    WorkBitmap picture;
    if (bytesPerPixel(depth) < 3 || !picture.allocate(width, height, depth))
        throw std::runtime_error("cannot make a test picture");
    const auto bytes = static_cast<std::size_t>(bytesPerPixel(depth));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Rgb color = colorAt(x, y);
            std::uint8_t* pixel = picture.row(y) + static_cast<std::size_t>(x) * bytes;
            pixel[0] = blueOf(color);
            pixel[1] = greenOf(color);
            pixel[2] = redOf(color);
        }
    return picture;
}

std::vector<std::uint8_t> encoderRows(int width, int height, RowFormat format,
                                      const ColorAt& colorAt) {
    std::vector<std::uint8_t> bytes;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgb color = colorAt(x, y);
            bytes.insert(bytes.end(), {blueOf(color), greenOf(color), redOf(color)});
            if (format == RowFormat::Bgrx32)
                bytes.push_back(static_cast<std::uint8_t>(x * 89 + y * 13 + 7));
        }
    }
    return bytes;
}

RowSource rowSource(const std::vector<std::uint8_t>& pixels, int height) {
    const std::size_t stride = pixels.size() / static_cast<std::size_t>(height);
    return
        [&pixels, stride](int y) { return pixels.data() + stride * static_cast<std::size_t>(y); };
}

Rgb noise(int x, int y) {
    const auto h = static_cast<std::uint32_t>(x * 7919 + y * 104729) * 2654435761u;
    return makeRgb(h >> 8, h >> 16, h >> 24);
}

bool writeBmp(ByteSink& sink, const WorkBitmap& picture) {
    RowFormat format = RowFormat::Bgr24;
    switch (picture.depth()) {
    case PixelDepth::Bits24:
        format = RowFormat::Bgr24;
        break;
    case PixelDepth::Bits32:
    case PixelDepth::Device:
        format = RowFormat::Bgrx32;
        break;
    default:
        return false;
    }
    if (picture.isEmpty())
        return false;
    return writeBmp(sink, picture.width(), picture.height(), format,
                    [&picture](int y) { return picture.row(y); });
}

void writeBmpFile(const std::string& path, int width, int height, const ColorAt& colorAt) {
    MemorySink sink;
    if (!writeBmp(sink, makePicture(width, height, colorAt)))
        throw std::runtime_error("cannot encode a test picture");
    writeBytes(path, sink.bytes());
}

} // namespace varnelo::test
