#pragma once

#include "base/pass_progress.h"
#include "engine/pass_result.h"
#include "engine/start_check.h"
#include "reading/conversion_load.h"

#include <cstdint>

#include <string>

namespace varnelo {

// The converter's one-line messages: each says why, with the numbers.

/// Why a picture did not load: "No such file or directory", "truncated PNG data", ...
std::string loadFailureMessage(const LoadOutcome& outcome);

/// Why the phrase file, named as given ("the phrase file \"p.txt\""), could
/// not be read.
std::string phraseFileMessage(const std::string& named, const ReadFileOutcome& outcome);

/// Why a conversion cannot start; empty for StartProblem::None.
std::string startProblemMessage(StartProblem problem);

/// The progress line for a step of a conversion: "processing image line 3 of 90...".
std::string progressText(const PassProgress& progress);

/// Why a conversion did not end with its output written; empty for Done.
std::string passEndMessage(const PassResult& result);

/// What one picture's conversion made.
struct ConversionSummary {
    std::string picture;
    std::string output; ///< "-" for standard output
    PictureSize size;
    std::uint64_t bytes = 0;
    std::uint32_t milliseconds = 0;
};

/// "photo.jpg → photo1.html, 120 × 90, 0.6 MB, 25 ms"; with plain
/// characters only ("->", "x") for a terminal whose locale is not UTF-8.
std::string summaryLine(const ConversionSummary& summary, bool unicode = true);

/// A message's own symbols in plain characters, for a terminal whose
/// locale is not UTF-8: "120 x 90" for "120 × 90".
std::string plainSymbols(std::string message);

/// Whether the locale the environment names (LC_ALL, else LC_CTYPE, else
/// LANG) writes UTF-8.
bool localeIsUtf8(const char* all, const char* ctype, const char* lang);

/// "512 bytes", "12 kB", "0.6 MB": a size as people read it.
std::string byteCount(std::uint64_t bytes);

} // namespace varnelo
