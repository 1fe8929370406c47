#pragma once

#include <string>
#include <string_view>

namespace varnelo {

/// The text as a terminal may safely show it: every control character a
/// name or value could smuggle in, which a terminal would obey (set its
/// title, clear its screen), is written out instead: ESC as \e, the other
/// C0 characters and DEL as \x07 and the like, a C1 character (U+0080 to
/// U+009F) and a byte that is no part of UTF-8 as the \x of each byte.
/// Everything else, UTF-8 text of every script included, stays as it is.
std::string printableText(std::string_view text);

} // namespace varnelo
