#include "engine/codecs/tiff_decoder.h"

#include "engine/conversion_load.h"
#include "engine/picture_limits.h"
#include "engine/picture_rows.h"
#include "engine/work_bitmap.h"

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include <tiffio.h>

namespace varnelo {

namespace {

// The most one of libtiff's own allocations may take: a strip or tile of
// the largest picture the limits allow, and its tables.
constexpr tmsize_t kMaxSingleAllocation = tmsize_t{1} << 30;

// The file libtiff reads, from memory.
struct MemoryFile {
    FileBytes bytes;
    toff_t position = 0;
    // What libtiff last complained of.
    std::string error;
};

MemoryFile& fileOf(thandle_t handle) {
    return *static_cast<MemoryFile*>(handle);
}

tmsize_t readFile(thandle_t handle, void* into, tmsize_t count) {
    MemoryFile& file = fileOf(handle);
    if (count < 0 || file.position >= file.bytes.size())
        return 0;
    const auto taken =
        std::min<toff_t>(static_cast<toff_t>(count), file.bytes.size() - file.position);
    std::memcpy(into, file.bytes.data() + file.position, taken);
    file.position += taken;
    return static_cast<tmsize_t>(taken);
}

tmsize_t writeFile(thandle_t /*handle*/, void* /*from*/, tmsize_t /*count*/) {
    return 0; // read only
}

toff_t seekFile(thandle_t handle, toff_t offset, int whence) {
    MemoryFile& file = fileOf(handle);
    toff_t base = 0;
    if (whence == SEEK_CUR)
        base = file.position;
    else if (whence == SEEK_END)
        base = file.bytes.size();
    file.position = base + offset;
    return file.position;
}

int closeFile(thandle_t /*handle*/) {
    return 0;
}

toff_t sizeOfFile(thandle_t handle) {
    return fileOf(handle).bytes.size();
}

// The file is in memory already: libtiff reads the strips where they lie.
int mapFile(thandle_t handle, void** base, toff_t* size) {
    MemoryFile& file = fileOf(handle);
    *base = const_cast<std::uint8_t*>(file.bytes.data()); // only read
    *size = file.bytes.size();
    return 1;
}

void unmapFile(thandle_t /*handle*/, void* /*base*/, toff_t /*size*/) {}

// libtiff's messages go nowhere but into the file's record: it would print
// them to the standard error otherwise.
[[gnu::format(printf, 4, 0)]] int onError(TIFF* /*tiff*/, void* handle, const char* /*module*/,
                                          const char* format, va_list arguments) {
    std::array<char, 256> text{};
    std::vsnprintf(text.data(), text.size(), format, arguments);
    fileOf(handle).error = text.data();
    return 1;
}

int onWarning(TIFF* /*tiff*/, void* /*handle*/, const char* /*module*/, const char* /*format*/,
              va_list /*arguments*/) {
    return 1;
}

struct OptionsDeleter {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};
struct TiffDeleter {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
struct RgbaImageEnd {
    void operator()(TIFFRGBAImage* image) const { TIFFRGBAImageEnd(image); }
};

// What libtiff's words say happened: the file ended, or it is broken.
DecodeStatus failureOf(const MemoryFile& file) {
    const std::string_view text = file.error;
    for (const std::string_view ending : {"end of file", "Read error", "Seek error", "Cannot read",
                                          "ends early", "short read", "Not enough data"}) {
        if (text.find(ending) != std::string_view::npos)
            return DecodeStatus::Truncated;
    }
    if (text.find("emory") != std::string_view::npos)
        return DecodeStatus::OutOfMemory;
    return DecodeStatus::Corrupt;
}

PixelDepth depthOf(TIFF* tiff) {
    std::uint16_t photometric = PHOTOMETRIC_RGB;
    std::uint16_t samples = 1;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PHOTOMETRIC, &photometric);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    if ((photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE) &&
        samples <= 2)
        return PixelDepth::Bits8;
    if (photometric == PHOTOMETRIC_SEPARATED)
        return PixelDepth::Bits32;
    return PixelDepth::Bits24;
}

// The rows libtiff's RGBA reader fills at a time: a strip, or a row of
// tiles, each decoded once.
std::uint32_t bandRows(TIFF* tiff, std::uint32_t height) {
    std::uint32_t rows = 0;
    if (TIFFIsTiled(tiff) != 0)
        TIFFGetFieldDefaulted(tiff, TIFFTAG_TILELENGTH, &rows);
    else
        TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &rows);
    return std::clamp<std::uint32_t>(rows, 1, height);
}

// Copies a band of RGBA pixels (R, G, B, A bytes) into the rows, in the
// picture's depth.
void copyBand(const std::vector<std::uint32_t>& band, std::uint32_t first, std::uint32_t count,
              int width, PictureRows& rows, PixelDepth depth) {
    for (std::uint32_t i = 0; i < count && !rows.complete(); ++i) {
        const int y = static_cast<int>(first + i);
        const std::uint32_t* in =
            band.data() + static_cast<std::size_t>(i) * static_cast<std::size_t>(width);
        std::uint8_t* out = rows.row(y);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t pixel = in[x];
            const auto red = static_cast<std::uint8_t>(TIFFGetR(pixel));
            const auto green = static_cast<std::uint8_t>(TIFFGetG(pixel));
            const auto blue = static_cast<std::uint8_t>(TIFFGetB(pixel));
            if (depth == PixelDepth::Bits8) {
                *out++ = green;
                continue;
            }
            *out++ = blue;
            *out++ = green;
            *out++ = red;
            if (depth == PixelDepth::Bits32)
                *out++ = 0;
        }
        rows.rowDone(y);
    }
}

// libtiff multiplies the colours of unassociated alpha by it: taken as
// associated, every colour stays as stored, as the other decoders give it.
void keepStoredColours(TIFF* tiff) {
    std::uint16_t count = 0;
    std::uint16_t* kinds = nullptr;
    if (TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &count, &kinds) == 0 || count == 0)
        return;
    std::vector<std::uint16_t> associated(kinds, kinds + count);
    std::replace(associated.begin(), associated.end(), std::uint16_t{EXTRASAMPLE_UNASSALPHA},
                 std::uint16_t{EXTRASAMPLE_ASSOCALPHA});
    TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, count, associated.data());
}

// Strips of 8-bit grey or RGB samples, the most common TIFFs by far, whose
// samples are the colours as stored. libtiff's scanline reader decodes them
// a row at a time, so even a strip of the whole picture is never held whole
// and a cancel is seen between rows.
bool readsByScanline(TIFF* tiff) {
    std::uint16_t bits = 1;
    std::uint16_t samples = 1;
    std::uint16_t planar = PLANARCONFIG_CONTIG;
    std::uint16_t photometric = PHOTOMETRIC_MINISWHITE;
    std::uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
    if (TIFFIsTiled(tiff) != 0 || bits != 8 || planar != PLANARCONFIG_CONTIG ||
        compression == COMPRESSION_JPEG || compression == COMPRESSION_OJPEG)
        return false;
    return (photometric == PHOTOMETRIC_RGB && (samples == 3 || samples == 4)) ||
           (photometric == PHOTOMETRIC_MINISBLACK && (samples == 1 || samples == 2));
}

DecodeStatus readScanlines(TIFF* tiff, MemoryFile& file, PictureRows& rows, PixelDepth depth,
                           DecodeCancel cancel) {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t samples = 1;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples);
    const auto lineBytes = static_cast<std::size_t>(width) * samples;
    if (TIFFScanlineSize64(tiff) != lineBytes)
        return DecodeStatus::Corrupt;
    std::vector<std::uint8_t> line(lineBytes);
    for (std::uint32_t y = 0; y < height && !rows.complete(); ++y) {
        if (cancelled(cancel))
            return DecodeStatus::Cancelled;
        if (TIFFReadScanline(tiff, line.data(), y, 0) < 0)
            return failureOf(file);
        const std::uint8_t* in = line.data();
        std::uint8_t* out = rows.row(static_cast<int>(y));
        for (std::uint32_t x = 0; x < width; ++x, in += samples) {
            if (depth == PixelDepth::Bits8) {
                *out++ = in[0];
                continue;
            }
            *out++ = in[2];
            *out++ = in[1];
            *out++ = in[0];
        }
        rows.rowDone(static_cast<int>(y));
    }
    return DecodeStatus::Ok;
}

DecodeStatus readRows(TIFF* tiff, MemoryFile& file, PictureRows& rows, PixelDepth depth,
                      DecodeCancel cancel) {
    std::uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_COMPRESSION, &compression);
    if (TIFFIsCODECConfigured(compression) == 0)
        return DecodeStatus::Unsupported;
    if (readsByScanline(tiff))
        return readScanlines(tiff, file, rows, depth, cancel);
    keepStoredColours(tiff);
    std::array<char, 1024> message{};
    TIFFRGBAImage image{};
    // Stopping at the first error: a broken strip fails the picture.
    if (TIFFRGBAImageOK(tiff, message.data()) == 0 ||
        TIFFRGBAImageBegin(&image, tiff, 1, message.data()) == 0)
        return file.error.empty() ? DecodeStatus::Unsupported : failureOf(file);
    const std::unique_ptr<TIFFRGBAImage, RgbaImageEnd> ending(&image);
    // The rows as stored: the orientation is turned upright as for every type.
    image.req_orientation = image.orientation;
    const std::uint32_t width = image.width;
    const std::uint32_t height = image.height;
    const std::uint32_t band = bandRows(tiff, height);
    // Tiles are read one by one, each whole: libtiff misplaces the pixels
    // of a tile the picture's edge cuts for some depths (16-bit grey).
    std::uint32_t across = width;
    if (TIFFIsTiled(tiff) != 0)
        TIFFGetFieldDefaulted(tiff, TIFFTAG_TILEWIDTH, &across);
    across = std::max<std::uint32_t>(across, 1);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * band);
    std::vector<std::uint32_t> piece(static_cast<std::size_t>(across) * band);
    for (std::uint32_t first = 0; first < height && !rows.complete(); first += band) {
        const std::uint32_t count = std::min(band, height - first);
        for (std::uint32_t left = 0; left < width; left += across) {
            if (cancelled(cancel))
                return DecodeStatus::Cancelled;
            image.row_offset = static_cast<int>(first);
            image.col_offset = static_cast<int>(left);
            if (TIFFRGBAImageGet(&image, piece.data(), across, count) == 0)
                return failureOf(file);
            const std::uint32_t shown = std::min(across, width - left);
            for (std::uint32_t y = 0; y < count; ++y)
                std::copy_n(piece.begin() + static_cast<long>(y * across), shown,
                            pixels.begin() + static_cast<long>(y * width + left));
        }
        copyBand(pixels, first, count, static_cast<int>(width), rows, depth);
    }
    return DecodeStatus::Ok;
}

} // namespace

DecodeStatus decodeTiff(FileBytes bytes, WorkBitmap& picture, DecodeCancel cancel,
                        ConversionLoad* conversion) {
    picture.clear();
    if (!looksLikeTiff(bytes))
        return DecodeStatus::WrongFormat;
    MemoryFile file{bytes, 0, {}};
    const std::unique_ptr<TIFFOpenOptions, OptionsDeleter> options(TIFFOpenOptionsAlloc());
    if (!options)
        return DecodeStatus::OutOfMemory;
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), kMaxSingleAllocation);
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), onError, &file);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), onWarning, &file);
    const std::unique_ptr<TIFF, TiffDeleter> tiff(
        TIFFClientOpenExt("picture", "r", &file, readFile, writeFile, seekFile, closeFile,
                          sizeOfFile, mapFile, unmapFile, options.get()));
    if (!tiff)
        return failureOf(file);
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    if (TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width) == 0 ||
        TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height) == 0 || width == 0 || height == 0)
        return DecodeStatus::Corrupt;
    if (!pictureSizeAllowed(width, height))
        return DecodeStatus::TooLarge;

    const int w = static_cast<int>(width);
    const int h = static_cast<int>(height);
    const PixelDepth depth = depthOf(tiff.get());
    PictureRows rows(picture, conversion);
    const std::optional<PictureSize> size = rows.conversionSize(w, h);
    if (const DecodeStatus started =
            size ? rows.startStreamed(*size, w, h, depth, {w, h}) : rows.startWhole(w, h, depth);
        started != DecodeStatus::Ok)
        return started;
    if (depth == PixelDepth::Bits8)
        rows.setColorTable(greyColorTable());
    const DecodeStatus finished = rows.finish(readRows(tiff.get(), file, rows, depth, cancel));
    if (finished != DecodeStatus::Ok)
        picture.clear();
    return finished;
}

Orientation tiffOrientation(FileBytes file) {
    // A TIFF file is itself the structure EXIF data is.
    return exifOrientation(file);
}

} // namespace varnelo
