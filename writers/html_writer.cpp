#include "writers/html_writer.h"

#include "engine/character_modes.h"
#include "engine/font_family.h"
#include "writers/hex_color.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>
#include <string_view>

namespace varnelo {

namespace {

// Header lines in order; the style rules of the CSS format are inserted
// after the rule of the run element, which is line 5 of the document.
constexpr std::size_t kStyleRulesLine = 5;

void appendHex(ByteString& text, Rgb color) {
    const auto digits = hexColor(color);
    text.append(digits.data(), digits.size());
}

std::string characterReference(char32_t character) {
    return "&#" + std::to_string(static_cast<std::uint32_t>(character)) + ";";
}

bool isPlainWord(std::string_view word) {
    if (word.empty())
        return false;
    const auto letter = [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    };
    if (!letter(word[0]))
        return false;
    for (const char c : word) {
        if (!letter(c) && !(c >= '0' && c <= '9') && c != '-')
            return false;
    }
    return true;
}

// Words separated by single blanks that CSS reads as a family name as they
// stand, and that are not one of its generic families or keywords.
bool isPlainFamily(std::string_view family) {
    static constexpr std::string_view kKeywords[] = {
        "serif",     "sans-serif", "monospace", "cursive",  "fantasy",
        "system-ui", "math",       "emoji",     "fangsong", "inherit",
        "initial",   "unset",      "revert",    "default",  "revert-layer"};
    for (const std::string_view keyword : kKeywords) {
        if (family == keyword)
            return false;
    }
    std::size_t start = 0;
    while (true) {
        const std::size_t blank = family.find(' ', start);
        if (!isPlainWord(family.substr(start, blank - start)))
            return false;
        if (blank == std::string_view::npos)
            return true;
        start = blank + 1;
    }
}

} // namespace

namespace {

ByteEscapes makeHtmlTextEscapes(CodePage codePage) {
    ByteEscapes escapes;
    escapes.replace('<', "&lt;");
    escapes.replace('>', "&gt;");
    escapes.replace('&', "&amp;");
    escapes.replace('\0', " ");
    for (unsigned byte = 0x80; byte <= 0xFF; ++byte) {
        const auto value = static_cast<std::uint8_t>(byte);
        escapes.replace(value, characterReference(toUnicode(codePage, value)));
    }
    return escapes;
}

} // namespace

const ByteEscapes& htmlTextEscapes(CodePage codePage) {
    // A small picture's document took as long to set up as to fill while
    // each made its table anew.
    if (codePage == CodePage::Cp437) {
        static const ByteEscapes cp437 = makeHtmlTextEscapes(CodePage::Cp437);
        return cp437;
    }
    static const ByteEscapes windows1252 = makeHtmlTextEscapes(CodePage::Windows1252);
    return windows1252;
}

ByteString htmlAttributeValue(std::string_view text) {
    static const ByteEscapes escapes = [] {
        ByteEscapes quoted = htmlTextEscapes(CodePage::Windows1252);
        quoted.replace('"', "&quot;");
        return quoted;
    }();
    ByteString value;
    escapes.append(value, text);
    return value;
}

ByteString cssFontFamily(std::string_view family) {
    if (isPlainFamily(family))
        return ByteString(family);
    // Inside a CSS string every byte that could end the string, the
    // declaration or the style element is written as a hexadecimal escape of
    // its character, followed by the blank that ends the escape.
    ByteString quoted = "\"";
    for (const char c : family) {
        const auto byte = static_cast<std::uint8_t>(c);
        const bool plain = byte >= 0x20 && byte < 0x7F &&
                           std::string_view("\"\\<>&'").find(c) == std::string_view::npos;
        if (plain) {
            quoted += c;
            continue;
        }
        char digits[8];
        const char16_t character = byte == 0 ? u' ' : windows1252ToUnicode(byte);
        const auto end =
            std::to_chars(digits, digits + sizeof digits, static_cast<unsigned>(character), 16).ptr;
        quoted += '\\';
        quoted.append(digits, end);
        quoted += ' ';
    }
    quoted += '"';
    return quoted;
}

OutputStart HtmlWriter::beginOutput(const ConversionSettings& settings, int /*width*/,
                                    int /*height*/) {
    css_ = settings.outputFormat == OutputFormat::CssHtml;
    fill_ = settings.fillCells;
    const std::string family = fontFamily(settings.fontFace);
    styleRules_.clear();
    ruledColors_.assign(css_ ? (std::size_t{1} << 24) / 64 : 0, 0);
    ruledPairs_.clear();
    const std::string size = std::to_string(settings.fontSize);

    ByteString body = "body {background-color: #";
    appendHex(body, settings.backgroundColor);
    // Symbols fill their cells to the face's own line, which "normal" is:
    // a block's ink reaches from the line above to the line below.
    body += "; font-size:" + size + "pt; line-height:" +
            (drawsTwoColourSymbols(settings.transformation) ? std::string("normal") : size + "pt") +
            "}";

    lines_.emplace_back("<html>");
    lines_.emplace_back("<head><title>ascii color picture</title>");
    lines_.emplace_back("<STYLE TYPE=\"text/css\">");
    lines_.push_back(std::move(body));
    if (css_)
        lines_.push_back("s {text-decoration: none; font-family: " + cssFontFamily(family) + "}");
    lines_.emplace_back("</STYLE></head>");
    lines_.emplace_back("<body><pre><center>");
    if (!css_)
        lines_.push_back("<font face=\"" + htmlAttributeValue(family) + "\">");
    return OutputStart::proceed();
}

std::unique_ptr<OutputWriter> HtmlWriter::lineWriterInto(DocumentLines& lines) const {
    // A line of plain HTML is its pixels alone; the style rules of the CSS
    // format are shared by all lines.
    if (css_)
        return nullptr;
    auto writer = std::make_unique<HtmlWriter>(lines);
    writer->fill_ = fill_;
    return writer;
}

void HtmlWriter::beginLine(int /*y*/) {
    line_.clear();
}

void HtmlWriter::openRun(CellColors colors) {
    if (!css_ && !fill_) {
        // Plain HTML, nearly every pixel of a photo: with the lengths known
        // here the copies are a few moves each.
        static constexpr char kClose[] = "</font>";
        static constexpr char kOpen[] = "<font color=#";
        char* out = line_.room(sizeof kClose + sizeof kOpen + 6);
        char* const start = out;
        if (!line_.empty()) {
            std::memcpy(out, kClose, sizeof kClose - 1);
            out += sizeof kClose - 1;
        }
        std::memcpy(out, kOpen, sizeof kOpen - 1);
        out = writeHexColor(out + sizeof kOpen - 1, colors.color);
        *out++ = '>';
        line_.commit(static_cast<std::size_t>(out - start));
        return;
    }
    if (css_) {
        line_.put(line_.empty() ? std::string_view("<s class=")
                                : std::string_view("</s><s class="));
        // A filled cell whose ink is not its colour's shade is named by both.
        const bool chosenInk = fill_ && colors.ink != contrastingShade(colors.color);
        ByteString name;
        appendHex(name, colors.color);
        if (chosenInk)
            appendHex(name, colors.ink);
        line_.put(name);
        line_.put(">");
        addStyleRule(colors, name, chosenInk);
        return;
    }
    // Filled, plain HTML gives the characters' ink, then the cell's colour.
    static constexpr std::string_view kClose = "</font>";
    static constexpr std::string_view kOpen = "<font color=#";
    static constexpr std::string_view kBackground = " style=\"background-color:#";
    char* out = line_.room(kClose.size() + kOpen.size() + kBackground.size() + 16);
    char* const start = out;
    if (!line_.empty())
        out = std::copy(kClose.begin(), kClose.end(), out);
    out = std::copy(kOpen.begin(), kOpen.end(), out);
    out = writeHexColor(out, colors.ink);
    out = std::copy(kBackground.begin(), kBackground.end(), out);
    out = writeHexColor(out, colors.color);
    *out++ = '"';
    *out++ = '>';
    line_.commit(static_cast<std::size_t>(out - start));
}

void HtmlWriter::addStyleRule(CellColors colors, const ByteString& name, bool chosenInk) {
    const Rgb key = colors.color & 0xFFFFFFu;
    if (chosenInk) {
        if (!ruledPairs_.insert(std::uint64_t{key} << 24 | (colors.ink & 0xFFFFFFu)).second)
            return;
    } else {
        std::uint64_t& word = ruledColors_[key >> 6];
        const std::uint64_t bit = std::uint64_t{1} << (key & 63);
        if ((word & bit) != 0)
            return;
        word |= bit;
    }
    styleRules_ += '.';
    if (name[0] >= '0' && name[0] <= '9') {
        // A class selector may not start with a digit: CSS escapes it as
        // "\3" followed by the digit and a blank, so .\30 000FF matches the
        // class 0000FF.
        styleRules_ += "\\3";
        styleRules_ += name[0];
        styleRules_ += ' ';
        styleRules_.append(name.data() + 1, name.size() - 1);
    } else {
        styleRules_ += name;
    }
    styleRules_ += "{color:#";
    if (fill_) {
        appendHex(styleRules_, colors.ink);
        styleRules_ += ";background-color:#";
    }
    appendHex(styleRules_, colors.color);
    styleRules_ += '}';
}

void HtmlWriter::putPixel(int /*x*/, int /*y*/, const ByteString& text, CellColors colors,
                          bool newRun) {
    if (newRun)
        openRun(colors);
    // ASCII takes one lookup a byte; a character beyond it, its reference,
    // made once a writer.
    const std::string_view view = text;
    for (std::size_t index = 0; index < view.size();) {
        std::size_t end = index;
        while (end < view.size() && static_cast<std::uint8_t>(view[end]) < 0x80)
            ++end;
        if (end != index) {
            text_->appendTo(line_, view.substr(index, end - index));
            index = end;
            continue;
        }
        line_.put(fragments_
                      .next(view, index,
                            [](char32_t character) {
                                CharacterFragment reference;
                                char digits[12];
                                const char* const last =
                                    std::to_chars(digits, digits + sizeof digits,
                                                  static_cast<std::uint32_t>(character))
                                        .ptr;
                                reference.append("&#");
                                reference.append({digits, static_cast<std::size_t>(last - digits)});
                                reference.append(";");
                                return reference;
                            })
                      .view());
    }
}

void HtmlWriter::endLine(int /*y*/) {
    line_.put(css_ ? std::string_view("</s>") : std::string_view("</font>"));
    lines_.emplace_back(line_.text());
}

WriteOutcome HtmlWriter::finishOutput() {
    if (!css_)
        lines_.emplace_back("</font>");
    lines_.emplace_back("</center></pre>");
    if (css_ && lines_.size() >= kStyleRulesLine)
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(kStyleRulesLine),
                      std::move(styleRules_));
    lines_.emplace_back("</body></html>");
    return {};
}

} // namespace varnelo
