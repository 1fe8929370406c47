#include "library/command_line.h"

#include "engine/character_modes.h"

#include <gtest/gtest.h>

namespace varnelo {
namespace {

using Arguments = std::vector<std::string>;

CommandLine parsed(const Arguments& arguments) {
    const ParsedCommandLine result = parseCommandLine(arguments);
    EXPECT_EQ(result.action, CommandAction::Convert) << result.error;
    return result.options;
}

std::string usageError(const Arguments& arguments) {
    const ParsedCommandLine result = parseCommandLine(arguments);
    EXPECT_EQ(result.action, CommandAction::UsageError) << arguments.front();
    return result.error;
}

TEST(CommandLine, DefaultsLeavePictureDependentChoicesOpen) {
    const CommandLine options = parsed({"cat.bmp"});
    EXPECT_EQ(options.choices.outputFormat, OutputFormat::PlainHtml);
    EXPECT_EQ(options.choices.transformation, PixelTransformation::RandomBinary);
    EXPECT_EQ(options.choices.blockStrength, 0);
    EXPECT_EQ(options.choices.rangeFrom, 123);
    EXPECT_EQ(options.choices.rangeTo, 255);
    EXPECT_EQ(options.choices.fontSize, 8);
    EXPECT_EQ(options.choices.fontFace, "Tahoma");
    EXPECT_TRUE(options.choices.customPhrase.empty());
    EXPECT_FALSE(options.outputPath || options.backgroundColor || options.width || options.height ||
                 options.colorDepth || options.seed || options.phraseFile);
}

TEST(CommandLine, TakesValuesInEveryForm) {
    for (const Arguments& arguments :
         {Arguments{"-o", "out.rtf", "cat.bmp"}, Arguments{"--output", "out.rtf", "cat.bmp"},
          Arguments{"--output=out.rtf", "cat.bmp"}, Arguments{"-oout.rtf", "cat.bmp"},
          Arguments{"cat.bmp", "-o", "out.rtf"}}) {
        const CommandLine options = parsed(arguments);
        EXPECT_EQ(options.outputPath, "out.rtf");
        EXPECT_EQ(options.pictures, Arguments{"cat.bmp"});
    }
    // A value is taken as it stands, even when it looks like an option.
    EXPECT_EQ(parsed({"-o", "-x.html", "cat.bmp"}).outputPath, "-x.html");
    EXPECT_EQ(parsed({"--phrase=a=b", "cat.bmp"}).choices.customPhrase, "a=b");
    EXPECT_EQ(parsed({"--", "-o", "--help", "-"}).pictures, (Arguments{"-o", "--help", "-"}));
    EXPECT_EQ(parsed({"-s", "3", "-s", "9", "a.bmp"}).choices.fontSize, 9);
}

TEST(CommandLine, ReadsOptionsAsGetoptLongDoes) {
    const CommandLine bundled = parsed({"-qf", "text", "-W10", "a.bmp"});
    EXPECT_TRUE(bundled.quiet);
    EXPECT_EQ(bundled.choices.outputFormat, OutputFormat::PlainText);
    EXPECT_EQ(bundled.width, 10);
    EXPECT_EQ(parsed({"-qW", "12", "a.bmp"}).width, 12);
    // An unambiguous prefix stands for its option, with its value in either form.
    const CommandLine prefixed = parsed({"--wid=5", "--hei", "6", "--no-auto", "a.bmp"});
    EXPECT_EQ(prefixed.width, 5);
    EXPECT_EQ(prefixed.height, 6);
    EXPECT_FALSE(prefixed.autoOrient);
    // A whole name wins over the longer names it begins.
    EXPECT_EQ(parsed({"--phrase", "hi", "-m", "text", "a.bmp"}).choices.customPhrase, "hi");
    EXPECT_EQ(usageError({"--ph", "x", "a.bmp"}),
              "option '--ph' is ambiguous (--phrase, --phrase-file)");
    // Pictures keep their order among the options.
    EXPECT_EQ(parsed({"b.png", "-q", "a.png", "-", "--", "-c.png"}).pictures,
              (Arguments{"b.png", "a.png", "-", "-c.png"}));
    // Messages name the option in the form it was typed.
    EXPECT_EQ(usageError({"--wid=x", "a.bmp"}), "invalid number 'x' for --width");
    EXPECT_EQ(usageError({"-Wx", "a.bmp"}), "invalid number 'x' for -W");
    EXPECT_EQ(usageError({"-qx", "a.bmp"}), "unknown option '-x'");
    EXPECT_EQ(usageError({"a.bmp", "--out"}), "option '--output' needs a value");
    EXPECT_EQ(usageError({"--qui=1", "a.bmp"}), "option '--quiet' takes no value");
}

TEST(CommandLine, ReadsEveryOption) {
    const CommandLine options =
        parsed({"-f",      "css-html", "-m",      "blocks",     "--blocks", "random", "--range",
                "200:100", "-b",       "#1a2B3c", "-W",         "0007",     "-H",     "1",
                "-d",      "15",       "--seed",  "4294967295", "a.bmp",    "b.gif"});
    EXPECT_EQ(options.choices.outputFormat, OutputFormat::CssHtml);
    EXPECT_EQ(options.choices.transformation, PixelTransformation::TerminalBlocks);
    EXPECT_EQ(options.choices.blockStrength, kRandomBlockStrength);
    EXPECT_EQ(options.choices.rangeFrom, 200); // a reversed range is the user's to choose
    EXPECT_EQ(options.choices.rangeTo, 100);
    EXPECT_EQ(options.backgroundColor, makeRgb(0x1A, 0x2B, 0x3C));
    EXPECT_EQ(options.width, 7);
    EXPECT_EQ(options.height, 1);
    EXPECT_EQ(options.colorDepth, ColorDepth::Depth15);
    EXPECT_EQ(options.seed, 4294967295u);
    EXPECT_EQ(options.pictures, (Arguments{"a.bmp", "b.gif"}));
    EXPECT_EQ(parsed({"--blocks", "4", "a.bmp"}).choices.blockStrength, 3);
    EXPECT_EQ(parsed({"--symbols", "ascii-digits+solid", "a.bmp"}).choices.symbols,
              "ascii-digits+solid");
    // Windows-1252 has é and €, not ☺.
    EXPECT_EQ(
        parsed({"--phrase", "\xC3\xA9\xE2\x82\xAC\xE2\x98\xBA", "a.bmp"}).choices.customPhrase,
        "\xE9\x80?");
}

TEST(CommandLine, TakesTheFormatFromTheOutputName) {
    const std::tuple<const char*, OutputFormat, ImageFormat> cases[] = {
        {"out.HTM", OutputFormat::PlainHtml, ImageFormat::Bmp},
        {"out.Rtf", OutputFormat::Rtf, ImageFormat::Bmp},
        {"out.JPG", OutputFormat::Image, ImageFormat::Jpg},
        {"out.png", OutputFormat::Image, ImageFormat::Png},
        {"out.txt", OutputFormat::PlainText, ImageFormat::Bmp},
        {"out.Jpeg", OutputFormat::Image, ImageFormat::Jpg},
        {"out.jpe", OutputFormat::Image, ImageFormat::Jpg},
        {"my.rtf/out", OutputFormat::PlainHtml, ImageFormat::Bmp},
    };
    for (const auto& [output, format, image] : cases) {
        const CommandLine options = parsed({"-o", output, "a.bmp"});
        EXPECT_EQ(options.choices.outputFormat, format) << output;
        EXPECT_EQ(options.choices.imageFormat, image) << output;
    }
    // A type no format writes is not made a document under its name.
    for (const char* output : {"out.webp", "out.gif", "out.tiff", "out.foo"}) {
        const ParsedCommandLine refused = parseCommandLine({"-o", output, "a.bmp"});
        EXPECT_EQ(refused.action, CommandAction::UsageError) << output;
        EXPECT_NE(refused.error.find("plain-html, css-html"), std::string::npos) << refused.error;
    }
    EXPECT_EQ(parsed({"-o", "out.webp", "-f", "png", "a.bmp"}).choices.imageFormat,
              ImageFormat::Png);
    EXPECT_EQ(parsed({"-o", "out.png", "-f", "rtf", "a.bmp"}).choices.outputFormat,
              OutputFormat::Rtf);
}

TEST(CommandLine, QualityDefaultsAndBoundsFollowTheImageFormat) {
    EXPECT_EQ(parsed({"-f", "jpg", "a.bmp"}).choices.imageQuality, 80);
    EXPECT_EQ(parsed({"-f", "png", "a.bmp"}).choices.imageQuality, 8);
    EXPECT_EQ(parsed({"-f", "jpg", "-Q", "100", "a.bmp"}).choices.imageQuality, 100);
    EXPECT_EQ(parsed({"-o", "x.png", "--quality", "1", "a.bmp"}).choices.imageQuality, 1);
    usageError({"-f", "jpg", "-Q", "0", "a.bmp"});
    usageError({"-f", "jpg", "-Q", "101", "a.bmp"});
    usageError({"-f", "png", "-Q", "0", "a.bmp"});
    usageError({"-f", "png", "-Q", "11", "a.bmp"});
    // Other formats have no quality to bound, but a number is still a number.
    parsed({"-f", "bmp", "-Q", "500", "a.bmp"});
    usageError({"-Q", "high", "a.bmp"});
}

TEST(CommandLine, RefusesValuesOutOfBounds) {
    for (const char* range : {"0:255", "1:256", "12", "1:", "1:2:3", "-1:5"})
        usageError({"--range", range, "a.bmp"});
    // As in the window: a start above the end, or above 255, is kept.
    EXPECT_EQ(parsed({"--range", "300:255", "a.bmp"}).choices.rangeFrom, 300);
    for (const char* size : {"-W", "-H"})
        EXPECT_EQ(usageError({size, "0", "a.bmp"}),
                  std::string(size) + " 0 is too small (at least 1)");
    // RTF writes 20 times the font size as a 16-bit number.
    EXPECT_EQ(parsed({"-s", "1638", "a.bmp"}).choices.fontSize, 1638);
    EXPECT_EQ(usageError({"-s", "2147483647", "a.bmp"}),
              "-s 2147483647 is too large (at most 1638)");
    EXPECT_EQ(usageError({"-m", "text", "a.bmp"}),
              "text mode needs a phrase (--phrase or --phrase-file)");
    EXPECT_EQ(usageError({"-m", "text", "--phrase=", "a.bmp"}),
              "text mode needs a phrase (--phrase or --phrase-file)");
    for (const char* colors : {"", "24bit", "8"})
        usageError({"--colors", colors, "a.bmp"});
    // --fit needs both sides, and takes the place of the others.
    for (const char* fit : {"80", "80x", "x24", "0x24", "80x0"})
        usageError({"--fit", fit, "a.bmp"});
    for (const Arguments& both : {Arguments{"--fit", "80x24", "-W", "3", "a.bmp"},
                                  Arguments{"--size", "80x24", "--fit", "80x24", "a.bmp"},
                                  Arguments{"--fit", "80x24", "--size", "8", "a.bmp"}})
        EXPECT_EQ(usageError(both), "--fit takes the place of --size, -W and -H: give one of them");
    EXPECT_EQ(parsed({"-H", "2147483647", "a.bmp"}).height, 2147483647);
    for (const char* number :
         {"", "-5", "+5", " 5", "5px", "1e3", "0x10", "2147483648", "99999999999999999999999"})
        usageError({"-W", number, "a.bmp"});
    usageError({"-s", "0", "a.bmp"});
    usageError({"--seed", "4294967296", "a.bmp"});
    for (const char* colour : {"", "FFF", "FF00001", "GG0000", "#"})
        usageError({"-b", colour, "a.bmp"});
    // The face goes unescaped into documents.
    for (const char* face : {"", "A\"B", "<b>", "a&b", "{x", "a\\b", "a;b", "\xC3\xA9"})
        usageError({"--font", face, "a.bmp"});
    for (const char* choice : {"-f", "-m", "--blocks", "-d"})
        usageError({choice, "5", "a.bmp"});
}

TEST(CommandLine, ReadsTheTerminalOptions) {
    const CommandLine plain = parsed({"a.bmp"});
    EXPECT_FALSE(plain.quiet);
    EXPECT_FALSE(plain.colors);
    EXPECT_TRUE(plain.aspectCorrection);
    const CommandLine options =
        parsed({"-q", "-f", "ansi", "--colors", "16", "--no-aspect-correction", "a.bmp"});
    EXPECT_TRUE(options.quiet);
    EXPECT_EQ(options.colors, TerminalColors::Palette16);
    EXPECT_FALSE(options.aspectCorrection);
    EXPECT_EQ(options.choices.outputFormat, OutputFormat::AnsiText);
    EXPECT_EQ(parsed({"--quiet", "--colors=none", "a.bmp"}).colors, TerminalColors::None);
    EXPECT_EQ(parsed({"-f", "text", "-"}).pictures, Arguments{"-"});
    EXPECT_EQ(parsed({"-o", "-", "a.bmp"}).outputPath, "-");
    usageError({"--quiet=yes", "a.bmp"});
    EXPECT_TRUE(plain.autoOrient);
    EXPECT_FALSE(parsed({"--no-auto-orient", "a.bmp"}).autoOrient);
    usageError({"--no-auto-orient=1", "a.bmp"});
}

TEST(CommandLine, HelpAndVersionWinOverWhatFollows) {
    EXPECT_EQ(parseCommandLine({"a.bmp", "--help", "--bogus"}).action, CommandAction::ShowHelp);
    EXPECT_EQ(parseCommandLine({"--version"}).action, CommandAction::ShowVersion);
    EXPECT_EQ(parseCommandLine({"--bogus", "--help"}).action, CommandAction::UsageError);
}

TEST(CommandLine, HelpFitsEightyColumnsAndSaysWhatSizesCount) {
    const std::string help = usageText();
    std::size_t start = 0;
    for (std::size_t end = help.find('\n'); end != std::string::npos;
         start = end + 1, end = help.find('\n', start))
        EXPECT_LE(end - start, 79u) << help.substr(start, end - start);
    EXPECT_NE(help.find("-W, --width N          the width in pixels"), std::string::npos);
    EXPECT_NE(help.find("at most 120 pixels"), std::string::npos);
    // Every character mode, by its name, in the help and as --mode's value.
    for (const CharacterMode& mode : characterModes()) {
        EXPECT_NE(help.find(std::string(mode.name)), std::string::npos) << mode.name;
        EXPECT_EQ(
            parsed({"-m", std::string(mode.name), "--phrase", "x", "a.bmp"}).choices.transformation,
            mode.transformation);
    }
}

TEST(CommandLine, ReportsEachUsageError) {
    EXPECT_EQ(usageError({"-s", "8"}), "no picture given");
    EXPECT_EQ(usageError({"--bogus", "a.bmp"}), "unknown option '--bogus'");
    EXPECT_EQ(usageError({"-x", "a.bmp"}), "unknown option '-x'");
    EXPECT_EQ(usageError({"a.bmp", "-o"}), "option '-o' needs a value");
    EXPECT_EQ(usageError({"--help=yes", "a.bmp"}), "option '--help' takes no value");
    EXPECT_NE(usageError({"-o", "x.html", "a.bmp", "b.bmp"}).find("exactly one picture"),
              std::string::npos);
    usageError({"-o", "", "a.bmp"});
    usageError({"--phrase", "a", "--phrase-file", "p.txt", "a.bmp"});
    EXPECT_TRUE(usageError({"--symbols", "blocks+dots", "a.bmp"})
                    .starts_with("invalid value 'dots' for --symbols (choose from "));
    EXPECT_EQ(usageError({"--symbols", "digits-digits", "a.bmp"}),
              "--symbols digits-digits leaves no symbol");
}

} // namespace
} // namespace varnelo
