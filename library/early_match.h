#pragma once

#include "engine/conversion_pass.h"
#include "engine/conversion_settings.h"
#include "engine/glyph_shape.h"
#include "engine/shape_matching.h"
#include "reading/arriving_rows.h"

#include <atomic>
#include <functional>
#include <optional>
#include <thread>

namespace varnelo {

/// The cells of a mode that weighs every sample of the detail (symbols),
/// matched on threads of their own as the detail's rows arrive while the
/// picture still decodes, so that the matching is mostly done when the
/// decoding is. The pass takes them only where the settings it is given
/// are those they were matched for; else it matches the picture itself.
class EarlyMatch {
public:
    /// Starts matching, on settings' settings for a picture of its own
    /// size (all but what the rest of its facts decide, found on the
    /// matching's thread once the load knows the size), the rows the load
    /// tells arriving (ConversionLoad::arriving).
    EarlyMatch(std::function<ConversionSettings(PictureSize own)> settings, GlyphShaper shaper,
               const std::atomic<bool>& cancel);
    /// Gives up what is left and waits for the threads.
    ~EarlyMatch();
    EarlyMatch(const EarlyMatch&) = delete;
    EarlyMatch& operator=(const EarlyMatch&) = delete;

    ArrivingRows& arriving() { return arriving_; }
    /// The load has ended: a matching still waiting for rows that never
    /// came stops.
    void loadEnded();
    /// Waits for the matching: the cells, when they were matched for
    /// settings (those the pass is given, before its output is chosen).
    std::optional<ConversionPass::MatchedCells> take(const ConversionSettings& settings);

private:
    void match();

    std::function<ConversionSettings(PictureSize own)> settings_;
    GlyphShaper shaper_;
    const std::atomic<bool>& cancel_;
    ArrivingRows arriving_;
    // Written by the matching's thread, read once it has ended.
    std::optional<ConversionSettings> matchedFor_;
    ConversionPass::MatchedCells cells_;
    ShapeMatchEnd end_ = ShapeMatchEnd::Cancelled;
    std::thread thread_;
};

} // namespace varnelo
