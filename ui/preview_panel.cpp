#include "ui/preview_panel.h"

#include <QCheckBox>
#include <QPainter>
#include <QVBoxLayout>

namespace varnelo {

void PreviewBox::setPicture(QImage picture) {
    picture_ = std::move(picture);
    update();
}

void PreviewBox::setStretched(bool stretched) {
    stretched_ = stretched;
    update();
}

void PreviewBox::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));
    if (picture_.isNull())
        return;
    if (stretched_) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(rect(), picture_);
    } else {
        painter.drawImage(QPoint(0, 0), picture_);
    }
}

PreviewPanel::PreviewPanel(QWidget* parent)
    : QFrame(parent), previewBox_(new PreviewBox(this)),
      stretchCheck_(new QCheckBox(QStringLiteral("Stretch"), this)) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    layout->addWidget(previewBox_, 1);
    layout->addWidget(stretchCheck_);
}

} // namespace varnelo
