#include "tests/support/exif_samples.h"

#include "reading/codecs/png_chunks.h"
#include "tests/support/png_samples.h"

#include <stdexcept>

namespace varnelo::test {

namespace {

class TiffWriter {
public:
    explicit TiffWriter(bool bigEndian) : bigEndian_(bigEndian) {}

    void u16(unsigned value) {
        const auto high = static_cast<std::uint8_t>(value >> 8);
        const auto low = static_cast<std::uint8_t>(value);
        bytes_.push_back(bigEndian_ ? high : low);
        bytes_.push_back(bigEndian_ ? low : high);
    }
    void u32(std::uint32_t value) {
        if (bigEndian_) {
            u16(value >> 16);
            u16(value & 0xFFFF);
        } else {
            u16(value & 0xFFFF);
            u16(value >> 16);
        }
    }
    void entry(unsigned tag, unsigned type, std::uint32_t count, unsigned shortValue) {
        u16(tag);
        u16(type);
        u32(count);
        u16(shortValue);
        u16(0);
    }
    std::vector<std::uint8_t> bytes() const { return bytes_; }

private:
    bool bigEndian_;
    std::vector<std::uint8_t> bytes_;
};

} // namespace

std::vector<std::uint8_t> exifWithOrientation(int orientation, bool bigEndian) {
    TiffWriter tiff(bigEndian);
    tiff.u16(bigEndian ? 0x4D4D : 0x4949); // "MM" or "II" read either way
    tiff.u16(42);
    tiff.u32(8); // the first directory right behind the header
    tiff.u16(2);
    tiff.entry(0x010F, 2, 4, 0); // Make, an ASCII value that fits its field
    tiff.entry(0x0112, 3, 1, static_cast<unsigned>(orientation));
    tiff.u32(0); // no further directory
    return tiff.bytes();
}

std::vector<std::uint8_t> withExifSegment(const std::vector<std::uint8_t>& jpeg,
                                          const std::vector<std::uint8_t>& exif) {
    static constexpr std::uint8_t kExifHeader[] = {'E', 'x', 'i', 'f', 0, 0};
    const std::size_t length = 2 + sizeof kExifHeader + exif.size();
    std::vector<std::uint8_t> file;
    file.reserve(jpeg.size() + 2 + length);
    for (const std::uint8_t byte :
         {std::uint8_t{0xFF}, std::uint8_t{0xD8}, std::uint8_t{0xFF}, std::uint8_t{0xE1},
          static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)})
        file.push_back(byte);
    for (const std::uint8_t byte : kExifHeader)
        file.push_back(byte);
    for (const std::uint8_t byte : exif)
        file.push_back(byte);
    for (std::size_t i = 2; i < jpeg.size(); ++i) // everything after the start of image
        file.push_back(jpeg[i]);
    return file;
}

std::vector<std::uint8_t> withExifChunk(const std::vector<std::uint8_t>& png,
                                        const std::vector<std::uint8_t>& exif) {
    const long idat = findPngChunk(png, "IDAT");
    if (idat < 0)
        throw std::invalid_argument("a PNG without image data");
    std::vector<std::uint8_t> file(png.begin(), png.begin() + idat);
    appendPngChunk(file, "eXIf", exif);
    file.insert(file.end(), png.begin() + idat, png.end());
    return file;
}

} // namespace varnelo::test
