#pragma once

#include "base/byte_string.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace varnelo {

/// The program's own face: code page 437, with the shade and block
/// characters of "Terminal" blocks mode.
inline constexpr const char* kTerminalFace = "Terminal";

/// The character set through which a face shows bytes.
enum class CodePage : std::uint8_t { Windows1252, Cp437 };

/// Code page 437 for the Terminal face, Windows-1252 for every other: the
/// characters the bytes stand for wherever the program shows them, drawn
/// into an image or written into a document.
CodePage codePageOfFace(std::string_view face);

/// The character a byte stands for in the code page.
char16_t toUnicode(CodePage codePage, std::uint8_t byte);

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

/// Appends the character as UTF-8.
void appendUtf8(std::string& text, char32_t character);

/// The character of UTF-8 text at index, index moved past it; U+FFFD, one
/// byte on, for a byte that begins no character.
char32_t nextUtf8(std::string_view text, std::size_t& index);

/// The code page's byte for a character, or nothing where it has none:
/// below 0x80 the character itself, as documents and phrases hold it.
std::optional<std::uint8_t> fromUnicode(CodePage codePage, char32_t character);

} // namespace varnelo
