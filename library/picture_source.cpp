#include "library/picture_source.h"

#include "reading/file_bytes.h"

#include <optional>
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

PictureSource PictureSource::bytes(const std::uint8_t* data, std::size_t size, LoadOutcome& refused,
                                   bool copied) {
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
    if (copied)
        source.bytes_.assign(data, data + size);
    else
        source.borrowed_ = {data, size};
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
    if (!view().empty())
        return loadPictureBytes(view(), picture, &cancel, &conversion);
    LoadOutcome outcome;
    picture = pixels_;
    conversion.facts = factsOf(pixels_);
    outcome.status = picture.isEmpty() ? LoadStatus::Failed : LoadStatus::Loaded;
    if (picture.isEmpty())
        outcome.detail = DecodeStatus::OutOfMemory;
    return outcome;
}

FileBytes PictureSource::view() const {
    return bytes_.empty() ? borrowed_ : FileBytes(bytes_.data(), bytes_.size());
}

LoadOutcome PictureSource::size(PictureSize& size) const {
    if (path_.empty() && view().empty()) {
        size = {pixels_.width(), pixels_.height()};
        LoadOutcome outcome;
        outcome.status = LoadStatus::Loaded;
        return outcome;
    }
    // A load for a conversion asks its size of the picture's as soon as its
    // decoder has read the header; the load is stopped there.
    std::atomic<bool> stop{false};
    std::optional<PictureSize> told;
    ConversionLoad conversion;
    conversion.sizeOf = [&](int width, int height) {
        told = PictureSize{width, height};
        stop.store(true);
        return PictureSize{1, 1};
    };
    WorkBitmap picture;
    LoadOutcome outcome = load(picture, stop, conversion);
    if (told) {
        size = *told;
        outcome.status = LoadStatus::Loaded;
        outcome.detail = DecodeStatus::Ok;
    } else if (outcome.status == LoadStatus::Loaded) {
        size = {conversion.facts.width, conversion.facts.height};
    }
    return outcome;
}

} // namespace varnelo
