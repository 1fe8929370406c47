#pragma once

#include "base/color.h"
#include "base/work_bitmap.h"
#include "reading/codecs/decode_status.h"
#include "reading/conversion_load.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>

namespace varnelo {

enum class PictureType : std::uint8_t;

/// Pictures that decode in a process of their own from this many pixels:
/// those of the libraries that decode in one call, and the others.
inline constexpr std::int64_t kOneCallFromPixels = std::int64_t{1} << 20;
inline constexpr std::int64_t kPiecesFromPixels = std::int64_t{1} << 22;

/// The libraries that decode a picture in one call a cancel cannot stop
/// (libavif, libheif), or in pieces of work that can take a large part of a
/// second (libwebp, libjxl), decode a large picture in a process of its
/// own when a cancel is given: a cancel kills it at once, whatever the
/// library is doing, and a library that breaks on a file takes only that
/// process with it. Smaller pictures decode in the caller, where they
/// start faster.
///
/// Decodes the file as a picture of the type, as stored, in such a process
/// (the program varnelo-decode beside the modules) when a cancel is given
/// and the picture, asked (the size the decoder asks the conversion
/// about, its answer taken here), has at least fromPixels. Nothing when it
/// does not, or when no such process can be had (the program missing, no
/// process to start): the caller then decodes the picture itself.
std::optional<DecodeStatus> decodeInOwnProcess(PictureType type, FileBytes file,
                                               WorkBitmap& picture, DecodeCancel cancel,
                                               ConversionLoad* conversion, PictureSize asked,
                                               std::int64_t fromPixels);

/// Where the decoding program is looked for: beside the modules, in the
/// program's library folder.
std::string ownProcessDecoderPath();

/// What the decoding process writes at the start of its output, the
/// picture's rows after it.
struct OwnProcessResult {
    static constexpr std::uint32_t kMark = 0x76644431; // changes with the layout
    std::uint32_t mark = kMark;
    DecodeStatus status = DecodeStatus::Corrupt;
    PixelDepth depth = PixelDepth::Bits24;
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool hasFacts = false;
    PictureFacts facts;
    std::int64_t memoryNeeded = 0;
    /// Set when the decoder asked the conversion about another size than
    /// the one answered: the decoding is then done again, asked this one.
    PictureSize askedInstead;
    std::array<Rgb, 256> colorTable{};
};

static_assert(std::is_trivially_copyable_v<OwnProcessResult>, "written and read as bytes");

/// The arguments of the decoding program, in their order after its name.
struct OwnProcessArguments {
    PictureType type;
    PictureSize asked;
    /// What the conversion answers for asked; 0 × 0 for a load without one.
    PictureSize answer;
    bool autoOrient = true;
    std::int64_t memoryLimit = 0;
};

/// The file's descriptor in the decoding process, and its output's.
inline constexpr int kOwnProcessFileDescriptor = 3;
inline constexpr int kOwnProcessOutputDescriptor = 4;

} // namespace varnelo
