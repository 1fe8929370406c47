#include "reading/picture_loader.h"

#include "base/work_bitmap.h"
#include "reading/arriving_rows.h"
#include "reading/codecs/avif_decoder.h"
#include "reading/codecs/bmp_reader.h"
#include "reading/codecs/exif_orientation.h"
#include "reading/codecs/heif_decoder.h"
#include "reading/codecs/jpeg_decoder.h"
#include "reading/codecs/jxl_decoder.h"
#include "reading/codecs/picture_libraries.h"
#include "reading/codecs/png_gif_libraries.h"
#include "reading/codecs/tiff_decoder.h"
#include "reading/codecs/webp_decoder.h"
#include "reading/conversion_load.h"
#include "reading/file_bytes.h"
#include "reading/upright_picture.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <utility>
#include <vector>

namespace varnelo {

namespace {

constexpr std::array<std::string_view, 1> kBmpExtensions = {".bmp"};
constexpr std::array<std::string_view, 3> kJpegExtensions = {".jpg", ".jpeg", ".jpe"};
constexpr std::array<std::string_view, 1> kGifExtensions = {".gif"};
constexpr std::array<std::string_view, 1> kPngExtensions = {".png"};
constexpr std::array<std::string_view, 1> kWebpExtensions = {".webp"};
constexpr std::array<std::string_view, 1> kAvifExtensions = {".avif"};
constexpr std::array<std::string_view, 2> kHeifExtensions = {".heic", ".heif"};
constexpr std::array<std::string_view, 2> kTiffExtensions = {".tif", ".tiff"};
constexpr std::array<std::string_view, 1> kJxlExtensions = {".jxl"};

constexpr std::array<std::string_view, 1> kBmpMedia = {"image/bmp"};
constexpr std::array<std::string_view, 1> kJpegMedia = {"image/jpeg"};
constexpr std::array<std::string_view, 1> kGifMedia = {"image/gif"};
constexpr std::array<std::string_view, 1> kPngMedia = {"image/png"};
constexpr std::array<std::string_view, 1> kWebpMedia = {"image/webp"};
constexpr std::array<std::string_view, 1> kAvifMedia = {"image/avif"};
constexpr std::array<std::string_view, 2> kHeifMedia = {"image/heif", "image/heic"};
constexpr std::array<std::string_view, 1> kTiffMedia = {"image/tiff"};
constexpr std::array<std::string_view, 1> kJxlMedia = {"image/jxl"};

constexpr std::array<std::uint8_t, 2> kBmpMagic = {'B', 'M'};
constexpr std::array<std::uint8_t, 3> kJpegMagic = {0xFF, 0xD8, 0xFF};
constexpr std::array<std::uint8_t, 4> kGifMagic = {'G', 'I', 'F', '8'};
constexpr std::array<std::uint8_t, 8> kPngMagic = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Files that start with these bytes, and nothing more.
template <const auto& magic>
bool startsWithMagic(FileBytes head) {
    return head.size() >= magic.size() && std::equal(magic.begin(), magic.end(), head.begin());
}

DecodeStatus decodeBmpFile(FileBytes file, WorkBitmap& picture, DecodeCancel cancel,
                           ConversionLoad* conversion) {
    return decodeBmp(file, picture, conversion, cancel);
}

constexpr std::array<PictureTypeEntry, 9> kPictureTypes = {{
    {PictureType::Bmp, kBmpExtensions, "BMP", kBmpMedia, startsWithMagic<kBmpMagic>, decodeBmpFile,
     nullptr},
    {PictureType::Jpeg, kJpegExtensions, "JPG", kJpegMedia, startsWithMagic<kJpegMagic>, decodeJpeg,
     jpegOrientation},
    {PictureType::Gif, kGifExtensions, "GIF", kGifMedia, startsWithMagic<kGifMagic>,
     decodeWithPngGifLibraries<&PngGifLibraries::gif>, nullptr},
    {PictureType::Png, kPngExtensions, "PNG", kPngMedia, startsWithMagic<kPngMagic>,
     decodeWithPngGifLibraries<&PngGifLibraries::png>, pngOrientation},
    {PictureType::Webp, kWebpExtensions, "WebP", kWebpMedia, looksLikeWebp,
     decodeWithLibraries<&PictureLibraries::webp>, webpOrientation},
    {PictureType::Avif, kAvifExtensions, "AVIF", kAvifMedia, looksLikeAvif,
     decodeWithLibraries<&PictureLibraries::avif>,
     orientationWithLibraries<&PictureLibraries::avifOrientation>},
    // libheif turns it as its boxes say.
    {PictureType::Heif, kHeifExtensions, "HEIF", kHeifMedia, looksLikeHeif,
     decodeWithLibraries<&PictureLibraries::heif>, nullptr},
    {PictureType::Tiff, kTiffExtensions, "TIFF", kTiffMedia, looksLikeTiff,
     decodeWithLibraries<&PictureLibraries::tiff>,
     orientationWithLibraries<&PictureLibraries::tiffOrientation>},
    {PictureType::Jxl, kJxlExtensions, "JPEG XL", kJxlMedia, looksLikeJxl,
     decodeWithLibraries<&PictureLibraries::jxl>,
     orientationWithLibraries<&PictureLibraries::jxlOrientation>},
}};

const PictureTypeEntry* entryOf(PictureType type) {
    for (const PictureTypeEntry& entry : kPictureTypes) {
        if (entry.type == type)
            return &entry;
    }
    return nullptr;
}

DecodeStatus decodeAsStored(PictureType type, FileBytes file, WorkBitmap& picture,
                            DecodeCancel cancel, ConversionLoad* conversion) {
    if (const PictureTypeEntry* entry = entryOf(type))
        return entry->decode(file, picture, cancel, conversion);
    picture.clear();
    return DecodeStatus::Unsupported;
}

Orientation storedOrientation(PictureType type, FileBytes file) {
    const PictureTypeEntry* entry = entryOf(type);
    return entry != nullptr && entry->orientation != nullptr ? entry->orientation(file)
                                                             : Orientation::Upright;
}

// A picture decoded but not taken (a file changed while it was read) is
// freed with its function's frame: a reader of its rows stops first.
void stopTellingUnless(const LoadOutcome& outcome, const ConversionLoad* load) {
    if (outcome.status != LoadStatus::Loaded && load != nullptr && load->arriving != nullptr)
        load->arriving->stop();
}

} // namespace

DecodeStatus decodePicture(PictureType type, FileBytes file, WorkBitmap& picture,
                           DecodeCancel cancel, ConversionLoad* conversion) {
    const bool autoOrient = conversion == nullptr || conversion->autoOrient;
    const Orientation orientation =
        autoOrient ? storedOrientation(type, file) : Orientation::Upright;
    if (orientation == Orientation::Upright)
        return decodeAsStored(type, file, picture, cancel, conversion);

    // The decoders know the picture as stored: the size a conversion asks
    // for is turned back for them, and what they load is turned upright.
    const bool swaps = swapsSides(orientation);
    ConversionLoad stored;
    if (conversion != nullptr) {
        stored.coarserBy = conversion->coarserBy;
        stored.keepCoarser = conversion->keepCoarser;
        stored.memoryLimit = conversion->memoryLimit;
        if (conversion->sizeOf)
            stored.sizeOf = [&](int width, int height) {
                if (!swaps)
                    return conversion->sizeOf(width, height);
                const PictureSize shown = conversion->sizeOf(height, width);
                return PictureSize{shown.height, shown.width};
            };
    }
    const DecodeStatus status =
        decodeAsStored(type, file, picture, cancel, conversion != nullptr ? &stored : nullptr);
    if (conversion != nullptr)
        conversion->memoryNeeded = stored.memoryNeeded;
    if (status != DecodeStatus::Ok)
        return status;
    const DecodeStatus turned = turnUpright(picture, orientation, cancel);
    if (turned != DecodeStatus::Ok) {
        picture.clear();
        return turned;
    }
    if (conversion != nullptr) {
        conversion->facts = stored.facts;
        if (swaps)
            std::swap(conversion->facts.width, conversion->facts.height);
        // The corner that shows top left; of the picture at the conversion's
        // size when it was loaded at that size.
        conversion->facts.topLeft = picture.pixelColor(0, 0);
    }
    return status;
}

std::span<const PictureTypeEntry> pictureTypes() {
    return kPictureTypes;
}

std::string pictureExtensionOf(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos)
        return {};
    // A dot in a folder name counts when the file name has none; the
    // extension then ends at the folder's separator.
    std::string extension(path.substr(dot, path.find('/', dot) - dot));
    for (char& c : extension) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return extension;
}

PictureType pictureTypeOf(std::string_view path) {
    const std::string extension = pictureExtensionOf(path);
    for (const PictureTypeEntry& entry : kPictureTypes) {
        if (std::find(entry.extensions.begin(), entry.extensions.end(), extension) !=
            entry.extensions.end())
            return entry.type;
    }
    return PictureType::None;
}

PictureType pictureTypeOfContent(FileBytes bytes) {
    const FileBytes head = bytes.first(std::min(bytes.size(), kPictureProbeBytes));
    for (const PictureTypeEntry& entry : kPictureTypes) {
        if (entry.probe(head))
            return entry.type;
    }
    return PictureType::None;
}

std::string_view pictureTypeLabel(PictureType type) {
    const PictureTypeEntry* entry = entryOf(type);
    return entry != nullptr ? entry->label : std::string_view();
}

namespace {

// A load for a caller that gives none: whole, within the default limit,
// saying what it needed when that was more.
ConversionLoad* loadOrWhole(ConversionLoad* conversion, ConversionLoad& whole) {
    return conversion != nullptr ? conversion : &whole;
}

void noteMemory(LoadOutcome& outcome, const ConversionLoad& load) {
    if (outcome.detail != DecodeStatus::OverMemoryLimit)
        return;
    outcome.memoryNeeded = load.memoryNeeded;
    outcome.memoryLimit = load.memoryLimit;
}

} // namespace

LoadOutcome loadPictureBytes(FileBytes bytes, WorkBitmap& bitmap, DecodeCancel cancel,
                             ConversionLoad* conversion) {
    LoadOutcome outcome;
    outcome.type = pictureTypeOfContent(bytes);
    if (outcome.type == PictureType::None)
        return outcome;
    ConversionLoad whole;
    ConversionLoad* load = loadOrWhole(conversion, whole);
    WorkBitmap decoded;
    outcome.detail = decodePicture(outcome.type, bytes, decoded, cancel, load);
    noteMemory(outcome, *load);
    if (outcome.detail == DecodeStatus::Ok) {
        bitmap = std::move(decoded);
        outcome.status = LoadStatus::Loaded;
    } else {
        bitmap.clear();
        outcome.status = LoadStatus::Failed;
    }
    stopTellingUnless(outcome, load);
    return outcome;
}

LoadOutcome loadPicture(const std::string& path, WorkBitmap& bitmap, DecodeCancel cancel,
                        ConversionLoad* conversion) {
    LoadOutcome outcome;
    MappedFile file;
    outcome.file = file.open(path, kMaxPictureFileBytes);
    if (outcome.file.status == ReadFileStatus::Ok)
        outcome.type = pictureTypeOfContent(file.bytes());
    // Bytes that start like no picture, or a file that cannot be read, go by
    // the name: a broken PNG is still reported as one.
    if (outcome.type == PictureType::None)
        outcome.type = pictureTypeOf(path);
    if (outcome.type == PictureType::None)
        return outcome;

    ConversionLoad whole;
    ConversionLoad* load = loadOrWhole(conversion, whole);
    WorkBitmap decoded;
    if (outcome.file.status == ReadFileStatus::Ok) {
        outcome.detail = decodePicture(outcome.type, file.bytes(), decoded, cancel, load);
        noteMemory(outcome, *load);
        // What was decoded is not what the file holds now.
        if (file.damaged() && outcome.detail == DecodeStatus::Ok)
            outcome.detail = DecodeStatus::Truncated;
    }

    if (outcome.file.status == ReadFileStatus::Ok && outcome.detail == DecodeStatus::Ok) {
        bitmap = std::move(decoded);
        outcome.status = LoadStatus::Loaded;
    } else if (outcome.type == PictureType::Png) {
        outcome.status = LoadStatus::PngFailed;
    } else {
        bitmap.clear();
        outcome.status = LoadStatus::Failed;
    }
    stopTellingUnless(outcome, load);
    return outcome;
}

} // namespace varnelo
