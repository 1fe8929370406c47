#pragma once

#include "library/cell_grid.h"
#include "library/include/varnelo/varnelo.h"
#include "library/library_settings.h"
#include "library/picture_source.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace varnelo {

/// One conversion's progress callback and cancel, as a caller gives them.
struct CallerJob {
    std::atomic<bool> cancel{false};
    varnelo_progress_fn progress = nullptr;
    void* user = nullptr;
};

/// Where a caller's conversion goes.
struct CallerTarget {
    enum class Kind : std::uint8_t { Cells, File, Memory, Descriptor };
    Kind kind = Kind::Cells;
    std::string path;                       ///< File
    int descriptor = -1;                    ///< Descriptor
    std::vector<std::uint8_t>* memory = {}; ///< Memory
    CellGrid* cells = nullptr;              ///< Cells
};

/// How it ended: a status of the library's and, for a failure, its words.
struct CallerOutcome {
    varnelo_status status = VARNELO_OK;
    std::string message;
};

/// Converts the picture with the settings into the target, as the
/// converter converts one picture: the same settings give the same bytes.
/// Cells are those of terminal text (ansi unless a text format is set).
CallerOutcome convertForCaller(const LibrarySettings& settings, const PictureSource& picture,
                               CallerJob& job, const CallerTarget& target);

/// The status and words of a picture that did not load.
CallerOutcome loadFailed(const LoadOutcome& outcome);

} // namespace varnelo
