// A picture dragged from a file manager onto the window.
#include "tests/support/avif_samples.h"
#include "tests/support/heif_samples.h"
#include "tests/support/jxl_samples.h"
#include "tests/support/picture_files.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tiff_samples.h"
#include "tests/support/webp_samples.h"
#include "tests/ui/event_pump.h"
#include "tests/ui/gated_writer.h"
#include "tests/ui/window_fakes.h"
#include "ui/color_swatch.h"
#include "ui/main_form.h"
#include "ui/picture_drop.h"
#include "ui/picture_loading.h"
#include "ui/preview_panel.h"
#include "writers/output_writer_factory.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

#include <gtest/gtest.h>

#include <fstream>

namespace varnelo {
namespace {

class PictureDrop : public ::testing::Test {
protected:
    std::unique_ptr<MainForm> makeForm(WriterFactory factory = {}) {
        return std::make_unique<MainForm>(
            MainFormServices{.clock = &clock_,
                             .messages = &boxes_,
                             .shell = &shell_,
                             .dialogs = &dialogs_,
                             .makeWriter = std::move(factory),
                             .makePictureLoading = makeImmediatePictureLoading});
    }

    std::string picture(const char* name, int width, int height) {
        const std::string path = folder_.file(name);
        test::writeBmpFile(path, width, height, [](int x, int y) {
            return makeRgb(static_cast<std::uint32_t>(10 + x), static_cast<std::uint32_t>(y), 7);
        });
        return path;
    }

    static QMimeData* filesData(const QList<QUrl>& urls) {
        auto* data = new QMimeData;
        data->setUrls(urls);
        return data;
    }

    static QUrl fileUrl(const std::string& path) {
        return QUrl::fromLocalFile(QString::fromStdString(path));
    }

    // Drags the data over the window and drops it; whether the window took it.
    static bool drop(MainForm& form, const QMimeData& data) {
        const QPointF middle(form.width() / 2.0, form.height() / 2.0);
        QDragEnterEvent enter(middle.toPoint(), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(&form, &enter);
        QDropEvent dropped(middle, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&form, &dropped);
        return enter.isAccepted() && dropped.isAccepted();
    }

    test::TempDir folder_;
    test::TestClock clock_{{}, test::kWindowClockTime};
    test::RecordingBoxes boxes_;
    test::RecordingShell shell_;
    test::ScriptedDialogs dialogs_;
};

TEST_F(PictureDrop, ADroppedFileIsTakenAsTheOpenDialogTakesIt) {
    // A BMP under a JPEG's name: both read it by its bytes.
    const std::string path = picture("dropped.jpeg", 40, 30);
    const auto dropped = makeForm();
    const auto opened = makeForm();
    std::unique_ptr<QMimeData> data(filesData({fileUrl(path)}));
    ASSERT_TRUE(drop(*dropped, *data));
    dialogs_.openAnswers.push_back([&](test::ScriptedDialogs& d, QWidget*, const auto&) {
        d.chosenFileName = QString::fromStdString(path);
        return true;
    });
    opened->openPicture();
    // As `varnelo PICTURE` opens it, from a desktop's "Open With".
    const auto named = makeForm();
    named->openDroppedPicture(path);

    for (const MainForm* form : {dropped.get(), opened.get(), named.get()}) {
        const MainFormControls& c = form->controls();
        EXPECT_EQ(form->sourcePath(), path);
        EXPECT_EQ(c.outputFileEdit->text().toStdString(), folder_.file("dropped.html"));
        EXPECT_EQ(c.widthEdit->text(), QStringLiteral("40"));
        EXPECT_EQ(c.heightEdit->text(), QStringLiteral("30"));
        EXPECT_EQ(c.colorDepthList->currentText(), QStringLiteral("24bit"));
        EXPECT_EQ(c.colorSwatch->color(), QColor(10, 0, 7)) << "the top-left pixel";
        EXPECT_EQ(form->workBitmap().width(), 40);
    }
    EXPECT_EQ(dialogs_.shownFilters.size(), 1) << "the drop shows no dialog";
}

// WebP, AVIF, HEIC, TIFF and JPEG XL, each under its own extension: the
// dialog previews and opens them, a drop and `varnelo PICTURE` open them.
TEST_F(PictureDrop, EveryPictureTypeOpensByDialogDropAndName) {
    const test::ColorAt colours = [](int x, int y) {
        return makeRgb(static_cast<std::uint32_t>(90 + x), static_cast<std::uint32_t>(60 + y), 150);
    };
    struct Made {
        const char* name;
        std::vector<std::uint8_t> bytes;
        int colourError; ///< what a lossy encoding may move a colour by
    };
    const Made made[] = {{"web.webp", test::encodeWebp(40, 30, colours), 0},
                         {"photo.avif", test::encodeAvif(40, 30, colours), 0},
                         {"phone.heic", test::encodeHeif(40, 30, colours), 4},
                         {"scan.tif", test::encodeTiff(40, 30, colours), 0},
                         {"new.jxl", test::encodeJxl(40, 30, colours), 0}};
    for (const Made& picture : made) {
        SCOPED_TRACE(picture.name);
        const std::string path = folder_.file(picture.name);
        test::writeBytes(path, picture.bytes);
        const auto dropped = makeForm();
        std::unique_ptr<QMimeData> data(filesData({fileUrl(path)}));
        ASSERT_TRUE(drop(*dropped, *data));
        const auto opened = makeForm();
        QColor previewed;
        dialogs_.openAnswers.push_back([&](test::ScriptedDialogs& d, QWidget*,
                                           const auto& selected) {
            selected(QString::fromStdString(path));
            previewed =
                opened->controls().previewPanel->previewBox()->grab().toImage().pixelColor(0, 0);
            d.chosenFileName = QString::fromStdString(path);
            return true;
        });
        opened->openPicture();
        const auto named = makeForm();
        named->openDroppedPicture(path);

        const auto near = [&](const QColor& colour) {
            return std::abs(colour.red() - 90) <= picture.colourError &&
                   std::abs(colour.green() - 60) <= picture.colourError &&
                   std::abs(colour.blue() - 150) <= picture.colourError;
        };
        EXPECT_TRUE(near(previewed)) << previewed.name().toStdString();
        for (const MainForm* form : {dropped.get(), opened.get(), named.get()}) {
            const MainFormControls& c = form->controls();
            EXPECT_EQ(form->sourcePath(), path);
            EXPECT_EQ(c.widthEdit->text(), QStringLiteral("40"));
            EXPECT_EQ(c.heightEdit->text(), QStringLiteral("30"));
            EXPECT_EQ(c.colorDepthList->currentText(), QStringLiteral("24bit"));
            EXPECT_TRUE(near(c.colorSwatch->color()))
                << c.colorSwatch->color().name().toStdString();
        }
    }
    EXPECT_TRUE(boxes_.shown.isEmpty());
}

TEST_F(PictureDrop, ABrokenPngSaysSoAsTheOpenDialogDoes) {
    const std::string path = folder_.file("broken.png");
    std::ofstream(path, std::ios::binary) << "\x89PNG\r\n\x1a\n broken";
    const auto form = makeForm();
    std::unique_ptr<QMimeData> data(filesData({fileUrl(path)}));
    ASSERT_TRUE(drop(*form, *data));
    ASSERT_EQ(boxes_.shown.size(), 1);
    EXPECT_TRUE(boxes_.shown.front().startsWith(QStringLiteral("Error: failed displaying")))
        << boxes_.shown.front().toStdString();
    EXPECT_EQ(form->sourcePath(), path);
    EXPECT_TRUE(form->workBitmap().isEmpty());
}

TEST_F(PictureDrop, OnlyOneLocalFileIsTaken) {
    const std::string first = picture("a.bmp", 4, 3);
    const std::string second = picture("b.bmp", 4, 3);
    const auto form = makeForm();
    const std::vector<QList<QUrl>> refused{
        {fileUrl(first), fileUrl(second)},
        {QUrl(QStringLiteral("https://example.org/a.bmp"))},
        {QUrl::fromLocalFile(QString::fromStdString(folder_.path().string()))},
        {fileUrl(folder_.file("missing.bmp"))},
        {}};
    for (const QList<QUrl>& urls : refused) {
        std::unique_ptr<QMimeData> data(filesData(urls));
        EXPECT_FALSE(droppedPicture(*data).has_value());
        EXPECT_FALSE(drop(*form, *data));
    }
    QMimeData text;
    text.setText(QString::fromStdString(first));
    EXPECT_FALSE(drop(*form, text));
    EXPECT_EQ(form->sourcePath(), "");
    EXPECT_TRUE(form->controls().outputFileEdit->text().isEmpty());
}

TEST_F(PictureDrop, ADropDuringAConversionIsTakenAsOpenPictureIs) {
    test::Gate gate;
    const auto form = makeForm([&](const ConversionSettings& settings, WriterContext& context) {
        return std::make_unique<test::GatedWriter>(makeOutputWriter(settings, context), gate);
    });
    const MainFormControls& c = form->controls();
    const std::string first = picture("first.bmp", 4, 3);
    form->openPictureFile(first);
    form->startConversion();
    ASSERT_TRUE(test::pumpUntil([&] { return gate.reached(); }));

    const std::string second = picture("second.bmp", 8, 6);
    std::unique_ptr<QMimeData> data(filesData({fileUrl(second)}));
    EXPECT_TRUE(drop(*form, *data));
    EXPECT_EQ(form->sourcePath(), second);
    EXPECT_EQ(c.widthEdit->text(), QStringLiteral("8"));
    EXPECT_TRUE(form->conversionRunning()) << "the running conversion goes on";
    gate.open();
    ASSERT_TRUE(test::pumpUntil([&] { return !form->conversionRunning(); }));
    EXPECT_TRUE(std::filesystem::exists(folder_.file("first.html")));
}

} // namespace
} // namespace varnelo
