#pragma once

#include "reading/picture_loader.h"

#include <cstdint>
#include <string>

namespace varnelo {

enum class PassEnd : std::uint8_t {
    Done,      ///< the output is written
    Cancelled, ///< cancelled by the user; nothing written
    Refused,   ///< a size beyond a limit, refused before anything was drawn; nothing written
    Failed,    ///< the picture, the memory or the output file failed; nothing written
};

/// Which limit a refused conversion exceeds.
enum class RefusalReason : std::uint8_t {
    PictureTooLarge, ///< the size to scale the picture to
    ImageTooLarge,   ///< the drawn image, cells included
    ImageEmpty,      ///< a drawn image would have no pixels
};

struct PassRefusal {
    RefusalReason reason = RefusalReason::PictureTooLarge;
    /// The size asked for: the scaled picture's, or the drawn image's in pixels.
    std::int64_t width = 0;
    std::int64_t height = 0;
    /// The limit exceeded: pixels in all for the picture, pixels a side for the image.
    std::int64_t limit = 0;
    /// The image output's cell, which makes the image that large.
    int cellWidth = 0;
    int cellHeight = 0;
};

/// Which step of a conversion failed.
enum class FailureStage : std::uint8_t {
    Loading,     ///< the picture no longer loads
    OutOfMemory, ///< the picture or the image did not fit into memory
    Saving,      ///< the output file could not be written
    Unexpected,  ///< anything else; reason says what
};

struct PassFailure {
    FailureStage stage = FailureStage::Loading;
    /// The picture that did not load, or the output that was not written.
    std::string path;
    /// How loading ended, for Loading.
    LoadOutcome load;
    /// The system's words for Saving; what happened for Unexpected.
    std::string reason;
};

/// How one conversion ended, with what each front end needs to say why.
/// The engine words nothing: the window and the converter each turn it
/// into their own texts.
struct PassResult {
    PassEnd end = PassEnd::Done;
    /// Done: the milliseconds of the drawing, as the status line shows them.
    std::uint32_t milliseconds = 0;
    /// Done: the file written, which differs from the settings' output path
    /// when that was a link, or a proposed name another program took first.
    std::string outputPath;
    PassRefusal refusal; ///< for Refused
    PassFailure failure; ///< for Failed

    static PassResult done(std::uint32_t milliseconds, std::string outputPath = {}) {
        return {PassEnd::Done, milliseconds, std::move(outputPath), {}, {}};
    }
    static PassResult cancelled() { return {PassEnd::Cancelled, 0, {}, {}, {}}; }
    static PassResult refused(PassRefusal refusal) {
        return {PassEnd::Refused, 0, {}, std::move(refusal), {}};
    }
    static PassResult failed(PassFailure failure) {
        return {PassEnd::Failed, 0, {}, {}, std::move(failure)};
    }
};

} // namespace varnelo
