#pragma once

#include <cstdint>

namespace varnelo {

/// The steps a conversion reports while it runs.
enum class PassStage : std::uint8_t {
    Resizing,      ///< scaling the picture to the conversion's size
    Drawing,       ///< building the line `line` of `lines`
    RemovingZeros, ///< taking the leading zeros out of the RTF colour table
    Compressing,   ///< encoding the drawn image
    Saving,        ///< writing the output
    Done,          ///< drawn in `milliseconds`
};

/// One step of a conversion, with its numbers. The engine words nothing:
/// the window and the converter each turn a step into their own text.
struct PassProgress {
    PassStage stage = PassStage::Resizing;
    int line = 0;                   ///< Drawing: the line being built, from 0
    int lines = 0;                  ///< Drawing: the lines in all
    std::uint32_t milliseconds = 0; ///< Done: the time the drawing took

    static constexpr PassProgress of(PassStage stage) { return {stage, 0, 0, 0}; }
    static constexpr PassProgress drawing(int line, int lines) {
        return {PassStage::Drawing, line, lines, 0};
    }
    static constexpr PassProgress done(std::uint32_t milliseconds) {
        return {PassStage::Done, 0, 0, milliseconds};
    }
    friend bool operator==(const PassProgress&, const PassProgress&) = default;
};

/// Receives the steps of long work. The window shows them in its status
/// line, the converter on its progress line; the engine knows neither.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void showProgress(const PassProgress& progress) = 0;
};

} // namespace varnelo
