#include "library/early_match.h"

#include "engine/cell_matching.h"
#include "engine/character_modes.h"

#include <new>
#include <system_error>
#include <utility>

namespace varnelo {

EarlyMatch::EarlyMatch(std::function<ConversionSettings(PictureSize own)> settings,
                       GlyphShaper shaper, const std::atomic<bool>& cancel)
    : settings_(std::move(settings)), shaper_(std::move(shaper)), cancel_(cancel) {
    try {
        thread_ = std::thread([this] { match(); });
    } catch (const std::system_error&) {
        // no thread to be had: the pass matches the picture itself
    }
}

EarlyMatch::~EarlyMatch() {
    arriving_.stop();
    if (thread_.joinable())
        thread_.join();
}

void EarlyMatch::loadEnded() {
    // Complete where the load said so; else nothing more comes.
    arriving_.end();
}

void EarlyMatch::match() {
    try {
        const std::optional<PictureSize> own = arriving_.ownSize();
        if (!own)
            return;
        ConversionSettings settings = settings_(*own);
        const CharacterMode& mode = characterModeOf(settings.transformation);
        if (mode.matchCells == nullptr)
            return;
        // The detail is read where the rows arrive; this one stays empty.
        const WorkBitmap none;
        end_ = mode.matchCells({none, settings.imageWidth, settings.imageHeight, settings, shaper_,
                                shownColoursOf(settings), cancel_, &arriving_},
                               cells_.colors, cells_.texts);
        matchedFor_ = std::move(settings);
    } catch (const std::bad_alloc&) {
        end_ = ShapeMatchEnd::OutOfMemory;
    }
}

std::optional<ConversionPass::MatchedCells> EarlyMatch::take(const ConversionSettings& settings) {
    if (thread_.joinable())
        thread_.join();
    if (end_ != ShapeMatchEnd::Done || !matchedFor_ || cancel_.load())
        return std::nullopt;
    // The picture's depth reduces the colours only once they are matched.
    ConversionSettings matchedFor = *matchedFor_;
    matchedFor.colorDepth = settings.colorDepth;
    if (!(matchedFor == settings))
        return std::nullopt;
    return std::move(cells_);
}

} // namespace varnelo
