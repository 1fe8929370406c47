#include "reading/codecs/gif_decoder.h"

#include "base/picture_limits.h"
#include "base/work_bitmap.h"
#include "reading/conversion_load.h"
#include "reading/picture_rows.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include <gif_lib.h>

namespace varnelo {
namespace {

struct SpanReader {
    FileBytes file;
    std::size_t position = 0;
    bool hitEnd = false;
};

int readFromSpan(GifFileType* gif, GifByteType* buffer, int count) {
    auto& reader = *static_cast<SpanReader*>(gif->UserData);
    if (count <= 0)
        return 0;
    const std::size_t left = reader.file.size() - reader.position;
    std::size_t n = static_cast<std::size_t>(count);
    if (n > left) {
        n = left;
        reader.hitEnd = true;
    }
    std::memcpy(buffer, reader.file.data() + reader.position, n);
    reader.position += n;
    return static_cast<int>(n);
}

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int ignored = 0;
        DGifCloseFile(gif, &ignored);
    }
};
using GifHandle = std::unique_ptr<GifFileType, GifCloser>;

// giflib's error codes do not tell a short file from a bad one (it reports
// an oversized LZW code size as a read failure, and leaves the code unset
// when that byte is missing), so whether the reader ran dry decides.
DecodeStatus failure(const SpanReader& reader, int error) {
    if (reader.hitEnd)
        return DecodeStatus::Truncated;
    switch (error) {
    case D_GIF_ERR_NOT_GIF_FILE:
        return DecodeStatus::WrongFormat;
    case D_GIF_ERR_NOT_ENOUGH_MEM:
        return DecodeStatus::OutOfMemory;
    default:
        return DecodeStatus::Corrupt;
    }
}

// Colours as the picture stores them: blue, green, red. Entries past the
// colour map stay black, so any index a frame holds reads safely.
using ColorLookup = std::array<std::array<std::uint8_t, 3>, 256>;

ColorLookup lookupFor(const ColorMapObject& map) {
    ColorLookup lookup{};
    const int count = std::clamp(map.ColorCount, 0, 256);
    for (int i = 0; i < count; ++i) {
        const GifColorType& color = map.Colors[i];
        lookup[static_cast<std::size_t>(i)] = {color.Blue, color.Green, color.Red};
    }
    return lookup;
}

// Skips extensions up to the first image. Graphic control data (delay,
// disposal, transparency) means nothing for a still picture: transparent
// pixels keep their colour-map colour.
bool findFirstFrame(GifFileType* gif, bool& noFrame) {
    noFrame = false;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR)
            return false;
        if (type == IMAGE_DESC_RECORD_TYPE)
            return true;
        if (type == TERMINATE_RECORD_TYPE) {
            noFrame = true;
            return false;
        }
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
            return false;
        while (block != nullptr) {
            if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
                return false;
        }
    }
}

struct Span {
    int begin;
    int end;
};

std::array<std::uint8_t, 3> backgroundOf(const GifFileType& gif) {
    if (gif.SColorMap != nullptr && gif.SBackGroundColor >= 0 &&
        gif.SBackGroundColor < gif.SColorMap->ColorCount)
        return lookupFor(*gif.SColorMap)[static_cast<std::size_t>(gif.SBackGroundColor)];
    return {};
}

// The canvas row by row, top to bottom, for a frame that is not
// interlaced: rows outside the frame are the background, and every row of
// the frame is read, so a cut file fails whether the rows stream or not.
DecodeStatus readCanvasRows(GifFileType* gif, const SpanReader& reader, PictureRows& rows,
                            DecodeCancel cancel, const ColorLookup& colors, PictureSize canvas) {
    const GifImageDesc& frame = gif->Image;
    const int width = canvas.width;
    const int height = canvas.height;
    const std::array<std::uint8_t, 3> background = backgroundOf(*gif);
    const Span across{std::min(frame.Left, width), std::min(frame.Left + frame.Width, width)};
    std::vector<GifPixelType> line(static_cast<std::size_t>(frame.Width));
    int next = 0;
    const auto backgroundRow = [&] {
        std::uint8_t* row = rows.row(next);
        for (int x = 0; x < width; ++x)
            std::memcpy(row + static_cast<std::size_t>(x) * 3, background.data(), 3);
        return row;
    };
    for (int frameRow = 0; frameRow < frame.Height; ++frameRow) {
        if (cancelled(cancel))
            return DecodeStatus::Cancelled;
        if (DGifGetLine(gif, line.data(), frame.Width) == GIF_ERROR)
            return failure(reader, gif->Error);
        const int y = frame.Top + frameRow;
        if (y >= height)
            continue;
        for (; next < y; ++next) {
            backgroundRow();
            rows.rowDone(next);
        }
        std::uint8_t* out = backgroundRow() + static_cast<std::size_t>(across.begin) * 3;
        const GifPixelType* index = line.data() + (across.begin - frame.Left);
        for (int x = across.begin; x < across.end; ++x, out += 3)
            std::memcpy(out, colors[*index++].data(), 3);
        rows.rowDone(next++);
    }
    for (; next < height; ++next) {
        backgroundRow();
        rows.rowDone(next);
    }
    return DecodeStatus::Ok;
}

// The logical screen is the canvas. Some writers leave it 0 × 0 or smaller
// than the frame; then the canvas grows to hold the screen and the whole
// frame. Otherwise a frame reaching past the screen is clipped, as a
// browser shows it.
PictureSize canvasOf(const GifFileType& gif) {
    const GifImageDesc& frame = gif.Image;
    int width = gif.SWidth;
    int height = gif.SHeight;
    if (width < frame.Width || height < frame.Height) {
        width = std::max(width, frame.Left + frame.Width);
        height = std::max(height, frame.Top + frame.Height);
    }
    return {width, height};
}

// Reads an interlaced frame's lines, whose rows come in four passes, into
// the canvas loaded whole.
DecodeStatus readInterlacedFrame(GifFileType* gif, const SpanReader& reader, WorkBitmap& picture,
                                 DecodeCancel cancel, const ColorLookup& colors) {
    const GifImageDesc& frame = gif->Image;
    const int width = picture.width();
    const int height = picture.height();
    const Span across{std::min(frame.Left, width), std::min(frame.Left + frame.Width, width)};
    std::vector<GifPixelType> line(static_cast<std::size_t>(frame.Width));
    const auto readLine = [&](int frameRow) {
        if (cancelled(cancel))
            return DecodeStatus::Cancelled;
        if (DGifGetLine(gif, line.data(), frame.Width) == GIF_ERROR)
            return failure(reader, gif->Error);
        const int y = frame.Top + frameRow;
        if (y >= height || across.begin >= across.end)
            return DecodeStatus::Ok;
        std::uint8_t* out = picture.row(y) + static_cast<std::size_t>(across.begin) * 3;
        const GifPixelType* index = line.data() + (across.begin - frame.Left);
        for (int x = across.begin; x < across.end; ++x, out += 3)
            std::memcpy(out, colors[*index++].data(), 3);
        return DecodeStatus::Ok;
    };
    constexpr int kFirstRow[4] = {0, 4, 2, 1};
    constexpr int kRowStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        for (int row = kFirstRow[pass]; row < frame.Height; row += kRowStep[pass]) {
            if (const DecodeStatus status = readLine(row); status != DecodeStatus::Ok)
                return status;
        }
    }
    return DecodeStatus::Ok;
}

// The background goes in last, around the frame, so a file that fails
// half-way never touched most of the canvas; the canvas starts black.
void fillAroundFrame(const GifFileType& gif, WorkBitmap& picture) {
    const std::array<std::uint8_t, 3> background = backgroundOf(gif);
    if (background == std::array<std::uint8_t, 3>{})
        return;
    const GifImageDesc& frame = gif.Image;
    const int width = picture.width();
    const int height = picture.height();
    const Span across{std::min(frame.Left, width), std::min(frame.Left + frame.Width, width)};
    const Span down{std::min(frame.Top, height), std::min(frame.Top + frame.Height, height)};
    const auto fill = [&](int y, int begin, int end) {
        std::uint8_t* out = picture.row(y) + static_cast<std::size_t>(begin) * 3;
        for (int x = begin; x < end; ++x, out += 3)
            std::memcpy(out, background.data(), 3);
    };
    for (int y = 0; y < height; ++y) {
        if (y < down.begin || y >= down.end || across.begin >= across.end) {
            fill(y, 0, width);
        } else {
            fill(y, 0, across.begin);
            fill(y, across.end, width);
        }
    }
}

DecodeStatus readFirstFrame(GifFileType* gif, const SpanReader& reader, WorkBitmap& picture,
                            DecodeCancel cancel, ConversionLoad* conversion) {
    bool noFrame = false;
    if (!findFirstFrame(gif, noFrame))
        return noFrame ? DecodeStatus::Corrupt : failure(reader, gif->Error);
    if (DGifGetImageDesc(gif) == GIF_ERROR)
        return failure(reader, gif->Error);

    const GifImageDesc& frame = gif->Image;
    const ColorMapObject* map = frame.ColorMap != nullptr ? frame.ColorMap : gif->SColorMap;
    if (map == nullptr || frame.Width < 1 || frame.Height < 1)
        return DecodeStatus::Corrupt;
    const auto [width, height] = canvasOf(*gif);
    if (width < 1 || height < 1)
        return DecodeStatus::Corrupt; // no size at all
    if (!pictureSizeAllowed(width, height))
        return DecodeStatus::TooLarge;
    PictureRows rows(picture, conversion);
    const std::optional<PictureSize> size =
        frame.Interlace ? std::nullopt : rows.conversionSize(width, height);
    if (const DecodeStatus started =
            size ? rows.startStreamed(*size, width, height, PixelDepth::Bits24, {width, height})
                 : rows.startWhole(width, height, PixelDepth::Bits24);
        started != DecodeStatus::Ok)
        return started;
    if (!frame.Interlace)
        return rows.finish(
            readCanvasRows(gif, reader, rows, cancel, lookupFor(*map), {width, height}));
    DecodeStatus status = readInterlacedFrame(gif, reader, picture, cancel, lookupFor(*map));
    if (status == DecodeStatus::Ok)
        fillAroundFrame(*gif, picture);
    return rows.finish(status, cancel);
}

} // namespace

DecodeStatus decodeGif(FileBytes file, WorkBitmap& picture, DecodeCancel cancel,
                       ConversionLoad* conversion) {
    picture.clear();
    if (file.size() < 3 || std::memcmp(file.data(), "GIF", 3) != 0)
        return DecodeStatus::WrongFormat;

    SpanReader reader{file};
    int error = 0;
    const GifHandle gif(DGifOpen(&reader, readFromSpan, &error));
    if (!gif)
        return failure(reader, error);
    const DecodeStatus status = readFirstFrame(gif.get(), reader, picture, cancel, conversion);
    if (status != DecodeStatus::Ok)
        picture.clear();
    return status;
}

} // namespace varnelo
