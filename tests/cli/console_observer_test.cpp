#include "cli/console_observer.h"

#include <gtest/gtest.h>

#include <sstream>

namespace varnelo {
namespace {

TEST(CliConsoleObserver, PrintsEachMessageWithThePicture) {
    std::ostringstream err;
    ConsoleObserver quiet(err, false, "a.bmp");
    quiet.report("first!");
    quiet.showStatus("hidden");
    quiet.report("second");
    quiet.finish();
    EXPECT_EQ(err.str(), "a.bmp: first!\na.bmp: second\n");

    // On a terminal a shorter status blanks the rest of the longer one, and
    // a message starts on a line of its own.
    err.str("");
    ConsoleObserver terminal(err, true, "a.bmp");
    terminal.showStatus("resizing image...");
    terminal.showStatus("saving...");
    terminal.report("failed!");
    terminal.showStatus("x");
    terminal.finish();
    terminal.finish();
    EXPECT_EQ(err.str(), "\ra.bmp: resizing image...\ra.bmp: saving...        \na.bmp: failed!\n"
                         "\ra.bmp: x\n");

    // A concluding line takes the progress line's place, blanking what it
    // does not cover.
    err.str("");
    ConsoleObserver concluded(err, true, "a.bmp");
    concluded.showStatus("processing line 1 of 90");
    concluded.conclude("a.bmp \u2192 a.html");
    concluded.finish();
    concluded.conclude("again");
    EXPECT_EQ(err.str(), "\ra.bmp: processing line 1 of 90\ra.bmp \u2192 a.html" +
                             std::string(16, ' ') + "\nagain\n");
}

} // namespace
} // namespace varnelo
