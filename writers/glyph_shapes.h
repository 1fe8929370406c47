#pragma once

#include "base/byte_string.h"
#include "engine/glyph_shape.h"

#include <string>
#include <vector>

namespace varnelo {

/// How each candidate character (UTF-8) draws in the face, as the image output's
/// font draws it: rendered once, large, in a cell as wide as its advance
/// and as high as the face's lines (as a document lays it out), and laid
/// over an 8 × 8 grid. The last face's shapes are kept for the next
/// conversion. Characters the face has no glyph for are left out; empty
/// when no font draws the face. Safe from any thread.
std::vector<GlyphShape> glyphShapesOf(const std::string& face, const ByteString& candidates);

} // namespace varnelo
