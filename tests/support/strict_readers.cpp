#include "tests/support/strict_readers.h"

#include "engine/codepages.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

namespace varnelo::test {

namespace {

std::string lower(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return result;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::string joined(const DocumentLines& lines) {
    std::string text;
    for (const ByteString& line : lines)
        text += line + "\r\n";
    return text;
}

class HtmlReader {
public:
    explicit HtmlReader(std::string text) : text_(std::move(text)) {}

    StrictRead read() {
        while (ok() && at_ < text_.size()) {
            const char c = text_[at_];
            if (c == '<')
                tag();
            else if (c == '&')
                appendText(reference());
            else
                textByte(c);
        }
        if (ok() && !open_.empty())
            fail("<" + open_.back() + "> is never closed");
        result_.ok = ok();
        return std::move(result_);
    }

private:
    bool ok() const { return result_.error.empty(); }

    void fail(const std::string& why) {
        if (ok())
            result_.error = "at byte " + std::to_string(at_) + ": " + why;
    }

    bool inRun() const { return runDepth_ > 0; }

    void appendText(char32_t character) {
        if (!ok() || !inRun())
            return;
        if (!lineOpen_) {
            result_.lines.emplace_back();
            lineOpen_ = true;
        }
        result_.lines.back() += character;
    }

    void textByte(char c) {
        const auto byte = static_cast<std::uint8_t>(c);
        if (byte == 0 || byte >= 0x80 || c == '>') {
            fail("raw byte " + std::to_string(byte) + " in text");
            return;
        }
        ++at_;
        if ((c == '\r' || c == '\n') && !inRun()) {
            if (c == '\n')
                lineOpen_ = false; // the next run starts the next pixel line
            return;
        }
        appendText(static_cast<char32_t>(byte));
    }

    char32_t reference() {
        const std::size_t end = text_.find(';', at_);
        if (end == std::string::npos || end - at_ > 10) {
            fail("an ampersand that starts no reference");
            return 0;
        }
        const std::string name = text_.substr(at_ + 1, end - at_ - 1);
        at_ = end + 1;
        if (name == "lt")
            return '<';
        if (name == "gt")
            return '>';
        if (name == "amp")
            return '&';
        if (name == "quot")
            return '"';
        if (name.size() >= 2 && name[0] == '#' &&
            std::all_of(name.begin() + 1, name.end(), isDigit)) {
            const unsigned long value = std::stoul(name.substr(1));
            if (value == 0 || value > 0x10FFFF) {
                fail("reference to no character: &" + name + ";");
                return 0;
            }
            return static_cast<char32_t>(value);
        }
        fail("unknown reference &" + name + ";");
        return 0;
    }

    void tag() {
        const std::size_t end = text_.find('>', at_);
        if (end == std::string::npos) {
            fail("a tag without end");
            return;
        }
        const std::string inside = text_.substr(at_ + 1, end - at_ - 1);
        const std::size_t tagStart = at_;
        at_ = end + 1;
        if (inside.starts_with('/')) {
            const std::string name = lower(inside.substr(1));
            if (open_.empty() || open_.back() != name) {
                at_ = tagStart;
                fail("</" + name + "> closes " +
                     (open_.empty() ? "nothing" : "<" + open_.back() + ">"));
                return;
            }
            open_.pop_back();
            if (name == "font" || name == "s") {
                if (runDepth_ > 0 && runOpens_.back()) {
                    --runDepth_;
                }
                runOpens_.pop_back();
            }
            return;
        }
        std::size_t nameEnd = 0;
        while (nameEnd < inside.size() && isLetter(inside[nameEnd]))
            ++nameEnd;
        const std::string name = lower(inside.substr(0, nameEnd));
        static constexpr std::array<std::string_view, 9> kElements = {
            "html", "head", "title", "style", "body", "pre", "center", "font", "s"};
        if (std::find(kElements.begin(), kElements.end(), name) == kElements.end()) {
            at_ = tagStart;
            fail("unknown element <" + inside + ">");
            return;
        }
        bool run = false;
        if (!attributes(inside.substr(nameEnd), name, run))
            return;
        open_.push_back(name);
        if (name == "font" || name == "s") {
            runOpens_.push_back(run);
            if (run)
                ++runDepth_;
        }
        if (name == "style")
            styleRules();
    }

    bool attributes(std::string_view rest, const std::string& element, bool& run) {
        std::size_t i = 0;
        while (i < rest.size()) {
            if (rest[i] != ' ') {
                fail("attributes must be separated by a blank in <" + element + ">");
                return false;
            }
            ++i;
            std::size_t nameEnd = i;
            while (nameEnd < rest.size() && isLetter(rest[nameEnd]))
                ++nameEnd;
            const std::string name = lower(rest.substr(i, nameEnd - i));
            if (name.empty() || nameEnd >= rest.size() || rest[nameEnd] != '=') {
                fail("an attribute without value in <" + element + ">");
                return false;
            }
            i = nameEnd + 1;
            std::string_view value;
            if (i < rest.size() && rest[i] == '"') {
                const std::size_t close = rest.find('"', i + 1);
                if (close == std::string_view::npos) {
                    fail("an unterminated attribute value");
                    return false;
                }
                value = rest.substr(i + 1, close - i - 1);
                i = close + 1;
                for (const char c : value) {
                    const auto byte = static_cast<std::uint8_t>(c);
                    if (c == '<' || c == '>' || byte == 0 || byte >= 0x80) {
                        fail("a raw byte " + std::to_string(byte) + " in an attribute value");
                        return false;
                    }
                }
                if (value.find('&') != std::string_view::npos) {
                    // References in values follow the rules of the text.
                    HtmlReader inner{std::string(value)};
                    inner.runDepth_ = 1;
                    if (!inner.read().ok) {
                        fail("a broken reference in an attribute value");
                        return false;
                    }
                }
            } else {
                std::size_t close = i;
                while (close < rest.size() && rest[close] != ' ')
                    ++close;
                value = rest.substr(i, close - i);
                i = close;
                for (const char c : value) {
                    if (c == '"' || c == '\'' || c == '=' || c == '<' || c == '`' || c == '&') {
                        fail("an unquoted value holding " + std::string(1, c));
                        return false;
                    }
                }
                if (value.empty()) {
                    fail("an empty unquoted value");
                    return false;
                }
            }
            if ((element == "font" && name == "color") || (element == "s" && name == "class"))
                run = true;
        }
        return true;
    }

    // The style element's content ends at its end tag; rules may hold any
    // byte but none that would end the element early.
    void styleRules() {
        const std::string rest = lower(text_.substr(at_));
        const std::size_t end = rest.find("</style");
        if (end == std::string::npos) {
            fail("the style element never ends");
            return;
        }
        const std::string_view rules = std::string_view(text_).substr(at_, end);
        if (rules.find('<') != std::string_view::npos) {
            fail("a \"<\" inside the style rules");
            return;
        }
        for (const char c : rules) {
            const auto byte = static_cast<std::uint8_t>(c);
            if (byte == 0 || byte >= 0x80) {
                fail("a raw byte " + std::to_string(byte) + " in the style rules");
                return;
            }
        }
        at_ += end;
    }

    std::string text_;
    std::size_t at_ = 0;
    std::vector<std::string> open_;
    std::vector<bool> runOpens_;
    int runDepth_ = 0;
    bool lineOpen_ = false;
    StrictRead result_;
};

class RtfReader {
public:
    explicit RtfReader(std::string text) : text_(std::move(text)) {}

    StrictRead read() {
        if (!text_.starts_with("{\\rtf"))
            fail("no {\\rtf at the start");
        while (ok() && at_ < text_.size()) {
            const char c = text_[at_];
            if (c == '{') {
                ++at_;
                groups_.push_back(groups_.empty() ? false : groups_.back());
            } else if (c == '}') {
                if (groups_.empty()) {
                    fail("a } closes no group");
                    break;
                }
                ++at_;
                groups_.pop_back();
                if (groups_.empty() && at_ != text_.size() && text_.substr(at_) != "\r\n")
                    fail("text after the document's last }");
            } else if (c == '\\') {
                control();
            } else if (c == '\r' || c == '\n') {
                ++at_;
            } else {
                const auto byte = static_cast<std::uint8_t>(c);
                ++at_;
                if (byte == 0)
                    fail("a zero byte");
                else
                    text(windows1252ToUnicode(byte));
            }
        }
        if (ok() && !groups_.empty())
            fail(std::to_string(groups_.size()) + " group(s) never closed");
        result_.ok = ok();
        return std::move(result_);
    }

private:
    bool ok() const { return result_.error.empty(); }

    void fail(const std::string& why) {
        if (ok())
            result_.error = "at byte " + std::to_string(at_) + ": " + why;
    }

    bool skipping() const { return groups_.empty() || groups_.back(); }

    void text(char32_t character) {
        if (skipFallback_ > 0) {
            --skipFallback_;
            return;
        }
        if (skipping())
            return;
        if (!paragraphOpen_) {
            result_.lines.emplace_back();
            paragraphOpen_ = true;
        }
        result_.lines.back() += character;
    }

    void control() {
        ++at_;
        if (at_ >= text_.size()) {
            fail("a backslash at the end");
            return;
        }
        const char c = text_[at_];
        if (c == '\\' || c == '{' || c == '}') {
            ++at_;
            text(static_cast<char32_t>(c));
            return;
        }
        if (c == '\'') {
            const std::string digits = text_.substr(at_ + 1, 2);
            if (digits.size() != 2 || !std::all_of(digits.begin(), digits.end(), [](char d) {
                    return isDigit(d) || (d >= 'a' && d <= 'f') || (d >= 'A' && d <= 'F');
                })) {
                fail("\\' without two hexadecimal digits");
                return;
            }
            at_ += 3;
            text(windows1252ToUnicode(static_cast<std::uint8_t>(std::stoul(digits, nullptr, 16))));
            return;
        }
        std::size_t end = at_;
        while (end < text_.size() && isLetter(text_[end]))
            ++end;
        const std::string word = text_.substr(at_, end - at_);
        if (word.empty()) {
            fail("an unknown control symbol \\" + std::string(1, c));
            return;
        }
        std::size_t numberEnd = end;
        if (numberEnd < text_.size() && text_[numberEnd] == '-')
            ++numberEnd;
        while (numberEnd < text_.size() && isDigit(text_[numberEnd]))
            ++numberEnd;
        const std::string number = text_.substr(end, numberEnd - end);
        at_ = numberEnd;
        if (at_ < text_.size() && text_[at_] == ' ')
            ++at_; // the blank that ends a control word is part of it
        static constexpr std::array<std::string_view, 28> kWords = {
            "rtf",      "ansi",  "deff",    "fonttbl", "f",      "fnil",   "fcharset",
            "colortbl", "red",   "green",   "blue",    "paperw", "paperh", "margl",
            "margr",    "margt", "margb",   "qc",      "sl",     "expnd",  "fs",
            "cbpat",    "cf",    "chshdng", "chcbpat", "par",    "u",      "uc"};
        if (std::find(kWords.begin(), kWords.end(), word) == kWords.end()) {
            fail("an unknown control word \\" + word);
            return;
        }
        if (word == "fonttbl" || word == "colortbl") {
            if (!groups_.empty())
                groups_.back() = true;
        } else if (word == "par") {
            if (!skipping())
                paragraphOpen_ = false;
        } else if (word == "u") {
            if (number.empty() || number == "-") {
                fail("\\u without a number");
                return;
            }
            long value = std::stol(number);
            if (value < -32768 || value > 32767) {
                fail("\\u" + number + " outside 16 bits");
                return;
            }
            if (value < 0)
                value += 65536;
            text(static_cast<char32_t>(value));
            skipFallback_ = 1;
        }
    }

    std::string text_;
    std::size_t at_ = 0;
    std::vector<bool> groups_; // per open group: whether its text is not body text
    bool paragraphOpen_ = false;
    int skipFallback_ = 0;
    StrictRead result_;
};

} // namespace

StrictRead readHtmlStrictly(const DocumentLines& lines) {
    return HtmlReader(joined(lines)).read();
}

StrictRead readRtfStrictly(const DocumentLines& lines) {
    return RtfReader(joined(lines)).read();
}

} // namespace varnelo::test
