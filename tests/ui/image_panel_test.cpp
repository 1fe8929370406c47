#include "ui/control_factory.h"
#include "ui/image_panel.h"
#include "ui/window_style.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include <gtest/gtest.h>

namespace varnelo {
namespace {

// The panel in a window of its own, beside the font size field its
// estimate reads, which the character panel makes in the window.
class ImagePanelTest : public ::testing::Test {
protected:
    ImagePanelTest() {
        applyWindowStyle(window_);
        fontSizeEdit_->setText(QStringLiteral("8"));
        panel_.create(fontSizeEdit_);
        panel_.connectEvents();
        // The caption the window gives it as it starts.
        c.sizeEstimateLabel->setText(QStringLiteral("approximate resulting size:"));
    }

    QWidget window_;
    QLineEdit* fontSizeEdit_ = makeEdit(&window_, 0, 0, 25, 17, true);
    ImageControls c;
    ImagePanel panel_{c, window_};
};

TEST_F(ImagePanelTest, SizeFieldsKeepTheProportionAndTheEstimateFollows) {
    c.widthEdit->setText(QStringLiteral("50")); // no picture yet: nothing follows
    EXPECT_EQ(c.heightEdit->text(), "0");
    EXPECT_EQ(c.sizeEstimateLabel->text(), "approximate resulting size:");

    panel_.sizeFields().showPictureSize(640, 480); // as an opened picture does
    c.widthEdit->setText(QStringLiteral("320"));
    EXPECT_EQ(c.heightEdit->text(), "240");
    EXPECT_EQ(c.sizeEstimateLabel->text(), "approximate resulting size: ~ 2560x1920");
    c.heightEdit->setText(QStringLiteral("100"));
    EXPECT_EQ(c.widthEdit->text(), "133");
    c.heightEdit->setText(QStringLiteral("100")); // unchanged text, then a real change
    c.widthEdit->setText(QStringLiteral("640"));
    EXPECT_EQ(c.heightEdit->text(), "480");
    fontSizeEdit_->setText(QStringLiteral("10"));
    EXPECT_EQ(c.sizeEstimateLabel->text(), "approximate resulting size: ~ 6400x4800");
    EXPECT_EQ(c.widthEdit->text(), "640");
    fontSizeEdit_->clear();
    EXPECT_EQ(fontSizeEdit_->text(), "8");
    fontSizeEdit_->setText(QStringLiteral("0"));
    EXPECT_EQ(fontSizeEdit_->text(), "8");
    // Above what an RTF document can hold: the largest size, as in the converter.
    for (const char* big : {"1639", "99999999999"}) {
        fontSizeEdit_->setText(QString::fromLatin1(big));
        EXPECT_EQ(fontSizeEdit_->text(), "1638") << big;
    }
    fontSizeEdit_->setText(QStringLiteral("1638"));
    EXPECT_EQ(fontSizeEdit_->text(), "1638");
    c.widthEdit->clear();
    EXPECT_EQ(c.heightEdit->text(), "0");
    EXPECT_EQ(c.sizeEstimateLabel->text(), "approximate resulting size: ~ 0x0");
}

TEST_F(ImagePanelTest, TheSettingsAreWhatTheControlsShow) {
    ConversionSettings settings;
    panel_.fillSettings(settings);
    const ConversionSettings defaults;
    EXPECT_EQ(settings.imageWidth, defaults.imageWidth);
    EXPECT_EQ(settings.imageHeight, defaults.imageHeight);
    EXPECT_EQ(settings.colorDepth, defaults.colorDepth);
    EXPECT_EQ(c.colorDepthList->count(), 7);

    c.widthEdit->setText(QStringLiteral("120"));
    c.heightEdit->setText(QStringLiteral("90"));
    c.colorDepthList->setCurrentIndex(2);
    panel_.fillSettings(settings);
    EXPECT_EQ(settings.imageWidth, 120);
    EXPECT_EQ(settings.imageHeight, 90);
    EXPECT_EQ(settings.colorDepth, ColorDepth::Depth8);
}

} // namespace
} // namespace varnelo
