#include "ui/conversion_controller.h"

#include "engine/random_generator.h"
#include "tests/support/picture_files.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_clock.h"
#include "tests/ui/event_pump.h"
#include "tests/ui/gated_writer.h"
#include "ui/conversion_view.h"
#include "ui/pass_end_texts.h"
#include "writers/output_writer_factory.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <new>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace varnelo {
namespace {

using namespace std::chrono_literals;

const char* endName(PassEnd end) {
    switch (end) {
    case PassEnd::Done:
        return "Done";
    case PassEnd::Cancelled:
        return "Cancelled";
    case PassEnd::Refused:
        return "Refused";
    case PassEnd::Failed:
        return "Failed";
    }
    return "?";
}

// Records every call as text; any call off the window thread is a fault.
class RecordingView final : public ConversionView {
public:
    void showStatus(const QString& text) override { record("status " + text.toStdString()); }
    void setProgressRange(int maximum) override { record("range " + std::to_string(maximum)); }
    void setProgressPosition(int position) override {
        record("position " + std::to_string(position));
    }
    // Records what the window would show of the end, then the end itself.
    void conversionEnded(const PassResult& result) override {
        ++ends;
        const PassEndTexts texts = passEndTexts(result);
        if (!texts.errorBox.isEmpty())
            record("error " + texts.errorBox.toStdString());
        if (!texts.status.isEmpty())
            record("status " + texts.status.toStdString());
        record(std::string("ended ") + endName(result.end));
        if (onEnded)
            onEnded();
    }

    std::vector<std::string> calls;
    int ends = 0;
    bool offWindowThread = false;
    std::function<void()> onEnded;

private:
    void record(std::string call) {
        if (QThread::currentThread() != QCoreApplication::instance()->thread())
            offWindowThread = true;
        calls.push_back(std::move(call));
    }
};

// Cancels just before the window thread delivers the first queued change.
class CancelOnFirstChange final : public QObject {
public:
    explicit CancelOnFirstChange(ConversionController& conversion) : conversion_(conversion) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MetaCall && !cancelled) {
            conversion_.cancel();
            cancelled = true;
        }
        return false;
    }
    bool cancelled = false;

private:
    ConversionController& conversion_;
};

class ConversionControllerTest : public ::testing::Test {
protected:
    ConversionControllerTest() {
        settings_.sourcePath = folder_.file("picture.bmp");
        settings_.outputPath = folder_.file("out.html");
        settings_.outputFormat = OutputFormat::PlainHtml;
        settings_.imageWidth = 2;
        settings_.imageHeight = 2;
        test::writeBmpFile(settings_.sourcePath, 2, 2, [](int x, int y) {
            return x == y ? makeRgb(200, 0, 40) : makeRgb(0, 200, 40);
        });
    }

    ConversionController& controller(WriterFactory makeWriter = makeOutputWriter) {
        controller_.emplace(view_, random_, clock_, std::move(makeWriter));
        return *controller_;
    }

    WriterFactory gatedFactory() {
        return [this](const ConversionSettings& settings, WriterContext& context) {
            return std::make_unique<test::GatedWriter>(makeOutputWriter(settings, context), gate_);
        };
    }

    bool outputExists() const { return std::filesystem::exists(settings_.outputPath); }

    test::TempDir folder_;
    ConversionSettings settings_;
    RandomGenerator random_{1};
    test::TestClock clock_;
    RecordingView view_;
    test::Gate gate_;
    std::optional<ConversionController> controller_; // destroyed before the fakes
};

TEST_F(ConversionControllerTest, HandsEveryStepToTheWindowInOrderThenTheEnd) {
    ConversionController& conversion = controller();
    ASSERT_TRUE(conversion.start(settings_));
    EXPECT_TRUE(conversion.running());
    // The generator is the worker's until the pass ends: a second pass is refused.
    ConversionSettings other = settings_;
    other.outputPath = folder_.file("other.html");
    EXPECT_FALSE(conversion.start(other));

    ASSERT_TRUE(test::pumpUntil([&] { return view_.ends > 0; }));
    const std::vector<std::string> expected = {
        "range 2",          "status processing image line 0 of 2...",
        "position 0",       "status processing image line 1 of 2...",
        "position 1",       "position 2",
        "status saving...", "status ready - done in 0 ms",
        "ended Done",
    };
    // The window takes the steps at its own pace: those given while it was
    // busy reach it as the latest of each kind, in order, never a later one
    // before an earlier one; the range, the full bar, the last status and
    // the end always arrive.
    auto next = expected.begin();
    for (const std::string& call : view_.calls) {
        next = std::find(next, expected.end(), call);
        ASSERT_NE(next, expected.end()) << call << " out of order";
        ++next;
    }
    for (const char* always : {"range 2", "position 2", "status ready - done in 0 ms"})
        EXPECT_NE(std::find(view_.calls.begin(), view_.calls.end(), always), view_.calls.end())
            << always;
    EXPECT_EQ(view_.calls.back(), "ended Done");
    EXPECT_FALSE(view_.offWindowThread);
    EXPECT_FALSE(conversion.running());
    EXPECT_TRUE(outputExists());
    EXPECT_FALSE(std::filesystem::exists(other.outputPath));
    EXPECT_NE(random_.seed(), 1u); // the worker drew the characters
}

TEST_F(ConversionControllerTest, CancelStopsTheViewCallsAtOnceWithoutWaitingAndWritesNothing) {
    ConversionController& conversion = controller(gatedFactory());
    ASSERT_TRUE(conversion.start(settings_));
    ASSERT_TRUE(test::pumpUntil([&] { return gate_.reached(); }));
    const std::vector<std::string> beforeCancel = view_.calls;

    // The worker is held inside the pass; cancel must return all the same.
    conversion.cancel();
    EXPECT_FALSE(conversion.running());
    gate_.open();
    conversion.shutDown(); // joins the worker, which now stops within a pixel
    QCoreApplication::processEvents();
    EXPECT_EQ(view_.calls, beforeCancel);
    EXPECT_EQ(view_.ends, 0);
    EXPECT_FALSE(outputExists());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.path()), {}), 1);

    // The next pass gets a hand-off of its own, not the released one.
    view_.calls.clear();
    ASSERT_TRUE(conversion.start(settings_));
    ASSERT_TRUE(test::pumpUntil([&] { return view_.ends > 0; }));
    EXPECT_EQ(view_.calls.back(), "ended Done");
    EXPECT_TRUE(outputExists());
}

TEST_F(ConversionControllerTest, ACancelBeatsAChangeTheWorkerHasAlreadyQueued) {
    // The user's cancel is handled while the pass's first change still waits
    // in the queue: that change must not reach the view.
    // The worker does not wait for the window: the gate holds it inside
    // the pass, after its first steps, until the cancel is made.
    ConversionController& conversion = controller(gatedFactory());
    CancelOnFirstChange cancelFirst(conversion);
    QCoreApplication::instance()->installEventFilter(&cancelFirst);
    ASSERT_TRUE(conversion.start(settings_));
    ASSERT_TRUE(test::pumpUntil([&] { return cancelFirst.cancelled; }));
    QCoreApplication::instance()->removeEventFilter(&cancelFirst);
    gate_.open();
    conversion.shutDown();
    QCoreApplication::processEvents();
    EXPECT_TRUE(view_.calls.empty());
    EXPECT_FALSE(outputExists());
}

TEST_F(ConversionControllerTest, ClosingWhileTheWorkerWaitsForTheWindowReturnsPromptly) {
    ConversionController& conversion = controller();
    ASSERT_TRUE(conversion.start(settings_));
    // The window processes no events: the worker hands its progress over
    // without waiting, finishes the pass and then waits for the window to
    // take the end. Closing must be prompt at that point too.
    QElapsedTimer waited;
    waited.start();
    while (!outputExists() && waited.elapsed() < 5000)
        std::this_thread::sleep_for(1ms);
    ASSERT_TRUE(outputExists());
    QElapsedTimer elapsed;
    elapsed.start();
    controller_.reset();
    EXPECT_LT(elapsed.elapsed(), 2000);
    QCoreApplication::processEvents();
    EXPECT_TRUE(view_.calls.empty());
    EXPECT_EQ(view_.ends, 0);
    // The output is whole, and nothing else is left beside the picture.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.path()), {}), 2);
}

TEST_F(ConversionControllerTest, AnUnwritableOutputIsShownAsAnErrorAndEndsAsFailed) {
    // The path is UTF-8, the system's encoding here, and must reach the
    // message unchanged.
    settings_.outputPath = folder_.file("fehlt-\xC3\xBC/out.html");
    ConversionController& conversion = controller();
    ASSERT_TRUE(conversion.start(settings_));
    ASSERT_TRUE(test::pumpUntil([&] { return view_.ends > 0; }));
    ASSERT_GE(view_.calls.size(), 3u);
    const std::vector<std::string> tail(view_.calls.end() - 3, view_.calls.end());
    EXPECT_EQ(tail[0],
              "error failed saving \"" + settings_.outputPath + "\"!\r\nNo such file or directory");
    EXPECT_EQ(tail[1], "status saving failed!");
    EXPECT_EQ(tail[2], "ended Failed");
    EXPECT_FALSE(conversion.running());
}

TEST_F(ConversionControllerTest, AnExceptionInThePassEndsItAsFailedInsteadOfEndingTheProgram) {
    ConversionController& conversion =
        controller([](const ConversionSettings&, WriterContext&) -> std::unique_ptr<OutputWriter> {
            throw std::bad_alloc();
        });
    ASSERT_TRUE(conversion.start(settings_));
    ASSERT_TRUE(test::pumpUntil([&] { return view_.ends > 0; }));
    const std::vector<std::string> tail(view_.calls.end() - 3, view_.calls.end());
    EXPECT_EQ(tail[0], "error not enough memory for a picture of this size!");
    EXPECT_EQ(tail[2], "ended Failed");
    EXPECT_FALSE(conversion.running());
    EXPECT_FALSE(outputExists());
}

TEST_F(ConversionControllerTest, TheWindowMayStartTheNextPassFromConversionEnded) {
    // The worker of the first pass still waits for conversionEnded to return
    // while the window starts the second one, which joins that worker.
    ConversionController& conversion = controller();
    bool restarted = false;
    view_.onEnded = [&] {
        if (!restarted)
            restarted = conversion.start(settings_);
    };
    ASSERT_TRUE(conversion.start(settings_));
    ASSERT_TRUE(test::pumpUntil([&] { return view_.ends == 2; }));
    EXPECT_TRUE(restarted);
    EXPECT_EQ(view_.calls.back(), "ended Done");
    EXPECT_FALSE(conversion.running());
}

} // namespace
} // namespace varnelo
