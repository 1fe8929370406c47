#pragma once

#include "engine/pass_result.h"
#include "engine/start_check.h"

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

/// Why a conversion did not end with its output written; empty for Done.
std::string passEndMessage(const PassResult& result);

} // namespace varnelo
