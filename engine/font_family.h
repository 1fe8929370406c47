#pragma once

#include <string>
#include <string_view>

namespace varnelo {

/// The family of a face as the font list names it, without the foundry tag
/// the list adds where several foundries make one family: "C059 [urw]" is
/// the family C059. Documents name the family, the name readers match.
std::string fontFamily(std::string_view face);

} // namespace varnelo
