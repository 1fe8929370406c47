#pragma once

#include "base/work_bitmap.h"
#include "engine/conversion_settings.h"

#include <QImage>
#include <QObject>
#include <QTemporaryDir>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

namespace varnelo {

/// What a rendering of the result shows: the PNG output of the settings,
/// as written, and whether it is smaller than the output would be.
struct RenderedResult {
    QImage image;
    int columns = 0;
    int lines = 0;
    /// Whether each of those is a character cell (the modes of one
    /// character a pixel) rather than a pixel of the scaled picture.
    bool cells = false;
    /// The cells of the output asked for, when the preview shows fewer.
    std::optional<std::pair<int, int>> shrunkFrom;
};

/// Draws the result a conversion of the window's settings would give, as
/// the PNG output draws it, off the window's thread: the engine's own pass
/// and image output, written into a folder of its own and read back. One
/// rendering at a time; a newer request replaces an older one, which stops
/// at its next pixel. Lives on the window's thread, as every call does.
class ResultRendering {
public:
    using Shown = std::function<void(const RenderedResult& result)>;

    /// shown runs on the window's thread with each finished rendering.
    explicit ResultRendering(Shown shown);
    ResultRendering(const ResultRendering&) = delete;
    ResultRendering& operator=(const ResultRendering&) = delete;
    /// Stops the rendering under way and waits for its thread.
    ~ResultRendering();

    /// The picture the renderings are drawn from, as opened.
    void setPicture(const WorkBitmap& picture);
    /// Draws the settings' result with the generator at seed; the picture
    /// itself comes from setPicture, the size from the settings (the
    /// picture's own where they give none).
    void request(const ConversionSettings& settings, std::uint32_t seed);
    /// The result as text and as plain HTML, for the clipboard: written by
    /// their writers off the window's thread, handed to copied on it (empty
    /// where a pass failed). A newer copy replaces one under way.
    using Copied = std::function<void(const QString& text, const QString& html)>;
    void copy(const ConversionSettings& settings, std::uint32_t seed, Copied copied);
    bool copying() const { return copying_; }

    /// Whether a rendering is under way or waiting.
    bool busy() const { return running_ || pending_.has_value(); }

    /// At most this many cells are drawn: a larger result is shown at a
    /// smaller size, in its proportion.
    static constexpr std::int64_t kMostCells = 160 * 120;

private:
    struct Request {
        ConversionSettings settings;
        std::uint32_t seed = 0;
    };
    void start(Request request);
    void finished(RenderedResult result);

    QObject windowContext_;
    Shown shown_;
    std::shared_ptr<const WorkBitmap> picture_;
    QTemporaryDir folder_;
    std::thread worker_;
    std::shared_ptr<std::atomic<bool>> cancel_;
    std::optional<Request> pending_;
    bool running_ = false;
    std::thread copyWorker_;
    std::shared_ptr<std::atomic<bool>> copyCancel_;
    bool copying_ = false;
};

} // namespace varnelo
