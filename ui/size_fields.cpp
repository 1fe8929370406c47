#include "ui/size_fields.h"

#include "engine/conversion_settings.h"
#include "engine/size_estimate.h"
#include "ui/number_field.h"

#include <QLabel>
#include <QLineEdit>

namespace varnelo {

namespace {

// The guard value that marks "this field is writing the other one".
constexpr int kWriting = 2;

std::string textOf(const QLineEdit* edit) {
    return edit->text().toStdString();
}

} // namespace

void SizeFields::refreshEstimate() {
    if (cells_)
        c_.sizeEstimateLabel->setText(QStringLiteral("approximate resulting size: ~ %1x%2 cells")
                                          .arg(cells_->first)
                                          .arg(cells_->second));
    else
        c_.sizeEstimateLabel->setText(QString::fromStdString(sizeEstimateText(
            textOf(c_.widthEdit), textOf(c_.heightEdit), textOf(c_.fontSizeEdit))));
    c_.sizeEstimateLabel->adjustSize();
}

void SizeFields::showCells(std::optional<std::pair<int, int>> cells) {
    if (cells == cells_)
        return;
    cells_ = cells;
    refreshEstimate();
}

void SizeFields::showPictureSize(int width, int height) {
    aspectRatio_ = width <= 0 || height <= 0 ? 0.0 : static_cast<double>(width) / height;
    c_.widthEdit->setText(QString::number(width));
    c_.heightEdit->setText(QString::number(height));
    refreshEstimate();
}

void SizeFields::onWidthChanged() {
    if (aspectRatio_ == 0.0 || heightGuard_ == kWriting) {
        heightGuard_ = 0;
        return;
    }
    widthGuard_ = kWriting;
    const std::int32_t width = readNumber(textOf(c_.widthEdit));
    c_.heightEdit->setText(QString::number(proportionalHeight(width, aspectRatio_)));
    widthGuard_ = 0; // the height's handler clears it, unless the text was already the same
    refreshEstimate();
}

void SizeFields::onHeightChanged() {
    if (aspectRatio_ == 0.0 || widthGuard_ == kWriting) {
        widthGuard_ = 0;
        return;
    }
    heightGuard_ = kWriting;
    const std::int32_t height = readNumber(textOf(c_.heightEdit));
    c_.widthEdit->setText(QString::number(proportionalWidth(height, aspectRatio_)));
    heightGuard_ = 0; // the width's handler clears it, unless the text was already the same
    refreshEstimate();
}

void SizeFields::onFontSizeChanged() {
    const QString text = c_.fontSizeEdit->text();
    // Each reset runs this handler again.
    if (text.isEmpty() || readNumber(text.toStdString()) < 1)
        c_.fontSizeEdit->setText(QString::number(ConversionSettings{}.fontSize));
    else if (!fieldNumberWithin(*c_.fontSizeEdit, 1, kMaxFontSize))
        c_.fontSizeEdit->setText(QString::number(kMaxFontSize)); // as large as documents allow
    refreshEstimate();
}

} // namespace varnelo
