#pragma once

#include "engine/conversion_pass.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace varnelo::test {

/// A step as the tests write it: "resizing", "line 3 of 90", "done in 9 ms".
inline std::string stepName(const PassProgress& progress) {
    switch (progress.stage) {
    case PassStage::Resizing:
        return "resizing";
    case PassStage::Drawing:
        return "line " + std::to_string(progress.line) + " of " + std::to_string(progress.lines);
    case PassStage::RemovingZeros:
        return "removing zeros";
    case PassStage::Compressing:
        return "compressing";
    case PassStage::Saving:
        return "saving";
    case PassStage::Done:
        break;
    }
    return "done in " + std::to_string(progress.milliseconds) + " ms";
}

/// Records every call of a conversion, in order, as "status STEP",
/// "range N" or "position N"; the steps alone in statuses.
class RecordingObserver final : public PassObserver {
public:
    void showProgress(const PassProgress& progress) override {
        statuses.push_back(stepName(progress));
        calls.push_back("status " + statuses.back());
    }
    void setProgressRange(int maximum) override {
        calls.push_back("range " + std::to_string(maximum));
    }
    void setProgressPosition(int position) override {
        calls.push_back("position " + std::to_string(position));
        if (onPosition)
            onPosition(position);
    }

    std::vector<std::string> calls;
    /// Called after each progress position, to act at a point of the pass.
    std::function<void(int)> onPosition;
    std::vector<std::string> statuses;
};

} // namespace varnelo::test
