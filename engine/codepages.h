#pragma once

#include "engine/byte_string.h"

#include <optional>
#include <string>

namespace varnelo {

/// The character a Windows-1252 byte stands for. The five bytes the code
/// page leaves undefined map to the control characters of the same number,
/// as Windows maps them.
char16_t windows1252ToUnicode(std::uint8_t byte);

/// The character code page 437 draws for a byte, the glyphs of 1 to 31 and
/// 127 included, as the "Terminal" face shows them. 0 stays 0.
char16_t cp437ToUnicode(std::uint8_t byte);

/// The Windows-1252 byte of a character, or nothing when the code page has none.
std::optional<std::uint8_t> unicodeToWindows1252(char32_t character);

/// Converts UTF-8 text (as typed or read from a UTF-8 command line) to
/// Windows-1252; characters the code page lacks become "?".
ByteString utf8ToWindows1252(std::string_view text);

/// Converts Windows-1252 bytes to UTF-8.
std::string windows1252ToUtf8(std::string_view bytes);

} // namespace varnelo
