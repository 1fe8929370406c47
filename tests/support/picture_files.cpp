#include "tests/support/picture_files.h"

#include "engine/codecs/bmp_writer.h"
#include "tests/support/temp_dir.h"

#include <stdexcept>

namespace varnelo::test {

WorkBitmap makePicture(int width, int height, const ColorAt& colorAt) {
    WorkBitmap picture;
    if (!picture.allocate(width, height, PixelDepth::Bits24))
        throw std::runtime_error("cannot make a test picture");
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Rgb color = colorAt(x, y);
            std::uint8_t* pixel = picture.row(y) + static_cast<std::size_t>(x) * 3;
            pixel[0] = blueOf(color);
            pixel[1] = greenOf(color);
            pixel[2] = redOf(color);
        }
    return picture;
}

void writeBmpFile(const std::string& path, int width, int height, const ColorAt& colorAt) {
    MemorySink sink;
    if (!writeBmp(sink, makePicture(width, height, colorAt)))
        throw std::runtime_error("cannot encode a test picture");
    writeBytes(path, sink.bytes());
}

} // namespace varnelo::test
