// Fills the lists of the packaging files from the program's own tables, so
// that the desktop entry, the metainfo, the manual pages and the shell
// completions name every picture type, output format and mode the program
// has, and no other:
//   varnelo_listed_tables TEMPLATE OUTPUT
// Each {{name}} of the template is replaced; a line that is a placeholder
// alone, after its indent, becomes one line an item, each with that indent.
#include "engine/character_modes.h"
#include "engine/codepages.h"
#include "engine/output_formats.h"
#include "engine/symbol_sets.h"
#include "library/command_line.h"
#include "reading/picture_loader.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

using varnelo::characterModes;
using varnelo::outputFormats;
using varnelo::pictureTypes;

std::string joined(const std::vector<std::string>& items, const std::string& between) {
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i)
        text += (i > 0 ? between : "") + items[i];
    return text;
}

std::vector<std::string> extensions(bool bothCases) {
    std::vector<std::string> names;
    for (const auto& type : pictureTypes()) {
        for (const std::string_view extension : type.extensions)
            names.emplace_back(extension.substr(1));
    }
    if (bothCases) {
        const std::size_t lower = names.size();
        for (std::size_t i = 0; i < lower; ++i) {
            std::string upper = names[i];
            for (char& c : upper)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            names.push_back(upper);
        }
    }
    return names;
}

// Text as roff prints it: minus signs escaped, options in bold.
std::string roff(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.substr(i).starts_with("--")) {
            std::size_t end = i + 2;
            while (end < text.size() &&
                   (std::isalnum(static_cast<unsigned char>(text[end])) != 0 || text[end] == '-'))
                ++end;
            out += "\\fB\\-\\-" + roff(text.substr(i + 2, end - i - 2)) + "\\fR";
            i = end - 1;
        } else if (static_cast<unsigned char>(text[i]) >= 0x80) {
            // Beyond ASCII (UTF-8): roff's escape of the character.
            std::size_t at = i;
            const char32_t character = varnelo::nextUtf8(text, at);
            char escape[16];
            std::snprintf(escape, sizeof escape, "\\[u%04X]", static_cast<unsigned>(character));
            out += escape;
            i = at - 1;
        } else {
            out += text[i] == '-' ? "\\-" : std::string(1, text[i]);
        }
    }
    return out;
}

std::string bold(std::string_view text) {
    return "\\fB" + roff(text) + "\\fR";
}

// "a, b or c"
std::string orList(const std::vector<std::string>& items) {
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i)
        text += (i == 0 ? "" : i + 1 == items.size() ? " or " : ", ") + items[i];
    return text;
}

std::vector<std::string> mediaTypes() {
    std::vector<std::string> types;
    for (const auto& type : pictureTypes())
        types.insert(types.end(), type.mediaTypes.begin(), type.mediaTypes.end());
    return types;
}

// What each placeholder stands for.
std::map<std::string, std::function<std::string()>> inlineLists() {
    return {
        {"picture-types", [] { return varnelo::pictureTypeNames(); }},
        {"picture-media-types", [] { return joined(mediaTypes(), ";") + ";"; }},
        {"picture-extensions", [] { return joined(extensions(false), "|"); }},
        {"picture-extensions-both-cases", [] { return joined(extensions(true), "|"); }},
        {"output-formats",
         [] {
             std::vector<std::string> names;
             for (const auto& format : outputFormats())
                 names.emplace_back(format.name);
             return joined(names, " ");
         }},
        {"output-formats-roff",
         [] {
             std::vector<std::string> names;
             for (const auto& format : outputFormats())
                 names.push_back(bold(format.name));
             return orList(names);
         }},
        {"output-extensions-roff",
         [] {
             std::vector<std::string> extensions;
             for (const auto& format : outputFormats()) {
                 std::vector<std::string_view> own{format.extension};
                 own.insert(own.end(), format.otherExtensions.begin(),
                            format.otherExtensions.end());
                 for (const std::string_view extension : own) {
                     const std::string named = bold(extension);
                     if (std::find(extensions.begin(), extensions.end(), named) == extensions.end())
                         extensions.push_back(named);
                 }
             }
             return joined(extensions, ", ");
         }},
        {"symbol-classes",
         [] {
             std::vector<std::string> names;
             for (const auto& symbolClass : varnelo::symbolClasses())
                 names.emplace_back(symbolClass.name);
             return joined(names, " ");
         }},
        {"default-symbols",
         [] { return std::string(varnelo::defaultSymbolSet(varnelo::OutputFormat::AnsiText)); }},
        {"default-image-symbols",
         [] { return std::string(varnelo::defaultSymbolSet(varnelo::OutputFormat::Image)); }},
        {"modes",
         [] {
             std::vector<std::string> names;
             for (const auto& mode : characterModes())
                 names.emplace_back(mode.name);
             return joined(names, " ");
         }},
    };
}

// Placeholders that stand alone on their line, one line an item.
std::map<std::string, std::function<std::vector<std::string>()>> lineLists() {
    return {
        // One line a mode, "\fBbinary\fR (random 0 and 1, the default),".
        {"modes-roff",
         [] {
             const varnelo::ConversionSettings defaults;
             std::vector<std::string> lines;
             const auto modes = characterModes();
             for (std::size_t i = 0; i < modes.size(); ++i) {
                 const bool isDefault = modes[i].transformation == defaults.transformation;
                 lines.push_back(std::string(i + 1 == modes.size() ? "or " : "") +
                                 bold(modes[i].name) + " (" + roff(modes[i].summary) +
                                 (isDefault ? ", the default" : "") + ")" +
                                 (i + 1 == modes.size()   ? "."
                                  : i + 2 == modes.size() ? ""
                                                          : ","));
             }
             return lines;
         }},
        // One line a class of symbols, "\fBbraille\fR, the braille patterns,".
        {"symbol-classes-roff",
         [] {
             std::vector<std::string> lines;
             const auto classes = varnelo::symbolClasses();
             for (std::size_t i = 0; i < classes.size(); ++i)
                 lines.push_back(std::string(i + 1 == classes.size() ? "or " : "") +
                                 bold(classes[i].name) + " (" + roff(classes[i].summary) + ")" +
                                 (i + 1 == classes.size()   ? "."
                                  : i + 2 == classes.size() ? ""
                                                            : ","));
             return lines;
         }},
        {"picture-media-type-elements",
         [] {
             std::vector<std::string> lines;
             for (const std::string& type : mediaTypes())
                 lines.push_back("<mediatype>" + type + "</mediatype>");
             return lines;
         }},
    };
}

bool fill(std::string& line, std::string& error) {
    const std::size_t indent = line.find_first_not_of(' ');
    if (indent != std::string::npos && line.starts_with(std::string(indent, ' ') + "{{") &&
        line.ends_with("}}")) {
        const std::string name = line.substr(indent + 2, line.size() - indent - 4);
        const auto lists = lineLists();
        if (const auto found = lists.find(name); found != lists.end()) {
            std::string lines;
            for (const std::string& item : found->second()) {
                if (!lines.empty())
                    lines += '\n';
                lines.append(indent, ' ');
                lines += item;
            }
            line = lines;
            return true;
        }
    }
    const auto lists = inlineLists();
    for (std::size_t open = line.find("{{"); open != std::string::npos;
         open = line.find("{{", open)) {
        const std::size_t close = line.find("}}", open);
        if (close == std::string::npos)
            break;
        const std::string name = line.substr(open + 2, close - open - 2);
        const auto found = lists.find(name);
        if (found == lists.end()) {
            error = "unknown list {{" + name + "}}";
            return false;
        }
        const std::string text = found->second();
        line.replace(open, close + 2 - open, text);
        open += text.size();
    }
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: varnelo_listed_tables TEMPLATE OUTPUT\n");
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::fprintf(stderr, "varnelo_listed_tables: cannot read %s\n", argv[1]);
        return 1;
    }
    std::ostringstream filled;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        std::string error;
        if (!fill(line, error)) {
            std::fprintf(stderr, "%s:%d: %s\n", argv[1], number, error.c_str());
            return 1;
        }
        filled << line << '\n';
    }
    std::ofstream out(argv[2], std::ios::binary);
    out << filled.str();
    if (!out.flush()) {
        std::fprintf(stderr, "varnelo_listed_tables: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
