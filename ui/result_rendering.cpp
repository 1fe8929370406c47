#include "ui/result_rendering.h"

#include "engine/character_modes.h"
#include "engine/codepages.h"
#include "engine/conversion_pass.h"
#include "engine/random_generator.h"
#include "engine/symbol_sets.h"
#include "library/chosen_conversion.h"
#include "platform/system_clock.h"
#include "writers/atomic_file.h"
#include "writers/output_writer_factory.h"

#include <QFile>
#include <QMetaObject>

#include <cmath>
#include <exception>

namespace varnelo {

namespace {

class SilentObserver final : public PassObserver {
public:
    void showProgress(const PassProgress& /*progress*/) override {}
    void setProgressRange(int /*maximum*/) override {}
    void setProgressPosition(int /*position*/) override {}
};

// The settings drawn: the PNG output at the settings' size, or the
// picture's own, brought within kMostCells in its proportion.
ConversionSettings renderedSettings(ConversionSettings settings, const WorkBitmap& picture,
                                    const std::string& path,
                                    std::optional<std::pair<int, int>>& shrunkFrom) {
    // Symbols draw with the set of the output asked for.
    if (drawsTwoColourSymbols(settings.transformation) && settings.symbols.empty())
        settings.symbols = std::string(defaultSymbolSet(settings.outputFormat));
    settings.outputFormat = OutputFormat::Image;
    settings.imageFormat = ImageFormat::Png;
    settings.outputPath = path;
    settings.outputNameBase.clear();
    int width = settings.imageWidth > 0 ? settings.imageWidth : picture.width();
    int height = settings.imageHeight > 0 ? settings.imageHeight : picture.height();
    const std::int64_t cells = std::int64_t{width} * height;
    if (cells > ResultRendering::kMostCells) {
        shrunkFrom = std::pair{width, height};
        const double scale = std::sqrt(static_cast<double>(ResultRendering::kMostCells) /
                                       static_cast<double>(cells));
        width = std::max(1, static_cast<int>(width * scale));
        height = std::max(1, static_cast<int>(height * scale));
    }
    settings.imageWidth = width;
    settings.imageHeight = height;
    return settings;
}

// Writes the settings' output from the picture, with the generator at
// seed: whether it was written, not stopped.
bool written(const ConversionSettings& settings, std::uint32_t seed, const WorkBitmap& picture,
             const std::atomic<bool>& cancel) {
    try {
        SilentObserver observer;
        RandomGenerator random(seed);
        const SystemClock clock;
        return convertChosen(settings,
                             {random, clock, observer, cancel, makeOutputWriter, openAtomicOutput},
                             &picture)
                       .end == PassEnd::Done &&
               !cancel.load();
    } catch (const std::exception&) {
        return false; // nothing to show: the next change tries again
    }
}

} // namespace

ResultRendering::ResultRendering(Shown shown) : shown_(std::move(shown)) {}

ResultRendering::~ResultRendering() {
    for (const auto& cancel : {cancel_, copyCancel_})
        if (cancel)
            cancel->store(true);
    if (worker_.joinable())
        worker_.join();
    if (copyWorker_.joinable())
        copyWorker_.join();
}

void ResultRendering::copy(const ConversionSettings& settings, std::uint32_t seed, Copied copied) {
    if (picture_ == nullptr || picture_->isEmpty() || !folder_.isValid())
        return;
    if (copyCancel_)
        copyCancel_->store(true);
    if (copyWorker_.joinable())
        copyWorker_.join(); // stops at its next pixel
    copying_ = true;
    copyCancel_ = std::make_shared<std::atomic<bool>>(false);
    const std::string folder = folder_.path().toStdString();
    copyWorker_ = std::thread([this, settings, seed, picture = picture_, cancel = copyCancel_,
                               folder, copied = std::move(copied)] {
        // Each from the same draws, as the output would be.
        const auto bytesOf = [&](OutputFormat format, const char* name) {
            ConversionSettings asked = settings;
            asked.outputFormat = format;
            asked.outputPath = folder + "/" + name;
            asked.outputNameBase.clear();
            QFile file(QString::fromStdString(asked.outputPath));
            return written(asked, seed, *picture, *cancel) && file.open(QIODevice::ReadOnly)
                       ? file.readAll()
                       : QByteArray();
        };
        const QByteArray text = bytesOf(OutputFormat::PlainText, "copy.txt");
        const QByteArray html = bytesOf(OutputFormat::PlainHtml, "copy.html");
        // The HTML of the seven modes is Windows-1252; text is UTF-8.
        const QString htmlText = QString::fromStdString(windows1252ToUtf8(
            std::string_view(html.constData(), static_cast<std::size_t>(html.size()))));
        QMetaObject::invokeMethod(
            &windowContext_,
            [this, cancel, copied, text = QString::fromUtf8(text), htmlText] {
                if (cancel->load())
                    return;
                copying_ = false;
                copied(text, htmlText);
            },
            Qt::QueuedConnection);
    });
}

void ResultRendering::setPicture(const WorkBitmap& picture) {
    picture_ = std::make_shared<const WorkBitmap>(picture);
}

void ResultRendering::request(const ConversionSettings& settings, std::uint32_t seed) {
    if (picture_ == nullptr || picture_->isEmpty() || !folder_.isValid())
        return;
    pending_ = Request{settings, seed};
    if (running_) {
        // The newer request replaces the one under way.
        cancel_->store(true);
        return;
    }
    Request next = std::move(*pending_);
    pending_.reset();
    start(std::move(next));
}

void ResultRendering::start(Request request) {
    if (worker_.joinable())
        worker_.join(); // ended already: its result has been handed over
    running_ = true;
    cancel_ = std::make_shared<std::atomic<bool>>(false);
    const std::string path = folder_.filePath(QStringLiteral("result.png")).toStdString();
    worker_ = std::thread(
        [this, request = std::move(request), picture = picture_, cancel = cancel_, path] {
            RenderedResult result;
            const ConversionSettings settings =
                renderedSettings(request.settings, *picture, path, result.shrunkFrom);
            result.columns = settings.imageWidth;
            result.cells = pixelIsACell(settings.transformation);
            result.lines = settings.imageHeight;
            if (written(settings, request.seed, *picture, *cancel))
                result.image.load(QString::fromStdString(path), "PNG");
            // The window takes it, or starts what waits, on its own thread.
            QMetaObject::invokeMethod(
                &windowContext_, [this, result = std::move(result)] { finished(result); },
                Qt::QueuedConnection);
        });
}

void ResultRendering::finished(RenderedResult result) {
    running_ = false;
    if (pending_) {
        Request next = std::move(*pending_);
        pending_.reset();
        start(std::move(next));
        return;
    }
    if (!result.image.isNull() && shown_)
        shown_(result);
}

} // namespace varnelo
