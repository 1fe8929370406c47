#include "cli/console_observer.h"

#include <gtest/gtest.h>

namespace varnelo {
namespace {

TEST(CliConsoleObserver, PrintsEachMessageWithThePicture) {
    StringConsoleStream err;
    ConsoleObserver quiet(err, false, "a.bmp");
    quiet.report("first!");
    quiet.showProgress(PassProgress::of(PassStage::Resizing));
    quiet.report("second");
    quiet.finish();
    EXPECT_EQ(err.str(), "a.bmp: first!\na.bmp: second\n");

    // On a terminal a shorter status blanks the rest of the longer one, and
    // a message starts on a line of its own.
    err.str("");
    ConsoleObserver terminal(err, true, "a.bmp");
    terminal.showProgress(PassProgress::of(PassStage::Resizing));
    terminal.showProgress(PassProgress::of(PassStage::Saving));
    terminal.report("failed!");
    terminal.showProgress(PassProgress::done(7));
    terminal.finish();
    terminal.finish();
    EXPECT_EQ(err.str(), "\ra.bmp: resizing image...\ra.bmp: saving...        \na.bmp: failed!\n"
                         "\ra.bmp: ready - done in 7 ms\n");

    // A concluding line takes the progress line's place, blanking what it
    // does not cover.
    err.str("");
    ConsoleObserver concluded(err, true, "a.bmp");
    concluded.showProgress(PassProgress::drawing(1, 90));
    concluded.conclude("a.bmp \u2192 a.html");
    concluded.finish();
    concluded.conclude("again");
    EXPECT_EQ(err.str(), "\ra.bmp: processing image line 1 of 90...\ra.bmp \u2192 a.html" +
                             std::string(25, ' ') + "\nagain\n");
}

} // namespace
} // namespace varnelo
