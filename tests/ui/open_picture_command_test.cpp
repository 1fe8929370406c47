#include "reading/picture_loader.h"
#include "tests/support/exif_samples.h"
#include "tests/support/jpeg_samples.h"
#include "tests/support/picture_files.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/window_fakes.h"
#include "ui/color_swatch.h"
#include "ui/main_form.h"
#include "ui/picture_loading.h"
#include "ui/preview_panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <ostream>

// Readable failures for Qt's strings and colours.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QColor& color, std::ostream* out) {
    *out << color.name().toStdString();
}

namespace varnelo {
namespace {

using SelectionChanged = std::function<void(const QString&)>;

const QString kImagesFilter = QStringLiteral(
    "Images (*.bmp;*.jpg;*.jpeg;*.jpe;*.gif;*.png;*.webp;*.avif;*.heic;*.heif;*.tif;*.tiff;*.jxl)|"
    "*.bmp;*.jpg;*.jpeg;*.jpe;*.gif;*.png;*.webp;*.avif;*.heic;*.heif;*.tif;*.tiff;*.jxl");

QString qt(const std::string& path) {
    return QString::fromStdString(path);
}

// What the preview box draws at its top-left corner: the picture's first
// pixel, or the box's own background when it has nothing to show.
QColor previewCorner(const MainForm& form) {
    PreviewBox* box = form.controls().previewPanel->previewBox();
    return box->grab().toImage().pixelColor(0, 0);
}

QColor emptyPreview(const MainForm& form) {
    return form.controls().previewPanel->previewBox()->palette().color(QPalette::Button);
}

class OpenPictureTest : public ::testing::Test {
protected:
    std::unique_ptr<MainForm> makeForm() {
        return std::make_unique<MainForm>(
            MainFormServices{.clock = &clock_,
                             .messages = &boxes_,
                             .shell = &shell_,
                             .dialogs = &dialogs_,
                             .makeWriter = {},
                             .makePictureLoading = makeImmediatePictureLoading});
    }

    // A picture whose pixels all differ from those of the other pictures made here.
    std::string picture(const std::string& name, int width, int height, std::uint32_t blue) {
        const std::string path = folder_.file(name);
        test::writeBmpFile(path, width, height, [blue](int x, int y) {
            return makeRgb(static_cast<std::uint32_t>(50 * x + 5),
                           static_cast<std::uint32_t>(70 * y + 7), blue);
        });
        return path;
    }

    static QColor cornerOf(std::uint32_t blue) { return {5, 7, static_cast<int>(blue)}; }

    std::string brokenPng() {
        const std::string path = folder_.file("broken.png");
        test::writeBytes(path, {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0});
        return path;
    }

    // An answer that browses the given files, then confirms the last one or cancels.
    void browse(const std::vector<std::string>& files, bool confirm) {
        dialogs_.openAnswers.emplace_back([files, confirm](test::ScriptedDialogs& dialogs, QWidget*,
                                                           const SelectionChanged& selected) {
            for (const std::string& file : files)
                selected(qt(file));
            if (confirm)
                dialogs.chosenFileName = qt(files.back());
            return confirm;
        });
    }

    test::TempDir folder_;
    test::TestClock clock_{{}, test::kWindowClockTime};
    test::RecordingBoxes boxes_;
    test::RecordingShell shell_;
    test::ScriptedDialogs dialogs_;
};

TEST_F(OpenPictureTest, BrowsingPreviewsEachFileAndConfirmingOpensTheChosenOne) {
    const auto form = makeForm();
    const MainFormControls& c = form->controls();
    const std::string first = picture("first.bmp", 4, 3, 11);
    const std::string second = picture("second.bmp", 5, 2, 22);
    test::writeBytes(folder_.file("second.html"), {'x'}); // taken: the name gets a number
    c.openOutputButton->setEnabled(true);                 // as after a finished conversion

    std::vector<QColor> previewed;
    dialogs_.openAnswers.emplace_back(
        [&](test::ScriptedDialogs& dialogs, QWidget* preview, const SelectionChanged& selected) {
            EXPECT_EQ(preview, c.previewPanel);
            EXPECT_EQ(previewCorner(*form), emptyPreview(*form));
            selected(qt(first));
            previewed.push_back(previewCorner(*form));
            selected(qt(second));
            previewed.push_back(previewCorner(*form));
            // The window's own picture waits for the user's choice.
            EXPECT_TRUE(form->workBitmap().isEmpty());
            EXPECT_EQ(c.widthEdit->text(), "0");
            dialogs.chosenFileName = qt(second);
            return true;
        });
    form->openPicture();

    EXPECT_EQ(dialogs_.shownFilters, QStringList{kImagesFilter});
    EXPECT_EQ(previewed, std::vector<QColor>({cornerOf(11), cornerOf(22)}));
    EXPECT_TRUE(boxes_.shown.isEmpty());
    EXPECT_EQ(form->sourcePath(), second);
    EXPECT_EQ(form->workBitmap().width(), 5);
    EXPECT_EQ(form->workBitmap().height(), 2);
    EXPECT_EQ(c.widthEdit->text(), "5");
    EXPECT_EQ(c.heightEdit->text(), "2");
    EXPECT_EQ(c.sizeEstimateLabel->text(), "approximate resulting size: ~ 40x16");
    EXPECT_EQ(c.colorDepthList->currentText(), "24bit");
    EXPECT_EQ(c.colorSwatch->color(), cornerOf(22));
    EXPECT_EQ(c.outputFileEdit->text(), qt(folder_.file("second1.html")));
    EXPECT_FALSE(c.openOutputButton->isEnabled());
    // The panel is hidden again and keeps no picture of the dialog's.
    EXPECT_EQ(previewCorner(*form), emptyPreview(*form));
}

// A phone photo without extension, stored on its side with an EXIF note to
// turn it: the window takes it as a viewer shows it, 20 × 40, black on top.
// Every type of the picture-type table, by each of its extensions.
TEST_F(OpenPictureTest, TheFilterOffersEveryTypeTheLoaderReads) {
    const auto form = makeForm();
    form->openPicture(); // cancelled
    ASSERT_EQ(dialogs_.shownFilters.size(), 1);
    const QString filter = dialogs_.shownFilters.front();
    for (const PictureTypeEntry& type : pictureTypes()) {
        for (const std::string_view extension : type.extensions)
            EXPECT_TRUE(filter.contains(QStringLiteral("*") + QLatin1String(extension)))
                << type.label << " " << extension;
    }
}

TEST_F(OpenPictureTest, APictureIsKnownByItsBytesAndOpensUpright) {
    const auto form = makeForm();
    const MainFormControls& c = form->controls();
    std::vector<std::uint8_t> grey;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x)
            grey.push_back(x < 20 ? 0 : 255);
    const std::string phone = folder_.file("phone");
    test::writeBytes(phone, test::withExifSegment(test::encodeJpeg(40, 20, 1, grey),
                                                  test::exifWithOrientation(6)));
    std::vector<QColor> previewed;
    dialogs_.openAnswers.emplace_back(
        [&](test::ScriptedDialogs& dialogs, QWidget*, const SelectionChanged& selected) {
            selected(qt(phone));
            previewed.push_back(previewCorner(*form));
            dialogs.chosenFileName = qt(phone);
            return true;
        });
    form->openPicture();

    EXPECT_TRUE(boxes_.shown.isEmpty());
    ASSERT_EQ(previewed.size(), 1u);
    EXPECT_LT(previewed[0].red(), 8) << "the preview is upright too";
    EXPECT_EQ(c.widthEdit->text(), "20");
    EXPECT_EQ(c.heightEdit->text(), "40");
    EXPECT_EQ(c.colorDepthList->currentText(), "8bit");
    EXPECT_LT(c.colorSwatch->color().red(), 8);
    EXPECT_EQ(c.outputFileEdit->text(), qt(folder_.file("phone.html")));
    // The fields keep the picture's upright proportion.
    c.widthEdit->setText("10");
    EXPECT_EQ(c.heightEdit->text(), "20");
}

TEST_F(OpenPictureTest, CancellingAfterBrowsingKeepsThePictureTheWindowHad) {
    const auto form = makeForm();
    const MainFormControls& c = form->controls();
    const std::string opened = picture("opened.bmp", 6, 4, 33);
    const std::string other = picture("other.bmp", 3, 9, 44);
    browse({opened}, true);
    form->openPicture();
    ASSERT_EQ(form->sourcePath(), opened);
    c.rtfRadio->setChecked(true); // the name stays, whatever the format now says
    const WorkBitmap before = form->workBitmap();
    const QString outputName = c.outputFileEdit->text();

    browse({other, brokenPng(), other}, false);
    form->openPicture();

    EXPECT_EQ(form->sourcePath(), opened);
    EXPECT_EQ(c.outputFileEdit->text(), outputName);
    EXPECT_EQ(c.widthEdit->text(), "6");
    EXPECT_EQ(c.heightEdit->text(), "4");
    EXPECT_EQ(c.colorSwatch->color(), cornerOf(33));
    EXPECT_DOUBLE_EQ(form->aspectRatio(), 6.0 / 4.0);
    ASSERT_EQ(form->workBitmap().width(), 6);
    ASSERT_EQ(form->workBitmap().height(), 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(form->workBitmap().pixelColor(x, y), before.pixelColor(x, y));
}

TEST_F(OpenPictureTest, WhatCannotBeReadPreviewsNothingAndABrokenPngSaysSo) {
    const auto form = makeForm();
    const std::string good = picture("good.bmp", 2, 2, 55);
    const std::string broken = brokenPng();
    const std::string text = folder_.file("notes.txt");
    test::writeBytes(text, {'h', 'i'});
    const std::string badBmp = folder_.file("bad.bmp");
    test::writeBytes(badBmp, {'B', 'M', 1});

    std::vector<QColor> previewed;
    dialogs_.openAnswers.emplace_back(
        [&](test::ScriptedDialogs&, QWidget*, const SelectionChanged& selected) {
            for (const std::string& file : {good, broken, good, text, good, badBmp}) {
                selected(qt(file));
                previewed.push_back(previewCorner(*form));
            }
            return false;
        });
    form->openPicture();

    const QColor nothing = emptyPreview(*form);
    EXPECT_EQ(previewed, std::vector<QColor>({cornerOf(55), nothing, cornerOf(55), nothing,
                                              cornerOf(55), nothing}));
    EXPECT_EQ(boxes_.shown, QStringList{"Error: failed displaying \"" + qt(broken) + "\"!"});
}

TEST_F(OpenPictureTest, ConfirmingABrokenPngLeavesNoPictureBehind) {
    const auto form = makeForm();
    const MainFormControls& c = form->controls();
    const std::string good = picture("good.bmp", 8, 6, 66);
    browse({good}, true);
    form->openPicture();
    const std::string broken = brokenPng();
    browse({good, broken}, true);
    form->openPicture();

    // Once while browsing, once while opening.
    const QString failed = "Error: failed displaying \"" + qt(broken) + "\"!";
    EXPECT_EQ(boxes_.shown, QStringList({failed, failed}));
    EXPECT_EQ(form->sourcePath(), broken);
    EXPECT_TRUE(form->workBitmap().isEmpty());
    EXPECT_EQ(c.widthEdit->text(), "0");
    EXPECT_EQ(c.heightEdit->text(), "0");
    EXPECT_DOUBLE_EQ(form->aspectRatio(), 0.0);

    boxes_.shown.clear();
    form->startConversion();
    EXPECT_EQ(boxes_.shown, QStringList{"Information: please select a valid imagefile!"});
    EXPECT_FALSE(form->conversionRunning());
}

using PreviewStretch = test::WindowTest;

TEST_F(PreviewStretch, RepaintsThePreviewAndDropsTheFocus) {
    PreviewBox* box = c.previewPanel->previewBox();
    QImage picture(2, 2, QImage::Format_RGB32);
    picture.fill(Qt::red);
    box->setPicture(picture);
    box->resize(20, 20);
    const auto centre = [box] { return box->grab().toImage().pixelColor(10, 10); };
    EXPECT_NE(centre(), QColor(Qt::red));

    c.rangeFromEdit->setEnabled(true);
    c.rangeFromEdit->setFocus();
    c.previewPanel->stretchCheck()->click();
    EXPECT_EQ(centre(), QColor(Qt::red));
    EXPECT_EQ(form_.focusWidget(), nullptr);
    c.previewPanel->stretchCheck()->click();
    EXPECT_NE(centre(), QColor(Qt::red));
}

} // namespace
} // namespace varnelo
