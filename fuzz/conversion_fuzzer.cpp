// Runs a whole conversion with settings and a small picture drawn from the
// input, into every output format, and reads what it wrote back: documents
// through readers that refuse any markup out of place, images through the
// decoders. A conversion that crashes, writes a broken document or reports
// success without a readable file is caught.
#include "base/work_bitmap.h"
#include "engine/character_modes.h"
#include "engine/codepages.h"
#include "engine/conversion_pass.h"
#include "engine/output_formats.h"
#include "engine/random_generator.h"
#include "reading/picture_loader.h"
#include "tests/support/recording_observer.h"
#include "tests/support/strict_readers.h"
#include "tests/support/test_clock.h"
#include "writers/atomic_file.h"
#include "writers/glyph_shapes.h"
#include "writers/output_writer_factory.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include <unistd.h>

namespace {

using namespace varnelo;

// Hands out the input's bytes in order, zeros once they run out.
class InputBytes {
public:
    InputBytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t next() { return at_ < size_ ? data_[at_++] : 0; }
    std::uint32_t word() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value = (value << 8) | next();
        return value;
    }
    ByteString text(std::size_t length) {
        ByteString bytes;
        for (std::size_t i = 0; i < length; ++i)
            bytes += static_cast<char>(next());
        return bytes;
    }
    bool empty() const { return at_ >= size_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

std::filesystem::path outputFolder;

ConversionSettings settingsFrom(InputBytes& input) {
    ConversionSettings settings;
    const OutputFormatEntry& format = outputFormats()[input.next() % outputFormats().size()];
    settings.outputFormat = format.outputFormat;
    settings.imageFormat = format.imageFormat;
    settings.imageQuality = static_cast<std::int8_t>(input.next()); // out of range too
    settings.transformation =
        characterModes()[input.next() % characterModes().size()].transformation;
    settings.blockStrength = input.next() % 6; // 5 selects no strength
    settings.rangeFrom = input.next();
    settings.rangeTo = input.next();
    settings.fontSize = 1 + input.next() % 24;
    // Any bytes name the face, drawn or written; a few names fontconfig knows
    // keep most runs on real faces.
    static constexpr const char* kFaces[] = {"Tahoma",           kTerminalFace,   "C059 [urw]",
                                             "DejaVu Sans Mono", "MS Sans Serif", "No Such Face"};
    const std::uint8_t face = input.next();
    if (face >= 128)
        settings.fontFace = input.text(input.next() % 12);
    else
        settings.fontFace = kFaces[face % std::size(kFaces)];
    settings.customPhrase = input.text(input.next() % 16);
    settings.backgroundColor = input.word() & 0xFFFFFFu;
    settings.imageWidth = input.next() % 25;
    settings.imageHeight = input.next() % 25;
    settings.colorDepth = static_cast<ColorDepth>(input.next() % 7);
    settings.terminalColors = static_cast<TerminalColors>(input.next() % 4);
    settings.fillCells = (input.next() & 1) != 0;
    settings.ramp = input.text(input.next() % 12); // empty too
    settings.glyphs = input.text(input.next() % 8);
    settings.outputPath = (outputFolder / ("out" + std::string(format.extension))).string();
    return settings;
}

WorkBitmap pictureFrom(InputBytes& input) {
    const int width = 1 + input.next() % 16;
    const int height = 1 + input.next() % 16;
    WorkBitmap picture;
    if (!picture.allocate(width, height, PixelDepth::Bits24))
        std::abort();
    for (int y = 0; y < height; ++y)
        for (std::size_t i = 0; i < static_cast<std::size_t>(width) * 3; ++i)
            picture.row(y)[i] = input.next();
    return picture;
}

// Text for a terminal holds no control byte but the line feeds and the
// escape of its own colour sequences, and no C1 control.
void checkTerminalText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<std::uint8_t>(text[i]);
        if (byte == '\n' || byte >= 0x20) {
            if (byte == 0x7F || (byte == 0xC2 && i + 1 < text.size() &&
                                 static_cast<std::uint8_t>(text[i + 1]) < 0xA0))
                __builtin_trap(); // DEL, or a C1 control in UTF-8
            continue;
        }
        if (byte != 0x1B || i + 1 >= text.size() || text[i + 1] != '[')
            __builtin_trap();
        for (i += 2; i < text.size() && text[i] != 'm'; ++i)
            if (!((text[i] >= '0' && text[i] <= '9') || text[i] == ';'))
                __builtin_trap();
    }
}

DocumentLines linesOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    DocumentLines lines;
    std::size_t start = 0;
    for (std::size_t end = text.find("\r\n"); end != std::string::npos;
         end = text.find("\r\n", start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    if (start != text.size())
        __builtin_trap(); // every line ends with CR LF
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    outputFolder = std::filesystem::temp_directory_path() /
                   ("varnelo-conversion-fuzzer-" + std::to_string(::getpid()));
    std::filesystem::create_directories(outputFolder);
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(outputFolder, ignored);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    InputBytes input(data, size);
    ConversionSettings settings = settingsFrom(input);
    RandomGenerator random(input.word());
    WorkBitmap picture = pictureFrom(input);

    const test::TestClock clock;
    test::RecordingObserver observer;
    const std::atomic<bool> cancel{false};
    const std::string output = settings.outputPath;
    const OutputKind kind = outputFormatOf(settings).kind;
    ConversionPass pass(std::move(settings), random, clock, observer, cancel, makeOutputWriter,
                        openAtomicOutput);
    pass.setGlyphShaper(glyphShapesOf);
    const PassResult result = pass.run(std::move(picture));
    if (result.end == PassEnd::Cancelled)
        __builtin_trap(); // nothing cancelled it
    if (result.end != PassEnd::Done) {
        if (std::filesystem::exists(output))
            __builtin_trap(); // a refusal or failure writes nothing
        return 0;
    }
    if (kind == OutputKind::TerminalText) {
        checkTerminalText(output);
    } else if (kind == OutputKind::Document) {
        const DocumentLines lines = linesOf(output);
        const bool html = lines.empty() || !lines.front().starts_with("{\\rtf");
        const test::StrictRead read =
            html ? test::readHtmlStrictly(lines) : test::readRtfStrictly(lines);
        if (!read.ok)
            __builtin_trap();
    } else {
        WorkBitmap written;
        if (loadPicture(output, written).status != LoadStatus::Loaded)
            __builtin_trap();
    }
    std::filesystem::remove(output);
    return 0;
}
