#include "library/picture_source.h"

#include "reading/file_bytes.h"

#include <utility>

namespace varnelo {

namespace {

LoadOutcome notAPicture(ReadFileOutcome file = {}) {
    LoadOutcome outcome;
    outcome.status = file.status == ReadFileStatus::Ok ? LoadStatus::Ignored : LoadStatus::Failed;
    outcome.file = file;
    return outcome;
}

} // namespace

PictureSource PictureSource::file(std::string path, LoadOutcome& refused) {
    PictureSource source;
    MappedFile file;
    refused = LoadOutcome{};
    const ReadFileOutcome read = file.open(path, kMaxPictureFileBytes);
    if (read.status != ReadFileStatus::Ok) {
        refused = notAPicture(read);
        return source;
    }
    refused.type = pictureTypeOfContent(file.bytes());
    if (refused.type == PictureType::None)
        refused.type = pictureTypeOf(path);
    if (refused.type == PictureType::None) {
        refused = notAPicture();
        return source;
    }
    refused.status = LoadStatus::Loaded;
    source.path_ = std::move(path);
    return source;
}

PictureSource PictureSource::bytes(const std::uint8_t* data, std::size_t size,
                                   LoadOutcome& refused) {
    PictureSource source;
    refused = LoadOutcome{};
    if (size > kMaxPictureFileBytes) {
        ReadFileOutcome tooLarge;
        tooLarge.status = ReadFileStatus::TooLarge;
        refused = notAPicture(tooLarge);
        return source;
    }
    refused.type = pictureTypeOfContent({data, size});
    if (refused.type == PictureType::None) {
        refused = notAPicture();
        return source;
    }
    refused.status = LoadStatus::Loaded;
    source.bytes_.assign(data, data + size);
    return source;
}

PictureSource PictureSource::pixels(WorkBitmap picture) {
    PictureSource source;
    source.pixels_ = std::move(picture);
    return source;
}

LoadOutcome PictureSource::load(WorkBitmap& picture, const std::atomic<bool>& cancel,
                                ConversionLoad& conversion) const {
    if (!path_.empty())
        return loadPicture(path_, picture, &cancel, &conversion);
    if (!bytes_.empty())
        return loadPictureBytes({bytes_.data(), bytes_.size()}, picture, &cancel, &conversion);
    LoadOutcome outcome;
    picture = pixels_;
    conversion.facts = factsOf(pixels_);
    outcome.status = picture.isEmpty() ? LoadStatus::Failed : LoadStatus::Loaded;
    if (picture.isEmpty())
        outcome.detail = DecodeStatus::OutOfMemory;
    return outcome;
}

} // namespace varnelo
