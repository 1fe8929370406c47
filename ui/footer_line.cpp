#include "ui/footer_line.h"

#include "platform/shell.h"
#include "ui/homepage.h"

#include <QMouseEvent>
#include <QPainter>

namespace varnelo {

FooterLine::FooterLine(Shell& shell, QWidget* parent)
    : QWidget(parent), shell_(shell),
      hoverText_(QStringLiteral(".:| Varnelo Homepage | ") + QLatin1String(kHomepageHost) +
                 QStringLiteral(" |:.")) {
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
}

void FooterLine::setIdleText(const QString& text) {
    idleText_ = text;
    update();
}

void FooterLine::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QPalette& colors = palette();
    const int w = width();
    painter.fillRect(rect(), colors.color(QPalette::Button));
    // An etched separator along the top edge: dark over light, the light
    // line one pixel lower and to the right.
    painter.setPen(colors.color(QPalette::WindowText));
    painter.drawLine(0, 0, w - 1, 0);
    painter.setPen(colors.color(QPalette::Base));
    painter.drawLine(1, 1, w - 1, 1);
    painter.setPen(colors.color(QPalette::WindowText));
    painter.drawPoint(0, 1);
    painter.setPen(colors.color(QPalette::Base));
    painter.drawPoint(w - 1, 0);

    // The text engraved: a light copy one pixel right of and below the visible one.
    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    const int flags = Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine | Qt::TextExpandTabs;
    painter.setPen(colors.color(QPalette::Base));
    painter.drawText(QRect(0, 4, w, height() - 4), flags, shownText());
    painter.setPen(colors.color(hovered_ ? QPalette::Highlight : QPalette::WindowText));
    painter.drawText(QRect(0, 3, w - 1, height() - 3), flags, shownText());
}

void FooterLine::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    update();
    QWidget::enterEvent(event);
}

void FooterLine::leaveEvent(QEvent* event) {
    hovered_ = false;
    update();
    QWidget::leaveEvent(event);
}

void FooterLine::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        shell_.openAddress(QLatin1String(kHomepageAddress));
    QWidget::mouseReleaseEvent(event);
}

} // namespace varnelo
