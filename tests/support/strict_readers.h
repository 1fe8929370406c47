#pragma once

// Readers of the program's documents that refuse what a lenient reader
// would silently repair: a tag, entity, group or control word out of place.
// Each gives the text of the document's pixel lines as Unicode characters.
#include "engine/document_lines.h"

#include <string>
#include <vector>

namespace varnelo::test {

struct StrictRead {
    bool ok = false;
    std::string error;                 ///< where and why the document was refused
    std::vector<std::u32string> lines; ///< the text of each pixel line
};

/// Reads an HTML document of either format: only the program's elements, in
/// proper nesting; attribute values unquoted words or quoted without "<" or
/// a raw quote; "&" only in &lt; &gt; &amp; &quot; and decimal references;
/// no raw "<", ">", zero byte or byte from 0x80 on outside the style rules
/// (the document declares no character set). The pixel lines are the lines
/// of run elements (font with a colour, or s with a class).
StrictRead readHtmlStrictly(const DocumentLines& lines);

/// Reads an RTF document: balanced groups, only the control words the
/// program writes, \'hh escapes, \uN with its one fallback character, and
/// raw bytes read as Windows-1252 (the document is \ansi). The pixel lines
/// are the paragraphs of the body; carriage returns and line feeds are not
/// text in RTF and are left out.
StrictRead readRtfStrictly(const DocumentLines& lines);

} // namespace varnelo::test
