#pragma once

#include "reading/codecs/decode_status.h"

namespace varnelo {

struct ConversionLoad;
class WorkBitmap;

/// Whether a file's first bytes are a WebP's: "RIFF", its size, "WEBP".
bool looksLikeWebp(FileBytes head);

/// Decodes a WebP file into a 24-bit picture: a still picture, or the
/// first frame of an animation on its canvas. Colours are the stored ones;
/// an alpha channel is dropped, never blended. For a conversion that
/// shrinks the picture libwebp decodes it straight at the conversion's
/// size. A still picture is fed to the decoder a piece at a time, so a
/// cancel stops it between pieces; the first frame of an animation is
/// decoded in one go, bounded by the picture limits.
DecodeStatus decodeWebp(FileBytes file, WorkBitmap& picture, DecodeCancel cancel,
                        ConversionLoad* conversion);

} // namespace varnelo
