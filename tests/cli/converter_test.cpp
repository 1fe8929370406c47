#include "cli/converter.h"

#include "engine/conversion_pass.h"
#include "engine/random_generator.h"
#include "engine/version.h"
#include "tests/support/picture_files.h"
#include "tests/support/recording_observer.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_clock.h"
#include "writers/output_writer_factory.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <sstream>
#include <thread>

namespace varnelo {
namespace {

using Arguments = std::vector<std::string>;
using Bytes = std::vector<std::uint8_t>;

Rgb quarters(int x, int y) {
    static constexpr Rgb kColors[2][2] = {{makeRgb(255, 0, 0), makeRgb(0, 255, 0)},
                                          {makeRgb(0, 0, 255), makeRgb(255, 255, 255)}};
    return kColors[y][x];
}

std::string textOf(const Bytes& bytes) {
    return {bytes.begin(), bytes.end()};
}

class Converter : public ::testing::Test {
protected:
    Converter() { test::writeBmpFile(picture_, 2, 2, quarters); }

    int run(const Arguments& arguments, bool terminal = false) {
        out_.str("");
        err_.str("");
        const ConsoleStreams console{out_, err_, terminal};
        const int code = convertPictures(arguments, console, cancel_);
        EXPECT_EQ(out_.str(), "") << "only --help and --version write to stdout";
        return code;
    }

    std::set<std::string> files() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
            names.insert(entry.path().filename().string());
        return names;
    }

    // What a conversion with the same seed makes when driven directly.
    Bytes expectedOutput(ConversionSettings settings, std::uint32_t seed) {
        const std::string path = other_.file("expected");
        settings.sourcePath = picture_;
        settings.outputPath = path;
        RandomGenerator random(seed);
        const test::TestClock clock;
        test::RecordingObserver observer;
        const std::atomic<bool> cancel{false};
        ConversionPass pass(settings, random, clock, observer, cancel, makeOutputWriter);
        EXPECT_EQ(pass.run().end, PassEnd::Done);
        return test::readBytes(path);
    }

    test::TempDir dir_;
    test::TempDir other_;
    std::string picture_ = dir_.file("cat.bmp");
    std::ostringstream out_;
    std::ostringstream err_;
    std::atomic<bool> cancel_{false};
};

TEST_F(Converter, MakesTheSameDocumentAsTheConversionItRuns) {
    ASSERT_EQ(run({"--seed", "1234", picture_}), kExitConverted) << err_.str();
    EXPECT_EQ(err_.str(), "");
    const Bytes written = test::readBytes(dir_.file("cat.html"));

    ConversionSettings settings;
    settings.backgroundColor = makeRgb(255, 0, 0); // the top-left pixel
    settings.imageWidth = 2;
    settings.imageHeight = 2;
    settings.colorDepth = ColorDepth::Depth24;
    EXPECT_EQ(written, expectedOutput(settings, 1234));

    const std::string text = textOf(written);
    EXPECT_TRUE(text.starts_with("<html>\r\n<head><title>ascii color picture</title>\r\n"));
    EXPECT_NE(text.find("body {background-color: #FF0000; font-size:8pt; line-height:8pt}\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("<font face=\"Tahoma\">\r\n<font color=#FF0000>"), std::string::npos);
    EXPECT_TRUE(text.ends_with("</font>\r\n</center></pre>\r\n</body></html>\r\n"));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'),
              std::count(text.begin(), text.end(), '\r'));
}

TEST_F(Converter, PassesEveryChoiceToTheConversion) {
    const std::string output = dir_.file("out.html");
    ASSERT_EQ(run({"--seed", "9",  "-f", "css-html", "-m",      "range", "--range",
                   "65:70",  "-s", "11", "--font",   "Verdana", "-b",    "123456",
                   "-W",     "4",  "-d", "8",        "-o",      output,  picture_}),
              kExitConverted)
        << err_.str();
    ConversionSettings settings;
    settings.outputFormat = OutputFormat::CssHtml;
    settings.transformation = PixelTransformation::CustomRange;
    settings.rangeFrom = 65;
    settings.rangeTo = 70;
    settings.fontSize = 11;
    settings.fontFace = "Verdana";
    settings.backgroundColor = makeRgb(0x12, 0x34, 0x56);
    settings.imageWidth = 4;
    settings.imageHeight = 4;
    settings.colorDepth = ColorDepth::Depth8;
    EXPECT_EQ(test::readBytes(output), expectedOutput(settings, 9));
}

TEST_F(Converter, WritesEachFormat) {
    ASSERT_EQ(run({"-f", "rtf", picture_}), kExitConverted);
    EXPECT_TRUE(textOf(test::readBytes(dir_.file("cat.rtf"))).starts_with("{\\rtf"));

    ASSERT_EQ(run({"-f", "png", picture_}), kExitConverted) << err_.str();
    EXPECT_TRUE(textOf(test::readBytes(dir_.file("cat.png"))).starts_with("\x89PNG\r\n\x1A\n"));

    ASSERT_EQ(run({"-o", dir_.file("drawn.JPG"), "-q", "30", picture_}), kExitConverted);
    EXPECT_TRUE(textOf(test::readBytes(dir_.file("drawn.JPG"))).starts_with("\xFF\xD8\xFF"));

    ASSERT_EQ(run({"-f", "bmp", "-m", "blocks", "--blocks", "random", picture_}), kExitConverted);
    EXPECT_TRUE(textOf(test::readBytes(dir_.file("cat1.bmp"))).starts_with("BM"));
}

TEST_F(Converter, NamesEachOutputAfterItsPicture) {
    const std::string dog = dir_.file("dog.bmp");
    test::writeBmpFile(dog, 3, 1, [](int, int) { return makeRgb(9, 9, 9); });
    ASSERT_EQ(run({"--seed", "5", picture_, dog, picture_}), kExitConverted) << err_.str();
    ASSERT_EQ(run({"-f", "rtf", picture_}), kExitConverted);
    EXPECT_EQ(files(), (std::set<std::string>{"cat.bmp", "dog.bmp", "cat.html", "dog.html",
                                              "cat1.html", "cat.rtf"}));
    EXPECT_NE(textOf(test::readBytes(dir_.file("dog.html"))).find("#090909"), std::string::npos);
    // One generator serves the whole run: the second cat goes on where the
    // dog stopped rather than starting again.
    EXPECT_NE(test::readBytes(dir_.file("cat.html")), test::readBytes(dir_.file("cat1.html")));
}

TEST_F(Converter, ConvertersStartedTogetherEachWriteTheirOwnFile) {
    constexpr int kConverters = 8;
    std::vector<std::thread> converters;
    std::atomic<int> converted{0};
    for (int i = 0; i < kConverters; ++i)
        converters.emplace_back([&, i] {
            std::ostringstream out, err;
            const ConsoleStreams console{out, err, false};
            if (convertPictures({"--seed", std::to_string(i), picture_}, console, cancel_) ==
                kExitConverted)
                ++converted;
        });
    for (std::thread& converter : converters)
        converter.join();
    EXPECT_EQ(converted, kConverters);
    std::set<Bytes> outputs;
    for (const std::string& name : files())
        if (name != "cat.bmp")
            outputs.insert(test::readBytes(dir_.file(name)));
    EXPECT_EQ(files().size(), kConverters + 1u);
    EXPECT_EQ(outputs.size(), static_cast<std::size_t>(kConverters)); // none written over
}

TEST_F(Converter, SaysWhyAPictureDoesNotLoadAndGoesOn) {
    const std::string missing = dir_.file("missing.bmp");
    const std::string broken = dir_.file("broken.png");
    const std::string cut = dir_.file("cut.png");
    const std::string jpeg = dir_.file("photo.jpeg");
    const std::string folder = dir_.file("folder.gif");
    test::writeBytes(broken, {1, 2, 3});
    const std::string whole = other_.file("whole.png");
    ASSERT_EQ(run({"-f", "png", "-o", whole, picture_}), kExitConverted);
    Bytes png = test::readBytes(whole);
    png.resize(png.size() / 2);
    test::writeBytes(cut, png);
    test::writeBytes(jpeg, {0xFF, 0xD8});
    std::filesystem::create_directory(folder);
    const std::string fifo = dir_.file("pipe.bmp"); // with no writer: opening it would wait
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_EQ(run({missing, broken, cut, jpeg, folder, fifo, picture_}), kExitNotConverted);
    EXPECT_EQ(err_.str(), missing + ": No such file or directory\n" + broken +
                              ": not a PNG file\n" + cut + ": truncated PNG data\n" + jpeg +
                              ": unsupported picture type '.jpeg' (BMP, JPG, GIF or PNG)\n" +
                              folder + ": not a regular file\n" + fifo + ": not a regular file\n");
    EXPECT_EQ(files(), (std::set<std::string>{"cat.bmp", "broken.png", "cut.png", "photo.jpeg",
                                              "folder.gif", "pipe.bmp", "cat.html"}));
}

TEST_F(Converter, TextModeNeedsAPhrase) {
    EXPECT_EQ(run({"-m", "text", "--phrase", "", picture_}), kExitNotConverted);
    EXPECT_EQ(err_.str(), picture_ + ": text mode needs a phrase (--phrase or --phrase-file)\n");
    EXPECT_EQ(files(), std::set<std::string>{"cat.bmp"});

    const std::string phrase = other_.file("phrase.txt");
    test::writeBytes(phrase, {'<', 'a', '\r', '\n', 'b', 0xE9});
    ASSERT_EQ(run({"-m", "text", "--phrase-file", phrase, picture_}), kExitConverted);
    const std::string text = textOf(test::readBytes(dir_.file("cat.html")));
    EXPECT_NE(text.find(">&lt;a</font><font color=#00FF00>b&#233;</font>"), std::string::npos);
}

TEST_F(Converter, UsageErrorsConvertNothing) {
    const Bytes before = test::readBytes(picture_);
    test::writeBytes(dir_.file("p.txt"), {'a', 'b'});
    for (const Arguments& arguments :
         {Arguments{"--bogus", picture_}, Arguments{picture_, "-W"}, Arguments{},
          Arguments{"-o", dir_.file("x.html"), picture_, picture_},
          Arguments{"-o", dir_.path().string() + "/./cat.bmp", picture_},
          Arguments{"-m", "text", "--phrase-file", dir_.file("p.txt"), "-o",
                    dir_.path().string() + "/./p.txt", picture_},
          Arguments{"-m", "text", "--phrase-file", other_.file("none.txt"), picture_}}) {
        EXPECT_EQ(run(arguments), kExitUsage);
        const std::string said = err_.str();
        EXPECT_TRUE(said.starts_with("varnelo-convert: ")) << said;
    }
    EXPECT_TRUE(err_.str().starts_with("varnelo-convert: cannot read the phrase file"));
    EXPECT_EQ(files(), (std::set<std::string>{"cat.bmp", "p.txt"}));
    EXPECT_EQ(test::readBytes(dir_.file("p.txt")), (Bytes{'a', 'b'}));
    EXPECT_EQ(test::readBytes(picture_), before);
}

TEST_F(Converter, HelpAndVersionGoToStdout) {
    const ConsoleStreams console{out_, err_, false};
    EXPECT_EQ(convertPictures({"--help"}, console, cancel_), kExitConverted);
    EXPECT_TRUE(out_.str().starts_with("Usage: varnelo-convert"));
    out_.str("");
    EXPECT_EQ(convertPictures({"--version"}, console, cancel_), kExitConverted);
    EXPECT_EQ(out_.str(), std::string("varnelo-convert ") + kVersion + "\n");
    EXPECT_EQ(err_.str(), "");
}

TEST_F(Converter, ACancelWritesNothingAndStopsTheRun) {
    cancel_ = true;
    EXPECT_EQ(run({picture_, picture_}), kExitNotConverted);
    EXPECT_EQ(err_.str(), picture_ + ": cancelled!\n");
    EXPECT_EQ(files(), std::set<std::string>{"cat.bmp"});
}

TEST_F(Converter, ZeroSizesGiveTheFixedLinesOnly) {
    ASSERT_EQ(run({"--width=0", picture_}), kExitConverted);
    const std::string text = textOf(test::readBytes(dir_.file("cat.html")));
    EXPECT_EQ(text.find("<font color"), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 10);
}

TEST_F(Converter, SaysWhatTheConversionRefusesOnOneLine) {
    EXPECT_EQ(run({"-H", "0", "-f", "png", picture_}), kExitNotConverted);
    EXPECT_EQ(err_.str(), picture_ + ": Image width or height is 0 pixel (try a larger size)\n");
    EXPECT_EQ(run({"-W", "424", "-f", "png", picture_}), kExitNotConverted);
    EXPECT_EQ(err_.str(), picture_ +
                              ": Image width or height is exceeding the limit of 5079 pixel at "
                              "12 \u00D7 11 per character (try a smaller size or font size)\n");
    const std::string output = dir_.file("no/such/folder/out.html");
    EXPECT_EQ(run({"-o", output, picture_}), kExitNotConverted);
    EXPECT_EQ(err_.str(),
              picture_ + ": failed saving \"" + output + "\": No such file or directory\n");
    EXPECT_EQ(run({"-W", "2147483647", picture_}), kExitNotConverted);
    EXPECT_EQ(err_.str(), picture_ + ": Image size of 2147483647 \u00D7 2147483647 pixel is "
                                     "exceeding the limit of 67108864 pixel or 65535 per side "
                                     "(try a smaller size)\n");
    EXPECT_EQ(files(), std::set<std::string>{"cat.bmp"});
}

TEST_F(Converter, ShowsProgressOnATerminalOnly) {
    ASSERT_EQ(run({picture_}, true), kExitConverted);
    const std::string shown = err_.str();
    EXPECT_TRUE(shown.starts_with("\rprocessing image line 0 of 2...")) << shown;
    EXPECT_NE(shown.find("\rready - done in "), std::string::npos);
    EXPECT_TRUE(shown.ends_with(" ms\n"));
}

} // namespace
} // namespace varnelo
