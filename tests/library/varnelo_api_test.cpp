#include "library/include/varnelo/varnelo.h"

#include "cli/console_stream.h"
#include "cli/converter.h"
#include "engine/output_formats.h"
#include "library/command_line.h"
#include "tests/support/exif_samples.h"
#include "tests/support/jpeg_samples.h"
#include "tests/support/picture_files.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace varnelo {
namespace {

using Options = std::vector<std::pair<std::string, std::string>>;
using Bytes = std::vector<std::uint8_t>;

struct SettingsFree {
    void operator()(varnelo_settings* settings) const { varnelo_settings_free(settings); }
};
struct PictureFree {
    void operator()(varnelo_picture* picture) const { varnelo_picture_free(picture); }
};
struct CellsFree {
    void operator()(varnelo_cells* cells) const { varnelo_cells_free(cells); }
};
using Settings = std::unique_ptr<varnelo_settings, SettingsFree>;
using Picture = std::unique_ptr<varnelo_picture, PictureFree>;
using Cells = std::unique_ptr<varnelo_cells, CellsFree>;

Settings settingsOf(const Options& options) {
    Settings settings(varnelo_settings_new());
    for (const auto& [name, value] : options)
        EXPECT_EQ(varnelo_settings_set(settings.get(), name.c_str(), value.c_str()), VARNELO_OK)
            << name << ": " << varnelo_last_error();
    return settings;
}

Bytes toMemory(const varnelo_settings* settings, const varnelo_picture* picture) {
    void* bytes = nullptr;
    std::size_t size = 0;
    EXPECT_EQ(varnelo_convert_to_memory(settings, picture, nullptr, &bytes, &size), VARNELO_OK)
        << varnelo_last_error();
    Bytes kept(static_cast<std::uint8_t*>(bytes), static_cast<std::uint8_t*>(bytes) + size);
    varnelo_free(bytes);
    return kept;
}

// Every cell's text, row by row, a line a row.
std::string textOf(const varnelo_cells* cells) {
    std::string text;
    for (int row = 0; row < varnelo_cells_rows(cells); ++row) {
        for (int column = 0; column < varnelo_cells_columns(cells); ++column)
            text += varnelo_cells_text(cells, column, row);
        text += '\n';
    }
    return text;
}

class LibraryApi : public ::testing::Test {
protected:
    LibraryApi() {
        std::vector<std::uint8_t> pixels;
        for (int y = 0; y < 48; ++y) {
            for (int x = 0; x < 64; ++x) {
                const Rgb color = test::noise(x / 4, y / 4);
                pixels.insert(pixels.end(), {redOf(color), greenOf(color), blueOf(color)});
            }
        }
        test::writeBytes(photo_, test::encodeJpeg(64, 48, 3, pixels));
        EXPECT_EQ(varnelo_picture_open_file(photo_.c_str(), &opened_), VARNELO_OK);
        picture_.reset(opened_);
    }

    // What varnelo-convert writes with these options as its arguments.
    Bytes converted(const Options& options, const std::string& extension) {
        std::vector<std::string> arguments;
        for (const auto& [name, value] : options)
            arguments.push_back("--" + name + "=" + value);
        const std::string output = dir_.file("converted." + extension);
        arguments.insert(arguments.end(), {photo_, "-o", output});
        StringConsoleStream out;
        StringConsoleStream err;
        const std::atomic<bool> cancel{false};
        EXPECT_EQ(convertPictures(arguments, {out, err}, cancel), kExitConverted) << err.str();
        return test::readBytes(output);
    }

    test::TempDir dir_;
    std::string photo_ = dir_.file("photo.jpg");
    varnelo_picture* opened_ = nullptr;
    Picture picture_;
};

TEST_F(LibraryApi, EveryFormatGivesTheConvertersBytesInMemoryInAFileAndThroughADescriptor) {
    for (const OutputFormatEntry& format : outputFormats()) {
        for (const Options& drawing : {Options{{"width", "40"}, {"seed", "7"}},
                                       Options{{"mode", "symbols"}, {"fit", "30x12"}}}) {
            Options options = drawing;
            options.insert(options.end(),
                           {{"format", std::string(format.name)}, {"colors", "256"}});
            SCOPED_TRACE(std::string(format.name) + " " + drawing.front().first);
            const Bytes expected = converted(options, std::string(format.extension));
            const Settings settings = settingsOf(options);
            EXPECT_EQ(toMemory(settings.get(), picture_.get()), expected);

            const std::string file = dir_.file("library." + std::string(format.extension));
            ASSERT_EQ(
                varnelo_convert_to_file(settings.get(), picture_.get(), nullptr, file.c_str()),
                VARNELO_OK)
                << varnelo_last_error();
            EXPECT_EQ(test::readBytes(file), expected);

            const std::string written = dir_.file("descriptor");
            const int descriptor = ::open(written.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            EXPECT_EQ(
                varnelo_convert_to_descriptor(settings.get(), picture_.get(), nullptr, descriptor),
                VARNELO_OK);
            ::close(descriptor);
            EXPECT_EQ(test::readBytes(written), expected);
        }
    }
}

// A picture's size as it shows, from every source: a file, its bytes
// copied or where they lie (turned upright as its EXIF orientation says),
// pixels; bytes left where they lie convert as a copy of them does.
TEST_F(LibraryApi, APictureTellsItsSizeAsItShowsFromEverySource) {
    const auto sizeOf = [](const varnelo_picture* picture) {
        int width = -1;
        int height = -1;
        EXPECT_EQ(varnelo_picture_size(picture, &width, &height), VARNELO_OK)
            << varnelo_last_error();
        return std::pair{width, height};
    };
    EXPECT_EQ(sizeOf(picture_.get()), std::pair(64, 48));

    const std::string bmp = dir_.file("p.bmp");
    test::writeBmpFile(bmp, 30, 20, test::noise);
    varnelo_picture* opened = nullptr;
    ASSERT_EQ(varnelo_picture_open_file(bmp.c_str(), &opened), VARNELO_OK);
    EXPECT_EQ(sizeOf(Picture(opened).get()), std::pair(30, 20));

    // Orientation 6: the stored rows are the picture's columns.
    const Bytes turned =
        test::withExifSegment(test::readBytes(photo_), test::exifWithOrientation(6));
    ASSERT_EQ(varnelo_picture_open_memory(turned.data(), turned.size(), &opened), VARNELO_OK);
    const Picture copied(opened);
    ASSERT_EQ(varnelo_picture_wrap_memory(turned.data(), turned.size(), &opened), VARNELO_OK);
    const Picture wrapped(opened);
    EXPECT_EQ(sizeOf(copied.get()), std::pair(48, 64));
    EXPECT_EQ(sizeOf(wrapped.get()), std::pair(48, 64));
    const Settings settings = settingsOf({{"format", "ansi"}, {"width", "20"}, {"seed", "7"}});
    EXPECT_EQ(toMemory(settings.get(), wrapped.get()), toMemory(settings.get(), copied.get()));

    const std::uint8_t pixels[5 * 3 * 3] = {};
    ASSERT_EQ(varnelo_picture_from_pixels(pixels, 5, 3, 15, VARNELO_PIXELS_RGB, &opened),
              VARNELO_OK);
    EXPECT_EQ(sizeOf(Picture(opened).get()), std::pair(5, 3));

    // Starts like a JPEG, ends before its size.
    ASSERT_EQ(varnelo_picture_wrap_memory(turned.data(), 24, &opened), VARNELO_OK);
    const Picture cut(opened);
    int width = -1;
    int height = -1;
    EXPECT_EQ(varnelo_picture_size(cut.get(), &width, &height), VARNELO_ERROR_PICTURE);
    EXPECT_FALSE(std::string(varnelo_last_error()).empty());
    EXPECT_EQ(width, -1);
}

TEST_F(LibraryApi, CellsAreWhatTheTerminalTextShowsWithTheirTwoColours) {
    const Options options{{"mode", "symbols"}, {"width", "24"}, {"height", "10"}};
    const Settings settings = settingsOf(options);
    varnelo_cells* made = nullptr;
    ASSERT_EQ(varnelo_convert_to_cells(settings.get(), picture_.get(), nullptr, &made), VARNELO_OK);
    const Cells cells(made);
    EXPECT_EQ(varnelo_cells_columns(cells.get()), 24);
    EXPECT_EQ(varnelo_cells_rows(cells.get()), 10);
    EXPECT_EQ(varnelo_cells_text(cells.get(), 24, 0), nullptr);
    Options ansi = options;
    ansi.emplace_back("format", "ansi");
    const Bytes shown = toMemory(settingsOf(ansi).get(), picture_.get());
    const std::string text = std::regex_replace(std::string(shown.begin(), shown.end()),
                                                std::regex("\x1b\\[[0-9;]*m"), "");
    EXPECT_EQ(textOf(cells.get()), text);

    // A picture of pixels: red on the left, blue on the right, as a caller's
    // RGBA rows with room to spare.
    constexpr int kWidth = 16;
    constexpr int kHeight = 8;
    constexpr std::size_t kStride = kWidth * 4 + 12;
    std::vector<std::uint8_t> rgba(kStride * kHeight, 0x55);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            std::uint8_t* pixel = rgba.data() + static_cast<std::size_t>(y) * kStride + x * 4;
            pixel[0] = x < kWidth / 2 ? 255 : 0;
            pixel[1] = 0;
            pixel[2] = x < kWidth / 2 ? 0 : 255;
            pixel[3] = 255;
        }
    }
    varnelo_picture* pixels = nullptr;
    ASSERT_EQ(varnelo_picture_from_pixels(rgba.data(), kWidth, kHeight, kStride,
                                          VARNELO_PIXELS_RGBA, &pixels),
              VARNELO_OK);
    const Picture halves(pixels);
    ASSERT_EQ(varnelo_convert_to_cells(settingsOf({{"width", "4"}, {"height", "2"}}).get(),
                                       halves.get(), nullptr, &made),
              VARNELO_OK);
    const Cells coloured(made);
    for (int row = 0; row < 2; ++row) {
        for (const int column : {0, 3}) {
            const std::uint32_t side = column == 0 ? 0xFF0000 : 0x0000FF;
            EXPECT_EQ(varnelo_cells_background(coloured.get(), column, row), side);
            EXPECT_STREQ(varnelo_cells_text(coloured.get(), column, row), " ");
        }
    }
}

TEST_F(LibraryApi, RefusalsGiveTheirStatusAndSayWhy) {
    const std::string truncated = dir_.file("truncated.jpg");
    Bytes cut = test::readBytes(photo_);
    cut.resize(cut.size() / 2);
    test::writeBytes(truncated, cut);
    varnelo_picture* opened = nullptr;
    ASSERT_EQ(varnelo_picture_open_file(truncated.c_str(), &opened), VARNELO_OK);
    const Picture halfAPicture(opened);
    const std::uint8_t pixel[3] = {1, 2, 3};

    struct Refusal {
        const char* what;
        std::function<varnelo_status()> call;
        varnelo_status status;
        std::string said;
    };
    const Settings settings(varnelo_settings_new());
    varnelo_settings* s = settings.get();
    const auto convertWith = [&](const Options& options, const varnelo_picture* picture,
                                 const std::string& path) {
        const Settings given = settingsOf(options);
        return varnelo_convert_to_file(given.get(), picture, nullptr, path.c_str());
    };
    const std::vector<Refusal> refusals = {
        {"an unknown setting", [&] { return varnelo_settings_set(s, "colour", "red"); },
         VARNELO_ERROR_SETTING, "unknown setting 'colour'"},
        {"the converter's own option", [&] { return varnelo_settings_set(s, "output", "x"); },
         VARNELO_ERROR_SETTING, "unknown setting 'output'"},
        {"a prefix of a setting", [&] { return varnelo_settings_set(s, "mod", "ramp"); },
         VARNELO_ERROR_SETTING, "unknown setting 'mod'"},
        {"a value refused", [&] { return varnelo_settings_set(s, "mode", "nonsense"); },
         VARNELO_ERROR_SETTING, "invalid value 'nonsense' for --mode"},
        {"a value for a switch", [&] { return varnelo_settings_set(s, "fill", "yes"); },
         VARNELO_ERROR_SETTING, "takes no value"},
        {"settings that exclude each other",
         [&] {
             varnelo_settings_set_fit(s, 10, 10);
             return varnelo_settings_set(s, "width", "10");
         },
         VARNELO_ERROR_SETTING, "--fit takes the place of --size, -W and -H"},
        {"a missing file",
         [&] { return varnelo_picture_open_file(dir_.file("none.jpg").c_str(), &opened); },
         VARNELO_ERROR_READ, "No such file or directory"},
        {"bytes of no picture", [&] { return varnelo_picture_open_memory("hello", 5, &opened); },
         VARNELO_ERROR_PICTURE, "not a BMP"},
        {"a stride shorter than a row",
         [&] { return varnelo_picture_from_pixels(pixel, 2, 1, 3, VARNELO_PIXELS_RGB, &opened); },
         VARNELO_ERROR_ARGUMENT, "stride"},
        {"no settings",
         [&] { return varnelo_convert_to_file(nullptr, picture_.get(), nullptr, "x.html"); },
         VARNELO_ERROR_ARGUMENT, "settings is NULL"},
        {"text mode without a phrase",
         [&] {
             return convertWith({{"mode", "text"}}, picture_.get(), dir_.file("o.html"));
         },
         VARNELO_ERROR_SETTING, kNoPhraseMessage},
        {"a truncated picture",
         [&] { return convertWith({}, halfAPicture.get(), dir_.file("o.html")); },
         VARNELO_ERROR_PICTURE, "truncated JPG data"},
        {"a size beyond the limits",
         [&] {
             return convertWith({{"width", "60000"}, {"height", "60000"}}, picture_.get(),
                                dir_.file("o.html"));
         },
         VARNELO_ERROR_TOO_LARGE, "exceeding the limit"},
        {"an output that would replace the picture",
         [&] {
             return convertWith({{"format", "plain-html"}}, picture_.get(), photo_);
         },
         VARNELO_ERROR_SETTING, "would replace the picture"},
        {"an output in a folder that is not there",
         [&] { return convertWith({}, picture_.get(), dir_.file("none/o.html")); },
         VARNELO_ERROR_WRITE, "failed saving"},
    };
    for (const Refusal& refusal : refusals) {
        EXPECT_EQ(refusal.call(), refusal.status) << refusal.what;
        EXPECT_NE(std::string(varnelo_last_error()).find(refusal.said), std::string::npos)
            << refusal.what << ": " << varnelo_last_error();
    }
    EXPECT_FALSE(std::filesystem::exists(dir_.file("o.html")));

    // A refused value leaves the settings as they were; a success clears the words.
    const Settings ramp = settingsOf({{"mode", "ramp"}, {"width", "20"}});
    EXPECT_EQ(varnelo_settings_set(ramp.get(), "mode", "nonsense"), VARNELO_ERROR_SETTING);
    EXPECT_EQ(toMemory(ramp.get(), picture_.get()),
              toMemory(settingsOf({{"mode", "ramp"}, {"width", "20"}}).get(), picture_.get()));
    EXPECT_STREQ(varnelo_last_error(), "");
}

TEST_F(LibraryApi, ACancelledJobStopsItsConversionAndLeavesNoOutput) {
    struct Steps {
        std::vector<std::pair<int, int>> told;
        varnelo_job* cancelAt = nullptr;
    } steps;
    varnelo_job* job = varnelo_job_new();
    varnelo_job_set_progress(
        job,
        [](int done, int total, void* user) {
            auto* seen = static_cast<Steps*>(user);
            seen->told.emplace_back(done, total);
            if (seen->cancelAt != nullptr && done * 2 >= total)
                varnelo_job_cancel(seen->cancelAt);
        },
        &steps);
    const Settings settings = settingsOf({{"width", "64"}});
    const std::string output = dir_.file("o.html");
    ASSERT_EQ(varnelo_convert_to_file(settings.get(), picture_.get(), job, output.c_str()),
              VARNELO_OK);
    ASSERT_FALSE(steps.told.empty());
    EXPECT_EQ(steps.told.back().first, steps.told.back().second);
    EXPECT_TRUE(std::is_sorted(steps.told.begin(), steps.told.end()));

    // Cancelled halfway, and once cancelled at once: the file written before stays.
    std::filesystem::remove(output);
    steps.cancelAt = job;
    EXPECT_EQ(varnelo_convert_to_file(settings.get(), picture_.get(), job, output.c_str()),
              VARNELO_ERROR_CANCELLED);
    EXPECT_FALSE(std::filesystem::exists(output));
    varnelo_cells* cells = nullptr;
    EXPECT_EQ(varnelo_convert_to_cells(settings.get(), picture_.get(), job, &cells),
              VARNELO_ERROR_CANCELLED);
    EXPECT_EQ(cells, nullptr);
    varnelo_job_free(job);
}

TEST_F(LibraryApi, ConversionsOnSeveralThreadsShareSettingsAndPictures) {
    // Terminal text, and an image whose cells are measured and drawn in a face.
    for (const char* format : {"ansi", "png"}) {
        const Settings settings =
            settingsOf({{"mode", "symbols"}, {"format", format}, {"width", "40"}});
        const Bytes alone = toMemory(settings.get(), picture_.get());
        std::vector<Bytes> made(4);
        std::vector<std::thread> threads;
        for (Bytes& bytes : made)
            threads.emplace_back([&] { bytes = toMemory(settings.get(), picture_.get()); });
        for (std::thread& thread : threads)
            thread.join();
        for (const Bytes& bytes : made)
            EXPECT_EQ(bytes, alone) << format;
    }
}

} // namespace
} // namespace varnelo
