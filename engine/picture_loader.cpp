#include "engine/picture_loader.h"

#include "engine/codecs/bmp_reader.h"
#include "engine/codecs/gif_decoder.h"
#include "engine/codecs/jpeg_decoder.h"
#include "engine/codecs/png_decoder.h"
#include "engine/file_bytes.h"
#include "engine/work_bitmap.h"

#include <vector>

namespace varnelo {

namespace {

DecodeStatus statusOf(ReadFileStatus status) {
    switch (status) {
    case ReadFileStatus::TooLarge:
        return DecodeStatus::TooLarge;
    case ReadFileStatus::Ok:
        return DecodeStatus::Ok;
    default:
        return DecodeStatus::Truncated; // nothing readable: the file ends before it starts
    }
}

} // namespace

DecodeStatus decodePicture(PictureType type, FileBytes file, WorkBitmap& picture) {
    switch (type) {
    case PictureType::Bmp:
        return decodeBmp(file, picture);
    case PictureType::Jpeg:
        return decodeJpeg(file, picture);
    case PictureType::Gif:
        return decodeGif(file, picture);
    case PictureType::Png:
        return decodePng(file, picture);
    case PictureType::None:
        break;
    }
    picture.clear();
    return DecodeStatus::Unsupported;
}

PictureType pictureTypeOf(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos)
        return PictureType::None;
    // A dot in a folder name counts when the file name has none; the
    // extension then ends at the folder's separator.
    std::string extension(path.substr(dot, path.find('/', dot) - dot));
    for (char& c : extension) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    if (extension == ".bmp")
        return PictureType::Bmp;
    if (extension == ".jpg")
        return PictureType::Jpeg;
    if (extension == ".gif")
        return PictureType::Gif;
    if (extension == ".png")
        return PictureType::Png;
    return PictureType::None;
}

LoadOutcome loadPicture(const std::string& path, WorkBitmap& bitmap) {
    const PictureType type = pictureTypeOf(path);
    if (type == PictureType::None)
        return {LoadStatus::Ignored, DecodeStatus::Ok};

    std::vector<std::uint8_t> bytes;
    DecodeStatus status = statusOf(readWholeFile(path, bytes, kMaxPictureFileBytes));
    WorkBitmap decoded;
    if (status == DecodeStatus::Ok)
        status = decodePicture(type, bytes, decoded);

    if (status == DecodeStatus::Ok) {
        bitmap = std::move(decoded);
        return {LoadStatus::Loaded, status};
    }
    if (type == PictureType::Png)
        return {LoadStatus::PngFailed, status};
    bitmap.clear();
    return {LoadStatus::Failed, status};
}

} // namespace varnelo
