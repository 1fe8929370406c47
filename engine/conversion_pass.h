#pragma once

#include "engine/conversion_settings.h"
#include "engine/document_lines.h"
#include "engine/output_writer.h"
#include "engine/status_sink.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string_view>

namespace varnelo {

class Clock;
class RandomGenerator;

/// What a conversion tells its caller: the window, the command-line tool,
/// or a test. Every call comes from the conversion's thread, at most once
/// per picture line for status and progress.
class PassObserver : public StatusSink {
public:
    virtual void setProgressRange(int maximum) = 0;
    virtual void setProgressPosition(int position) = 0;
    /// A message box with the title "Error" and the error icon.
    virtual void showError(std::string_view text) = 0;
};

enum class PassEnd : std::uint8_t {
    Done,      ///< the output is written
    Cancelled, ///< cancelled, or refused before anything was drawn; nothing written
    Failed,    ///< the picture or the output file failed; nothing written
};

/// What a writer may use while a conversion runs.
struct WriterContext {
    DocumentLines& lines;
    PassObserver& observer;
    RandomGenerator& random;
    const std::atomic<bool>& cancelRequested;
};

/// Makes the writer of the settings' output format.
using WriterFactory =
    std::function<std::unique_ptr<OutputWriter>(const ConversionSettings&, WriterContext&)>;

/// The largest picture a conversion scales to. Larger sizes are refused
/// before any memory is taken for them.
inline constexpr std::int64_t kMaxConversionPixels = std::int64_t{1} << 26;
inline constexpr std::int64_t kMaxConversionSide = 65535;

/// One conversion, from loading the picture to writing the output. It owns
/// its settings, picture and document, so nothing the window does while it
/// runs can disturb it. run() is called once, on the conversion's thread;
/// it stops within one pixel of cancelRequested being set and then makes no
/// further call to the observer and writes nothing.
class ConversionPass {
public:
    ConversionPass(ConversionSettings settings, RandomGenerator& random, const Clock& clock,
                   PassObserver& observer, const std::atomic<bool>& cancelRequested,
                   WriterFactory makeWriter);

    PassEnd run();

private:
    bool cancelled() const { return cancelRequested_.load(std::memory_order_relaxed); }
    PassEnd fail(std::string_view message, std::string_view status);
    PassEnd saveDocument();

    ConversionSettings settings_;
    RandomGenerator& random_;
    const Clock& clock_;
    PassObserver& observer_;
    const std::atomic<bool>& cancelRequested_;
    WriterFactory makeWriter_;
    DocumentLines lines_;
};

/// Writes the lines, each followed by CR LF, to path through a temporary
/// file, so that a failure or cancel leaves any existing file untouched.
WriteOutcome writeDocument(const DocumentLines& lines, const std::string& path,
                           const std::atomic<bool>& cancelRequested);

/// The message of a file that could not be written: failed saving "path"!,
/// CR LF, and the system's reason.
std::string savingFailedMessage(const std::string& path, std::string_view reason);

} // namespace varnelo
