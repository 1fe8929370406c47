// Pictures load off the window's thread: the window answers while a big
// picture decodes, a newer preview replaces an older one, and closing stops
// what still decodes.
#include "ui/picture_loading.h"

#include "tests/support/hostile_pictures.h"
#include "tests/support/png_samples.h"
#include "tests/support/processes.h"
#include "tests/support/sanitizers.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/event_pump.h"
#include "tests/ui/window_fakes.h"
#include "ui/main_form.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <filesystem>

#include <gtest/gtest.h>

namespace varnelo {
namespace {

class PictureLoadingTest : public ::testing::Test {
protected:
    // A grey picture big enough to take a while to decode, small on disk.
    std::string bigPicture(const std::string& name, int side) {
        const std::string path = folder_.file(name);
        test::writeBytes(path, test::greyPngWithDataPastTheRows(side, side, false, 0, SIZE_MAX));
        return path;
    }
    std::string smallPicture(const std::string& name) {
        const std::string path = folder_.file(name);
        test::writeBytes(path, test::greyPngWithDataPastTheRows(3, 2, false, 0, SIZE_MAX));
        return path;
    }
    test::TempDir folder_;
};

TEST_F(PictureLoadingTest, TheWindowAnswersWhileAPictureDecodes) {
    const std::string path = bigPicture("big.png", 4096);
    test::TestClock clock{{}, test::kWindowClockTime};
    test::RecordingBoxes boxes;
    test::RecordingShell shell;
    test::ScriptedDialogs dialogs;
    MainForm form(MainFormServices{.clock = &clock,
                                   .messages = &boxes,
                                   .shell = &shell,
                                   .dialogs = &dialogs,
                                   .makeWriter = {},
                                   .makePictureLoading = makeThreadedPictureLoading});
    form.openPictureFile(path);
    EXPECT_TRUE(form.openingPicture()) << "the window's thread is not held up";
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(1);
    ASSERT_TRUE(test::pumpUntil([&] { return !form.openingPicture(); }, 60000));
    EXPECT_GT(ticks, 0) << "a timer of the window ran while the picture decoded";
    EXPECT_EQ(form.workBitmap().width(), 4096);
    EXPECT_EQ(form.controls().widthEdit->text(), "4096");
    EXPECT_EQ(form.sourcePath(), path);
}

TEST_F(PictureLoadingTest, ANewerLoadReplacesAnOlderOne) {
    const std::string big = bigPicture("big.png", 2048);
    const std::string small = smallPicture("small.png");
    const std::unique_ptr<PictureLoading> loading = makeThreadedPictureLoading();
    std::vector<std::string> done;
    loading->load(big, [&](const LoadOutcome&, WorkBitmap) { done.push_back("big"); });
    loading->load(small, [&](const LoadOutcome& outcome, WorkBitmap picture) {
        EXPECT_EQ(outcome.status, LoadStatus::Loaded);
        EXPECT_EQ(picture.width(), 3);
        done.push_back("small");
    });
    ASSERT_TRUE(test::pumpUntil([&] { return !loading->busy(); }));
    // Whatever the big one still delivers is dropped.
    test::pumpUntil([] { return false; }, 200);
    EXPECT_EQ(done, std::vector<std::string>{"small"});
}

// Stopped, or gone with the window, a load never reports, and what it still
// decodes ends: the loading waits for its threads when destroyed.
TEST_F(PictureLoadingTest, AStoppedLoadNeverReports) {
    const std::string big = bigPicture("big.png", 8192);
    bool reported = false;
    {
        const std::unique_ptr<PictureLoading> loading = makeThreadedPictureLoading();
        loading->load(big, [&](const LoadOutcome&, WorkBitmap) { reported = true; });
        loading->stop();
        EXPECT_FALSE(loading->busy());
        test::pumpUntil([] { return false; }, 50);
    }
    {
        const std::unique_ptr<PictureLoading> loading = makeThreadedPictureLoading();
        loading->load(big, [&](const LoadOutcome&, WorkBitmap) { reported = true; });
    }
    test::pumpUntil([] { return false; }, 50);
    EXPECT_FALSE(reported);
}

// Pictures opened one after another never decode side by side: each newer
// load ends the work of the one before it at once, even where a library
// decodes in one call nothing can stop.
TEST_F(PictureLoadingTest, OldWorkNeverPilesUp) {
    // 25 tiles of 1000 × 1000: a second of decoding each, within the
    // memory a load may take.
    const std::string path = folder_.file("grid.heic");
    test::writeBytes(path, test::gridOfOneTile(test::fastHeif(1000, 1000), 5, 5));
    const std::unique_ptr<PictureLoading> loading = makeThreadedPictureLoading();
    const int threadsBefore = test::threadsOfThisProcess();
    int reported = 0;
    for (int i = 0; i < 4; ++i) {
        loading->load(path, [&](const LoadOutcome&, WorkBitmap) { ++reported; });
        test::pumpUntil([] { return false; }, 100);
    }
    test::pumpUntil([] { return false; }, static_cast<int>(test::kCancelAnswered.count()));
    // The newest load's thread, and the process it waits for.
    EXPECT_LE(test::threadsOfThisProcess(), threadsBefore + 1);
    EXPECT_LE(test::childProcesses(), 1);
    loading->stop();
    // Reaped apart, once the kernel has freed it.
    test::pumpUntil([] { return test::childProcesses() == 0; }, 2000);
    EXPECT_EQ(test::childProcesses(), 0);
    EXPECT_EQ(reported, 0);
}

// A loading that delivers its picture only when the test says: the state
// of a picture still decoding, however fast the machine.
class HeldLoading : public PictureLoading {
public:
    void load(const std::string& path, Done done) override {
        path_ = path;
        done_ = std::move(done);
    }
    void stop() override { done_ = nullptr; }
    bool busy() const override { return done_ != nullptr; }
    void deliver() {
        Done done = std::move(done_);
        done_ = nullptr;
        makeImmediatePictureLoading()->load(path_, std::move(done));
    }

private:
    std::string path_;
    Done done_;
};

// Create pressed while the picture decodes converts it once it arrives;
// cancel meanwhile gives the conversion up; a picture that fails to load is
// refused as create refuses no picture.
TEST_F(PictureLoadingTest, CreateWaitsForThePictureBeingLoaded) {
    enum class Meanwhile { Nothing, Cancel, Fails };
    for (const Meanwhile meanwhile : {Meanwhile::Nothing, Meanwhile::Cancel, Meanwhile::Fails}) {
        test::TestClock clock{{}, test::kWindowClockTime};
        test::RecordingBoxes boxes;
        test::RecordingShell shell;
        test::ScriptedDialogs dialogs;
        HeldLoading* held = nullptr;
        MainForm form(MainFormServices{.clock = &clock,
                                       .messages = &boxes,
                                       .shell = &shell,
                                       .dialogs = &dialogs,
                                       .makeWriter = {},
                                       .makePictureLoading = [&held] {
                                           auto loading = std::make_unique<HeldLoading>();
                                           held = loading.get(); // the last made: the picture's
                                           return loading;
                                       }});
        const MainFormControls& c = form.controls();
        std::string picture = smallPicture("small.png");
        if (meanwhile == Meanwhile::Fails) {
            picture = folder_.file("not-a-picture.png");
            test::writeBytes(picture, {'n', 'o'});
        }
        form.openPictureFile(picture);
        form.startConversion();
        EXPECT_EQ(c.statusLabel->text(), "loading picture...");
        EXPECT_FALSE(c.createButton->isEnabled());
        EXPECT_TRUE(c.cancelButton->isEnabled());
        if (meanwhile == Meanwhile::Cancel) {
            form.cancelConversion();
            EXPECT_EQ(c.statusLabel->text(), "cancelled!");
            EXPECT_TRUE(c.createButton->isEnabled());
        }
        held->deliver();
        ASSERT_TRUE(test::pumpUntil([&] { return !form.conversionRunning(); }));
        // Where the picture, once loaded, proposed to write.
        const std::string output = c.outputFileEdit->text().toStdString();
        EXPECT_TRUE(c.createButton->isEnabled());
        EXPECT_FALSE(c.cancelButton->isEnabled());
        EXPECT_EQ(std::filesystem::exists(output), meanwhile == Meanwhile::Nothing)
            << static_cast<int>(meanwhile);
        std::filesystem::remove(output);
        if (meanwhile == Meanwhile::Nothing) {
            EXPECT_TRUE(c.statusLabel->text().startsWith("ready - done in "))
                << c.statusLabel->text().toStdString();
        }
        if (meanwhile == Meanwhile::Fails) {
            ASSERT_FALSE(boxes.shown.isEmpty());
            EXPECT_EQ(boxes.shown.back(), "Information: please select a valid imagefile!");
        }
    }
}

} // namespace
} // namespace varnelo
