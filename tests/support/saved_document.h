#pragma once

#include "engine/conversion_pass.h"
#include "writers/atomic_file.h"

#include <atomic>
#include <string>

namespace varnelo::test {

/// Saves a whole document at once, as a pass saves one whose lines are not
/// written as built: through a temporary file, with CR LF line ends.
inline WriteOutcome saveDocument(const DocumentLines& lines, const std::string& path,
                                 const std::atomic<bool>& cancelRequested) {
    DocumentSaver saver(OutputTarget{path, {}}, "\r\n", openAtomicOutput);
    return saver.commit(lines, cancelRequested);
}

} // namespace varnelo::test
