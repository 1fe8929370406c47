#include "library/messages.h"

#include "base/picture_limits.h"
#include "engine/conversion_pass.h"
#include "engine/phrase_file.h"
#include "library/command_line.h"
#include "library/picture_settings.h"
#include "reading/codecs/picture_libraries.h"
#include "reading/codecs/png_gif_libraries.h"

#include <algorithm>
#include <system_error>

namespace varnelo {

namespace {

std::string fileMessage(const ReadFileOutcome& file) {
    switch (file.status) {
    case ReadFileStatus::Ok:
        break;
    case ReadFileStatus::CannotOpen:
    case ReadFileStatus::ReadError:
        return std::generic_category().message(file.errorNumber);
    case ReadFileStatus::NotAFile:
        return "not a regular file";
    case ReadFileStatus::TooLarge:
        return "file too large for a picture (more than " + std::to_string(kMaxPictureFileBytes) +
               " bytes)";
    }
    return {};
}

// Why the module that reads the type could not be loaded.
std::string libraryProblem(PictureType type) {
    return type == PictureType::Png || type == PictureType::Gif ? pngGifLibrariesProblem()
                                                                : pictureLibrariesProblem();
}

std::string decodeMessage(DecodeStatus status, PictureType type) {
    const std::string name(pictureTypeLabel(type));
    switch (status) {
    case DecodeStatus::Ok:
        break;
    case DecodeStatus::WrongFormat:
        return "not a " + name + " file";
    case DecodeStatus::Unsupported:
        return "unsupported " + name + " variant";
    case DecodeStatus::Corrupt:
        return "corrupt " + name + " data";
    case DecodeStatus::Truncated:
        return "truncated " + name + " data";
    case DecodeStatus::TooLarge:
        return "picture too large (at most " + std::to_string(kMaxPictureSide) +
               " pixels a side and " + std::to_string(kMaxPicturePixels) + " in all)";
    case DecodeStatus::TooCostly:
        return "too many scans for a picture of its size (at most " +
               std::to_string(kMaxJpegScans) + ", and " + std::to_string(kMaxJpegPixelScans) +
               " pixels times scans)";
    case DecodeStatus::OutOfMemory:
        return "not enough memory for the picture";
    case DecodeStatus::OverMemoryLimit:
        break; // worded with its numbers, below
    case DecodeStatus::Cancelled:
        return "cancelled!";
    case DecodeStatus::LibraryMissing:
        return "cannot read " + name + " pictures: " + libraryProblem(type);
    }
    return "the picture could not be read";
}

// The size asked for, in cells, shrunk to what the image takes at the same
// cell; or, when not even one cell fits, the font size's fault.
std::string largestImageHint(const PassRefusal& refusal) {
    const int cellWidth = std::max(1, refusal.cellWidth);
    const int cellHeight = std::max(1, refusal.cellHeight);
    const auto cells = [](std::int64_t pixels, int cell) {
        return static_cast<int>(std::clamp<std::int64_t>(pixels / cell, 1, kMaxConversionSide));
    };
    const int columns = static_cast<int>(refusal.limit / cellWidth);
    const int rows = static_cast<int>(refusal.limit / cellHeight);
    if (columns < 1 || rows < 1)
        return "(try a smaller font size)";
    const PictureSize largest = largestSizeWithin(
        {cells(refusal.width, cellWidth), cells(refusal.height, cellHeight)}, columns, rows);
    return "(the largest size that fits at this font size is " + std::to_string(largest.width) +
           " \u00D7 " + std::to_string(largest.height) + ")";
}

std::string refusalMessage(const PassRefusal& refusal) {
    const auto size = [](std::int64_t width, std::int64_t height) {
        return std::to_string(width) + " \u00D7 " + std::to_string(height);
    };
    switch (refusal.reason) {
    case RefusalReason::PictureTooLarge:
        return "Image size of " + size(refusal.width, refusal.height) +
               " pixel is exceeding the limit of " + std::to_string(refusal.limit) + " pixel or " +
               std::to_string(kMaxConversionSide) + " per side (try a smaller size)";
    case RefusalReason::ImageTooLarge:
        return "Image width or height is exceeding the limit of " + std::to_string(refusal.limit) +
               " pixel at " + size(refusal.cellWidth, refusal.cellHeight) + " per character " +
               largestImageHint(refusal);
    case RefusalReason::ImageEmpty:
        break;
    }
    return "Image width or height is 0 pixel (try a larger size)";
}

std::string failureMessage(const PassFailure& failure) {
    switch (failure.stage) {
    case FailureStage::Loading:
        return loadFailureMessage(failure.load);
    case FailureStage::OutOfMemory:
        return "not enough memory for a picture of this size";
    case FailureStage::Saving:
        return "failed saving \"" + failure.path + "\": " + failure.reason;
    case FailureStage::Unexpected:
        break;
    }
    return failure.reason;
}

} // namespace

std::string loadFailureMessage(const LoadOutcome& outcome) {
    if (outcome.file.status != ReadFileStatus::Ok)
        return fileMessage(outcome.file);
    if (outcome.detail == DecodeStatus::OverMemoryLimit) {
        const auto megabytes = [](std::int64_t bytes) {
            return std::to_string((bytes + kBytesPerMegabyte - 1) / kBytesPerMegabyte);
        };
        return "needs " + megabytes(outcome.memoryNeeded) + " MB, more than the limit of " +
               megabytes(outcome.memoryLimit) + " MB (--max-memory)";
    }
    // The bytes decide the type, whatever the name says.
    if (outcome.type == PictureType::None)
        return "not a " + pictureTypeNames() + " picture";
    return decodeMessage(outcome.detail, outcome.type);
}

std::string phraseFileMessage(const std::string& named, const ReadFileOutcome& outcome) {
    switch (outcome.status) {
    case ReadFileStatus::NotAFile:
        return named + " is a folder";
    case ReadFileStatus::TooLarge:
        return named + " is larger than " + std::to_string(kMaxPhraseFileBytes >> 20) + " MiB";
    case ReadFileStatus::Ok:
    case ReadFileStatus::CannotOpen:
    case ReadFileStatus::ReadError:
        break;
    }
    return "cannot read " + named + ": " + std::generic_category().message(outcome.errorNumber);
}

std::string startProblemMessage(StartProblem problem) {
    switch (problem) {
    case StartProblem::None:
        break;
    case StartProblem::NoPicture:
        return "no picture to convert";
    case StartProblem::NoOutputFile:
        return "no output file";
    case StartProblem::NoPhrase:
        return "text mode needs a phrase (--phrase or --phrase-file)";
    }
    return {};
}

std::string progressText(const PassProgress& progress) {
    switch (progress.stage) {
    case PassStage::Resizing:
        return "resizing image...";
    case PassStage::Drawing:
        return "processing image line " + std::to_string(progress.line) + " of " +
               std::to_string(progress.lines) + "...";
    case PassStage::RemovingZeros:
        return "removing leading color zeros...";
    case PassStage::Compressing:
        return "compressing...";
    case PassStage::Saving:
        return "saving...";
    case PassStage::Done:
        break;
    }
    return "ready - done in " + std::to_string(progress.milliseconds) + " ms";
}

std::string passEndMessage(const PassResult& result) {
    switch (result.end) {
    case PassEnd::Done:
        return {};
    case PassEnd::Cancelled:
        return "cancelled!";
    case PassEnd::Refused:
        return refusalMessage(result.refusal);
    case PassEnd::Failed:
        break;
    }
    return failureMessage(result.failure);
}

std::string byteCount(std::uint64_t bytes) {
    if (bytes < 1000)
        return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
    if (bytes < 100'000)
        return std::to_string((bytes + 500) / 1000) + " kB";
    // Tenths of a megabyte, rounded.
    const std::uint64_t tenths = (bytes + 50'000) / 100'000;
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " MB";
}

std::string summaryLine(const ConversionSummary& summary, bool unicode) {
    const std::string output =
        summary.output == kStandardStream ? "standard output" : summary.output;
    return summary.picture + (unicode ? " \u2192 " : " -> ") + output + ", " +
           std::to_string(summary.size.width) + (unicode ? " \u00D7 " : " x ") +
           std::to_string(summary.size.height) + ", " + byteCount(summary.bytes) + ", " +
           std::to_string(summary.milliseconds) + " ms";
}

std::string plainSymbols(std::string message) {
    for (const auto& [symbol, plain] :
         {std::pair<std::string_view, std::string_view>{"\u00D7", "x"}, {"\u2192", "->"}}) {
        for (std::size_t at = message.find(symbol); at != std::string::npos;
             at = message.find(symbol, at + plain.size()))
            message.replace(at, symbol.size(), plain);
    }
    return message;
}

bool localeIsUtf8(const char* all, const char* ctype, const char* lang) {
    const auto named = [](const char* value) { return value != nullptr && *value != '\0'; };
    const char* locale = named(all) ? all : named(ctype) ? ctype : lang;
    if (!named(locale))
        return false;
    std::string name(locale);
    for (char& c : name)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return name.find("utf-8") != std::string::npos || name.find("utf8") != std::string::npos;
}

} // namespace varnelo
