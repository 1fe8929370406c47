#include "tests/support/hostile_pictures.h"

#include "base/color.h"
#include "tests/support/avif_samples.h"
#include "tests/support/heif_samples.h"
#include "tests/support/jpeg_samples.h"
#include "tests/support/jxl_samples.h"
#include "tests/support/temp_dir.h"
#include "tests/support/webp_samples.h"

#include <avif/avif.h>
#include <jxl/encode.h>
#include <jxl/encode_cxx.h>
#include <libheif/heif.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <string_view>

namespace varnelo::test {

namespace {

using Bytes = std::vector<std::uint8_t>;

template <class Integer>
void putBig(Bytes& out, Integer value, int bytes) {
    const auto bits = static_cast<std::uint64_t>(value);
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
}

template <class Integer>
void putLittle(Bytes& out, Integer value, int bytes) {
    const auto bits = static_cast<std::uint64_t>(value);
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
}

std::uint64_t readBig(const Bytes& in, std::size_t at, int bytes) {
    if (at + static_cast<std::size_t>(bytes) > in.size())
        throw std::invalid_argument("box runs past its file");
    std::uint64_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value = (value << 8) | in[at + static_cast<std::size_t>(i)];
    return value;
}

// ---- WebP: a lossless stream whose every prefix code has one symbol.

class BitWriter {
public:
    void put(std::uint32_t value, int bits) {
        for (int i = 0; i < bits; ++i) {
            if (used_ % 8 == 0)
                bytes_.push_back(0);
            if (((value >> i) & 1U) != 0)
                bytes_.back() = static_cast<std::uint8_t>(bytes_.back() | (1U << (used_ % 8)));
            ++used_;
        }
    }
    const Bytes& bytes() const { return bytes_; }

private:
    Bytes bytes_;
    std::size_t used_ = 0;
};

// ---- TIFF: little-endian, the data first, the one directory after it.

struct TiffField {
    std::uint16_t tag;
    std::uint16_t type; // 3 SHORT, 4 LONG
    std::vector<std::uint32_t> values;
};

Bytes tiffFile(const std::vector<Bytes>& blobs, std::vector<std::uint32_t>* blobOffsets) {
    Bytes out{'I', 'I', 42, 0, 0, 0, 0, 0};
    for (const Bytes& blob : blobs) {
        blobOffsets->push_back(static_cast<std::uint32_t>(out.size()));
        out.insert(out.end(), blob.begin(), blob.end());
        if (out.size() % 2 != 0)
            out.push_back(0);
    }
    return out;
}

Bytes finishTiff(Bytes out, std::vector<TiffField> fields) {
    std::sort(fields.begin(), fields.end(),
              [](const TiffField& a, const TiffField& b) { return a.tag < b.tag; });
    const auto directory = static_cast<std::uint32_t>(out.size());
    std::memcpy(out.data() + 4, &directory, 4);
    Bytes outOfLine;
    const std::size_t outOfLineAt = out.size() + 2 + 12 * fields.size() + 4;
    putLittle(out, fields.size(), 2);
    for (const TiffField& field : fields) {
        const int size = field.type == 3 ? 2 : 4;
        putLittle(out, field.tag, 2);
        putLittle(out, field.type, 2);
        putLittle(out, field.values.size(), 4);
        if (field.values.size() * static_cast<std::size_t>(size) <= 4) {
            Bytes inLine;
            for (const std::uint32_t value : field.values)
                putLittle(inLine, value, size);
            inLine.resize(4, 0);
            out.insert(out.end(), inLine.begin(), inLine.end());
        } else {
            putLittle(out, outOfLineAt + outOfLine.size(), 4);
            for (const std::uint32_t value : field.values)
                putLittle(outOfLine, value, size);
        }
    }
    putLittle(out, 0, 4); // no next directory
    out.insert(out.end(), outOfLine.begin(), outOfLine.end());
    return out;
}

Bytes deflated(const Bytes& raw) {
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    Bytes out(size);
    if (compress2(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()), 9) != Z_OK)
        throw std::runtime_error("compress2 failed");
    out.resize(size);
    return out;
}

// A picture of width × height in strips of rowsPerStrip rows, each strip
// the one blob given (or, with copies, a copy of it).
Bytes strippedTiff(std::uint32_t width, std::uint32_t height, std::uint32_t rowsPerStrip,
                   const Bytes& strip, bool copies, std::vector<TiffField> fields) {
    const std::uint32_t strips = (height + rowsPerStrip - 1) / rowsPerStrip;
    std::vector<Bytes> blobs(copies ? strips : 1, strip);
    std::vector<std::uint32_t> at;
    Bytes out = tiffFile(blobs, &at);
    std::vector<std::uint32_t> offsets(strips);
    for (std::uint32_t i = 0; i < strips; ++i)
        offsets[i] = at[copies ? i : 0];
    fields.push_back({256, 4, {width}});
    fields.push_back({257, 4, {height}});
    fields.push_back({273, 4, offsets});
    fields.push_back({278, 4, {rowsPerStrip}});
    fields.push_back({279, 4, std::vector<std::uint32_t>(strips, std::uint32_t(strip.size()))});
    return finishTiff(std::move(out), std::move(fields));
}

// A progressive grey JPEG of `scans` scans claiming width × height pixels.
Bytes jpegOfScans(int scans, unsigned width, unsigned height) {
    Bytes file = progressiveJpegOfScans(scans);
    setJpegSize(file, width, height);
    return file;
}

std::vector<TiffField> greyFields(std::uint16_t compression) {
    return {{258, 3, {8}}, {259, 3, {compression}}, {262, 3, {1}}, {277, 3, {1}}};
}

// ---- ISO base media files: the boxes of a single-picture HEIF or AVIF.

struct Box {
    std::string type;
    std::size_t start = 0; // of its header
    std::size_t body = 0;  // of what follows the header
    std::size_t end = 0;
};

std::vector<Box> boxesIn(const Bytes& file, std::size_t from, std::size_t to) {
    std::vector<Box> boxes;
    while (from + 8 <= to) {
        std::uint64_t size = readBig(file, from, 4);
        Box box;
        box.type.assign(reinterpret_cast<const char*>(file.data() + from + 4), 4);
        box.start = from;
        box.body = from + 8;
        if (size == 1) {
            size = readBig(file, from + 8, 8);
            box.body += 8;
        } else if (size == 0) {
            size = to - from;
        }
        box.end = from + size;
        if (box.end > to || size < 8)
            throw std::invalid_argument("box runs past its parent");
        boxes.push_back(box);
        from = box.end;
    }
    return boxes;
}

Box child(const std::vector<Box>& boxes, std::string_view type) {
    for (const Box& box : boxes) {
        if (box.type == type)
            return box;
    }
    throw std::invalid_argument("no " + std::string(type) + " box");
}

struct SinglePicture {
    Bytes ftyp;
    std::string itemType;
    std::vector<Bytes> properties; // the item's, but for its size
    Bytes data;
};

// The primary item's type, properties and data (one extent, in the file).
SinglePicture singlePicture(const Bytes& file) {
    SinglePicture single;
    const std::vector<Box> top = boxesIn(file, 0, file.size());
    const Box ftyp = child(top, "ftyp");
    single.ftyp.assign(file.begin() + static_cast<std::ptrdiff_t>(ftyp.start),
                       file.begin() + static_cast<std::ptrdiff_t>(ftyp.end));
    const Box meta = child(top, "meta");
    const std::vector<Box> inMeta = boxesIn(file, meta.body + 4, meta.end);
    const auto primary =
        static_cast<std::uint32_t>(readBig(file, child(inMeta, "pitm").body + 4, 2));

    const Box iinf = child(inMeta, "iinf");
    const bool wideCount = file[iinf.body] != 0;
    for (const Box& infe : boxesIn(file, iinf.body + 4 + (wideCount ? 4 : 2), iinf.end)) {
        const int version = file[infe.body];
        const int idBytes = version >= 3 ? 4 : 2;
        if (readBig(file, infe.body + 4, idBytes) == primary)
            single.itemType.assign(
                reinterpret_cast<const char*>(file.data() + infe.body + 4 + idBytes + 2), 4);
    }

    const Box iloc = child(inMeta, "iloc");
    std::size_t at = iloc.body;
    const int version = file[at];
    at += 4;
    const int offsetSize = file[at] >> 4;
    const int lengthSize = file[at] & 15;
    const int baseSize = file[at + 1] >> 4;
    const int indexSize = version >= 1 ? file[at + 1] & 15 : 0;
    at += 2;
    const int idBytes = version == 2 ? 4 : 2;
    const std::uint64_t items = readBig(file, at, idBytes);
    at += static_cast<std::size_t>(idBytes);
    for (std::uint64_t i = 0; i < items; ++i) {
        const std::uint64_t id = readBig(file, at, idBytes);
        at += static_cast<std::size_t>(idBytes) + (version >= 1 ? 2 : 0) + 2;
        const std::uint64_t base = baseSize > 0 ? readBig(file, at, baseSize) : 0;
        at += static_cast<std::size_t>(baseSize);
        const std::uint64_t extents = readBig(file, at, 2);
        at += 2;
        for (std::uint64_t e = 0; e < extents; ++e) {
            at += static_cast<std::size_t>(indexSize);
            const std::uint64_t offset = readBig(file, at, offsetSize) + base;
            at += static_cast<std::size_t>(offsetSize);
            const std::uint64_t length = readBig(file, at, lengthSize);
            at += static_cast<std::size_t>(lengthSize);
            if (id == primary)
                single.data.insert(single.data.end(),
                                   file.begin() + static_cast<std::ptrdiff_t>(offset),
                                   file.begin() + static_cast<std::ptrdiff_t>(offset + length));
        }
    }

    const std::vector<Box> inIprp =
        boxesIn(file, child(inMeta, "iprp").body, child(inMeta, "iprp").end);
    const Box ipcoBox = child(inIprp, "ipco");
    const std::vector<Box> properties = boxesIn(file, ipcoBox.body, ipcoBox.end);
    const Box ipma = child(inIprp, "ipma");
    const bool wideIndex = (file[ipma.body + 3] & 1) != 0;
    const int ipmaVersion = file[ipma.body];
    at = ipma.body + 4;
    const std::uint64_t entries = readBig(file, at, 4);
    at += 4;
    for (std::uint64_t i = 0; i < entries; ++i) {
        const std::uint64_t id = readBig(file, at, ipmaVersion < 1 ? 2 : 4);
        at += ipmaVersion < 1 ? 2 : 4;
        const std::uint64_t count = file[at++];
        for (std::uint64_t a = 0; a < count; ++a) {
            std::uint64_t index = readBig(file, at, wideIndex ? 2 : 1);
            at += wideIndex ? 2 : 1;
            index &= wideIndex ? 0x7FFF : 0x7F;
            if (id != primary || index == 0 || index > properties.size())
                continue;
            const Box property = properties[index - 1];
            if (property.type == "ispe")
                continue;
            single.properties.emplace_back(
                file.begin() + static_cast<std::ptrdiff_t>(property.start),
                file.begin() + static_cast<std::ptrdiff_t>(property.end));
        }
    }
    return single;
}

Bytes box(std::string_view type, const Bytes& body) {
    Bytes out;
    putBig(out, body.size() + 8, 4);
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

Bytes fullBox(std::string_view type, int version, std::uint32_t flags, const Bytes& body) {
    Bytes withHeader;
    putBig(withHeader, version, 1);
    putBig(withHeader, flags, 3);
    withHeader.insert(withHeader.end(), body.begin(), body.end());
    return box(type, withHeader);
}

Bytes ispe(std::uint32_t width, std::uint32_t height) {
    Bytes body;
    putBig(body, width, 4);
    putBig(body, height, 4);
    return fullBox("ispe", 0, 0, body);
}

Bytes gridMeta(const SinglePicture& single, int tiles, std::uint32_t gridWidth,
               std::uint32_t gridHeight, std::uint32_t tileWidth, std::uint32_t tileHeight,
               std::uint32_t gridDataAt, std::uint32_t tileDataAt) {
    Bytes hdlr(4, 0);
    hdlr.insert(hdlr.end(), {'p', 'i', 'c', 't'});
    hdlr.resize(hdlr.size() + 13, 0);
    Bytes pitm;
    putBig(pitm, 1, 2);

    Bytes iinf;
    putBig(iinf, tiles + 1, 2);
    for (int item = 1; item <= tiles + 1; ++item) {
        Bytes infe;
        putBig(infe, item, 2);
        putBig(infe, 0, 2);
        const std::string type = item == 1 ? std::string("grid") : single.itemType;
        infe.insert(infe.end(), type.begin(), type.end());
        infe.push_back(0);
        iinf = [&] {
            Bytes more = iinf;
            const Bytes entry = fullBox("infe", 2, item == 1 ? 0 : 1, infe);
            more.insert(more.end(), entry.begin(), entry.end());
            return more;
        }();
    }

    Bytes dimg;
    putBig(dimg, 1, 2);
    putBig(dimg, tiles, 2);
    for (int item = 2; item <= tiles + 1; ++item)
        putBig(dimg, item, 2);

    Bytes iloc{0x44, 0x00}; // offsets and lengths of 4 bytes, no base offset
    putBig(iloc, tiles + 1, 2);
    for (int item = 1; item <= tiles + 1; ++item) {
        putBig(iloc, item, 2);
        putBig(iloc, 0, 2);
        putBig(iloc, 1, 2);
        putBig(iloc, item == 1 ? gridDataAt : tileDataAt, 4);
        putBig(iloc, item == 1 ? 8 : single.data.size(), 4);
    }

    Bytes ipco = ispe(gridWidth, gridHeight);
    const Bytes tileSize = ispe(tileWidth, tileHeight);
    ipco.insert(ipco.end(), tileSize.begin(), tileSize.end());
    for (const Bytes& property : single.properties)
        ipco.insert(ipco.end(), property.begin(), property.end());
    Bytes ipma;
    putBig(ipma, tiles + 1, 4);
    for (int item = 1; item <= tiles + 1; ++item) {
        putBig(ipma, item, 2);
        const std::size_t count = 1 + single.properties.size();
        putBig(ipma, count, 1);
        putBig(ipma, item == 1 ? 1 : 2, 1);
        for (std::size_t p = 0; p < single.properties.size(); ++p) {
            // The codec's configuration is essential to a tile; the grid
            // takes the pixel and colour properties too.
            const bool codec =
                std::string_view(reinterpret_cast<const char*>(single.properties[p].data() + 4),
                                 4) == "av1C" ||
                std::string_view(reinterpret_cast<const char*>(single.properties[p].data() + 4),
                                 4) == "hvcC";
            putBig(ipma, (codec && item != 1 ? 0x80 : 0) | (3 + p), 1);
        }
    }
    Bytes iprp = box("ipco", ipco);
    const Bytes ipmaBox = fullBox("ipma", 0, 0, ipma);
    iprp.insert(iprp.end(), ipmaBox.begin(), ipmaBox.end());

    Bytes meta;
    for (const Bytes& part :
         {fullBox("hdlr", 0, 0, hdlr), fullBox("pitm", 0, 0, pitm), fullBox("iinf", 0, 0, iinf),
          fullBox("iref", 0, 0, box("dimg", dimg)), fullBox("iloc", 0, 0, iloc), box("iprp", iprp)})
        meta.insert(meta.end(), part.begin(), part.end());
    return fullBox("meta", 0, 0, meta);
}

std::pair<std::uint32_t, std::uint32_t> sizeOfSingle(const Bytes& file) {
    const std::vector<Box> top = boxesIn(file, 0, file.size());
    const Box meta = child(top, "meta");
    const std::vector<Box> inMeta = boxesIn(file, meta.body + 4, meta.end);
    const Box iprp = child(inMeta, "iprp");
    const Box ipco = child(boxesIn(file, iprp.body, iprp.end), "ipco");
    const Box size = child(boxesIn(file, ipco.body, ipco.end), "ispe");
    return {static_cast<std::uint32_t>(readBig(file, size.body + 4, 4)),
            static_cast<std::uint32_t>(readBig(file, size.body + 8, 4))};
}

} // namespace

// ---- Pictures quick to make: gradients, at the codecs' fastest.

std::vector<std::uint8_t> fastAvif(int width, int height) {
    avifImage* image =
        avifImageCreate(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height), 8,
                        AVIF_PIXEL_FORMAT_YUV420);
    if (avifImageAllocatePlanes(image, AVIF_PLANES_YUV) != AVIF_RESULT_OK)
        throw std::runtime_error("avifImageAllocatePlanes failed");
    for (int plane = 0; plane < 3; ++plane) {
        const std::uint32_t rows = plane == 0 ? image->height : (image->height + 1) / 2;
        for (std::uint32_t y = 0; y < rows; ++y)
            for (std::uint32_t x = 0; x < image->yuvRowBytes[plane]; ++x)
                image->yuvPlanes[plane][y * image->yuvRowBytes[plane] + x] =
                    static_cast<std::uint8_t>(plane == 0 ? (x + y) / 8 : 140U);
    }
    return encodedAvif(image, 60, 63);
}

namespace {

void check(const heif_error& error, const char* what) {
    if (error.code != heif_error_Ok)
        throw std::runtime_error(std::string(what) + ": " + error.message);
}

} // namespace

std::vector<std::uint8_t> fastHeif(int width, int height) {
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    check(heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder),
          "no HEVC encoder");
    heif_encoder_set_lossy_quality(encoder, 10);
    heif_encoder_set_parameter_string(encoder, "preset", "ultrafast");
    heif_image* image = nullptr;
    check(heif_image_create(width, height, heif_colorspace_YCbCr, heif_chroma_420, &image),
          "heif_image_create");
    for (const heif_channel channel : {heif_channel_Y, heif_channel_Cb, heif_channel_Cr}) {
        const int w = channel == heif_channel_Y ? width : (width + 1) / 2;
        const int h = channel == heif_channel_Y ? height : (height + 1) / 2;
        check(heif_image_add_plane(image, channel, w, h, 8), "heif_image_add_plane");
        int stride = 0;
        std::uint8_t* plane = heif_image_get_plane(image, channel, &stride);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < stride; ++x)
                plane[y * stride + x] =
                    static_cast<std::uint8_t>(channel == heif_channel_Y ? (x + y) / 8 : 140);
    }
    check(heif_context_encode_image(context, image, encoder, nullptr, nullptr),
          "heif_context_encode_image");
    heif_encoder_release(encoder);
    heif_image_release(image);
    return writtenHeif(context);
}

std::vector<std::uint8_t> fastJxl(std::uint32_t width, std::uint32_t height) {
    const JxlEncoderPtr encoder = JxlEncoderMake(nullptr);
    JxlBasicInfo info;
    JxlEncoderInitBasicInfo(&info);
    info.xsize = width;
    info.ysize = height;
    info.bits_per_sample = 8;
    info.num_color_channels = 3;
    if (JxlEncoderSetBasicInfo(encoder.get(), &info) != JXL_ENC_SUCCESS)
        throw std::runtime_error("JxlEncoderSetBasicInfo failed");
    JxlColorEncoding colour;
    JxlColorEncodingSetToSRGB(&colour, JXL_FALSE);
    JxlEncoderSetColorEncoding(encoder.get(), &colour);
    JxlEncoderFrameSettings* settings = JxlEncoderFrameSettingsCreate(encoder.get(), nullptr);
    JxlEncoderFrameSettingsSetOption(settings, JXL_ENC_FRAME_SETTING_EFFORT, 1);
    JxlEncoderFrameSettingsSetOption(settings, JXL_ENC_FRAME_SETTING_RESAMPLING, 8);
    JxlEncoderFrameSettingsSetOption(settings, JXL_ENC_FRAME_SETTING_ALREADY_DOWNSAMPLED, 1);
    const std::uint32_t smallWidth = (width + 7) / 8;
    const std::uint32_t smallHeight = (height + 7) / 8;
    Bytes pixels(static_cast<std::size_t>(smallWidth) * smallHeight * 3);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<std::uint8_t>((i / 3 % smallWidth) * 255 / smallWidth);
    const JxlPixelFormat format{3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    if (JxlEncoderAddImageFrame(settings, &format, pixels.data(), pixels.size()) != JXL_ENC_SUCCESS)
        throw std::runtime_error("JxlEncoderAddImageFrame failed");
    JxlEncoderCloseInput(encoder.get());
    return encodedJxl(encoder.get());
}

std::vector<std::uint8_t> solidLosslessWebp(int width, int height, std::uint32_t argb) {
    BitWriter bits;
    bits.put(0x2F, 8); // the lossless signature
    bits.put(static_cast<std::uint32_t>(width - 1), 14);
    bits.put(static_cast<std::uint32_t>(height - 1), 14);
    bits.put(0, 1); // no alpha
    bits.put(0, 3); // version
    bits.put(0, 1); // no transform
    bits.put(0, 1); // no colour cache
    bits.put(0, 1); // one group of prefix codes
    // Green, red, blue and alpha: a simple code of one 8-bit symbol each;
    // distance: one 1-bit symbol.
    for (const int shift : {8, 16, 0, 24}) {
        bits.put(1, 1);
        bits.put(0, 1);
        bits.put(1, 1);
        bits.put((argb >> shift) & 0xFFU, 8);
    }
    bits.put(1, 1);
    bits.put(0, 1);
    bits.put(0, 1);
    bits.put(0, 1);
    Bytes chunk = bits.bytes();
    const std::size_t payload = chunk.size();
    if (chunk.size() % 2 != 0)
        chunk.push_back(0);
    Bytes file{'R', 'I', 'F', 'F'};
    putLittle(file, 4 + 8 + chunk.size(), 4);
    file.insert(file.end(), {'W', 'E', 'B', 'P', 'V', 'P', '8', 'L'});
    putLittle(file, payload, 4);
    file.insert(file.end(), chunk.begin(), chunk.end());
    return file;
}

std::vector<std::uint8_t> gridOfOneTile(const std::vector<std::uint8_t>& single, int columns,
                                        int rows) {
    const SinglePicture picture = singlePicture(single);
    const auto [tileWidth, tileHeight] = sizeOfSingle(single);
    const std::uint32_t gridWidth = tileWidth * static_cast<std::uint32_t>(columns);
    const std::uint32_t gridHeight = tileHeight * static_cast<std::uint32_t>(rows);
    const int tiles = columns * rows;
    // The offsets are of a fixed size: the meta box is as long with any.
    const std::size_t metaSize =
        gridMeta(picture, tiles, gridWidth, gridHeight, tileWidth, tileHeight, 0, 0).size();
    const auto gridDataAt = static_cast<std::uint32_t>(picture.ftyp.size() + metaSize + 8);
    Bytes file = picture.ftyp;
    const Bytes meta = gridMeta(picture, tiles, gridWidth, gridHeight, tileWidth, tileHeight,
                                gridDataAt, gridDataAt + 8);
    file.insert(file.end(), meta.begin(), meta.end());
    Bytes mdat{0, 0, static_cast<std::uint8_t>(rows - 1), static_cast<std::uint8_t>(columns - 1)};
    putBig(mdat, gridWidth, 2);
    putBig(mdat, gridHeight, 2);
    mdat.insert(mdat.end(), picture.data.begin(), picture.data.end());
    const Bytes mdatBox = box("mdat", mdat);
    file.insert(file.end(), mdatBox.begin(), mdatBox.end());
    return file;
}

std::vector<HostilePicture> hostilePictures() {
    std::vector<HostilePicture> pictures;
    const auto add = [&](std::string name, Bytes bytes, bool convertible = false) {
        pictures.push_back({std::move(name), std::move(bytes), convertible});
    };

    {
        // 64 × 64 pixels in tiles claiming 2^26 pixels across.
        std::vector<std::uint32_t> at;
        const Bytes out = tiffFile({Bytes(64, 7)}, &at);
        add("tiff-tiles-wider-than-any-picture.tif",
            finishTiff(out, {{256, 4, {64}},
                             {257, 4, {64}},
                             {258, 3, {8, 8, 8}},
                             {259, 3, {1}},
                             {262, 3, {2}},
                             {277, 3, {3}},
                             {322, 4, {1U << 26}},
                             {323, 4, {16}},
                             {324, 4, {at[0], at[0], at[0], at[0]}},
                             {325, 4, {64, 64, 64, 64}}}));
    }
    {
        // 16384 × 16384 pixels of 16-bit RGB in one strip that holds 16 rows.
        const Bytes strip = deflated(Bytes(std::size_t{16384} * 16 * 6, 0));
        add("tiff-16-bit-deflate-strip-of-16384-rows-holding-16.tif",
            strippedTiff(16384, 16384, 16384, strip, false,
                         {{258, 3, {16, 16, 16}}, {259, 3, {8}}, {262, 3, {2}}, {277, 3, {3}}}));
        // The same size in 8-bit grey, each strip its own: a real picture.
        const Bytes grey = deflated(Bytes(std::size_t{16384} * 64, 200));
        add("tiff-16384-square-of-deflate-strips.tif",
            strippedTiff(16384, 16384, 64, grey, true, greyFields(8)), true);
    }
    {
        // A 16384 × 16384 JPEG of 99 scans as the one strip of a TIFF, in
        // the JPEG compression of today and in the old one.
        const Bytes jpeg = jpegOfScans(99, 16384, 16384);
        add("tiff-jpeg-strip-of-99-scans.tif",
            strippedTiff(16384, 16384, 16384, jpeg, false, greyFields(7)));
        std::vector<TiffField> old = greyFields(6);
        old.push_back({513, 4, {8}});
        old.push_back({514, 4, {static_cast<std::uint32_t>(jpeg.size())}});
        add("tiff-old-jpeg-of-99-scans.tif",
            strippedTiff(16384, 16384, 16384, jpeg, false, std::move(old)));
    }
    // libwebp decodes a lossless picture whole, 4 bytes a pixel: 1 GB.
    add("webp-lossless-16383-square.webp", solidLosslessWebp(16383, 16383, 0xFF336699));
    add("webp-animation-canvas-16383-square-of-one-pixel.webp",
        encodeAnimatedWebp(16383, 16383,
                           {{0, 0, encodeWebp(1, 1, [](int, int) { return makeRgb(1, 2, 3); })}}));
    {
        const Bytes avifTile = fastAvif(1024, 2048);
        add("avif-grid-of-128-tiles.avif", gridOfOneTile(avifTile, 16, 8));
        const Bytes heifTile = fastHeif(1000, 1000);
        add("heif-grid-of-128-tiles.heic", gridOfOneTile(heifTile, 16, 8));
        add("heif-grid-16000-square.heic", gridOfOneTile(heifTile, 16, 16));
    }
    add("jxl-11000-square-upsampled.jxl", fastJxl(11000, 11000));
    return pictures;
}

} // namespace varnelo::test
