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
    EXPECT_EQ(err.str(), "\rresizing image...\rsaving...        \na.bmp: failed!\n\rx\n");
}

} // namespace
} // namespace varnelo
