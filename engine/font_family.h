#pragma once

#include <string>
#include <string_view>

namespace varnelo {

/// The family of a face as the font list names it, without the foundry tag
/// the list adds where several foundries make one family: "C059 [urw]" is
/// the family C059. Documents name the family, the name readers match.
std::string fontFamily(std::string_view face);

/// Whether a face may be named in a conversion's settings: plain ASCII
/// without markup characters, which means the same in Windows-1252 and
/// UTF-8, and in every document as it stands, unescaped.
bool usableFontFace(std::string_view face);

} // namespace varnelo
