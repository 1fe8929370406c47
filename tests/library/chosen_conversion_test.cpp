#include "library/chosen_conversion.h"

#include "engine/char_source.h"
#include "engine/character_modes.h"
#include "engine/output_formats.h"
#include "engine/random_generator.h"
#include "reading/picture_loader.h"
#include "tests/support/jpeg_samples.h"
#include "tests/support/recording_observer.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_clock.h"
#include "tests/support/whole_conversion.h"
#include "writers/atomic_file.h"
#include "writers/glyph_shapes.h"
#include "writers/output_writer_factory.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace varnelo {
namespace {

// A JPEG large enough to be decoded at a reduction: shaded, with edges and
// grain, so that the modes that weigh detail have some to weigh.
std::string writeGrainyJpeg(const test::TempDir& folder) {
    const int width = 1280;
    const int height = 960;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 3);
    std::uint32_t grain = 12345;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            grain = grain * 1103515245u + 12345u;
            const int noise = static_cast<int>((grain >> 16) % 48);
            const bool disc = std::hypot(x - 640.0, y - 480.0) < 300.0;
            std::uint8_t* pixel = &pixels[static_cast<std::size_t>((y * width + x) * 3)];
            pixel[0] = static_cast<std::uint8_t>(disc ? 200 + noise / 2 : x * 180 / width + noise);
            pixel[1] = static_cast<std::uint8_t>(disc ? 60 + noise : y * 200 / height);
            pixel[2] = static_cast<std::uint8_t>((x ^ y) & 0x40 ? 150 : 40 + noise);
        }
    }
    const std::vector<std::uint8_t> file = test::encodeJpeg(width, height, 3, pixels);
    const std::string path = folder.file("grain.jpg");
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()),
               static_cast<std::streamsize>(file.size()));
    return path;
}

PassResult converted(const ConversionSettings& settings, const WorkBitmap* loaded) {
    RandomGenerator random(7);
    const test::TestClock clock;
    test::RecordingObserver observer;
    const std::atomic<bool> cancel{false};
    return convertChosen(
        settings, {random, clock, observer, cancel, makeOutputWriter, openAtomicOutput}, loaded);
}

// What a program that chooses every setting (the window) converts, from its
// file or from the picture it holds, is what the pass alone makes of those
// settings: no default of the converter's replaces a choice, for every mode
// in a document, terminal text and an image.
TEST(ChosenConversion, EveryModeGivesWhatThePassAloneMakesOfTheChosenSettings) {
    const test::TempDir folder;
    const std::string picturePath = writeGrainyJpeg(folder);
    WorkBitmap picture;
    ASSERT_EQ(loadPicture(picturePath, picture).status, LoadStatus::Loaded);
    for (const CharacterMode& mode : characterModes()) {
        for (const char* format : {"css-html", "ansi", "png"}) {
            SCOPED_TRACE(std::string(mode.name) + " " + format);
            ConversionSettings settings;
            settings.transformation = mode.transformation;
            settings.customPhrase = "ASCII picture";
            // As the window gives it: the face the mode draws in.
            settings.fontFace = conversionFace(mode.transformation, "DejaVu Sans Mono");
            settings.outputFormat = outputFormatNamed(format)->outputFormat;
            settings.imageFormat = outputFormatNamed(format)->imageFormat;
            settings.sourcePath = picturePath;
            settings.imageWidth = 96;
            settings.imageHeight = 40;
            settings.backgroundColor = makeRgb(250, 250, 240);
            settings.fillCells = true;
            settings.colorDepth = ColorDepth::Depth16;
            settings.terminalColors = TerminalColors::Palette256;
            if (!takesPhrase(settings.transformation))
                settings.customPhrase.clear();

            ConversionSettings alone = settings;
            alone.outputPath = folder.file("alone");
            ASSERT_EQ(test::runConversion(alone, 7, makeOutputWriter, glyphShapesOf),
                      PassEnd::Done);
            ConversionSettings chosen = settings;
            chosen.outputPath = folder.file("chosen");
            ASSERT_EQ(converted(chosen, nullptr).end, PassEnd::Done);
            EXPECT_EQ(test::readBytes(chosen.outputPath), test::readBytes(alone.outputPath));

            // The picture held at its own size, as the window's preview converts it.
            RandomGenerator random(7);
            const test::TestClock clock;
            test::RecordingObserver observer;
            const std::atomic<bool> cancel{false};
            ConversionPass pass(alone, random, clock, observer, cancel, makeOutputWriter,
                                openAtomicOutput);
            pass.setGlyphShaper(glyphShapesOf);
            ASSERT_EQ(pass.run(picture).end, PassEnd::Done);
            ASSERT_EQ(converted(chosen, &picture).end, PassEnd::Done);
            EXPECT_EQ(test::readBytes(chosen.outputPath), test::readBytes(alone.outputPath));
        }
    }
}

} // namespace
} // namespace varnelo
