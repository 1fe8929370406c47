#include "ui/color_swatch.h"

#include "ui/focus_mark.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace varnelo {

ColorSwatch::ColorSwatch(QWidget* parent)
    : QWidget(parent), color_(palette().color(QPalette::Button)) {}

void ColorSwatch::setColor(const QColor& color) {
    color_ = color;
    update();
}

void ColorSwatch::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const int w = width();
    const int h = height();
    painter.fillRect(rect(), color_);
    painter.setPen(palette().color(QPalette::Shadow));
    painter.drawLine(0, h - 1, 0, 1);
    painter.drawLine(0, 0, w - 2, 0);
    painter.setPen(palette().color(QPalette::Base));
    painter.drawLine(w - 1, 0, w - 1, h - 2);
    painter.drawLine(w - 1, h - 1, 0, h - 1);
    if (hasFocus())
        paintFocusMark(painter, rect().adjusted(2, 2, -3, -3));
}

void ColorSwatch::keyPressEvent(QKeyEvent* event) {
    if (isActivationKey(*event)) {
        emit clicked();
        return;
    }
    QWidget::keyPressEvent(event);
}

void ColorSwatch::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QWidget::mouseReleaseEvent(event);
}

} // namespace varnelo
