#include "reading/codecs/tiff_decoder.h"

#include "reading/codecs/tiff_layout.h"
#include "reading/codecs/tiff_pixels.h"

#include "base/picture_limits.h"
#include "base/work_bitmap.h"
#include "reading/conversion_load.h"
#include "reading/picture_rows.h"

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
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

// One row at a time, whatever the compression: the picture is never held
// whole, and a cancel is seen between rows. Strips of separate planes take
// their planes' rows from one strip each.
DecodeStatus readScanlines(TIFF* tiff, MemoryFile& file, const TiffLayout& layout,
                           const TiffSamples& samples, PictureRows& rows, DecodeCancel cancel) {
    const std::size_t lineBytes = samples.rowBytes(layout.width, layout.separatePlanes());
    if (static_cast<std::size_t>(TIFFScanlineSize64(tiff)) != lineBytes)
        return DecodeStatus::Corrupt;
    std::vector<std::uint8_t> line(lineBytes);
    for (std::uint32_t y = 0; y < layout.height && !rows.complete(); ++y) {
        if (cancelled(cancel))
            return DecodeStatus::Cancelled;
        if (TIFFReadScanline(tiff, line.data(), y, 0) < 0)
            return failureOf(file);
        samples.convert(line.data(), layout.width, rows.row(static_cast<int>(y)));
        rows.rowDone(static_cast<int>(y));
    }
    return DecodeStatus::Ok;
}

// Separate planes of several samples: each band of rows decoded from one
// strip of every plane, then put together.
DecodeStatus readPlaneStrips(TIFF* tiff, MemoryFile& file, const TiffLayout& layout,
                             const TiffSamples& samples, PictureRows& rows, DecodeCancel cancel) {
    const std::size_t planeRow = samples.rowBytes(layout.width, true);
    const std::uint32_t band = std::min(layout.pieceHeight, layout.height);
    const std::uint32_t stripsPerPlane = TIFFNumberOfStrips(tiff) / layout.samplesPerPixel;
    std::vector<std::vector<std::uint8_t>> planes(static_cast<std::size_t>(samples.planes()),
                                                  std::vector<std::uint8_t>(planeRow * band));
    std::vector<std::uint8_t> together(samples.rowBytes(layout.width, false));
    std::vector<const std::uint8_t*> starts(planes.size());
    for (std::uint32_t first = 0, strip = 0; first < layout.height && !rows.complete();
         first += band, ++strip) {
        const std::uint32_t count = std::min(band, layout.height - first);
        for (std::size_t plane = 0; plane < planes.size(); ++plane) {
            if (cancelled(cancel))
                return DecodeStatus::Cancelled;
            const auto at = static_cast<std::uint32_t>(plane) * stripsPerPlane + strip;
            if (TIFFReadEncodedStrip(tiff, at, planes[plane].data(),
                                     static_cast<tmsize_t>(planeRow * count)) < 0)
                return failureOf(file);
        }
        for (std::uint32_t i = 0; i < count && !rows.complete(); ++i) {
            for (std::size_t plane = 0; plane < planes.size(); ++plane)
                starts[plane] = planes[plane].data() + planeRow * i;
            samples.interleave(starts.data(), layout.width, together.data());
            const int y = static_cast<int>(first + i);
            samples.convert(together.data(), layout.width, rows.row(y));
            rows.rowDone(y);
        }
    }
    return DecodeStatus::Ok;
}

// A row of tiles at a time into a band of the picture's rows: a cancel is
// seen between tiles.
DecodeStatus readTiles(TIFF* tiff, MemoryFile& file, const TiffLayout& layout,
                       const TiffSamples& samples, PictureRows& rows, DecodeCancel cancel) {
    const bool separate = layout.separatePlanes();
    const auto tileBytes = static_cast<std::size_t>(TIFFTileSize64(tiff));
    const std::size_t tileRow = samples.rowBytes(layout.pieceWidth, separate);
    if (tileBytes != tileRow * layout.pieceHeight)
        return DecodeStatus::Corrupt;
    const int planeCount = separate ? samples.planes() : 1;
    std::vector<std::vector<std::uint8_t>> tiles(static_cast<std::size_t>(planeCount),
                                                 std::vector<std::uint8_t>(tileBytes));
    std::vector<std::uint8_t> together(samples.rowBytes(layout.pieceWidth, false));
    std::vector<const std::uint8_t*> starts(tiles.size());
    const auto pixelBytes = static_cast<std::size_t>(bytesPerPixel(samples.depth()));
    const std::uint32_t band = std::min(layout.pieceHeight, layout.height);
    std::vector<std::uint8_t> converted(std::size_t{layout.width} * band * pixelBytes);
    for (std::uint32_t first = 0; first < layout.height && !rows.complete();
         first += layout.pieceHeight) {
        const std::uint32_t count = std::min(band, layout.height - first);
        for (std::uint32_t left = 0; left < layout.width; left += layout.pieceWidth) {
            for (int plane = 0; plane < planeCount; ++plane) {
                if (cancelled(cancel))
                    return DecodeStatus::Cancelled;
                if (TIFFReadTile(tiff, tiles[static_cast<std::size_t>(plane)].data(), left, first,
                                 0, static_cast<std::uint16_t>(plane)) < 0)
                    return failureOf(file);
            }
            const std::uint32_t shown = std::min(layout.pieceWidth, layout.width - left);
            for (std::uint32_t i = 0; i < count; ++i) {
                const std::uint8_t* row = tiles.front().data() + tileRow * i;
                if (separate) {
                    for (std::size_t plane = 0; plane < tiles.size(); ++plane)
                        starts[plane] = tiles[plane].data() + tileRow * i;
                    samples.interleave(starts.data(), shown, together.data());
                    row = together.data();
                }
                samples.convert(row, shown,
                                converted.data() +
                                    (std::size_t{layout.width} * i + left) * pixelBytes);
            }
        }
        for (std::uint32_t i = 0; i < count && !rows.complete(); ++i) {
            const int y = static_cast<int>(first + i);
            std::memcpy(rows.row(y), converted.data() + std::size_t{layout.width} * i * pixelBytes,
                        std::size_t{layout.width} * pixelBytes);
            rows.rowDone(y);
        }
    }
    return DecodeStatus::Ok;
}

// Every other kind, through libtiff's RGBA reader: a strip or a row of
// tiles at a time, between which a cancel is seen.
DecodeStatus readRgba(TIFF* tiff, MemoryFile& file, PictureRows& rows, PixelDepth depth,
                      DecodeCancel cancel) {
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

// What each way of reading holds at once besides the picture's rows.
std::int64_t heldWhileReading(TIFF* tiff, const TiffLayout& layout,
                              const std::optional<TiffSamples>& samples, const TiffCost& cost) {
    const auto band = static_cast<std::int64_t>(std::min(layout.pieceHeight, layout.height));
    if (!samples) {
        // A strip or tile decoded whole by libtiff, and its pixels twice.
        const std::int64_t across = layout.tiled ? layout.pieceWidth : layout.width;
        const auto piece =
            static_cast<std::int64_t>(layout.tiled ? TIFFTileSize64(tiff) : TIFFStripSize64(tiff));
        return piece + 4 * band * (layout.width + across) + cost.jpegCoefficientBytes;
    }
    const std::int64_t pixel = bytesPerPixel(samples->depth());
    if (layout.tiled) {
        const std::int64_t planes = layout.separatePlanes() ? samples->planes() : 1;
        return planes * static_cast<std::int64_t>(TIFFTileSize64(tiff)) +
               band * layout.width * pixel + cost.jpegCoefficientBytes;
    }
    if (layout.separatePlanes() && samples->planes() > 1)
        return samples->planes() * band *
               static_cast<std::int64_t>(samples->rowBytes(layout.width, true));
    return static_cast<std::int64_t>(TIFFScanlineSize64(tiff)) + cost.jpegCoefficientBytes;
}

DecodeStatus readRows(TIFF* tiff, MemoryFile& file, const TiffLayout& layout,
                      const std::optional<TiffSamples>& samples, PictureRows& rows,
                      PixelDepth depth, DecodeCancel cancel) {
    if (!samples)
        return readRgba(tiff, file, rows, depth, cancel);
    if (layout.tiled)
        return readTiles(tiff, file, layout, *samples, rows, cancel);
    if (layout.separatePlanes() && samples->planes() > 1)
        return readPlaneStrips(tiff, file, layout, *samples, rows, cancel);
    return readScanlines(tiff, file, layout, *samples, rows, cancel);
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
    const TiffLayout layout = tiffLayoutOf(tiff.get());
    if (layout.width == 0 || layout.height == 0)
        return DecodeStatus::Corrupt;
    if (!pictureSizeAllowed(layout.width, layout.height))
        return DecodeStatus::TooLarge;
    std::uint16_t compression = layout.compression;
    if (TIFFIsCODECConfigured(compression) == 0)
        return DecodeStatus::Unsupported;
    // A kind neither way reads is told as such, whatever else is wrong.
    const std::optional<TiffSamples> samples = TiffSamples::of(tiff.get(), layout);
    std::array<char, 1024> message{};
    if (!samples && TIFFRGBAImageOK(tiff.get(), message.data()) == 0)
        return DecodeStatus::Unsupported;
    TiffCost cost;
    if (const DecodeStatus claims = checkTiffClaims(tiff.get(), layout, bytes, cost);
        claims != DecodeStatus::Ok)
        return claims;

    const int w = static_cast<int>(layout.width);
    const int h = static_cast<int>(layout.height);
    const PixelDepth depth = samples ? samples->depth() : depthOf(tiff.get());
    PictureRows rows(picture, conversion);
    rows.holdBesides(heldWhileReading(tiff.get(), layout, samples, cost));
    const std::optional<PictureSize> size = rows.conversionSize(w, h);
    if (const DecodeStatus started =
            size ? rows.startStreamed(*size, w, h, depth, {w, h}) : rows.startWhole(w, h, depth);
        started != DecodeStatus::Ok)
        return started;
    if (depth == PixelDepth::Bits8)
        rows.setColorTable(greyColorTable());
    const DecodeStatus finished =
        rows.finish(readRows(tiff.get(), file, layout, samples, rows, depth, cancel));
    if (finished != DecodeStatus::Ok)
        picture.clear();
    return finished;
}

Orientation tiffOrientation(FileBytes file) {
    // A TIFF file is itself the structure EXIF data is.
    return exifOrientation(file);
}

} // namespace varnelo
