#include "writers/html_writer.h"

#include "writers/hex_colour.h"

#include <string>
#include <string_view>

namespace varnelo {

namespace {

// Header lines in order; the style rules of the CSS format are inserted
// after the rule of the run element, which is line 5 of the document.
constexpr std::size_t kStyleRulesLine = 5;

void appendHex(ByteString& text, Rgb color) {
    const auto digits = hexColour(color);
    text.append(digits.data(), digits.size());
}

// Bytes a pixel text may hold that HTML must not see as they are.
constexpr std::string_view kSpecialBytes("<>&\0", 4);

} // namespace

void appendHtmlText(ByteString& line, const ByteString& text) {
    if (text.find_first_of(kSpecialBytes) == ByteString::npos) {
        line += text;
        return;
    }
    for (const char byte : text) {
        switch (byte) {
        case '<':
            line += "&lt;";
            break;
        case '>':
            line += "&gt;";
            break;
        case '&':
            line += "&amp;";
            break;
        case '\0':
            line += ' ';
            break;
        default:
            line += byte;
        }
    }
}

OutputStart HtmlWriter::beginOutput(const ConversionSettings& settings, int /*width*/,
                                    int /*height*/) {
    css_ = settings.outputFormat == OutputFormat::CssHtml;
    styleRules_.clear();
    ruledColors_.assign(css_ ? (std::size_t{1} << 24) / 64 : 0, 0);
    const std::string size = std::to_string(settings.fontSize);

    ByteString body = "body {background-color: #";
    appendHex(body, settings.backgroundColor);
    body += "; font-size:" + size + "pt; line-height:" + size + "pt}";

    lines_.emplace_back("<html>");
    lines_.emplace_back("<head><title>ascii color picture</title>");
    lines_.emplace_back("<STYLE TYPE=\"text/css\">");
    lines_.push_back(std::move(body));
    if (css_)
        lines_.push_back("s {text-decoration: none; font-family: " + settings.fontFace + "}");
    lines_.emplace_back("</STYLE></head>");
    lines_.emplace_back("<body><pre><center>");
    if (!css_)
        lines_.push_back("<font face=\"" + settings.fontFace + "\">");
    return OutputStart::proceed();
}

void HtmlWriter::beginLine(int /*y*/) {
    line_.clear();
}

void HtmlWriter::openRun(Rgb color) {
    // Built in one piece: a photo changes colour at nearly every pixel.
    char tag[32];
    std::size_t length = 0;
    const auto put = [&](std::string_view part) {
        part.copy(tag + length, part.size());
        length += part.size();
    };
    if (!line_.empty())
        put(css_ ? "</s>" : "</font>");
    put(css_ ? "<s class=" : "<font color=#");
    const auto digits = hexColour(color);
    put({digits.data(), digits.size()});
    tag[length++] = '>';
    line_.append(tag, length);
    if (css_)
        addStyleRule(color);
}

void HtmlWriter::addStyleRule(Rgb color) {
    const Rgb key = color & 0xFFFFFFu;
    std::uint64_t& word = ruledColors_[key >> 6];
    const std::uint64_t bit = std::uint64_t{1} << (key & 63);
    if ((word & bit) != 0)
        return;
    word |= bit;
    const auto digits = hexColour(color);
    styleRules_ += '.';
    if (digits[0] >= '0' && digits[0] <= '9') {
        // A class selector may not start with a digit: CSS escapes it as
        // "\3" followed by the digit and a blank, so .\30 000FF matches the
        // class 0000FF.
        styleRules_ += "\\3";
        styleRules_ += digits[0];
        styleRules_ += ' ';
        styleRules_.append(digits.data() + 1, digits.size() - 1);
    } else {
        styleRules_.append(digits.data(), digits.size());
    }
    styleRules_ += "{color:#";
    styleRules_.append(digits.data(), digits.size());
    styleRules_ += '}';
}

void HtmlWriter::putPixel(int /*x*/, int /*y*/, const ByteString& text, Rgb color, bool newRun) {
    if (newRun)
        openRun(color);
    appendHtmlText(line_, text);
}

void HtmlWriter::endLine(int /*y*/) {
    line_ += css_ ? "</s>" : "</font>";
    lines_.push_back(line_);
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
