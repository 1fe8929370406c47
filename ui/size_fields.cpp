// The two size fields keep the opened picture's proportion, and the
// estimate line follows every change of them and of the font size. Each
// handler runs inside the text change that caused it; the guard marks stop
// the two size fields from answering each other's writes.
#include "engine/size_estimate.h"
#include "ui/main_form.h"

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

void MainForm::refreshEstimate() {
    controls_.sizeEstimateLabel->setText(QString::fromStdString(
        sizeEstimateText(textOf(controls_.widthEdit), textOf(controls_.heightEdit),
                         textOf(controls_.fontSizeEdit))));
    controls_.sizeEstimateLabel->adjustSize();
}

void MainForm::onWidthChanged() {
    if (aspectRatio_ == 0.0 || heightGuard_ == kWriting) {
        heightGuard_ = 0;
        return;
    }
    widthGuard_ = kWriting;
    const std::int32_t width = readNumber(textOf(controls_.widthEdit));
    controls_.heightEdit->setText(QString::number(proportionalHeight(width, aspectRatio_)));
    widthGuard_ = 0; // the height's handler clears it, unless the text was already the same
    refreshEstimate();
}

void MainForm::onHeightChanged() {
    if (aspectRatio_ == 0.0 || widthGuard_ == kWriting) {
        widthGuard_ = 0;
        return;
    }
    heightGuard_ = kWriting;
    const std::int32_t height = readNumber(textOf(controls_.heightEdit));
    controls_.widthEdit->setText(QString::number(proportionalWidth(height, aspectRatio_)));
    heightGuard_ = 0; // the width's handler clears it, unless the text was already the same
    refreshEstimate();
}

void MainForm::onFontSizeChanged() {
    const QString text = controls_.fontSizeEdit->text();
    if (text.isEmpty() || readNumber(text.toStdString()) < 1)
        controls_.fontSizeEdit->setText(QStringLiteral("8")); // runs this handler again
    refreshEstimate();
}

} // namespace varnelo
