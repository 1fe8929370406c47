#pragma once

#include "engine/conversion_pass.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace varnelo::test {

/// Records every call of a conversion, in order, as "status TEXT",
/// "range N" or "position N"; the status texts alone in statuses.
class RecordingObserver final : public PassObserver {
public:
    void showStatus(std::string_view text) override {
        statuses.emplace_back(text);
        calls.push_back("status " + std::string(text));
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
