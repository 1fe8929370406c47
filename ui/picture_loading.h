#pragma once

#include "base/work_bitmap.h"
#include "reading/picture_loader.h"

#include <functional>
#include <memory>
#include <string>

namespace varnelo {

/// Loads the pictures the window opens and previews. A big or hostile
/// picture can take seconds to decode; the window answers meanwhile.
class PictureLoading {
public:
    /// Runs on the window's thread with what the load gave.
    using Done = std::function<void(const LoadOutcome& outcome, WorkBitmap picture)>;

    virtual ~PictureLoading() = default;
    /// Starts loading the picture at path, stopping the load under way,
    /// whose done then never runs. Called on the window's thread.
    virtual void load(const std::string& path, Done done) = 0;
    /// Stops the load under way; its done never runs.
    virtual void stop() = 0;
    /// Whether a load has started whose done has not run yet.
    virtual bool busy() const = 0;
};

/// Decodes on a thread of its own per load, with cancel; what a stopped load
/// still decodes ends within a fraction of a second, and at the latest when
/// the loading is destroyed, which waits for it.
std::unique_ptr<PictureLoading> makeThreadedPictureLoading();

/// Decodes at once, on the calling thread, and runs done before load returns.
std::unique_ptr<PictureLoading> makeImmediatePictureLoading();

} // namespace varnelo
