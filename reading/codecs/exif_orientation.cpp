#include "reading/codecs/exif_orientation.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace varnelo {

namespace {

constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kShortType = 3;

std::uint32_t bigEndian32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

class TiffReader {
public:
    TiffReader(FileBytes bytes, bool bigEndian) : bytes_(bytes), bigEndian_(bigEndian) {}

    bool has(std::size_t offset, std::size_t count) const {
        return offset <= bytes_.size() && count <= bytes_.size() - offset;
    }
    std::uint16_t u16(std::size_t offset) const {
        const std::uint8_t* p = bytes_.data() + offset;
        return static_cast<std::uint16_t>(bigEndian_ ? p[0] << 8 | p[1] : p[1] << 8 | p[0]);
    }
    std::uint32_t u32(std::size_t offset) const {
        const std::uint8_t* p = bytes_.data() + offset;
        return bigEndian_ ? bigEndian32(p)
                          : std::uint32_t{p[3]} << 24 | std::uint32_t{p[2]} << 16 |
                                std::uint32_t{p[1]} << 8 | p[0];
    }

private:
    FileBytes bytes_;
    bool bigEndian_;
};

} // namespace

Orientation exifOrientation(FileBytes tiff) {
    if (tiff.size() < 8)
        return Orientation::Upright;
    const bool little = tiff[0] == 'I' && tiff[1] == 'I';
    const bool big = tiff[0] == 'M' && tiff[1] == 'M';
    if (!little && !big)
        return Orientation::Upright;
    const TiffReader tiffData(tiff, big);
    if (tiffData.u16(2) != 42)
        return Orientation::Upright;
    const std::size_t directory = tiffData.u32(4);
    if (!tiffData.has(directory, 2))
        return Orientation::Upright;
    const std::size_t entries = tiffData.u16(directory);
    for (std::size_t i = 0; i < entries; ++i) {
        const std::size_t entry = directory + 2 + 12 * i;
        if (!tiffData.has(entry, 12))
            break;
        if (tiffData.u16(entry) != kOrientationTag)
            continue;
        if (tiffData.u16(entry + 2) != kShortType || tiffData.u32(entry + 4) < 1)
            break;
        const std::uint16_t value = tiffData.u16(entry + 8);
        return value >= 1 && value <= 8 ? static_cast<Orientation>(value) : Orientation::Upright;
    }
    return Orientation::Upright;
}

Orientation jpegOrientation(FileBytes file) {
    static constexpr std::array<std::uint8_t, 6> kExif = {'E', 'x', 'i', 'f', 0, 0};
    if (file.size() < 4 || file[0] != 0xFF || file[1] != 0xD8)
        return Orientation::Upright;
    std::size_t at = 2;
    // The segments before the first scan, each behind its marker and length.
    while (at + 4 <= file.size()) {
        if (file[at] != 0xFF)
            break;
        const std::uint8_t marker = file[at + 1];
        if (marker == 0xFF) { // fill byte before a marker
            ++at;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9)
            break;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) { // markers without length
            at += 2;
            continue;
        }
        const std::size_t length = std::size_t{file[at + 2]} << 8 | file[at + 3];
        if (length < 2 || length > file.size() - at - 2)
            break;
        const FileBytes data = file.subspan(at + 4, length - 2);
        if (marker == 0xE1 && data.size() >= kExif.size() &&
            std::equal(kExif.begin(), kExif.end(), data.begin()))
            return exifOrientation(data.subspan(kExif.size()));
        at += 2 + length;
    }
    return Orientation::Upright;
}

Orientation webpOrientation(FileBytes file) {
    static constexpr std::array<std::uint8_t, 6> kExif = {'E', 'x', 'i', 'f', 0, 0};
    std::size_t at = 12; // past "RIFF", the size and "WEBP"
    while (at + 8 <= file.size()) {
        const FileBytes type = file.subspan(at, 4);
        const std::size_t length = std::size_t{file[at + 4]} | std::size_t{file[at + 5]} << 8 |
                                   std::size_t{file[at + 6]} << 16 |
                                   std::size_t{file[at + 7]} << 24;
        if (length > file.size() - at - 8)
            break;
        if (std::equal(type.begin(), type.end(), "EXIF")) {
            FileBytes data = file.subspan(at + 8, length);
            // Some writers keep the JPEG segment's "Exif" prefix.
            if (data.size() >= kExif.size() && std::equal(kExif.begin(), kExif.end(), data.begin()))
                data = data.subspan(kExif.size());
            return exifOrientation(data);
        }
        at += 8 + length + (length & 1); // chunks are padded to even sizes
    }
    return Orientation::Upright;
}

Orientation pngOrientation(FileBytes file) {
    std::size_t at = 8; // past the signature
    while (at + 12 <= file.size()) {
        const std::size_t length = bigEndian32(file.data() + at);
        if (length > file.size() - at - 12)
            break;
        const FileBytes type = file.subspan(at + 4, 4);
        const auto is = [&](const char(&name)[5]) {
            return std::equal(type.begin(), type.end(), name);
        };
        if (is("eXIf"))
            return exifOrientation(file.subspan(at + 8, length));
        if (is("IDAT") || is("IEND"))
            break;
        at += 12 + length;
    }
    return Orientation::Upright;
}

} // namespace varnelo
