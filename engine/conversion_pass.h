#pragma once

#include "base/pass_progress.h"
#include "base/picture_limits.h"
#include "engine/conversion_settings.h"
#include "engine/document_lines.h"
#include "engine/glyph_shape.h"
#include "engine/output_file.h"
#include "engine/output_writer.h"
#include "engine/pass_result.h"
#include "engine/shape_matching.h"
#include "engine/two_colour_fit.h"

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

namespace varnelo {

class Clock;
class RandomGenerator;
class WorkBitmap;
class DocumentSaver;

/// What a conversion shows while it runs: the window, the command-line
/// tool, or a test. Every call comes from the conversion's thread, at most
/// once per picture line. How the conversion ended is its result, not a call.
class PassObserver : public ProgressSink {
public:
    virtual void setProgressRange(int maximum) = 0;
    virtual void setProgressPosition(int position) = 0;
};

/// What a writer may use while a conversion runs.
struct WriterContext {
    DocumentLines& lines;
    PassObserver& observer;
    RandomGenerator& random;
    const std::atomic<bool>& cancelRequested;
    /// Opens the output file of a writer that writes its own.
    const OutputOpener& openOutput;
};

/// Makes the writer of the settings' output format.
using WriterFactory =
    std::function<std::unique_ptr<OutputWriter>(const ConversionSettings&, WriterContext&)>;

/// Below about a million pixels a second thread costs more than it saves.
inline constexpr std::int64_t kSecondLineThreadFromPixels = std::int64_t{1} << 20;

class LineDelivery;
class LineBands;

/// One conversion, from loading the picture to writing the output. It owns
/// its settings, picture and document, so nothing the window does while it
/// runs can disturb it. One of the run functions is called once, on the
/// conversion's thread; it stops within one pixel of cancelRequested being
/// set and then makes no further call to the observer and writes nothing.
class ConversionPass {
public:
    ConversionPass(ConversionSettings settings, RandomGenerator& random, const Clock& clock,
                   PassObserver& observer, const std::atomic<bool>& cancelRequested,
                   WriterFactory makeWriter, OutputOpener openOutput);

    /// Loads the picture from the settings' sourcePath, then converts it.
    PassResult run();
    /// Converts a picture its caller has loaded already from sourcePath.
    PassResult run(WorkBitmap picture);

    /// From how many pixels on the lines are built on two threads, where
    /// the writer and the mode allow it; the bytes are the same either way.
    void setSecondThreadFrom(std::int64_t pixels) { secondThreadFrom_ = pixels; }
    /// Where shapes mode learns how its candidate characters draw.
    void setGlyphShaper(GlyphShaper shaper) { glyphShaper_ = std::move(shaper); }
    /// The cells of a mode that reads them, matched from the picture's
    /// detail while it loaded, for these settings: the pass takes them
    /// instead of matching the picture it is given.
    struct MatchedCells {
        WorkBitmap colors;
        ShapeTexts texts;
    };
    void setMatchedCells(MatchedCells cells) { matched_ = std::move(cells); }

private:
    bool cancelled() const { return cancelRequested_.load(std::memory_order_relaxed); }
    PassResult savingFailed(std::string reason) const;
    /// How a write ends the pass: cancelled, failed, or not at all.
    std::optional<PassResult> endOf(const WriteOutcome& outcome) const;

    // The steps of run, each ending the pass early with its result.
    /// Checks the size, scales the picture and reduces its colours.
    std::optional<PassResult> prepare(WorkBitmap& picture);
    /// The modes that read the picture's detail under each cell (shapes,
    /// symbols): chooses every pixel's text from it and leaves the picture
    /// of the cells' colours; prepared false when memory ran out.
    std::optional<PassResult> matchPictureCells(WorkBitmap& picture, bool& prepared);
    /// Hands every line to the writer, on two threads where it helps, and
    /// delivers the lines as they are built.
    std::optional<PassResult> produceLines(OutputWriter& writer, const WorkBitmap& picture,
                                           LineDelivery& delivery);
    /// Builds the lines in bands on two threads, writing them as they are done.
    std::optional<PassResult> produceInBands(LineBands& bands, LineDelivery& delivery, int height);
    /// Finishes the writer's output and saves the document lines left.
    PassResult deliver(OutputWriter& writer, LineDelivery& delivery, int height);

    ConversionSettings settings_;
    RandomGenerator& random_;
    const Clock& clock_;
    PassObserver& observer_;
    const std::atomic<bool>& cancelRequested_;
    WriterFactory makeWriter_;
    OutputOpener openOutput_;
    DocumentLines lines_;
    std::int64_t secondThreadFrom_ = kSecondLineThreadFromPixels;
    GlyphShaper glyphShaper_;
    ShapeTexts shapeTexts_;
    std::optional<MatchedCells> matched_;
};

/// Where the settings send the output.
OutputTarget outputTarget(const ConversionSettings& settings);

/// Writes document lines, each followed by lineEnd, to the target opened
/// by openOutput at the first write: usually through a temporary file,
/// which only commit makes the output, so that a failure or cancel leaves
/// any existing file untouched.
class DocumentSaver {
public:
    DocumentSaver(OutputTarget target, std::string_view lineEnd, OutputOpener openOutput);
    ~DocumentSaver();
    DocumentSaver(const DocumentSaver&) = delete;
    DocumentSaver& operator=(const DocumentSaver&) = delete;

    WriteOutcome write(const DocumentLines& lines, const std::atomic<bool>& cancelRequested);
    /// Writes the last lines and makes the file the output.
    WriteOutcome commit(const DocumentLines& lines, const std::atomic<bool>& cancelRequested);

private:
    OutputTarget target_;
    std::string lineEnd_;
    OutputOpener openOutput_;
    std::unique_ptr<OutputFile> file_;
};

} // namespace varnelo
