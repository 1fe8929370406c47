#include "library/cell_grid.h"

#include "engine/pass_result.h"
#include "writers/terminal_writer.h"

#include <new>

namespace varnelo {

OutputStart CellGridWriter::beginOutput(const ConversionSettings& settings, int width, int height) {
    fill_ = settings.fillCells;
    background_ = settings.backgroundColor;
    const std::size_t cells = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    try {
        grid_.texts_.clear();
        grid_.texts_.reserve(cells * 2);
        grid_.starts_.assign(cells, 0);
        grid_.inks_.assign(cells, 0);
        grid_.backgrounds_.assign(cells, 0);
    } catch (const std::bad_alloc&) {
        PassFailure failure;
        failure.stage = FailureStage::OutOfMemory;
        return OutputStart::stop(PassResult::failed(std::move(failure)));
    }
    grid_.columns_ = width;
    grid_.rows_ = height;
    return OutputStart::proceed();
}

void CellGridWriter::putPixel(int x, int y, const ByteString& text, CellColors colors,
                              bool /*newRun*/) {
    const std::size_t at = grid_.index(x, y);
    // As the terminal writer shows it: control characters as blanks.
    shown_.clear();
    appendTerminalText(shown_, text, fragments_);
    grid_.starts_[at] = grid_.texts_.size();
    grid_.texts_ += shown_;
    grid_.texts_ += '\0';
    grid_.inks_[at] = fill_ ? colors.ink : colors.color;
    grid_.backgrounds_[at] = fill_ ? colors.color : background_;
}

} // namespace varnelo
