#pragma once

#include "reading/codecs/decode_status.h"

#include <cstdint>
#include <initializer_list>
#include <string_view>

namespace varnelo {

/// Whether a file starts with an ISO base media file's "ftyp" box whose
/// major brand or one of its compatible brands (those within head) is one
/// of the brands, as an AVIF or HEIF file does.
bool hasIsoBrand(FileBytes head, std::initializer_list<std::string_view> brands);

/// How many items of the type ("av01", "hvc1") the file's meta box lists:
/// the tiles of a grid, besides the picture. 0 for a file without them.
std::uint32_t isoItemsOfType(FileBytes file, std::string_view type);

} // namespace varnelo
